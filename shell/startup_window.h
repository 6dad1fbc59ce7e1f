#pragma once

#include <QPointer>
#include <QWidget>

class QTimer;

namespace glimmer {

struct AppState;
class CatalogueWindow;

// Never shown: it carries the version poll timer, starts the version check and opens the
// catalogue. It closes itself once the version page has been handled.
class StartupWindow : public QWidget {
    Q_OBJECT
public:
    explicit StartupWindow(AppState& state, QWidget* parent = nullptr);

    CatalogueWindow* catalogue() const;
    QTimer* poll_timer() const { return poll_timer_; }

private:
    void poll_version_page();

    AppState& state_;
    QTimer* poll_timer_;
    QPointer<CatalogueWindow> catalogue_;
};

// Creates the start-up window (hidden), which opens the catalogue. The caller runs the
// event loop afterwards.
StartupWindow* start_program(AppState& state);

} // namespace glimmer
