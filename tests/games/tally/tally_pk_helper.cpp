// Plays part of a PK in a real tally window over the program folder given, prints the board
// and waits to be killed, as a crash or a power cut would end the program.
#include "games/tally/tally_config.h"
#include "games/tally/tally_window.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTimer>

#include <cstdio>

using namespace glimmer;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 2) {
        return 2;
    }
    TallyConfig config;
    auto* window = new TallyWindow(config, QString::fromLocal8Bit(argv[1]), "http://example");
    window->show();
    QTimer::singleShot(0, window, [window] {
        window->add_preset(2, 4); // 9999 for player two
        window->add_preset(1, 3); // 999 for player one
        window->add_preset(1, 4); // 9999: player one leads
        window->undo_addition();  // back to player two's lead
        window->add_preset(1, 4); // a new addition drops the redo
        window->add_preset(2, 3); // 999: a tie
        window->undo_addition();
        window->redo_addition();
        const auto text = [window](const char* name) {
            return window->findChild<QLabel*>(QString::fromUtf8(name))->text();
        };
        const QString board =
            QStringList{text("标签3"), text("标签4"),
                        window->findChild<QLabel*>("图片框1")->isHidden() ? "hidden" : "shown",
                        text("透明标签3"), QString::number(window->history().record().size())}
                .join('|');
        std::printf("%s\n", board.toUtf8().constData());
        std::fflush(stdout);
    });
    return app.exec();
}
