#pragma once

#include "game_windows.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <array>
#include <memory>

namespace Ui {
class CatalogueWindow;
}

namespace glimmer {

struct AppState;
class TransparentLabel;
class HiddenWebView;

// The program's main window: three picture buttons that open the games, the hidden
// new-version link and the status line. The program ends when it closes.
class CatalogueWindow : public QWidget {
    Q_OBJECT
public:
    explicit CatalogueWindow(AppState& state, QWidget* parent = nullptr);
    ~CatalogueWindow() override;

    // The open window of that game, or null.
    QWidget* game_window(Game game) const;
    TransparentLabel* new_version_link() const;
    TransparentLabel* status_line() const;

    // Opens the game's window, or brings the open one to the front.
    void open_game(Game game);

    // The hidden statistics view, once it has been created after the first paint.
    HiddenWebView* statistics_view() const { return statistics_view_; }

signals:
    void first_painted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void start_statistics();

    std::unique_ptr<Ui::CatalogueWindow> ui_;
    AppState& state_;
    QPixmap backdrop_;
    std::array<QPointer<QWidget>, game_count> games_;
    bool statistics_wanted_ = false;
    bool painted_ = false;
    HiddenWebView* statistics_view_ = nullptr;
};

} // namespace glimmer
