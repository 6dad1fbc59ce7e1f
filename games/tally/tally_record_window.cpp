#include "games/tally/tally_record_window.h"

#include "games/tally/tally_history.h"
#include "ui_tally_record_window.h"

#include <QHeaderView>

namespace glimmer {

TallyRecordWindow::TallyRecordWindow(QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(std::make_unique<Ui::TallyRecordWindow>()) {
    ui_->setupUi(this);
    const QStringList headings = record_headings();
    ui_->记录表->setColumnCount(static_cast<int>(headings.size()));
    ui_->记录表->setHorizontalHeaderLabels(headings);
    ui_->记录表->horizontalHeader()->setStretchLastSection(true);
    ui_->记录表->verticalHeader()->setVisible(false);
}

TallyRecordWindow::~TallyRecordWindow() = default;

// The record only grows and only an addition's undone mark changes, so a long PK costs one
// new row per addition rather than a rebuilt table.
void TallyRecordWindow::show_history(const TallyHistory& history) {
    QTableWidget* table = ui_->记录表;
    const auto& record = history.record();
    const int shown = table->rowCount();
    const int rows = static_cast<int>(record.size());
    static const int status_column =
        static_cast<int>(record_headings().indexOf(QStringLiteral("状态")));
    table->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const QStringList cells = record_row(record[row]);
        if (row < shown && table->item(row, status_column)->text() == cells[status_column]) {
            continue;
        }
        for (int column = 0; column < cells.size(); ++column) {
            // Table items show their text as it is; names from the file are never markup.
            auto* item = new QTableWidgetItem(cells[column]);
            QFont font = item->font();
            font.setStrikeOut(record[row].undone);
            item->setFont(font);
            table->setItem(row, column, item);
        }
    }
    if (shown == 0) {
        table->resizeColumnsToContents();
    }
    if (rows > shown) {
        table->scrollToBottom();
    }
}

} // namespace glimmer
