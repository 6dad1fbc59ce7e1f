#include "catalogue_window.h"

#include "app_state.h"
#include "control_token.h"
#include "game_host.h"
#include "obs_dialog.h"
#include "obs_stage.h"
#include "overlay_state.h"
#include "phone_remote.h"
#include "remote_dialog.h"
#include "runtime/controls/picture_button.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/logging.h"
#include "runtime/overlay_server.h"
#include "runtime/translation.h"
#include "runtime/web_view.h"
#include "runtime/windows.h"
#include "status_line.h"
#include "ui_catalogue_window.h"
#include "version_check.h"
#include "window_places.h"

#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QJsonObject>
#include <QMenu>
#include <QTimer>

#include <algorithm>

namespace glimmer {

QString no_global_hotkeys_text(const QString& reason, const GameModules& games) {
    // The examples are the games' own keys' commands, the first of each game's.
    QStringList examples;
    for (const std::unique_ptr<GameModule>& game : games) {
        const QList<DefaultKey> keys = game->default_keys();
        if (!keys.isEmpty()) {
            examples << QStringLiteral("glimmerhall ctl ") + keys.first().command;
        }
    }
    return (reason.isEmpty() ? translated("catalogue", "这个桌面不让程序自己设置全局快捷键。")
                             : translated("catalogue", "这个桌面不让程序自己设置全局快捷键（%1）。")
                                   .arg(reason)) +
           translated("catalogue",
                      "\n\n在桌面设置的自定义快捷键里运行 glimmerhall ctl 命令，效果相同，"
                      "例如：\n") +
           examples.join(u'\n') +
           translated("catalogue", "\n\n全部命令见 glimmerhall ctl --help 和 man glimmerhall。");
}

CatalogueWindow::CatalogueWindow(AppState& state, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CatalogueWindow>()), state_(state),
      backdrop_(QStringLiteral(":/catalogue/backdrop.jpg")),
      overlay_server_(new OverlayServer(this)) {
    startup_step("catalogue: building");
    ui_->setupUi(this);
    startup_step("catalogue: laid out");

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
    // The addresses are worked out when the server starts, after the first paint; until
    // then the menu says they are on their way.
    overlay_addresses_.off_reason = translated("catalogue", "直播叠加正在启动，请稍候再试");
    connect(&games(), &GameHost::state_changed, overlay_server_, &OverlayServer::publish);
    obs_stage_ = new ObsStage(games(), state_.host.config_home + QStringLiteral("/obs"),
                              state_.host.settings_file, this);
    obs_stage_->set_overlay_address([this](const QString& id) {
        return overlay_addresses_.on() ? overlay_addresses_.games.value(games().index_of(id))
                                       : QString();
    });
    phone_remote_ =
        new PhoneRemote(games(), state_.host.config_home, state_.host.settings_file, this);
    games().set_service(
        QStringLiteral("remote"),
        [this](const QString& action, const ActionArguments& arguments, GameHost::Answer answer) {
            phone_remote_->run(action, arguments, answer);
        });
    games().set_service(
        QStringLiteral("obs"),
        [this](const QString& action, const ActionArguments& arguments, GameHost::Answer answer) {
            obs_stage_->run(action, arguments, std::move(answer));
        });
    auto* places = new WindowPlaces(state_.host.settings_file, this);
    games().set_placer([this, places](QWidget* window, const QString& id) {
        QList<const QWidget*> others;
        for (const std::unique_ptr<GameModule>& game : games().modules()) {
            const QWidget* other = games().window(game->info().id);
            if (other != nullptr && other != window && other->isVisible()) {
                others << other;
            }
        }
        places->place(window, id, this, others);
    });
    connect(&games(), &GameHost::raise_requested, this, [this] {
        if (isMinimized()) {
            showNormal();
        }
        raise();
        activateWindow();
    });

    // The design has three places; a game after the first three gets a column of its own to
    // the right, as wide as theirs.
    buttons_ = {ui_->first_game_button, ui_->second_game_button, ui_->third_game_button};
    const GameModules& modules = games().modules();
    const QRect last = ui_->third_game_button->geometry();
    for (size_t i = buttons_.size(); i < modules.size(); ++i) {
        auto* button = new PictureButton(this);
        button->setObjectName(QStringLiteral("game_button_%1").arg(i + 1));
        const int step = last.width() + 4;
        button->setGeometry(last.translated(static_cast<int>(i + 1 - buttons_.size()) * step, 0));
        buttons_.append(button);
    }
    const int extra = std::max<int>(0, static_cast<int>(modules.size()) - 3);
    setFixedSize(500 + extra * (last.width() + 4), 300);
    for (qsizetype i = 0; i < buttons_.size(); ++i) {
        PictureButton* button = buttons_[i];
        if (i >= static_cast<qsizetype>(modules.size())) {
            button->hide();
            continue;
        }
        const GameInfo& game = modules[static_cast<size_t>(i)]->info();
        button->setText(game.title);
        // The picture names the game in Latin letters and says what it is; so does the tip.
        button->setToolTip(game.title + QStringLiteral(" · ") + game.subtitle);
        button->setNormalFace(QPixmap(game.picture));
        button->setHoverFaceFile(game.hover_picture);
        connect(button, &QAbstractButton::clicked, this, [this, id = game.id] { open_game(id); });
    }
}

CatalogueWindow::~CatalogueWindow() = default;

GameHost& CatalogueWindow::games() const {
    return *state_.games;
}

QWidget* CatalogueWindow::game_window(const QString& id) const {
    return games().window(id);
}

TransparentLabel* CatalogueWindow::new_version_link() const {
    return ui_->new_version_link;
}

TransparentLabel* CatalogueWindow::status_line() const {
    return ui_->status_line;
}

void CatalogueWindow::open_game(const QString& id) {
    games().open(id);
}

void CatalogueWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, backdrop_);
    if (!painted_) {
        painted_ = true;
        startup_step("catalogue painted");
        state_.first_paint->open();
        QTimer::singleShot(0, this, [this] {
            emit first_painted();
            startup_step("after the first paint: its listeners");
            start_overlay();
            startup_step("after the first paint: overlay server");
            if (statistics_wanted_) {
                start_statistics();
                startup_step("after the first paint: statistics");
            }
            games().after_start();
            startup_step("after the first paint: games' own");
            obs_stage_->start();
            startup_step("after the first paint: OBS link");
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
    const OverlayAddresses planned = glimmer::overlay_addresses(state_.host, games().modules());
    bool listening = false;
    if (planned.on()) {
        overlay_server_->set_pages(overlay_pages(games().modules()));
        listening = overlay_server_->listen(planned.port);
        if (listening) {
            overlay_server_->publish(games().state_json());
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
        control_token_, [this](const QJsonObject& request) -> std::pair<int, QByteArray> {
            const Outcome answer = games().run(request);
            return {outcome_kind(answer.kind).http_status, outcome_json(answer)};
        });
}

void CatalogueWindow::renew_control_token() {
    const ControlToken renewed = glimmer::renew_control_token(state_.host.settings_file);
    control_token_ = renewed.token;
    control_token_problem_ = renewed.problem;
    pass_control_token();
    QGuiApplication::clipboard()->setText(QString::fromLatin1(control_token_));
    message_box(renewed.problem.isEmpty()
                    ? translated("catalogue", "新的控制令牌已复制，旧的不再有效。")
                    : translated("catalogue", "新的控制令牌已复制，旧的不再有效。\n") +
                          renewed.problem,
                style_ok, translated("catalogue", "控制令牌"));
}

void CatalogueWindow::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    const GameModules& modules = games().modules();
    for (size_t i = 0; i < modules.size(); ++i) {
        menu->addAction(translated("catalogue", "复制直播叠加地址 · ") + modules[i]->info().title,
                        this, [this, i] { copy_overlay_address(static_cast<int>(i)); });
    }
    menu->addSeparator();
    menu->addAction(translated("catalogue", "复制控制令牌"), this, [this] {
        if (control_token_.isEmpty()) {
            message_box(!overlay_addresses_.on() ? overlay_addresses_.off_reason
                        : !control_token_problem_.isEmpty()
                            ? control_token_problem_
                            : translated("catalogue", "没有可用的控制令牌"),
                        style_ok, translated("catalogue", "控制令牌"));
            return;
        }
        QGuiApplication::clipboard()->setText(QString::fromLatin1(control_token_));
    });
    menu->addAction(translated("catalogue", "生成新的控制令牌"), this,
                    [this] { renew_control_token(); });
    menu->addSeparator();
    menu->addAction(translated("catalogue", "连接 OBS…"), this, [this] {
        auto* dialog = new ObsDialog(*obs_stage_, this);
        dialog->open();
    });
    for (size_t i = 0; i < modules.size(); ++i) {
        menu->addAction(translated("catalogue", "加入 OBS · ") + modules[i]->info().title, this,
                        [this, id = modules[i]->info().id] { add_to_obs(id); });
    }
    menu->addAction(translated("catalogue", "手机遥控…"), this, [this] {
        auto* dialog = new RemoteDialog(*phone_remote_, this);
        dialog->open();
    });
    menu->addSeparator();
    menu->addAction(translated("catalogue", "全局快捷键"), this, [this] {
        message_box(hotkey_summary_.isEmpty() ? no_global_hotkeys_text(QString(), games().modules())
                                              : hotkey_summary_,
                    style_ok, translated("catalogue", "全局快捷键"));
    });
    menu->popup(event->globalPos());
}

void CatalogueWindow::add_to_obs(const QString& game) {
    obs_stage_->setup({game}, QString(), [this](const Outcome& outcome) {
        show_notice(outcome.done() ? QString::fromUtf8(outcome.output) : outcome.reason,
                    translated("catalogue", "加入 OBS"), this);
    });
}

void CatalogueWindow::copy_overlay_address(int game) {
    const QString& ignored = overlay_addresses_.ignored_setting;
    if (!overlay_addresses_.on()) {
        message_box(ignored.isEmpty() ? overlay_addresses_.off_reason
                                      : overlay_addresses_.off_reason + u'\n' + ignored,
                    style_ok, translated("catalogue", "直播叠加"));
        return;
    }
    const QString address = overlay_addresses_.games.value(game);
    QGuiApplication::clipboard()->setText(address);
    // The host would otherwise wonder why the address is not the port they set.
    if (!ignored.isEmpty()) {
        message_box(ignored + translated("catalogue", "\n地址已复制：") + address, style_ok,
                    translated("catalogue", "直播叠加"));
    }
}

void CatalogueWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    games().close_all();
    end_program();
}

} // namespace glimmer
