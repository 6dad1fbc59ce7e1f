#pragma once

#include "games/tally/tally_archive.h"

#include <QWidget>

#include <memory>

namespace Ui {
class TallyHistoryWindow;
}

namespace glimmer {

// The PKs kept in the history: a list filtered by date and name; for the PK chosen, both
// totals over time as a line chart and its additions; one day's summary; CSV exports.
//
// Controls (objectName: what it shows), for reading tally_history_window.ui:
//   date_filter, from_date, to_date      the dates filter, on when checked
//   name_filter                          either player's name, exactly
//   pk_table                             the PKs listed, newest first
//   chart_view, additions_table          the chosen PK
//   summary_date, day_summary            one day's PKs in a line
//   export_pk_button, export_range_button
class TallyHistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit TallyHistoryWindow(TallyArchive& archive, QWidget* parent = nullptr);
    ~TallyHistoryWindow() override;

    // Reads the history again, as after a PK was kept.
    void refresh();
    const QList<ArchivedPk>& listed() const { return listed_; }
    // The PK at row of the list, with its chart and additions.
    void show_pk(int row);
    // Write whole or not at all; false with error set when the file cannot be written.
    bool export_pk(const QString& path, QString* error = nullptr);
    bool export_listed(const QString& path, QString* error = nullptr);

private:
    ArchiveFilter filter() const;
    void show_summary();
    void export_as(bool listed);

    std::unique_ptr<Ui::TallyHistoryWindow> ui_;
    TallyArchive& archive_;
    QList<ArchivedPk> listed_;
    qint64 shown_id_ = 0;
};

} // namespace glimmer
