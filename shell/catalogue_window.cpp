#include "catalogue_window.h"

#include "app_state.h"
#include "overlay_feed.h"
#include "runtime/controls/transparent_label.h"
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
#include <QMenu>
#include <QTimer>

namespace glimmer {

CatalogueWindow::CatalogueWindow(AppState& state, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CatalogueWindow>()), state_(state),
      backdrop_(QStringLiteral(":/catalogue/backdrop.jpg")), overlay_feed_(new OverlayFeed(this)),
      overlay_server_(new OverlayServer(this)) {
    ui_->setupUi(this);
    setFixedSize(500, 300);

    QFont link_font = ui_->透明标签2->font();
    link_font.setPixelSize(14);
    link_font.setBold(true);
    ui_->透明标签2->setFont(link_font);

    // Asked now, acted on after the first paint: the page reader with its browser engine is
    // the heaviest thing the program starts, and the host should see the catalogue first.
    statistics_wanted_ = state_.host.is_online && state_.host.is_online() == 1;

    connect(ui_->透明标签2, &TransparentLabel::left_pressed, this,
            [this] { show_update_notes(state_.version->result(), state_.host.site_url); });

    // The update notes' box is modal, yet closing the catalogue must still end the program.
    close_even_under_modal_boxes(this);
    overlay_addresses_ = glimmer::overlay_addresses(state_.host);
    if (overlay_addresses_.on()) {
        overlay_addresses_.off_reason = QStringLiteral("直播叠加正在启动，请稍候再试");
    }
    connect(overlay_feed_, &OverlayFeed::changed, overlay_server_, &OverlayServer::publish);

    connect(ui_->图形按钮1, &QAbstractButton::clicked, this, [this] { open_game(Game::tally); });
    connect(ui_->图形按钮2, &QAbstractButton::clicked, this, [this] { open_game(Game::dice); });
    connect(ui_->图形按钮3, &QAbstractButton::clicked, this, [this] { open_game(Game::minebox); });
}

CatalogueWindow::~CatalogueWindow() = default;

QWidget* CatalogueWindow::game_window(Game game) const {
    return games_[static_cast<size_t>(game)].data();
}

TransparentLabel* CatalogueWindow::new_version_link() const {
    return ui_->透明标签2;
}

TransparentLabel* CatalogueWindow::status_line() const {
    return ui_->透明标签1;
}

void CatalogueWindow::open_game(Game game) {
    QPointer<QWidget>& slot = games_[static_cast<size_t>(game)];
    if (slot) {
        // Game state is program-wide, so a game never has two windows.
        if (slot->isMinimized()) {
            slot->showNormal();
        }
        slot->raise();
        slot->activateWindow();
        return;
    }
    slot = create_game_window(game, state_);
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
        });
    }
}

void CatalogueWindow::start_statistics() {
    statistics_view_ = new HiddenWebView(this);
    connect(statistics_view_, &HiddenWebView::document_complete, this,
            [this](const QString& text) { update_status_line(ui_->透明标签1, text); });
    statistics_view_->set_address(state_.host.site_url + QString::fromUtf16(statistics_page_path));
}

void CatalogueWindow::start_overlay() {
    const OverlayAddresses planned = glimmer::overlay_addresses(state_.host);
    bool listening = false;
    if (planned.on()) {
        listening = overlay_server_->listen(planned.port);
        if (listening) {
            overlay_server_->publish(overlay_feed_->state_json());
        }
    }
    overlay_addresses_ = overlay_addresses_after_listen(planned, listening);
    overlay_start_tried_ = true;
    emit overlay_started(listening);
}

void CatalogueWindow::contextMenuEvent(QContextMenuEvent* event) {
    auto* menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    for (const Game game : {Game::tally, Game::dice, Game::minebox}) {
        menu->addAction(QStringLiteral("复制直播叠加地址 · ") + game_title(game), this,
                        [this, game] { copy_overlay_address(game); });
    }
    menu->popup(event->globalPos());
}

void CatalogueWindow::copy_overlay_address(Game game) {
    const QString& ignored = overlay_addresses_.ignored_setting;
    if (!overlay_addresses_.on()) {
        message_box(ignored.isEmpty() ? overlay_addresses_.off_reason
                                      : overlay_addresses_.off_reason + u'\n' + ignored,
                    style_ok, QStringLiteral("直播叠加"));
        return;
    }
    const QString& address = overlay_addresses_.games[static_cast<size_t>(game)];
    QGuiApplication::clipboard()->setText(address);
    // The host would otherwise wonder why the address is not the port they set.
    if (!ignored.isEmpty()) {
        message_box(ignored + QStringLiteral("\n地址已复制：") + address, style_ok,
                    QStringLiteral("直播叠加"));
    }
}

void CatalogueWindow::closeEvent(QCloseEvent* event) {
    event->accept();
    for (QPointer<QWidget>& game : games_) {
        if (game) {
            game->close();
        }
    }
    end_program();
}

} // namespace glimmer
