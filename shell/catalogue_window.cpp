#include "catalogue_window.h"

#include "app_state.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/web_view.h"
#include "runtime/windows.h"
#include "status_line.h"
#include "ui_catalogue_window.h"
#include "version_check.h"

#include <QCloseEvent>
#include <QTimer>

namespace glimmer {

CatalogueWindow::CatalogueWindow(AppState& state, QWidget* parent)
    : QWidget(parent), ui_(std::make_unique<Ui::CatalogueWindow>()), state_(state),
      backdrop_(QStringLiteral(":/catalogue/backdrop.jpg")) {
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
    open_window(slot);
}

void CatalogueWindow::paintEvent(QPaintEvent*) {
    paint_backdrop(this, backdrop_);
    if (!painted_) {
        painted_ = true;
        state_.first_paint->open();
        QTimer::singleShot(0, this, [this] {
            emit first_painted();
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
