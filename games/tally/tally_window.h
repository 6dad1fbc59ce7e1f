#pragma once

#include "games/tally/tally_config.h"
#include "games/tally/tally_history.h"
#include "games/tally/tally_journal.h"
#include "games/tally/tally_view.h"

#include <QFont>
#include <QKeySequence>
#include <QPixmap>
#include <QPoint>
#include <QPointer>
#include <QWidget>

#include <functional>
class QAction;

#include <memory>

class QMenu;

namespace Ui {
class TallyWindow;
}

namespace glimmer {

class ReportList;
class TallyRecordWindow;

// The PK scoreboard: two players' totals, their preset amounts, the leader's flag and the
// difference line. The totals live only in the labels showing them and start at 0 : 0 on
// every opening. The window has no frame; it is moved by dragging its background.
class TallyWindow : public QWidget {
    Q_OBJECT
public:
    TallyWindow(TallyConfig& config, const QString& config_home, const QString& site_url,
                QWidget* parent = nullptr);
    ~TallyWindow() override;

    // Names, advert box and both lists from the configuration file; the totals, markers,
    // selected player and quantity box stay as they are.
    void LoadTallyWindow();
    // After asking, puts the default file in place and loads it.
    void ReinitialiseTallyConfig();
    // The list's selected row becomes the selected player and amount; false with no row.
    bool SelectQuantityRow(ReportList* list);
    void SubmitTypedQuantity();
    // Adds the quantity box to the selected player's total and marks who leads.
    void AddQuantity();
    void CloseTallyWindow();

    // Undo takes back the latest addition in force, board and all; redo puts it back.
    void undo_addition();
    void redo_addition();
    // The operator's keys: Tab, and a preset row added as if double-clicked.
    void switch_player();
    void add_preset(int player, int row);

    // The right-click menu: the record and its export.
    std::unique_ptr<QMenu> context_menu();
    void show_record();
    // Writes the record as CSV to path, whole or not at all.
    bool export_record(const QString& path, QString* error = nullptr);

    const TallyHistory& history() const { return history_; }
    // The journal of this PK; closed when the window goes.
    const TallyJournal& journal() const { return journal_; }

    // What the window shows of the match, read back from its controls.
    TallyView view() const;

signals:
    // After every change of what view() gives.
    void state_changed();

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
    // Every change of the totals (addition, undo, redo, restore) is shown through here.
    void show_board(const TallyBoard& board);
    TallyBoard shown_board() const;
    void write_journal(const JournalEvent& event);
    void tell_journal_health(bool was_protecting);
    void open_journal();
    void add_operator_key(const QKeySequence& keys, std::function<void()> action);
    void export_record_as();

    // Every change of the names, totals, markers or gap ends here.
    void notify_state_changed();
    void add_double_clicked_row(ReportList* list);
    bool is_link(const QWidget* child) const;

    std::unique_ptr<Ui::TallyWindow> ui_;
    TallyConfig& config_;
    QString config_home_;
    QString site_url_;
    QPixmap background_;
    QFont advert_font_;
    bool file_problem_told_ = false;
    TallyHistory history_;
    TallyJournal journal_;
    bool journal_tried_ = false; // a PK's journal starts with its first step or never
    bool protection_paused_ = false;
    QPointer<TallyRecordWindow> record_window_;
    QList<QKeySequence> operator_keys_;
    bool dragging_ = false;
    QPoint drag_offset_;
    // The right-click menu's item; the menu itself lives only while it is open.
    QAction* open_config_folder_ = nullptr;
};

} // namespace glimmer
