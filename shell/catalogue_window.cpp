#include "catalogue_window.h"

#include "app_state.h"
#include "control_token.h"
#include "game_control.h"
#include "game_registry.h"
#include "overlay_feed.h"
#include "overlay_state.h"
#include "runtime/controls/picture_button.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/game_window.h"
#include "runtime/logging.h"
#include "runtime/overlay_server.h"
#include "runtime/web_view.h"
#include "runtime/windows.h"
#include "status_line.h"
#include "ui_catalogue_window.h"
#include "version_check.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>
#include <QTimer>

namespace glimmer {

QString no_global_hotkeys_text(const QString& reason) {
    return (reason.isEmpty()
                ? QStringLiteral("这个桌面不让程序自己设置全局快捷键。")
                : QStringLiteral("这个桌面不让程序自己设置全局快捷键（%1）。").arg(reason)) +
           QStringLiteral("\n\n在桌面设置的自定义快捷键里运行 glimmerhall ctl 命令，效果相同，"
                          "例如：\nglimmerhall ctl tally preset 1 1\nglimmerhall ctl tally undo\n"
                          "glimmerhall ctl dice step\n\n全部命令见 glimmerhall ctl --help 和 man "
                          "glimmerhall。");
}

CatalogueWindow::CatalogueWindow(AppState& state, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CatalogueWindow>()), state_(state),
      backdrop_(QStringLiteral(":/catalogue/backdrop.jpg")), overlay_feed_(new OverlayFeed(this)),
      overlay_server_(new OverlayServer(this)) {
    ui_->setupUi(this);
    setFixedSize(500, 300);

    QFont link_font = ui_->new_version_link->font();
    link_font.setPixelSize(14);
    link_font.setBold(true);
    ui_->new_version_link->setFont(link_font);

    // Asked now, acted on after the first paint: the page reader with its browser engine is
    // the heaviest thing the program starts, and the host should see the catalogue first.
    statistics_wanted_ = state_.host.is_online && state_.host.is_online() == 1;

    connect(ui_->new_version_link, &TransparentLabel::left_pressed, this,
            [this] { show_update_notes(state_.version->result(), state_.host.site_url); });

    // The update notes' box is modal, yet closing the catalogue must still end the program.
    close_even_under_modal_boxes(this);
    overlay_addresses_ = glimmer::overlay_addresses(state_.host);
    if (overlay_addresses_.on()) {
        overlay_addresses_.off_reason = QStringLiteral("直播叠加正在启动，请稍候再试");
    }
    connect(overlay_feed_, &OverlayFeed::changed, overlay_server_, &OverlayServer::publish);

    // The design has room for three games; the registry's first three fill it in order.
    const QList<GameDescriptor>& games = game_registry();
    const std::array<PictureButton*, 3> buttons{ui_->first_game_button, ui_->second_game_button,
                                                ui_->third_game_button};
    for (size_t i = 0; i < buttons.size(); ++i) {
        if (static_cast<qsizetype>(i) >= games.size()) {
            buttons[i]->hide();
            continue;
        }
        const GameDescriptor& game = games[static_cast<qsizetype>(i)];
        buttons[i]->setText(game.title);
        buttons[i]->setNormalFace(QPixmap(game.picture));
        buttons[i]->setHoverFaceFile(game.hover_picture);
        connect(buttons[i], &QAbstractButton::clicked, this,
                [this, id = game.id] { open_game(id); });
    }
    games_.resize(games.size());
}

CatalogueWindow::~CatalogueWindow() = default;

GameWindow* CatalogueWindow::game_window(const QString& id) const {
    const int game = game_index(id);
    return game >= 0 && game < games_.size() ? games_[game].data() : nullptr;
}

TransparentLabel* CatalogueWindow::new_version_link() const {
    return ui_->new_version_link;
}

TransparentLabel* CatalogueWindow::status_line() const {
    return ui_->status_line;
}

void CatalogueWindow::open_game(const QString& id) {
    const int game = game_index(id);
    if (game < 0 || game >= games_.size()) {
        return;
    }
    QPointer<GameWindow>& slot = games_[game];
    if (slot) {
        // Game state is program-wide, so a game never has two windows.
        if (slot->isMinimized()) {
            slot->showNormal();
        }
        slot->raise();
        slot->activateWindow();
        return;
    }
    slot = game_registry()[game].make_window(state_);
    overlay_feed_->watch(game, slot);
    open_window(slot);
}

void CatalogueWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, backdrop_);
    if (!painted_) {
        painted_ = true;
        state_.first_paint->open();
        QTimer::singleShot(0, this, [this] {
            emit first_painted();
            start_overlay();
            if (statistics_wanted_) {
                start_statistics();
            }
            for (const GameDescriptor& game : game_registry()) {
                if (game.after_start) {
                    game.after_start(state_);
                }
            }
        });
    }
}

void CatalogueWindow::start_statistics() {
    statistics_view_ = new HiddenWebView(this);
    connect(statistics_view_, &HiddenWebView::document_complete, this,
            [this](const QString& text) { update_status_line(ui_->status_line, text); });
    statistics_view_->set_address(state_.host.site_url + QString::fromUtf16(statistics_page_path));
}

void CatalogueWindow::start_overlay() {
    const OverlayAddresses planned = glimmer::overlay_addresses(state_.host);
    bool listening = false;
    if (planned.on()) {
        overlay_server_->set_pages(overlay_pages());
        listening = overlay_server_->listen(planned.port);
        if (listening) {
            overlay_server_->publish(overlay_feed_->state_json());
            const ControlToken read = glimmer::control_token(state_.host.settings_file);
            control_token_ = read.token;
            control_token_problem_ = read.problem;
            if (!read.problem.isEmpty()) {
                qCWarning(log_config) << read.problem;
            }
            pass_control_token();
        }
    }
    overlay_addresses_ = overlay_addresses_after_listen(planned, listening);
    if (!overlay_addresses_.ignored_setting.isEmpty()) {
        qCWarning(log_config) << overlay_addresses_.ignored_setting;
    }
    overlay_start_tried_ = true;
    emit overlay_started(listening);
}

void CatalogueWindow::pass_control_token() {
    overlay_server_->set_control(
        control_token_,
        [this](const QByteArray& game, const QByteArray& action,
               const QByteArray& body) -> std::pair<int, QByteArray> {
            const QJsonDocument document = QJsonDocument::fromJson(body);
            if (!document.isObject()) {
                return {400, control_answer_json({ControlAnswer::Status::bad_request,
                                                  QStringLiteral("请求体不是一个 JSON 对象"),
                                                  {}})};
            }
            QJsonObject request = document.object();
            request.insert(QStringLiteral("game"), QString::fromUtf8(game));
            request.insert(QStringLiteral("action"), QString::fromUtf8(action));
            const ControlAnswer answer = run_control(*this, request);
            return {http_status(answer.status), control_answer_json(answer)};
        });
}

void CatalogueWindow::renew_control_token() {
    const ControlToken renewed = glimmer::renew_control_token(state_.host.settings_file);
    control_token_ = renewed.token;
    control_token_problem_ = renewed.problem;
    pass_control_token();
    QGuiApplication::clipboard()->setText(QString::fromLatin1(control_token_));
    message_box(renewed.problem.isEmpty()
                    ? QStringLiteral("新的控制令牌已复制，旧的不再有效。")
                    : QStringLiteral("新的控制令牌已复制，旧的不再有效。\n") + renewed.problem,
                style_ok, QStringLiteral("控制令牌"));
}

void CatalogueWindow::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const QList<GameDescriptor>& games = game_registry();
    for (qsizetype i = 0; i < games.size(); ++i) {
        menu->addAction(QStringLiteral("复制直播叠加地址 · ") + games[i].title, this,
                        [this, i] { copy_overlay_address(static_cast<int>(i)); });
    }
    menu->addSeparator();
    menu->addAction(QStringLiteral("复制控制令牌"), this, [this] {
        if (control_token_.isEmpty()) {
            message_box(!overlay_addresses_.on()            ? overlay_addresses_.off_reason
                        : !control_token_problem_.isEmpty() ? control_token_problem_
                                                            : QStringLiteral("没有可用的控制令牌"),
                        style_ok, QStringLiteral("控制令牌"));
            return;
        }
        QGuiApplication::clipboard()->setText(QString::fromLatin1(control_token_));
    });
    menu->addAction(QStringLiteral("生成新的控制令牌"), this, [this] { renew_control_token(); });
    menu->addSeparator();
    menu->addAction(QStringLiteral("全局快捷键"), this, [this] {
        message_box(hotkey_summary_.isEmpty() ? no_global_hotkeys_text(QString()) : hotkey_summary_,
                    style_ok, QStringLiteral("全局快捷键"));
    });
    menu->popup(event->globalPos());
}

void CatalogueWindow::copy_overlay_address(int game) {
    const QString& ignored = overlay_addresses_.ignored_setting;
    if (!overlay_addresses_.on()) {
        message_box(ignored.isEmpty() ? overlay_addresses_.off_reason
                                      : overlay_addresses_.off_reason + u'\n' + ignored,
                    style_ok, QStringLiteral("直播叠加"));
        return;
    }
    const QString address = overlay_addresses_.games.value(game);
    QGuiApplication::clipboard()->setText(address);
    // The host would otherwise wonder why the address is not the port they set.
    if (!ignored.isEmpty()) {
        message_box(ignored + QStringLiteral("\n地址已复制：") + address, style_ok,
                    QStringLiteral("直播叠加"));
    }
}

void CatalogueWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    for (QPointer<GameWindow>& game : games_) {
        if (game) {
            game->close();
        }
    }
    end_program();
}

} // namespace glimmer
