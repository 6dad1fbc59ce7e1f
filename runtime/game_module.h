#pragma once

#include "runtime/committed_random.h"
#include "runtime/outcome.h"

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPoint>
#include <QSize>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QWidget;

namespace glimmer {

// Every game is one module, found by the program through one interface, as a plug-in would
// be: what it is called and looks like, how it is played (its model, the session), how it is
// shown (its window), what may be asked of it from outside (its action table) and, for a game
// that draws, how a published draw is checked. The program lists games from the modules alone
// and names none of them; see docs/architecture.md.

// A game while it is open: its model, the single source of its state. Its window draws from
// it, and every way in (the window's keys, ctl, HTTP, global keys) acts through its actions.
class GameSession : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // The game's part of the overlays' state, texts as the window shows them; the pages put
    // them in as text, never as markup.
    virtual QJsonObject state() const = 0;
    // The game ends with its window: whatever it does then (a PK kept, a board revealed).
    // Safe to call again; nothing is asked of the session afterwards.
    virtual void end() = 0;

signals:
    // After every change of what state() gives.
    void state_changed();
};

// One value an action takes, as ctl, HTTP and the global keys pass it.
struct ActionParameter {
    enum class Kind {
        player, // 1 or 2
        whole,  // a whole number from low to high
        amount, // a finite decimal number other than 0, written plainly
        text,   // any text of at most high characters
    };
    QString name;
    Kind kind = Kind::text;
    long long low = 0;
    long long high = 0;
    // May be left out (after every parameter that may not); an option is given on ctl's
    // command line as "--name VALUE", anywhere after the action's words.
    bool optional = false;
    bool option = false;
    // A file's name, which ctl makes absolute where it runs: the program may run elsewhere.
    bool path = false;
};

// An action's arguments, read and checked against its parameters: each there and each of its
// kind, so that the action itself need check nothing more.
class ActionArguments {
public:
    explicit ActionArguments(QJsonObject values = {}) : values_(std::move(values)) {}
    int player() const { return static_cast<int>(whole(QStringLiteral("player"))); }
    long long whole(const QString& name) const;
    QString text(const QString& name) const;
    // Whether an optional parameter was given.
    bool has(const QString& name) const { return values_.contains(name); }
    // Who asked, for a game's record: a paired phone's name; empty for the host's own ways in.
    QString source() const { return text(QStringLiteral("source")); }

private:
    QJsonObject values_;
};

// A thing that can be asked of a game from outside: ctl's command, HTTP's route, a global key's
// command, all made from this one entry.
struct GameAction {
    QString name;
    QList<ActionParameter> parameters;
    QString help; // one line, in Chinese
    std::function<Outcome(GameSession&, const ActionArguments&)> invoke;
};

// Reads a request's members as the action's arguments: a player or a whole number as a JSON
// number or its digits, an amount as a plain decimal (a JSON number or text), text as text.
// Anything missing is a bad request; anything not of its kind, or out of range, invalid.
Outcome read_arguments(const GameAction& action, const QJsonObject& request,
                       ActionArguments* arguments);

// The program's own actions, beside the games' (no game names them): open a game's window,
// the state of every game, the catalogue brought to the front. The game host runs them.
const QList<GameAction>& program_actions();

// The program's own action of this name, or null. A request names one by its action alone
// (open's game is its argument), so no game may have an action of the same name.
const GameAction* program_action(const QString& name);

// A part of the program reached by a word of its own beside the games ("obs setup"), its
// actions run by whatever the program puts behind it; they may take a while, so the host
// answers them when they end (GameHost::run_later).
struct ProgramService {
    QString word;
    QList<GameAction> actions; // invoke is unset: the program supplies the service
};
const QList<ProgramService>& program_services();
const ProgramService* program_service(const QString& word);
// The action of that name of the service of that word, or null.
const GameAction* service_action(const QString& word, const QString& name);

// How help and usage write a parameter: "1|2" for a player, FILE for a path, else its name in
// capitals; "[GAME]" when it may be left out, "[--scene SCENE]" for an option.
QString parameter_word(const ActionParameter& parameter);

// An action of a game whose session is of type Session.
template <typename Session>
GameAction game_action(QString name, QList<ActionParameter> parameters, QString help,
                       std::function<Outcome(Session&, const ActionArguments&)> invoke) {
    return {std::move(name), std::move(parameters), std::move(help),
            [invoke = std::move(invoke)](GameSession& session, const ActionArguments& arguments) {
                return invoke(static_cast<Session&>(session), arguments);
            }};
}

// A part of an overlay the host may leave out (hide=), with its name on the list page.
struct OverlayPart {
    QString name;
    QString label;
};

// What the catalogue, the overlays and the help say of a game.
struct GameInfo {
    QString id;       // its overlay page's name, its key in the state, ctl's word
    QString title;    // the window's caption
    QString subtitle; // what the game is, in a word or two of Chinese
    // The catalogue button's faces, resource paths.
    QString picture;
    QString hover_picture;
    QString overlay_page; // resource path of the game's overlay page
    QSize overlay_size;   // the suggested browser-source size
    QList<OverlayPart> overlay_parts;
};

// What a game needs of the program: where its files go and the maker's address it shows.
struct GameEnvironment {
    QString config_home;
    QString site_url;
    // One of the game's own actions, run as every way in runs it (the game host, which sets
    // this for each game it opens): the window's keys that are the program's rather than a
    // widget's go through it.
    std::function<Outcome(const QString& action, const QJsonObject& arguments)> act = {};
};

// A game drawn by a streaming program's own text and picture sources, where it cannot show a
// web page: the parts, laid out in the overlay's pixels, and what each shows for a state.
struct NativePart {
    enum class Kind { text, picture };
    QString name; // ends the source's name, shown to the host: "玩家一名字"
    Kind kind = Kind::text;
    QPoint position; // top left
    int font_size = 40;
    quint32 color = 0xffffffff; // ARGB
};
struct NativeOverlay {
    QList<NativePart> parts;
    // Each part's text for the game's part of the overlays' state; for a picture, the name of
    // one of the pictures the program ships (assets/obs: "die_3", "leader"), or "" for none.
    std::function<QHash<QString, QString>(const QJsonObject& state)> values;
};
// The fairness line of a game that draws, as the overlay pages write it from the game's
// state: the revealed draw's seed and the coming draw's commitment, each numbered by its round
// ("第3轮") or, for games played in turns, its turn ("第3局").
QString fairness_line(const QJsonObject& game, bool numbered_by_turn);
// A state's text or number as text, as the pages take it; "" for anything else.
QString state_text(const QJsonValue& value);
// Text cut to at most length characters, "…" marking the cut.
QString cut_text(const QString& text, qsizetype length);

// A global key a game offers before the host writes any, as a [hotkeys] line would.
struct DefaultKey {
    QString key;     // "Ctrl+Alt+1"
    QString command; // "<game> <action> <arguments>", as ctl's words
};

// Checks a revealed draw of the game from its published seed, phrase and outcome: the
// program's "verify" and its verify page.
struct DrawCheck {
    QStringList outcome;   // what the draw gives, a line each: "faces 5-2", "winner left"
    QStringList faults;    // what was given and does not match, a sentence each
    bool compared = false; // whether any outcome was given to compare
};
class DrawVerifier {
public:
    virtual ~DrawVerifier() = default;
    struct Option {
        QString name;        // "throws": --throws on the command line, a field on the page
        QString label;       // the page's label for it
        QString placeholder; // the page's hint, may be empty
        QString help;        // verify --help's line
        bool required = false;
    };
    virtual QList<Option> options() const = 0;
    // Replays the draw given as a seed, phrase, game and round, with the options given (by
    // name, as typed); a usage error (an option missing or not of its kind) in error, else the
    // outcome and what does not match.
    virtual std::optional<DrawCheck>
    check(const DrawRecord& record, const QHash<QString, QString>& given, QString* error) const = 0;
    // Resource path of the verify page's script for the game (see shell/verify.html).
    virtual QString page_script() const = 0;
};

class GameModule {
public:
    virtual ~GameModule() = default;

    virtual const GameInfo& info() const = 0;
    // Everything that may be asked of the game from outside, in the order help lists them.
    virtual const QList<GameAction>& actions() const = 0;
    // A new session; the module keeps what the game carries from one window to the next.
    virtual std::unique_ptr<GameSession> create_session(const GameEnvironment& environment) = 0;
    // The game's window over the session, not yet shown; the session outlives it.
    virtual QWidget* make_window(GameSession& session, const GameEnvironment& environment) = 0;

    // Optional parts.
    virtual const DrawVerifier* verifier() const { return nullptr; }
    virtual QList<DefaultKey> default_keys() const { return {}; }
    // What the phone remote shows beside the action tables, put into the game's state as
    // "remote": "buttons" ([{label, request, group}], shortcut requests such as each player's
    // presets), "labels" ({action: caption}, undo's saying what it will undo) and "summary"
    // (lines the page shows first). Empty for none. state is the session's state(), already
    // made for this change: the hints are made at every change, so nothing is made twice.
    virtual QJsonObject remote_hints(const GameSession& /*session*/,
                                     const QJsonObject& /*state*/) const {
        return {};
    }
    // The game drawn without a web page; null when it has no such drawing.
    virtual const NativeOverlay* native_overlay() const { return nullptr; }
    // Once the catalogue is on screen, whether or not the game opens.
    virtual void after_start(const GameEnvironment& /*environment*/) {}

    // The action of that name, or null.
    const GameAction* action(const QString& name) const;
};

using GameModules = std::vector<std::unique_ptr<GameModule>>;

} // namespace glimmer
