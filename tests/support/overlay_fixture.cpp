#include "overlay_fixture.h"

#include "games/minebox/board_view.h"
#include "games/tally/tally_config.h"
#include "runtime/controls/lists.h"
#include "runtime/overlay_server.h"
#include "runtime/text.h"
#include "runtime/windows.h"
#include "shell/startup_window.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <QTimer>

namespace glimmer::testing {

int free_port() {
    QTcpServer probe;
    return probe.listen(QHostAddress::LocalHost, 0) ? probe.serverPort() : 0;
}

OverlayProgram::OverlayProgram(int port, GameModules games) {
    set_end_program_handler([] {});
    HostSettings settings = default_host_settings();
    settings.site_url = QStringLiteral("http://127.0.0.1:1");
    settings.program_folder = folder_.path();
    settings.config_home = folder_.path();
    settings.is_online = [] { return 0; };
    settings.settings_file.clear();
    port_ = port > 0 ? port : free_port();
    settings.overlay_port = port_;
    state_ = std::make_unique<AppState>(settings, std::move(games));
    catalogue_ = start_program(*state_)->catalogue();
    if (catalogue_) {
        (void)QTest::qWaitForWindowExposed(catalogue_);
        (void)QTest::qWaitFor([this] { return catalogue_->overlay_start_tried(); }, 10000);
    }
}

OverlayProgram::~OverlayProgram() {
    QList<QPointer<QWidget>> windows;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        windows << window;
    }
    // Deleting one window may delete others (a menu with its catalogue).
    for (const QPointer<QWidget>& window : windows) {
        delete window.data();
    }
    set_end_program_handler({});
}

bool OverlayProgram::started() const {
    return catalogue_ && catalogue_->overlay_server()->listening();
}

QString OverlayProgram::base() const {
    return QStringLiteral("http://127.0.0.1:%1").arg(port_);
}

void OverlayProgram::set_tally_names(const QString& one, const QString& two) {
    QDir().mkpath(tally_config_folder(folder_.path()));
    QFile file(tally_config_path(folder_.path()));
    if (file.open(QIODevice::WriteOnly)) {
        file.write(
            to_gbk(QStringLiteral("[玩家1]\r\n名字=%1\r\n[玩家2]\r\n名字=%2\r\n").arg(one, two)));
    }
}

QWidget* OverlayProgram::open(const QString& game) {
    catalogue_->open_game(game);
    QWidget* window = catalogue_->game_window(game);
    if (window != nullptr) {
        (void)QTest::qWaitForWindowExposed(window);
    }
    return window;
}

namespace {

template <typename T> T* find(const QString& game, CatalogueWindow* catalogue, const char* name) {
    QWidget* window = catalogue->game_window(game);
    return window == nullptr ? nullptr : window->findChild<T*>(QString::fromUtf8(name));
}

void retype(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
}

} // namespace

void OverlayProgram::add_to_tally(const QString& amount, bool player_one) {
    // A click on a preset row selects its player; the typed amount replaces the preset.
    auto* list = find<ReportList>(QStringLiteral("tally"), catalogue_,
                                  player_one ? "player_one_presets" : "player_two_presets");
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->topLevelItem(0)).center());
    auto* quantity = find<QLineEdit>(QStringLiteral("tally"), catalogue_, "amount_edit");
    retype(quantity, amount);
    QTest::keyClick(quantity, Qt::Key_Return);
}

bool OverlayProgram::play_dice_turn() {
    QTest::mouseClick(find<QWidget>(QStringLiteral("dice"), catalogue_, "start_prompt"),
                      Qt::LeftButton);
    QTest::mouseClick(find<QPushButton>(QStringLiteral("dice"), catalogue_, "start_button"),
                      Qt::LeftButton);
    auto* dragon = find<QPushButton>(QStringLiteral("dice"), catalogue_, "dragon_button");
    if (!QTest::qWaitFor([dragon] { return dragon->isVisible(); }, 20000)) {
        return false;
    }
    QTest::mouseClick(dragon, Qt::LeftButton);
    return true;
}

void OverlayProgram::bury_mines(const QString& boxes, const QString& mines) {
    retype(find<QLineEdit>(QStringLiteral("minebox"), catalogue_, "box_count_edit"), boxes);
    retype(find<QLineEdit>(QStringLiteral("minebox"), catalogue_, "mine_count_edit"), mines);
    QTest::mouseClick(find<QPushButton>(QStringLiteral("minebox"), catalogue_, "bury_button"),
                      Qt::LeftButton);
}

void OverlayProgram::dig_box(int position) {
    auto* board = find<BoardView>(QStringLiteral("minebox"), catalogue_, "box_list");
    const QModelIndex box = board->model()->index(position, 0);
    board->scrollTo(box);
    QTest::mouseDClick(board->viewport(), Qt::LeftButton, {}, board->visualRect(box).center());
}

void OverlayProgram::credit_box(int player) {
    QTest::mouseClick(find<QPushButton>(QStringLiteral("minebox"), catalogue_,
                                        player == 1 ? "player_one_button" : "player_two_button"),
                      Qt::LeftButton);
}

QByteArray OverlayProgram::exchange(const QByteArray& request) const {
    QTcpSocket socket;
    socket.connectToHost(QHostAddress::LocalHost, static_cast<quint16>(port_));
    if (!socket.waitForConnected(5000)) {
        return {};
    }
    socket.write(request);
    QByteArray answer;
    // The server answers and closes; everything up to the close is the answer. The loop wakes
    // on the socket's own signals, so each exchange takes as long as the server does.
    QEventLoop loop;
    QObject::connect(&socket, &QTcpSocket::readyRead, &loop,
                     [&answer, &socket] { answer += socket.readAll(); });
    QObject::connect(&socket, &QTcpSocket::disconnected, &loop, &QEventLoop::quit);
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    if (socket.state() != QAbstractSocket::UnconnectedState) {
        loop.exec();
    }
    answer += socket.readAll();
    return answer;
}

int status_of(const QByteArray& answer) {
    if (!answer.startsWith("HTTP/1.1 ")) {
        return 0;
    }
    return answer.mid(9, 3).toInt();
}

QByteArray body_of(const QByteArray& answer) {
    const qsizetype end = answer.indexOf("\r\n\r\n");
    return end < 0 ? QByteArray() : answer.mid(end + 4);
}

} // namespace glimmer::testing
