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

void TallyRecordWindow::show_history(const TallyHistory& history) {
    QTableWidget* table = ui_->记录表;
    const auto& record = history.record();
    table->setRowCount(static_cast<int>(record.size()));
    for (int row = 0; row < table->rowCount(); ++row) {
        const QStringList cells = record_row(record[row]);
        for (int column = 0; column < cells.size(); ++column) {
            // Table items show their text as it is; names from the file are never markup.
            auto* item = new QTableWidgetItem(cells[column]);
            if (record[row].undone) {
                QFont font = item->font();
                font.setStrikeOut(true);
                item->setFont(font);
            }
            table->setItem(row, column, item);
        }
    }
    table->resizeColumnsToContents();
    table->scrollToBottom();
}

} // namespace glimmer
