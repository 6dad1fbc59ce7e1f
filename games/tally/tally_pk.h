#pragma once

#include "games/tally/tally_archive.h"
#include "games/tally/tally_config.h"
#include "games/tally/tally_history.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_view.h"
#include "runtime/game_module.h"
#include "runtime/outcome.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <memory>
#include <optional>

namespace glimmer {

class ThreadMail;

// One PK on the tally scoreboard, without widgets: the names and presets the configuration
// file gives, the board, the selected player, every addition with undo and redo, and the
// journal that lets a PK outlive a crash. Every way of playing (the window's clicks and keys,
// commands from outside) goes through these actions, so the journal, the record and the
// overlays follow each of them alike.
class TallyPk : public GameSession {
    Q_OBJECT
public:
    TallyPk(TallyConfig& config, const QString& config_home, const QString& site_url,
            QObject* parent = nullptr);
    ~TallyPk() override;

    const TallyPage& page() const { return page_; }
    const TallyConfig& config() const { return config_; }
    QString name(int player) const;
    // The preset amounts of player 1 or 2, in the file's order.
    const QStringList& presets(int player) const;
    const TallyBoard& board() const { return board_; }
    int selected_player() const { return selected_player_; }
    const TallyHistory& history() const { return history_; }
    const TallyJournal& journal() const { return *journal_; }
    // Where finished PKs are kept, for reading.
    TallyArchive& archive() { return archive_; }
    bool has_additions() const { return !history_.record().isEmpty(); }
    QString config_home() const { return config_home_; }
    // What the overlays show.
    TallyView view() const;
    QJsonObject state() const override;

    // Reads the configuration file again: names, presets and advert; the board stays.
    void load_config();
    // Puts the default file in place and loads it; the caller has asked the host first.
    bool reinitialise_config(QString* error = nullptr);

    Outcome select_player(int player);
    Outcome switch_player();
    // Adds the amount, as typed, to the player's total. The record keeps the amount as typed
    // when it is written as a number, and otherwise the number it was read as ("abc" as 0).
    // source: who asked from outside the window, for the record (see TallyAddition).
    Outcome add_amount(int player, const QString& amount, const QString& source = {});
    // Selects the player and adds their preset at index (from 0), as a double-click does.
    Outcome add_preset(int player, int index, const QString& source = {});
    Outcome undo();
    Outcome redo();

    // A PK that a program which ended without closing it left in its journal.
    struct Leftover {
        TallyBoard board;
        qsizetype additions = 0;
        int unreadable = 0;     // entries that could not be read and were skipped
        QString set_aside_path; // where the damaged journal was kept, whole
    };
    // Looks for a PK left in the configuration folder's journals, on a thread of its own: a
    // long journal takes a while to read and replay, and nothing may wait for it. Actions are
    // refused meanwhile; leftover_found() follows when there is one, and search_finished()
    // either way. Nothing happens (and no signal comes) when there is no journal to read.
    void look_for_leftover();
    bool searching() const { return stage_ == Stage::searching; }
    // A leftover was found and waits for the host's answer; actions are refused meanwhile.
    bool asking() const { return stage_ == Stage::asking; }
    // The host's answer: carry the leftover PK on, or start afresh (the leftover PK ended, and
    // goes into the history).
    void restore_leftover();
    void discard_leftover();

    // The PK ends normally: one with additions goes to the history keeper with its journal,
    // which goes only once the PK is in the history (see TallyKeeper). A leftover still being
    // read or waiting for the host's answer stays on the disk for the next opening.
    void end() override;
    // Ends this PK and starts the next at 0 : 0 with the same names and presets. Refused
    // while a leftover is being read or waits for the host.
    Outcome new_round();

    // False while the journal cannot be written; the PK goes on regardless.
    bool protecting() const { return journal_->protecting(); }
    QString protection_problem() const { return journal_->problem(); }

signals:
    void config_loaded();
    void selected_player_changed(int player);
    // The board, the history or both changed (an addition, undo, redo or restore).
    void board_changed();
    // Crash protection stopped or came back.
    void protection_changed(bool protecting);
    // The search look_for_leftover() started found a PK; the host is to be asked.
    void leftover_found(const TallyPk::Leftover& leftover);
    void search_finished();

private:
    enum class Stage { playing, searching, asking };
    struct Search;
    static std::shared_ptr<Search> search(const QString& folder);
    void take_search(std::shared_ptr<Search> found);
    Outcome busy_refusal() const;
    Outcome add(int player, const QString& amount, const QString& source);
    void record_step(const JournalEvent& event);
    void show(const TallyBoard& board);
    // Hands a finished PK with its journal to the history keeper; the journal takes an end
    // mark first, so that it is never offered back as a PK to carry on.
    void hand_over(const TallyHistory& history, const TallyBoard& board);

    TallyConfig& config_;
    QString config_home_;
    QString site_url_;
    TallyPage page_;
    TallyBoard board_;
    int selected_player_ = 1;
    TallyHistory history_;
    std::unique_ptr<TallyJournal> journal_ = std::make_unique<TallyJournal>();
    TallyArchive archive_; // for reading; the keeper writes on its own thread
    bool ended_ = false;
    bool journal_tried_ = false; // a PK's journal starts with its first step or never
    Stage stage_ = Stage::playing;
    ThreadMail* mail_ = nullptr; // where the leftover search's thread hands its result back
    Leftover leftover_;
    TallyHistory leftover_history_;
    TallyBoard leftover_board_;
};

// The player an action names: 1 or 2, else nothing.
inline bool is_player(int player) {
    return player == 1 || player == 2;
}

} // namespace glimmer
