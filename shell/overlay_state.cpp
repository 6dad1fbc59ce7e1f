#include "overlay_state.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QRegularExpression>

namespace glimmer {

namespace {

QString leader_name(Leader leader) {
    switch (leader) {
    case Leader::player_one:
        return QStringLiteral("one");
    case Leader::player_two:
        return QStringLiteral("two");
    case Leader::none:
        break;
    }
    return QStringLiteral("none");
}

QString side_name(Side side) {
    switch (side) {
    case Side::left:
        return QStringLiteral("left");
    case Side::right:
        return QStringLiteral("right");
    case Side::none:
        break;
    }
    return QStringLiteral("none");
}

QString phase_name(DicePhase phase) {
    switch (phase) {
    case DicePhase::counting:
        return QStringLiteral("counting");
    case DicePhase::shaking:
        return QStringLiteral("shaking");
    case DicePhase::revealing:
        return QStringLiteral("revealing");
    case DicePhase::waiting:
        break;
    }
    return QStringLiteral("waiting");
}

QString stage_name(GameStage stage) {
    switch (stage) {
    case GameStage::playing:
        return QStringLiteral("playing");
    case GameStage::waiting:
        return QStringLiteral("waiting");
    case GameStage::setup:
        break;
    }
    return QStringLiteral("setup");
}

QJsonObject closed() {
    return QJsonObject{{QStringLiteral("open"), false}};
}

// Digits of the whole part scaled down by 10^shift, with two decimals cut off: "1234567", 4
// gives "123.45".
QString scaled(const QString& whole, const QString& fraction, int shift) {
    const QString digits = whole + fraction;
    const qsizetype point = whole.size() - shift;
    QString integer = digits.left(point);
    QString decimals = digits.mid(point, 2);
    while (decimals.endsWith(u'0')) {
        decimals.chop(1);
    }
    return decimals.isEmpty() ? integer : integer + u'.' + decimals;
}

} // namespace

QString readable_amount(const QString& amount) {
    static const QRegularExpression number(QStringLiteral("^(-?)0*(\\d+?)(?:\\.(\\d*))?$"));
    const QRegularExpressionMatch match = number.match(amount);
    if (!match.hasMatch()) {
        return amount;
    }
    const QString sign = match.captured(1);
    const QString whole = match.captured(2);
    const QString fraction = match.captured(3);
    if (whole.size() <= 4) {
        return amount;
    }
    const bool yi = whole.size() > 8;
    return sign + scaled(whole, fraction, yi ? 8 : 4) +
           (yi ? QStringLiteral("亿") : QStringLiteral("万"));
}

QJsonObject tally_json(const TallyView* view) {
    if (view == nullptr) {
        return closed();
    }
    QJsonArray players;
    for (size_t i = 0; i < 2; ++i) {
        players.append(
            QJsonObject{{QStringLiteral("name"), view->names[i]},
                        {QStringLiteral("total"), view->totals[i]},
                        {QStringLiteral("total_text"), readable_amount(view->totals[i])}});
    }
    return QJsonObject{{QStringLiteral("open"), true},
                       {QStringLiteral("players"), players},
                       {QStringLiteral("leader"), leader_name(view->leader)},
                       {QStringLiteral("difference"), view->difference},
                       {QStringLiteral("difference_text"), readable_amount(view->difference)}};
}

QJsonObject dice_json(const DiceView* view) {
    if (view == nullptr) {
        return closed();
    }
    return QJsonObject{{QStringLiteral("open"), true},
                       {QStringLiteral("phase"), phase_name(view->phase)},
                       {QStringLiteral("shaking"), view->phase == DicePhase::shaking},
                       {QStringLiteral("last_winner"), side_name(view->last_winner)},
                       {QStringLiteral("left_tally"), view->left_tally},
                       {QStringLiteral("right_tally"), view->right_tally}};
}

QJsonObject minebox_json(const MineBoxView* view) {
    if (view == nullptr) {
        return closed();
    }
    // One character per box keeps a board of many boxes small on the wire: the state
    // (0 closed, 1 empty, 2 mine) and the owner (0 nobody yet, 1, 2).
    QString states(static_cast<qsizetype>(view->boxes.size()), u'0');
    QString owners(static_cast<qsizetype>(view->boxes.size()), u'0');
    for (size_t i = 0; i < view->boxes.size(); ++i) {
        const MineBox& box = view->boxes[i];
        const int state = box.state == box_empty ? 1 : box.state == box_mine ? 2 : 0;
        const int owner = box.owner == player_one ? 1 : box.owner == player_two ? 2 : 0;
        states[static_cast<qsizetype>(i)] = QChar(u'0' + state);
        owners[static_cast<qsizetype>(i)] = QChar(u'0' + owner);
    }
    return QJsonObject{{QStringLiteral("open"), true},
                       {QStringLiteral("stage"), stage_name(view->stage)},
                       {QStringLiteral("boxes"), states},
                       {QStringLiteral("owners"), owners},
                       {QStringLiteral("waiting"), view->waiting_position},
                       {QStringLiteral("tallies"), QJsonArray{view->tallies[0], view->tallies[1]}}};
}

QByteArray overlay_state_json(quint64 revision, const QJsonObject& tally, const QJsonObject& dice,
                              const QJsonObject& minebox) {
    const QJsonObject root{{QStringLiteral("revision"), static_cast<qint64>(revision)},
                           {QStringLiteral("tally"), tally},
                           {QStringLiteral("dice"), dice},
                           {QStringLiteral("minebox"), minebox}};
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

} // namespace glimmer
