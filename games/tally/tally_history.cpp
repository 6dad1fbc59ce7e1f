#include "games/tally/tally_history.h"

#include "games/tally/tally_rules.h"
#include "runtime/text.h"

#include <QRegularExpression>

namespace glimmer {

TallyBoard add_to_board(const TallyBoard& before, bool player_one, const QString& amount) {
    TallyBoard board = before;
    QString& total = player_one ? board.total_one : board.total_two;
    total = added_total(total, amount);

    const Standing standing = compare_totals(board.total_one, board.total_two);
    if (standing.leader == Leader::none) {
        board.markers_shown = false;
        return board;
    }
    board.markers_shown = true;
    board.flag_beside_one = standing.leader == Leader::player_one;
    board.difference = QStringLiteral("相差：") + standing.difference;
    return board;
}

const TallyAddition& TallyHistory::add(const TallyBoard& before, const QDateTime& time, int player,
                                       const QString& name, const QString& amount,
                                       const QString& source) {
    redo_.clear(); // those additions stay in the record, marked undone
    TallyAddition addition;
    addition.time = time;
    addition.player = player == 1 ? 1 : 2;
    addition.name = name;
    addition.amount = amount;
    addition.source = source;
    addition.before = before;
    addition.after = add_to_board(before, addition.player == 1, amount);
    record_.append(addition);
    done_.append(record_.size() - 1);
    return record_.last();
}

const TallyBoard* TallyHistory::undo() {
    if (done_.isEmpty()) {
        return nullptr;
    }
    const qsizetype index = done_.takeLast();
    redo_.append(index);
    record_[index].undone = true;
    return &record_[index].before;
}

const TallyBoard* TallyHistory::redo() {
    if (redo_.isEmpty()) {
        return nullptr;
    }
    const qsizetype index = redo_.takeLast();
    done_.append(index);
    record_[index].undone = false;
    return &record_[index].after;
}

TotalSteps total_steps(const QList<TallyAddition>& additions, const QDateTime& end) {
    TotalSteps steps;
    qint64 last = 0;
    for (const TallyAddition& addition : additions) {
        if (addition.undone) {
            continue;
        }
        last = addition.time.toMSecsSinceEpoch();
        const auto at = static_cast<qreal>(last);
        // The first addition starts from the board it found, 0 : 0 in a PK of our own.
        if (steps.one.isEmpty()) {
            steps.one << QPointF(at, to_number(addition.before.total_one));
            steps.two << QPointF(at, to_number(addition.before.total_two));
        } else {
            steps.one << QPointF(at, steps.one.last().y());
            steps.two << QPointF(at, steps.two.last().y());
        }
        steps.one << QPointF(at, to_number(addition.after.total_one));
        steps.two << QPointF(at, to_number(addition.after.total_two));
    }
    if (!steps.one.isEmpty() && end.isValid() && end.toMSecsSinceEpoch() > last) {
        const auto at = static_cast<qreal>(end.toMSecsSinceEpoch());
        steps.one << QPointF(at, steps.one.last().y());
        steps.two << QPointF(at, steps.two.last().y());
    }
    return steps;
}

QStringList record_headings() {
    return {QStringLiteral("时间"),       QStringLiteral("玩家"),       QStringLiteral("数量"),
            QStringLiteral("玩家一总数"), QStringLiteral("玩家二总数"), QStringLiteral("状态"),
            QStringLiteral("来源")};
}

QStringList record_row(const TallyAddition& addition) {
    return {addition.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
            addition.name,
            addition.amount,
            addition.after.total_one,
            addition.after.total_two,
            addition.undone ? QStringLiteral("已撤销") : QString(),
            addition.source};
}

namespace {

// A plain decimal number, such as an amount or a total: a spreadsheet may read it as one.
bool is_plain_number(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral("^[+-]?([0-9]+([.][0-9]*)?|[.][0-9]+)([eE][+-]?[0-9]+)?$"));
    return number.match(text).hasMatch();
}

QString csv_field(QString text) {
    // A cell starting like a formula would run as one when the file is opened (names and
    // amounts are typed by the host, or come from the configuration file); the apostrophe
    // keeps it text. Numbers stay numbers.
    static const QString formula_starts = QStringLiteral("=+-@\t\r");
    if (!text.isEmpty() && formula_starts.contains(text.front()) && !is_plain_number(text)) {
        text.prepend(u'\'');
    }
    static const QString needs_quotes = QStringLiteral(",\"\r\n");
    bool quoted = false;
    for (QChar c : text) {
        if (needs_quotes.contains(c)) {
            quoted = true;
            break;
        }
    }
    if (!quoted) {
        return text;
    }
    QString doubled = text;
    doubled.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

QString csv_line(const QStringList& fields) {
    QStringList quoted;
    for (const QString& field : fields) {
        quoted << csv_field(field);
    }
    return quoted.join(QLatin1Char(',')) + QStringLiteral("\r\n");
}

} // namespace

QByteArray csv_table(const QList<QStringList>& rows) {
    QString text;
    for (const QStringList& row : rows) {
        text += csv_line(row);
    }
    return QByteArray("\xEF\xBB\xBF") + text.toUtf8();
}

QByteArray record_csv(const TallyHistory& history) {
    QList<QStringList> rows{record_headings()};
    for (const TallyAddition& addition : history.record()) {
        rows.append(record_row(addition));
    }
    return csv_table(rows);
}

} // namespace glimmer
