#include "games/tally/tally_history_window.h"

#include "runtime/files.h"
#include "runtime/text.h"
#include "runtime/translation.h"
#include "runtime/windows.h"
#include "ui_tally_history_window.h"

#include <QChart>
#include <QDateTimeAxis>
#include <QDir>
#include <QFileDialog>
#include <QHeaderView>
#include <QLineSeries>
#include <QStandardPaths>
#include <QValueAxis>

#include <algorithm>

namespace glimmer {

namespace {

const QString shown_time = QStringLiteral("yyyy-MM-dd HH:mm:ss");

// The record's headings and its "undone" mark, as the history window shows them; the record
// window and the CSV files keep the record's own.
const char* const record_words[] = {
    QT_TRANSLATE_NOOP("TallyHistoryWindow", "时间"),
    QT_TRANSLATE_NOOP("TallyHistoryWindow", "玩家"),
    QT_TRANSLATE_NOOP("TallyHistoryWindow", "数量"),
    QT_TRANSLATE_NOOP("TallyHistoryWindow", "玩家一总数"),
    QT_TRANSLATE_NOOP("TallyHistoryWindow", "玩家二总数"),
    QT_TRANSLATE_NOOP("TallyHistoryWindow", "状态"),
    QT_TRANSLATE_NOOP("TallyHistoryWindow", "已撤销"),
};

QStringList shown_words(QStringList words) {
    for (QString& word : words) {
        for (const char* known : record_words) {
            if (word == QString::fromUtf8(known)) {
                word = translated("TallyHistoryWindow", known);
            }
        }
    }
    return words;
}

QString winner_text(const ArchivedPk& pk) {
    switch (pk.winner) {
    case Leader::player_one:
        return pk.name_one;
    case Leader::player_two:
        return pk.name_two;
    case Leader::none:
        break;
    }
    return translated("TallyHistoryWindow", "平局");
}

// Items show their text as it is: names come from a file the host edits by hand.
void fill_table(QTableWidget* table, const QStringList& headings, const QList<QStringList>& rows) {
    table->clear();
    table->setColumnCount(static_cast<int>(headings.size()));
    table->setHorizontalHeaderLabels(headings);
    table->setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < rows.size(); ++row) {
        for (int column = 0; column < rows[row].size(); ++column) {
            table->setItem(row, column, new QTableWidgetItem(rows[row][column]));
        }
    }
    table->resizeColumnsToContents();
}

} // namespace

TallyHistoryWindow::TallyHistoryWindow(TallyArchive& archive, QWidget* parent)
    : QWidget(parent, Qt::Window), ui_(std::make_unique<Ui::TallyHistoryWindow>()),
      archive_(archive) {
    ui_->setupUi(this);
    // Left to itself the system may pick a brush face for Chinese; the plain face reads better
    // in tables and the chart's legend.
    QFont plain = font();
    plain.setFamilies({QStringLiteral("Noto Sans CJK SC"), plain.family()});
    setFont(plain);
    const QDate today = QDate::currentDate();
    ui_->from_date->setDate(today.addDays(-6));
    ui_->to_date->setDate(today);
    ui_->summary_date->setDate(today);
    ui_->pk_table->verticalHeader()->setVisible(false);
    ui_->additions_table->verticalHeader()->setVisible(false);
    ui_->pk_table->horizontalHeader()->setStretchLastSection(true);
    ui_->additions_table->horizontalHeader()->setStretchLastSection(true);
    ui_->chart_view->setRenderHint(QPainter::Antialiasing);
    ui_->chart_view->setChart(new QChart);
    ui_->chart_view->chart()->setFont(plain);
    ui_->chart_view->chart()->legend()->setFont(plain);
    ui_->chart_view->chart()->setTitleFont(plain);

    connect(ui_->date_filter, &QCheckBox::toggled, this, &TallyHistoryWindow::refresh);
    connect(ui_->from_date, &QDateEdit::dateChanged, this, [this] {
        if (ui_->date_filter->isChecked()) {
            refresh();
        }
    });
    connect(ui_->to_date, &QDateEdit::dateChanged, this, [this] {
        if (ui_->date_filter->isChecked()) {
            refresh();
        }
    });
    connect(ui_->name_filter, &QLineEdit::textChanged, this, &TallyHistoryWindow::refresh);
    connect(ui_->summary_date, &QDateEdit::dateChanged, this, &TallyHistoryWindow::show_summary);
    connect(ui_->pk_table, &QTableWidget::currentCellChanged, this,
            [this](int row) { show_pk(row); });
    connect(ui_->export_pk_button, &QPushButton::clicked, this, [this] { export_as(false); });
    connect(ui_->export_range_button, &QPushButton::clicked, this, [this] { export_as(true); });
    refresh();
}

TallyHistoryWindow::~TallyHistoryWindow() = default;

ArchiveFilter TallyHistoryWindow::filter() const {
    ArchiveFilter filter;
    if (ui_->date_filter->isChecked()) {
        filter.from = ui_->from_date->date();
        filter.to = ui_->to_date->date();
    }
    filter.name = ui_->name_filter->text();
    return filter;
}

void TallyHistoryWindow::refresh() {
    listed_ = archive_.list(filter());
    QList<QStringList> rows;
    for (const ArchivedPk& pk : listed_) {
        rows.append({pk.started.toString(shown_time), pk.name_one, pk.name_two,
                     pk.total_one + QStringLiteral(" : ") + pk.total_two, winner_text(pk)});
    }
    const QSignalBlocker quiet(ui_->pk_table);
    fill_table(ui_->pk_table,
               {translated("TallyHistoryWindow", "开始时间"),
                translated("TallyHistoryWindow", "玩家一"),
                translated("TallyHistoryWindow", "玩家二"),
                translated("TallyHistoryWindow", "比分"), translated("TallyHistoryWindow", "胜方")},
               rows);
    show_pk(listed_.isEmpty() ? -1 : 0);
    if (!listed_.isEmpty()) {
        ui_->pk_table->selectRow(0);
    }
    show_summary();
}

void TallyHistoryWindow::show_pk(int row) {
    QChart* chart = ui_->chart_view->chart();
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
    ui_->export_pk_button->setEnabled(row >= 0 && row < listed_.size());
    if (row < 0 || row >= listed_.size()) {
        shown_id_ = 0;
        chart->setTitle(QString());
        fill_table(ui_->additions_table, shown_words(record_headings()), {});
        return;
    }
    const ArchivedPk& pk = listed_[row];
    shown_id_ = pk.id;
    const QList<TallyAddition> additions = archive_.additions(pk.id);
    QList<QStringList> rows;
    auto* one = new QLineSeries;
    auto* two = new QLineSeries;
    one->setName(pk.name_one);
    two->setName(pk.name_two);
    // Every addition is listed, the undone ones marked; the chart shows the totals as they
    // stood.
    for (const TallyAddition& addition : additions) {
        rows.append(shown_words(record_row(addition)));
    }
    const TotalSteps steps = total_steps(additions, pk.ended);
    one->append(steps.one);
    two->append(steps.two);
    double low = 0;
    double high = 1;
    for (const QPointF& point : steps.one + steps.two) {
        low = std::min(low, point.y());
        high = std::max(high, point.y());
    }
    fill_table(ui_->additions_table, shown_words(record_headings()), rows);
    chart->setTitle(QStringLiteral("%1 : %2").arg(pk.total_one, pk.total_two));
    chart->addSeries(one);
    chart->addSeries(two);
    auto* time_axis = new QDateTimeAxis;
    time_axis->setFormat(QStringLiteral("HH:mm:ss"));
    const QDateTime first = steps.one.isEmpty()
                                ? pk.started
                                : QDateTime::fromMSecsSinceEpoch(qint64(steps.one.first().x()));
    const QDateTime last = steps.one.isEmpty()
                               ? pk.ended
                               : QDateTime::fromMSecsSinceEpoch(qint64(steps.one.last().x()));
    // One addition, or all in one second, still spans a little time.
    time_axis->setRange(first, std::max(last, first.addSecs(1)));
    auto* total_axis = new QValueAxis;
    total_axis->setRange(low, high);
    total_axis->setLabelFormat(QStringLiteral("%.0f"));
    chart->addAxis(time_axis, Qt::AlignBottom);
    chart->addAxis(total_axis, Qt::AlignLeft);
    for (QAbstractSeries* series : chart->series()) {
        series->attachAxis(time_axis);
        series->attachAxis(total_axis);
    }
}

void TallyHistoryWindow::show_summary() {
    const QDate day = ui_->summary_date->date();
    ui_->day_summary->setText(day_summary_text(day_summary(archive_.list({day, day, {}}))));
}

bool TallyHistoryWindow::export_pk(const QString& path, QString* error) {
    const auto pk = std::find_if(listed_.cbegin(), listed_.cend(),
                                 [this](const ArchivedPk& p) { return p.id == shown_id_; });
    if (pk == listed_.cend()) {
        return false;
    }
    return write_file(path, csv_table(archive_rows(archive_, {*pk})), error);
}

bool TallyHistoryWindow::export_listed(const QString& path, QString* error) {
    return write_file(path, csv_table(archive_rows(archive_, listed_)), error);
}

void TallyHistoryWindow::export_as(bool listed) {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty()) {
        folder = QDir::homePath();
    }
    const QString name =
        QStringLiteral("Quorvane历史-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    const QString path = QFileDialog::getSaveFileName(
        this, translated("TallyHistoryWindow", "导出历史"), QDir(folder).filePath(name),
        translated("TallyHistoryWindow", "CSV 文件 (*.csv)"));
    if (path.isEmpty()) {
        return;
    }
    QString error;
    if (!(listed ? export_listed(path, &error) : export_pk(path, &error))) {
        message_box(translated("TallyHistoryWindow", "历史没有导出：无法写入这个文件。") +
                        QStringLiteral("\r\n") + path + QStringLiteral("\r\n") + error,
                    style_error, translated("TallyHistoryWindow", "导出历史"));
    }
}

} // namespace glimmer
