#include "game_control.h"

#include "catalogue_window.h"
#include "game_registry.h"
#include "games/dice/dice_turn.h"
#include "games/dice/dice_window.h"
#include "games/minebox/minebox_round.h"
#include "games/minebox/minebox_window.h"
#include "games/tally/tally_pk.h"
#include "games/tally/tally_window.h"
#include "overlay_feed.h"
#include "runtime/outside_numbers.h"
#include "runtime/text.h"
#include "runtime/windows.h"

#include <QApplication>
#include <QJsonDocument>

#include <optional>

namespace glimmer {

namespace {

using Status = ControlAnswer::Status;

ControlAnswer answer(Status status, const QString& reason = QString()) {
    return {status, reason, {}};
}

ControlAnswer from(const Outcome& outcome) {
    return outcome.done() ? answer(Status::done) : answer(Status::refused, outcome.reason);
}

// A whole number, as ctl sends it or as a JSON client may quote it.
std::optional<int> number_of(const QJsonObject& request, const QString& name) {
    const QJsonValue value = request.value(name);
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number >= 0 && number <= 1e6 && number == static_cast<int>(number)) {
            return static_cast<int>(number);
        }
        return std::nullopt;
    }
    bool ok = false;
    const int number = value.toString().toInt(&ok);
    return value.isString() && ok && number >= 0 ? std::optional<int>(number) : std::nullopt;
}

std::optional<int> player_of(const QJsonObject& request) {
    const std::optional<int> player = number_of(request, QStringLiteral("player"));
    return player && (*player == 1 || *player == 2) ? player : std::nullopt;
}

// Texts stay as typed; a bare number is taken as its digits, which is what a person types.
std::optional<QString> text_of(const QJsonObject& request, const QString& name) {
    const QJsonValue value = request.value(name);
    if (value.isString()) {
        return value.toString();
    }
    if (value.isDouble()) {
        return to_text(value.toDouble());
    }
    return std::nullopt;
}

ControlAnswer missing(const QString& what) {
    return answer(Status::bad_request, QStringLiteral("缺少或无效的参数：") + what);
}

// An amount from outside is a number written plainly and nothing else: words, "NaN", full-width
// digits or a value past any total never become a step of the PK.
std::optional<ControlAnswer> refuse_amount(const QString& amount) {
    const std::optional<double> value = read_decimal(amount.toStdString());
    if (!value) {
        return answer(Status::invalid,
                      QStringLiteral("数量必须是十进制数字（可带正负号、小数点和指数），"
                                     "且在能计算的范围内：") +
                          amount.left(40));
    }
    if (*value == 0) {
        return answer(Status::invalid, QStringLiteral("数量为 0，没有计入"));
    }
    return std::nullopt;
}

std::optional<ControlAnswer> control_tally(TallyPk& pk, const QString& action,
                                           const QJsonObject& request) {
    if (action == u"add") {
        const std::optional<int> player = player_of(request);
        const std::optional<QString> amount = text_of(request, QStringLiteral("amount"));
        if (!player || !amount) {
            return missing(QStringLiteral("player, amount"));
        }
        if (const std::optional<ControlAnswer> refused = refuse_amount(*amount)) {
            return *refused;
        }
        return from(pk.add_amount(*player, *amount));
    }
    if (action == u"preset") {
        const std::optional<int> player = player_of(request);
        const std::optional<int> n = number_of(request, QStringLiteral("n"));
        if (!player || !n || *n < 1) {
            return missing(QStringLiteral("player, n"));
        }
        return from(pk.add_preset(*player, *n - 1));
    }
    if (action == u"select") {
        const std::optional<int> player = player_of(request);
        if (!player) {
            return missing(QStringLiteral("player"));
        }
        return from(pk.select_player(*player));
    }
    if (action == u"switch") {
        return from(pk.switch_player());
    }
    if (action == u"undo") {
        return from(pk.undo());
    }
    if (action == u"redo") {
        return from(pk.redo());
    }
    return std::nullopt;
}

std::optional<ControlAnswer> control_dice(DiceTurn& turn, const QString& action,
                                          const QJsonObject& request) {
    if (action == u"step") {
        return from(turn.next_step());
    }
    if (action == u"prompt") {
        return from(turn.open_count_frame());
    }
    if (action == u"count") {
        const std::optional<QString> count = text_of(request, QStringLiteral("count"));
        if (!count) {
            return missing(QStringLiteral("count"));
        }
        return from(turn.set_throw_count(*count));
    }
    if (action == u"start") {
        return from(turn.start_shaking());
    }
    if (action == u"throw") {
        return from(turn.throw_once());
    }
    if (action == u"reveal") {
        return from(turn.reveal());
    }
    if (action == u"phrase") {
        const std::optional<QString> phrase = text_of(request, QStringLiteral("text"));
        if (!phrase) {
            return missing(QStringLiteral("text"));
        }
        return from(turn.set_phrase(*phrase));
    }
    return std::nullopt;
}

std::optional<ControlAnswer> control_minebox(MineBoxRound& round, const QString& action,
                                             const QJsonObject& request) {
    if (action == u"counts") {
        const std::optional<QString> boxes = text_of(request, QStringLiteral("boxes"));
        const std::optional<QString> mines = text_of(request, QStringLiteral("mines"));
        if (!boxes || !mines) {
            return missing(QStringLiteral("boxes, mines"));
        }
        // The mine count is checked first, so a refusal leaves both texts as they were.
        if (const Outcome set = round.set_mine_count_text(*mines); !set.done()) {
            return from(set);
        }
        return from(round.set_box_count_text(*boxes));
    }
    if (action == u"bury") {
        return from(round.bury());
    }
    if (action == u"dig") {
        const std::optional<int> box = number_of(request, QStringLiteral("box"));
        if (!box || *box < 1) {
            return missing(QStringLiteral("box"));
        }
        return from(round.dig(*box - 1));
    }
    if (action == u"credit") {
        const std::optional<int> player = player_of(request);
        if (!player) {
            return missing(QStringLiteral("player"));
        }
        return from(round.credit(*player));
    }
    if (action == u"phrase") {
        const std::optional<QString> phrase = text_of(request, QStringLiteral("text"));
        if (!phrase) {
            return missing(QStringLiteral("text"));
        }
        return from(round.set_phrase(*phrase));
    }
    return std::nullopt;
}

bool is_game_action(const QString& game, const QString& action) {
    static const QHash<QString, QStringList> actions{
        {QStringLiteral("tally"), {"add", "preset", "select", "switch", "undo", "redo"}},
        {QStringLiteral("dice"), {"step", "prompt", "count", "start", "throw", "reveal", "phrase"}},
        {QStringLiteral("minebox"), {"counts", "bury", "dig", "credit", "phrase"}},
    };
    return actions.value(game).contains(action);
}

} // namespace

ControlAnswer run_control(CatalogueWindow& catalogue, const QJsonObject& request) {
    const QString action = request.value(QStringLiteral("action")).toString();
    const QString game = request.value(QStringLiteral("game")).toString();
    if (action == u"state" && game.isEmpty()) {
        ControlAnswer state = answer(Status::done);
        state.output = catalogue.overlay_feed()->state_json();
        return state;
    }
    if (action == u"raise" && game.isEmpty()) {
        if (catalogue.isMinimized()) {
            catalogue.showNormal();
        }
        catalogue.raise();
        catalogue.activateWindow();
        return answer(Status::done);
    }
    if (action == u"open") {
        if (game_index(game) < 0) {
            return answer(Status::not_found, QStringLiteral("没有这个游戏：") + game);
        }
        if (box_in_front_of(nullptr)) {
            return answer(Status::refused, QStringLiteral("有对话框开着，请先处理它"));
        }
        catalogue.open_game(game);
        return answer(Status::done);
    }
    if (game_index(game) < 0 || !is_game_action(game, action)) {
        return answer(Status::not_found, QStringLiteral("没有这个命令：") + game + u' ' + action);
    }
    GameWindow* window = catalogue.game_window(game);
    if (window == nullptr) {
        return answer(Status::refused,
                      game_registry()[game_index(game)].title + QStringLiteral(" 没有打开"));
    }
    // A box waits for the host's answer; acting behind it would change what it asks about.
    if (box_in_front_of(window)) {
        return answer(Status::refused, QStringLiteral("有对话框开着，请先处理它"));
    }
    std::optional<ControlAnswer> done;
    if (auto* tally = qobject_cast<TallyWindow*>(window)) {
        done = control_tally(tally->pk(), action, request);
    } else if (auto* dice = qobject_cast<DiceWindow*>(window)) {
        done = control_dice(dice->turn(), action, request);
    } else if (auto* minebox = qobject_cast<MineBoxWindow*>(window)) {
        done = control_minebox(minebox->round(), action, request);
    }
    return done
               ? *done
               : answer(Status::not_found, QStringLiteral("没有这个命令：") + game + u' ' + action);
}

QByteArray run_control_json(CatalogueWindow& catalogue, const QByteArray& request) {
    if (!is_utf8(request)) {
        return control_answer_json(
            {Status::bad_request, QStringLiteral("请求不是有效的 UTF-8 文字"), {}});
    }
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(request, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        return control_answer_json(
            {Status::bad_request, QStringLiteral("请求不是一个 JSON 对象"), {}});
    }
    return control_answer_json(run_control(catalogue, document.object()));
}

namespace {

QString status_name(Status status) {
    switch (status) {
    case Status::done:
        return QStringLiteral("done");
    case Status::refused:
        return QStringLiteral("refused");
    case Status::bad_request:
        return QStringLiteral("bad_request");
    case Status::not_found:
        return QStringLiteral("not_found");
    case Status::invalid:
        return QStringLiteral("invalid");
    }
    return QStringLiteral("bad_request");
}

} // namespace

int http_status(Status status) {
    switch (status) {
    case Status::done:
        return 200;
    case Status::refused:
        return 409;
    case Status::bad_request:
    case Status::invalid:
        return 400;
    case Status::not_found:
        return 404;
    }
    return 400;
}

QByteArray control_answer_json(const ControlAnswer& answer) {
    QJsonObject object{{QStringLiteral("status"), status_name(answer.status)}};
    if (!answer.reason.isEmpty()) {
        object.insert(QStringLiteral("reason"), answer.reason);
    }
    if (!answer.output.isEmpty()) {
        // Kept as text, byte for byte what GET /api/state gives.
        object.insert(QStringLiteral("output"), QString::fromUtf8(answer.output));
    }
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

} // namespace glimmer
