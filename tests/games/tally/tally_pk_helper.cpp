// Plays part of a PK in a real tally window over the program folder given, prints the board
// and waits to be killed, as a crash or a power cut would end the program.
//   tally_pk_helper FOLDER            a fixed PK, then wait
//   tally_pk_helper FOLDER script     commands from standard input, one answer line each:
//                                     "add P AMOUNT", "fill" (the disk), "free", "pid"
//   tally_pk_helper FOLDER restore    accept the offered PK, print it and end
#include "games/tally/tally_config.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_window.h"
#include "tests/support/message_box_answerer.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QSet>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <iostream>
#include <string>

#include <unistd.h>

using namespace glimmer;

namespace {

QString text(QWidget* window, const char* name) {
    return window->findChild<QLabel*>(QString::fromUtf8(name))->text();
}

void print(const QString& line) {
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

int run_script(TallyWindow* window, const QString& folder) {
    const QString filler = QDir(tally_config_folder(folder)).filePath(QStringLiteral("filler"));
    QSet<QObject*> notices;
    std::string command;
    while (std::getline(std::cin, command)) {
        QApplication::processEvents();
        const QStringList words = QString::fromStdString(command).split(' ');
        if (words[0] == QStringLiteral("add") && words.size() == 3) {
            const bool one = text(window, "selected_player") == QStringLiteral("一");
            if (one != (words[1] == QStringLiteral("1"))) {
                window->switch_player();
            }
            window->findChild<QLineEdit*>(QStringLiteral("amount_edit"))->setText(words[2]);
            window->submit_typed_quantity();
        } else if (words[0] == QStringLiteral("fill")) {
            QFile file(filler);
            if (file.open(QIODevice::WriteOnly)) {
                const QByteArray block(4096, 'x');
                while (file.write(block) == block.size() && file.flush()) {
                }
            }
        } else if (words[0] == QStringLiteral("free")) {
            QFile::remove(filler);
        } else if (words[0] == QStringLiteral("pid")) {
            print(QString::number(getpid()));
            continue;
        }
        QApplication::processEvents();
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (qobject_cast<QMessageBox*>(top) != nullptr && top->isVisible() &&
                top->windowTitle() == QStringLiteral("崩溃保护")) {
                notices.insert(top);
            }
        }
        print(QStringList{text(window, "player_one_total"), text(window, "player_two_total"),
                          QString::number(window->history().record().size()),
                          QString::number(notices.size())}
                  .join('|'));
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString mode = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    TallyConfig config;
    if (mode == QStringLiteral("restore")) {
        glimmer::testing::MessageBoxAnswerer answer(QMessageBox::Ok);
        TallyWindow window(config, folder, "http://example");
        window.show();
        // The journal is read beside the window, and the question comes once it is.
        for (int waited = 0; waited < 3000 && (window.pk().searching() || window.pk().asking());
             waited += 10) {
            QTest::qWait(10);
        }
        print(QStringList{text(&window, "player_one_total"), text(&window, "player_two_total"),
                          QString::number(window.history().record().size())}
                  .join('|'));
        return answer.seen().size() == 1 ? 0 : 1;
    }
    auto* window = new TallyWindow(config, folder, "http://example");
    window->show();
    if (mode == QStringLiteral("script")) {
        return run_script(window, folder);
    }
    QTimer::singleShot(0, window, [window] {
        window->add_preset(2, 4); // 9999 for player two
        window->add_preset(1, 3); // 999 for player one
        window->add_preset(1, 4); // 9999: player one leads
        window->undo_addition();  // back to player two's lead
        window->add_preset(1, 4); // a new addition drops the redo
        window->add_preset(2, 3); // 999: a tie
        window->undo_addition();
        window->redo_addition();
        const QString board =
            QStringList{text(window, "player_one_total"), text(window, "player_two_total"),
                        window->findChild<QLabel*>("leader_flag")->isHidden() ? "hidden" : "shown",
                        text(window, "difference_line"),
                        QString::number(window->history().record().size())}
                .join('|');
        print(board);
    });
    return app.exec();
}
