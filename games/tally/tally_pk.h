#pragma once

#include "games/tally/tally_archive.h"
#include "games/tally/tally_config.h"
#include "games/tally/tally_history.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_view.h"
#include "runtime/outcome.h"

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <atomic>
#include <optional>

namespace glimmer {

// One PK on the tally scoreboard, without widgets: the names and presets the configuration
// file gives, the board, the selected player, every addition with undo and redo, and the
// journal that lets a PK outlive a crash. Every way of playing (the window's clicks and keys,
// commands from outside) goes through these actions, so the journal, the record and the
// overlays follow each of them alike.
class TallyPk : public QObject {
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
    const TallyJournal& journal() const { return journal_; }
    // Where finished PKs are kept.
    TallyArchive& archive() { return archive_; }
    bool has_additions() const { return !history_.record().isEmpty(); }
    QString config_home() const { return config_home_; }
    // What the overlays show.
    TallyView view() const;
    QJsonObject overlay_state() const;

    // Reads the configuration file again: names, presets and advert; the board stays.
    void load_config();
    // Puts the default file in place and loads it; the caller has asked the host first.
    bool reinitialise_config(QString* error = nullptr);

    Outcome select_player(int player);
    Outcome switch_player();
    // Adds the amount, as typed, to the player's total.
    Outcome add_amount(int player, const QString& amount);
    // Selects the player and adds their preset at index (from 0), as a double-click does.
    Outcome add_preset(int player, int index);
    Outcome undo();
    Outcome redo();

    // A PK that a program which ended without closing it left in its journal.
    struct Leftover {
        TallyBoard board;
        qsizetype additions = 0;
        int unreadable = 0;     // entries that could not be read and were skipped
        QString set_aside_path; // where the damaged journal was kept, whole
    };
    // Reads the journals in the configuration folder. Safe to run off the main thread while
    // nothing else calls the PK; actions are refused meanwhile.
    std::optional<Leftover> find_leftover();
    void restore_leftover();
    void discard_leftover();

    // The PK ends normally: one with additions goes into the history first, and only then
    // does its journal go, so nothing is offered back next time. When the history cannot
    // take it the journal stays, the next opening offers the PK back, and false is returned.
    bool end();
    // Ends this PK and starts the next at 0 : 0 with the same names and presets. Refused
    // while busy, and when the finished PK cannot be kept: it then goes on as it was.
    Outcome new_round();

    // False while the journal cannot be written; the PK goes on regardless.
    bool protecting() const { return journal_.protecting(); }
    QString protection_problem() const { return journal_.problem(); }

signals:
    void config_loaded();
    void selected_player_changed(int player);
    // The board, the history or both changed (an addition, undo, redo or restore).
    void board_changed();
    // Crash protection stopped or came back.
    void protection_changed(bool protecting);
    // After every change of what view() gives.
    void state_changed();
    // Something about the history the host should hear of (a damaged file moved aside, a PK
    // that could not be kept), once each time.
    void history_notice(const QString& text);

private:
    Outcome busy_refusal() const;
    Outcome add(int player, const QString& amount);
    void record_step(const JournalEvent& event);
    void show(const TallyBoard& board);
    // Puts the PK in the history unless it has no additions; tells the host what went wrong.
    bool keep(const TallyHistory& history, const TallyBoard& board);

    TallyConfig& config_;
    QString config_home_;
    QString site_url_;
    TallyPage page_;
    TallyBoard board_;
    int selected_player_ = 1;
    TallyHistory history_;
    TallyJournal journal_;
    TallyArchive archive_;
    bool ended_ = false;
    bool journal_tried_ = false; // a PK's journal starts with its first step or never
    std::atomic<bool> reading_leftover_{false};
    TallyHistory leftover_history_;
    TallyBoard leftover_board_;
};

// The player an action names: 1 or 2, else nothing.
inline bool is_player(int player) {
    return player == 1 || player == 2;
}

} // namespace glimmer
