#pragma once

#include "shell/app_state.h"
#include "shell/catalogue_window.h"

#include <QByteArray>
#include <QPointer>
#include <QTemporaryDir>

#include <memory>

namespace glimmer::testing {

// A port nothing listens on right now.
int free_port();

// The program started as the host starts it, its overlay server on a free port of
// 127.0.0.1, with game windows driven through their controls.
class OverlayProgram {
public:
    // On a free port, or on the one given; with the program's games, or the ones given.
    explicit OverlayProgram(int port = 0, GameModules games = built_in_games());
    ~OverlayProgram();

    bool started() const;
    CatalogueWindow* catalogue() const { return catalogue_; }
    int port() const { return port_; }
    QString base() const;

    // Names for the tally window's next opening, through its configuration file.
    void set_tally_names(const QString& one, const QString& two);
    QWidget* open(const QString& game);
    // Types the amount and presses Enter in the tally window.
    void add_to_tally(const QString& amount, bool player_one);
    // Opens the count frame, shakes and waits for the reveal buttons; then reveals.
    bool play_dice_turn();
    void bury_mines(const QString& boxes, const QString& mines);
    void dig_box(int position);
    void credit_box(int player);

    // One whole HTTP exchange on a fresh connection: the raw answer, empty on no answer.
    QByteArray exchange(const QByteArray& request) const;

private:
    QTemporaryDir folder_;
    std::unique_ptr<AppState> state_;
    QPointer<CatalogueWindow> catalogue_;
    int port_ = 0;
};

// The status code of a raw HTTP answer, 0 for none.
int status_of(const QByteArray& answer);
// The body of a raw HTTP answer.
QByteArray body_of(const QByteArray& answer);

} // namespace glimmer::testing
