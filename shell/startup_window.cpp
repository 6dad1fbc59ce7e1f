#include "startup_window.h"

#include "app_state.h"
#include "catalogue_window.h"
#include "runtime/controls/transparent_label.h"
#include "runtime/threads.h"
#include "runtime/windows.h"
#include "version_check.h"

#include <QApplication>
#include <QTimer>

namespace glimmer {

StartupWindow::StartupWindow(AppState& state, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint), state_(state), poll_timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("startup"));
    resize(345, 220);
    setAttribute(Qt::WA_DeleteOnClose);
    // Belt and braces: even a stray show() must not put it on screen.
    setAttribute(Qt::WA_DontShowOnScreen);

    poll_timer_->setObjectName(QStringLiteral("poll_timer"));
    poll_timer_->setInterval(state_.host.version_poll_interval);
    connect(poll_timer_, &QTimer::timeout, this, &StartupWindow::poll_version_page);
    poll_timer_->start();

    // The worker holds its own references, so it may safely outlive whatever it was started
    // from; nobody waits for it. It lets the catalogue paint before it loads the network
    // stack, and goes ahead anyway should no paint ever come.
    start_thread(
        [version = state_.version, gate = state_.first_paint, site = state_.host.site_url] {
            gate->wait_for(std::chrono::seconds(5));
            fetch_version_page(*version, site);
        });

    catalogue_ = new CatalogueWindow(state_);
    catalogue_->move(50, 50);
    open_window(catalogue_);
}

CatalogueWindow* StartupWindow::catalogue() const {
    return catalogue_.data();
}

void StartupWindow::poll_version_page() {
    // Asked before the page text, so a page published in between is not taken for none.
    const bool finished = state_.version->download_finished();
    if (state_.version->page_text().isEmpty()) {
        // No page, and none will come once the download has finished: no link, and no more
        // waking up for the rest of the run.
        if (finished) {
            poll_timer_->stop();
        }
        return;
    }
    if (check_version(state_.version->result(), state_.version->program_version,
                      state_.host.page_marker) &&
        catalogue_) {
        catalogue_->new_version_link()->show();
    }
    poll_timer_->stop();
    close_window(this);
}

StartupWindow* start_program(AppState& state) {
    // Chinese text in the system's default face can fall back to a brush-script face; the
    // program's plain text is set in a plain CJK face instead. Controls that name their own
    // face (the 楷体 totals) keep it.
    QFont font = QApplication::font();
    font.setFamilies({QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Noto Sans")});
    QApplication::setFont(font);
    return new StartupWindow(state);
}

} // namespace glimmer
