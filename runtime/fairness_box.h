#pragma once

#include "runtime/committed_random.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <cstdint>
#include <functional>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace glimmer {

// What the fairness box shows of a game's committed draws.
struct FairnessShown {
    PendingDraw draw;       // the draw to come or under way
    QString revealed;       // the last revealed draw, one fact a line; empty before the first
    QString verify_command; // the command that checks it
    QString verify_link;    // the overlay server's page that checks it, from /overlay/; the
                            // box shows it whole, on the server's origin
};

// The facts every revealed draw has, a line each for the box: round, seed, phrase, commitment.
QString revealed_draw_lines(const DrawRecord& record);

// The "公平验证" box: the commitment of the draw to come, the chat's phrase and the last
// revealed draw with the ways to check it. It blocks nothing; the game goes on beside it.
class FairnessBox : public QDialog {
    Q_OBJECT
public:
    // set_phrase hands a typed phrase to the game and answers its refusal, empty when taken.
    FairnessBox(std::function<QString(const QString&)> set_phrase, QWidget* parent);

    void show_draw(const FairnessShown& shown);

    // A game window's box: made (and filled by fill) the first time, raised after that.
    static void open_or_raise(QPointer<FairnessBox>& box,
                              std::function<QString(const QString&)> set_phrase, QWidget* window,
                              const std::function<void()>& fill);
    // The same for a game whose model takes the phrase itself.
    template <typename Game>
    static void open_or_raise(QPointer<FairnessBox>& box, Game& game, QWidget* window,
                              const std::function<void()>& fill) {
        open_or_raise(
            box, [&game](const QString& phrase) { return game.set_phrase(phrase).reason; }, window,
            fill);
    }

private:
    void use_phrase();

    std::function<QString(const QString&)> set_phrase_;
    QLabel* round_;
    QLineEdit* commitment_;
    QLineEdit* phrase_edit_;
    QPushButton* phrase_button_;
    QLabel* phrase_note_;
    QPlainTextEdit* revealed_;
    QLineEdit* command_;
    QLineEdit* link_;
    QPushButton* copy_link_;
    std::uint32_t shown_round_ = 0;
};

} // namespace glimmer
