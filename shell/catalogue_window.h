#pragma once

#include "overlay_settings.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>

#include <memory>

namespace Ui {
class CatalogueWindow;
}

namespace glimmer {

struct AppState;
class TransparentLabel;
class GameHost;
class HiddenWebView;
class ObsStage;
class PhoneRemote;
class OverlayServer;
class PictureButton;

// The program's main window, a view of its games (GameHost): a picture button per game (the
// design's three places for the first three, one more column each for any after them), the
// hidden new-version link and the status line. The program ends when it closes.
// Why the program has no keys of its own here (the reason may be empty), and that the
// desktop's own shortcuts running ctl commands do the same.
QString no_global_hotkeys_text(const QString& reason, const GameModules& games);

class CatalogueWindow : public QWidget {
    Q_OBJECT
public:
    explicit CatalogueWindow(AppState& state, QWidget* parent = nullptr);
    ~CatalogueWindow() override;

    // The open window of the game with that id, or null.
    QWidget* game_window(const QString& id) const;
    TransparentLabel* new_version_link() const;
    TransparentLabel* status_line() const;

    // Opens the game's window, or brings the open one to the front.
    void open_game(const QString& id);

    // The hidden statistics view, once it has been created after the first paint.
    HiddenWebView* statistics_view() const { return statistics_view_; }

    // The games: their sessions, windows, actions and state.
    GameHost& games() const;
    // Where the host finds the overlays: the server starts after the first paint, so until
    // then (and when it cannot listen) the addresses say why overlays are off.
    OverlayServer* overlay_server() const { return overlay_server_; }
    const OverlayAddresses& overlay_addresses() const { return overlay_addresses_; }
    // The games in OBS, over the link to its WebSocket server.
    ObsStage& obs_stage() const { return *obs_stage_; }
    // The room controller's phone remote, off until the host turns it on.
    PhoneRemote& phone_remote() const { return *phone_remote_; }
    // The bearer token of the control API on the overlay server.
    const QByteArray& control_token() const { return control_token_; }
    // Puts a new token in place of the old one, in the settings file and the server.
    void renew_control_token();

    // What the menu's "全局快捷键" item tells the host: the keys in force, or why there are
    // none and what does the same. Until it is set, the latter.
    void set_hotkey_summary(const QString& text) { hotkey_summary_ = text; }

    // Whether the server has tried to listen yet (it waits for the first paint).
    bool overlay_start_tried() const { return overlay_start_tried_; }

signals:
    void first_painted();
    void overlay_started(bool listening);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void start_statistics();
    void start_overlay();
    void copy_overlay_address(int game);
    void add_to_obs(const QString& game);
    void pass_control_token();

    std::unique_ptr<Ui::CatalogueWindow> ui_;
    AppState& state_;
    QPixmap backdrop_;
    QList<PictureButton*> buttons_; // a game's each, in the catalogue's order
    bool statistics_wanted_ = false;
    bool painted_ = false;
    HiddenWebView* statistics_view_ = nullptr;
    OverlayServer* overlay_server_ = nullptr;
    ObsStage* obs_stage_ = nullptr;
    PhoneRemote* phone_remote_ = nullptr;
    OverlayAddresses overlay_addresses_;
    bool overlay_start_tried_ = false;
    QByteArray control_token_;
    QString control_token_problem_;
    QString hotkey_summary_;
};

} // namespace glimmer
