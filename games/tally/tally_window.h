#pragma once

#include "games/tally/tally_config.h"
#include "games/tally/tally_history.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_view.h"
#include "runtime/outcome.h"

#include <QFont>
#include <QJsonObject>
#include <QKeySequence>
#include <QPixmap>
#include <QPoint>
#include <QPointer>

#include <QWidget>

#include <functional>
class QAction;

#include <memory>

class QMenu;
class QProgressDialog;

namespace Ui {
class TallyWindow;
}

namespace glimmer {

class ReportList;
class TallyRecordWindow;
class TallyHistoryWindow;

// The PK scoreboard: two players' totals, their preset amounts, the leader's flag and the
// difference line, drawn from a TallyPk. Clicks and keys become the PK's actions; nothing is
// read back from the controls but what the host types. The window has no frame; it is moved
// by dragging its background.
//
// Controls (objectName: what it shows), for reading tally_window.ui:
//   player_one_name, player_two_name    the names from the configuration file
//   player_one_total, player_two_total  the PK totals
//   leader_flag, trailer_face           beside the leader's total and the other one
//   difference_line                     "相差：" and the gap
//   player_one_presets, ..._two_...     each player's preset amounts, one row each
//   advert_edit                         the instruction text from the configuration file
//   selected_player                     "一" or "二": whom a typed amount goes to
//   amount_edit, go_link                the typed amount and the "GO" that adds it
//   default_button                      off the window: Enter adds the typed amount
//   maker_line                          the maker's address; re-creates the default file
//   close_link                          "×"
class TallyWindow : public QWidget {
    Q_OBJECT
public:
    // A window with a PK of its own, which goes with it.
    TallyWindow(TallyConfig& config, const QString& config_home, const QString& site_url,
                QWidget* parent = nullptr);
    // A window over a PK it does not own: the game host's, which outlives the window.
    explicit TallyWindow(TallyPk& pk, const QString& site_url, QWidget* parent = nullptr);
    ~TallyWindow() override;

    TallyPk& pk() const { return *pk_; }
    // Undo, redo and the switch of player from the keys then go the way ctl's do; without it
    // (a window of its own) they act on the PK directly.
    void act_through(std::function<Outcome(const QString&, const QJsonObject&)> act) {
        act_ = std::move(act);
    }

    // After asking, puts the default file in place and loads it.
    void reinitialise_tally_config();
    // The list's selected row becomes the selected player and amount; false with no row.
    bool select_quantity_row(ReportList* list);
    // Adds the typed amount unless the box holds exactly "" or "0".
    void submit_typed_quantity();
    void close_tally_window();

    // The operator's keys: undo, redo, Tab, and a preset row added as if double-clicked.
    void undo_addition();
    void redo_addition();
    void switch_player();
    void add_preset(int player, int row);

    // Ends this PK and starts the next at 0 : 0, asking first when the PK has additions.
    void new_round();

    // The right-click menu: a new round, the record and its export.
    std::unique_ptr<QMenu> context_menu();
    void show_record();
    // "PK 设置…": edits the configuration file in a dialog; a saved file is loaded at once.
    void edit_settings();
    // The PKs kept in the history, with their charts.
    TallyHistoryWindow* show_history();
    // Writes the record as CSV to path, whole or not at all.
    bool export_record(const QString& path, QString* error = nullptr);

    const TallyHistory& history() const;
    // The journal of this PK; closed when the window goes.
    const TallyJournal& journal() const;
    TallyView view() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    TallyWindow(TallyPk* pk, bool own, const QString& site_url, QWidget* parent);
    void set_up_controls();
    void tell_history_notices();
    void show_reading_box();
    void offer_leftover(const TallyPk::Leftover& leftover);
    // Names, advert box and both lists from what the PK read from the file.
    void show_config();
    void show_board();
    void show_selected_player();
    void tell_protection(bool protecting);
    // A refusal the host should hear of, in a box; quiet ones pass without a word.
    void tell_refusal(const Outcome& outcome);
    void add_operator_key(const QKeySequence& keys, std::function<void()> action);
    void export_record_as();
    void add_double_clicked_row(ReportList* list);
    int list_player(const ReportList* list) const;
    bool is_link(const QWidget* child) const;

    std::unique_ptr<Ui::TallyWindow> ui_;
    TallyPk* pk_;
    QString site_url_;
    std::function<Outcome(const QString&, const QJsonObject&)> act_;
    QPixmap background_;
    QFont advert_font_;
    bool file_problem_told_ = false;
    bool protection_paused_ = false;
    QPointer<TallyRecordWindow> record_window_;
    QPointer<TallyHistoryWindow> history_window_;
    QPointer<QProgressDialog> reading_box_;
    QList<QKeySequence> operator_keys_;
    bool dragging_ = false;
    QPoint drag_offset_;
    // The right-click menu's item; the menu itself lives only while it is open.
    QAction* open_config_folder_ = nullptr;
};

} // namespace glimmer
