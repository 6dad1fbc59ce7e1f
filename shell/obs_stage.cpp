#include "shell/obs_stage.h"

#include "runtime/files.h"
#include "runtime/settings_file.h"
#include "runtime/translation.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>

namespace glimmer {

namespace {

const QString browser_kind = QStringLiteral("browser_source");
const QString text_kind = QStringLiteral("text_ft2_source_v2");
const QString picture_kind = QStringLiteral("image_source");
constexpr int not_found = 600;
constexpr int already_exists = 601;
constexpr int invalid_kind = 605;

QString kind_of(const NativePart& part) {
    return part.kind == NativePart::Kind::text ? text_kind : picture_kind;
}

// What OBS's answer means for the host, in a few words.
QString failure(const ObsReply& reply) {
    if (reply.code == 0) {
        return reply.comment;
    }
    const QString said = reply.comment.isEmpty()
                             ? QString()
                             : QStringLiteral("（") + reply.comment + QStringLiteral("）");
    if (reply.code == not_found) {
        return translated("obs", "OBS 里找不到它，也许刚被删掉了") + said;
    }
    if (reply.code == invalid_kind) {
        return translated("obs", "这个 OBS 没有这种源") + said;
    }
    return translated("obs", "OBS 拒绝了这个请求，代码 %1").arg(reply.code) + said;
}

// Request data, made outside the jobs: GCC 12 cannot keep an initializer list alive across a
// co_await.
QJsonObject input_data(const QString& input) {
    return {{QStringLiteral("inputName"), input}};
}

QJsonObject settings_data(const QString& input, const QJsonObject& settings) {
    return {{QStringLiteral("inputName"), input}, {QStringLiteral("inputSettings"), settings}};
}

QJsonObject scene_data(const QString& scene) {
    return {{QStringLiteral("sceneName"), scene}};
}

QJsonObject source_data(const QString& scene, const QString& source, bool enabled = true) {
    return {{QStringLiteral("sceneName"), scene},
            {QStringLiteral("sourceName"), source},
            {QStringLiteral("sceneItemEnabled"), enabled}};
}

QJsonObject create_input_data(const QString& scene, const QString& input, const QString& kind,
                              const QJsonObject& settings, bool enabled) {
    return {{QStringLiteral("sceneName"), scene},
            {QStringLiteral("inputName"), input},
            {QStringLiteral("inputKind"), kind},
            {QStringLiteral("inputSettings"), settings},
            {QStringLiteral("sceneItemEnabled"), enabled}};
}

QJsonObject browser_settings(const QString& address, QSize size) {
    return {{QStringLiteral("url"), address},
            {QStringLiteral("width"), size.width()},
            {QStringLiteral("height"), size.height()}};
}

QJsonObject item_data(const QString& scene, int item) {
    return {{QStringLiteral("sceneName"), scene}, {QStringLiteral("sceneItemId"), item}};
}

QJsonObject position_data(const QString& scene, int item, QPoint position) {
    QJsonObject data = item_data(scene, item);
    data.insert(QStringLiteral("sceneItemTransform"),
                QJsonObject{{QStringLiteral("positionX"), position.x()},
                            {QStringLiteral("positionY"), position.y()}});
    return data;
}

// The face OBS's text sources start in and the pictures' words are drawn in, so that the two
// look one.
QString picture_face() {
    return QStringLiteral("Noto Sans CJK SC");
}

// The pictures a native overlay names: the dice faces, a covered die, the leader's mark.
QImage draw_picture(const QString& name) {
    constexpr int side = 96;
    QImage image(name == u"leader" ? QSize(120, 48) : QSize(side, side),
                 QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    // Bold words in the middle of the picture, in the face the text sources start with.
    const auto write = [&](const QString& text, int pixels) {
        QFont font(picture_face());
        font.setPixelSize(pixels);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(image.rect(), Qt::AlignCenter, text);
    };
    if (name == u"leader") {
        QPainterPath badge;
        badge.addRoundedRect(QRectF(1, 1, 118, 46), 12, 12);
        painter.fillPath(badge, QColor(0xd9, 0x30, 0x25));
        painter.setPen(Qt::white);
        write(QStringLiteral("▲领先"), 26);
        return image;
    }
    QPainterPath die;
    die.addRoundedRect(QRectF(2, 2, side - 4, side - 4), 16, 16);
    if (name == u"die_covered") {
        painter.fillPath(die, QColor(0x4a, 0x2c, 0x6b));
        painter.setPen(QPen(QColor(0xf2, 0xc9, 0x4c), 3));
        painter.drawPath(die);
        write(QStringLiteral("?"), 52);
        return image;
    }
    const int face = name.mid(4).toInt();
    painter.fillPath(die, QColor(0xfa, 0xfa, 0xf5));
    painter.setPen(QPen(QColor(0x33, 0x33, 0x33), 2));
    painter.drawPath(die);
    // Which of the 3 × 3 spots carry a pip; one and four are red, as on Chinese dice.
    static const QList<QList<int>> spots{{4},          {0, 8},          {0, 4, 8},
                                         {0, 2, 6, 8}, {0, 2, 4, 6, 8}, {0, 2, 3, 5, 6, 8}};
    painter.setPen(Qt::NoPen);
    painter.setBrush(face == 1 || face == 4 ? QColor(0xd0, 0x21, 0x21) : QColor(0x22, 0x22, 0x22));
    const double radius = face == 1 ? 15 : 9;
    for (const int spot : spots.value(face - 1)) {
        const QPointF centre(side * (0.25 + 0.25 * (spot % 3)), side * (0.25 + 0.25 * (spot / 3)));
        painter.drawEllipse(centre, radius, radius);
    }
    return image;
}

const QStringList& picture_names() {
    static const QStringList names{QStringLiteral("die_1"),       QStringLiteral("die_2"),
                                   QStringLiteral("die_3"),       QStringLiteral("die_4"),
                                   QStringLiteral("die_5"),       QStringLiteral("die_6"),
                                   QStringLiteral("die_covered"), QStringLiteral("leader")};
    return names;
}

} // namespace

// Jobs run one at a time, so two setups never both find a source missing and both make it.
struct ObsStage::Turn {
    ObsStage* stage;
    ~Turn() { stage->next_job(); }
};

ObsStage::ObsStage(GameHost& games, QString folder, QString settings, QObject* parent)
    : QObject(parent), games_(games), folder_(std::move(folder)), settings_(std::move(settings)) {
    update_timer_.setSingleShot(true);
    connect(&update_timer_, &QTimer::timeout, this, &ObsStage::push_updates);
    connect(&games_, &GameHost::state_changed, this, &ObsStage::update_later);
    connect(&games_, &GameHost::game_opened, this, &ObsStage::show_later);
    connect(&games_, &GameHost::game_closed, this, &ObsStage::show_later);
    connect(&link_, &ObsLink::status_changed, this, [this](ObsLink::Status status) {
        sent_.clear();
        if (status == ObsLink::Status::connected) {
            queue([this] { discover_job(); });
        }
    });
}

ObsStage::~ObsStage() {
    // The link goes with this object and ends the jobs that wait on it; none starts another.
    ending_ = true;
}

namespace {

ObsStage::Target target_in(const SettingsFile& file) {
    return {file.value(QStringLiteral("obs"), QStringLiteral("address"), ObsStage::default_address),
            file.value(QStringLiteral("obs"), QStringLiteral("password"))};
}

} // namespace

ObsStage::Target ObsStage::target() const {
    return target_in(SettingsFile(settings_));
}

void ObsStage::start() {
    const SettingsFile file(settings_);
    if (!file.value(QStringLiteral("obs"), QStringLiteral("address")).isEmpty()) {
        const Target known = target_in(file);
        link_.connect_to(known.address, known.password);
    }
}

bool ObsStage::set_target(const Target& target, QString* error) {
    // The file reads itself again after each line is set, so one object sets both.
    SettingsFile file(settings_);
    if (!file.set_value(QStringLiteral("obs"), QStringLiteral("address"), target.address, error) ||
        !file.set_value(QStringLiteral("obs"), QStringLiteral("password"), target.password,
                        error)) {
        return false;
    }
    link_.connect_to(target.address, target.password);
    return true;
}

void ObsStage::queue_connected(std::function<void()> job) {
    if (link_.status() == ObsLink::Status::off && link_.address().isEmpty()) {
        const Target known = target();
        link_.connect_to(known.address, known.password);
    }
    link_.after_attempt([this, job = std::move(job)]() mutable { queue(std::move(job)); });
}

QString ObsStage::source_name(const GameInfo& game) {
    return QStringLiteral("Glimmerhall · ") + game.title;
}

QString ObsStage::part_name(const GameInfo& game, const NativePart& part) {
    return source_name(game) + QStringLiteral(" · ") + part.name;
}

QPoint ObsStage::place_of(int index) {
    return {40 + (index % 2) * 1200, 40 + (index / 2) * 440};
}

void ObsStage::queue(std::function<void()> job) {
    jobs_.push_back(std::move(job));
    if (!job_running_) {
        next_job();
    }
}

void ObsStage::next_job() {
    job_running_ = false;
    if (ending_ || jobs_.empty()) {
        return;
    }
    job_running_ = true;
    auto job = std::move(jobs_.front());
    jobs_.pop_front();
    job();
}

void ObsStage::run(const QString& action, const ActionArguments& arguments,
                   GameHost::Answer answer) {
    const QStringList games = arguments.has(QStringLiteral("game"))
                                  ? QStringList{arguments.text(QStringLiteral("game"))}
                                  : QStringList{};
    if (action == u"setup") {
        setup(games, arguments.text(QStringLiteral("scene")), std::move(answer));
    } else if (action == u"remove") {
        remove(games, std::move(answer));
    } else {
        status(std::move(answer));
    }
}

std::optional<QStringList> ObsStage::games_named(const QStringList& ids,
                                                 GameHost::Answer& answer) const {
    QStringList games = ids;
    if (games.isEmpty()) {
        for (const std::unique_ptr<GameModule>& module : games_.modules()) {
            games << module->info().id;
        }
    }
    for (const QString& id : games) {
        if (games_.module(id) == nullptr) {
            answer(Outcome::not_found(translated("ctl", "没有这个游戏：") + id));
            return std::nullopt;
        }
    }
    return games;
}

void ObsStage::setup(QStringList games, const QString& scene, GameHost::Answer answer) {
    if (const auto named = games_named(games, answer)) {
        queue_connected([this, games = *named, scene, answer = std::move(answer)] {
            setup_job(games, scene, answer);
        });
    }
}

void ObsStage::remove(QStringList games, GameHost::Answer answer) {
    if (const auto named = games_named(games, answer)) {
        queue_connected(
            [this, games = *named, answer = std::move(answer)] { remove_job(games, answer); });
    }
}

void ObsStage::status(GameHost::Answer answer) {
    queue_connected([this, answer = std::move(answer)] { status_job(answer); });
}

ObsJob ObsStage::setup_job(QStringList games, QString scene, GameHost::Answer answer) {
    const Turn turn{this};
    if (!link_.connected()) {
        answer(Outcome::refused(translated("obs", "没有连上 OBS：") + link_.problem()));
        co_return;
    }
    const ObsReply scenes = co_await link_.call(QStringLiteral("GetSceneList"));
    if (!scenes.ok) {
        answer(Outcome::refused(failure(scenes)));
        co_return;
    }
    QStringList scene_names;
    for (const QJsonValue& known : scenes.data.value(QStringLiteral("scenes")).toArray()) {
        scene_names << known.toObject().value(QStringLiteral("sceneName")).toString();
    }
    if (scene.isEmpty()) {
        scene = scenes.data.value(QStringLiteral("currentProgramSceneName")).toString();
    }
    if (!scene_names.contains(scene)) {
        answer(Outcome::refused(translated("obs", "OBS 里没有叫「%1」的场景").arg(scene)));
        co_return;
    }
    const bool browser = link_.input_kinds().contains(browser_kind);
    if (!browser && !write_pictures()) {
        answer(Outcome::refused(translated("obs", "写不了 OBS 要显示的图片：") + folder_));
        co_return;
    }
    QStringList said;
    bool all_done = true;
    for (const QString& id : games) {
        const int index = games_.index_of(id);
        const GameModule& module = *games_.module(id);
        const GameInfo& info = module.info();
        const QString name = source_name(info);
        const bool open = games_.session(id) != nullptr;
        const NativeOverlay* native = module.native_overlay();
        QString fault;
        // The source: made when missing, its settings brought up to date when there.
        const ObsReply existing =
            co_await link_.call(QStringLiteral("GetInputSettings"), input_data(name));
        const QString existing_kind = existing.data.value(QStringLiteral("inputKind")).toString();
        if (!browser && native == nullptr) {
            fault = translated("obs", "这个 OBS 没有浏览器源，而这个游戏没有别的画法");
        } else if (existing.ok && (!browser || existing_kind != browser_kind)) {
            // The host's own source of our name, or ours from an OBS that had browser sources.
            fault = translated("obs", "OBS 里已有一个叫「%1」的源，种类是 %2，程序没有动它；"
                                      "把它改名或删掉后再试")
                        .arg(name, existing_kind);
        } else if (browser && scene_names.contains(name)) {
            fault = translated("obs", "OBS 里已有一个叫「%1」的场景，程序没有动它；把它改名或删掉"
                                      "后再试")
                        .arg(name);
        } else if (!existing.ok && existing.code != not_found && !scene_names.contains(name)) {
            // OBS says "not an input" for our own scene.
            fault = failure(existing);
        } else if (browser) {
            const QString address = overlay_address_ ? overlay_address_(id) : QString();
            if (address.isEmpty()) {
                fault = translated("obs", "直播叠加没有开着，浏览器源没有地址可用");
            } else {
                const QJsonObject settings = browser_settings(address, info.overlay_size);
                // Never a co_await inside ?: : GCC 12 destroys its temporaries twice.
                ObsReply made;
                if (existing.ok) {
                    made = co_await link_.call(QStringLiteral("SetInputSettings"),
                                               settings_data(name, settings));
                } else {
                    made = co_await link_.call(
                        QStringLiteral("CreateInput"),
                        create_input_data(scene, name, browser_kind, settings, open));
                }
                if (!made.ok) {
                    fault = failure(made);
                } else if (!existing.ok) {
                    const int item = made.data.value(QStringLiteral("sceneItemId")).toInt();
                    co_await link_.call(QStringLiteral("SetSceneItemTransform"),
                                        position_data(scene, item, place_of(index)));
                }
            }
        } else {
            // The game's own scene, then each part in it.
            if (!scene_names.contains(name)) {
                const ObsReply made =
                    co_await link_.call(QStringLiteral("CreateScene"), scene_data(name));
                if (!made.ok && made.code != already_exists) {
                    fault = failure(made);
                }
            }
            const QHash<QString, QString> values = native->values(games_.state_of(id));
            for (qsizetype i = 0; fault.isEmpty() && i < native->parts.size(); ++i) {
                const NativePart& part = native->parts[i];
                const QString input = part_name(info, part);
                const QString value = values.value(part.name);
                const ObsReply there =
                    co_await link_.call(QStringLiteral("GetInputSettings"), input_data(input));
                const QString there_kind = there.data.value(QStringLiteral("inputKind")).toString();
                if (there.ok && there_kind != kind_of(part)) {
                    fault =
                        translated("obs", "OBS 里已有一个叫「%1」的源，种类是 %2，程序没有动它；"
                                          "把它改名或删掉后再试")
                            .arg(input, there_kind);
                    break;
                }
                if (!there.ok && there.code != not_found) {
                    fault = failure(there);
                    break;
                }
                if (there.ok) {
                    // Only the text or the picture: the look is the host's to change.
                    const ObsReply set =
                        co_await link_.call(QStringLiteral("SetInputSettings"),
                                            settings_data(input, part_settings(part, value)));
                    const ObsReply placed = co_await link_.call(QStringLiteral("GetSceneItemId"),
                                                                source_data(name, input));
                    if (set.ok && !placed.ok && placed.code == not_found) {
                        const ObsReply added = co_await link_.call(
                            QStringLiteral("CreateSceneItem"), source_data(name, input));
                        if (added.ok) {
                            co_await link_.call(
                                QStringLiteral("SetSceneItemTransform"),
                                position_data(
                                    name, added.data.value(QStringLiteral("sceneItemId")).toInt(),
                                    part.position));
                        }
                    }
                    if (!set.ok) {
                        fault = failure(set);
                    }
                } else {
                    const ObsReply made =
                        co_await link_.call(QStringLiteral("CreateInput"),
                                            create_input_data(name, input, kind_of(part),
                                                              first_settings(part, value), true));
                    if (!made.ok) {
                        fault = failure(made);
                        break;
                    }
                    co_await link_.call(
                        QStringLiteral("SetSceneItemTransform"),
                        position_data(name, made.data.value(QStringLiteral("sceneItemId")).toInt(),
                                      part.position));
                }
                sent_.insert(input, value);
            }
            // The game's scene in the host's, once.
            if (fault.isEmpty()) {
                const ObsReply placed =
                    co_await link_.call(QStringLiteral("GetSceneItemId"), source_data(scene, name));
                if (!placed.ok && placed.code == not_found) {
                    const ObsReply added = co_await link_.call(QStringLiteral("CreateSceneItem"),
                                                               source_data(scene, name, open));
                    if (!added.ok) {
                        fault = failure(added);
                    } else {
                        co_await link_.call(
                            QStringLiteral("SetSceneItemTransform"),
                            position_data(scene,
                                          added.data.value(QStringLiteral("sceneItemId")).toInt(),
                                          place_of(index)));
                    }
                } else if (!placed.ok) {
                    fault = failure(placed);
                }
            }
        }
        if (!fault.isEmpty()) {
            all_done = false;
            said << info.title + translated("obs", " 没有加入 OBS：") + fault;
            continue;
        }
        paths_.insert(id, browser ? Path::browser : Path::native);
        said << (browser
                     ? translated("obs",
                                  "%1 已作为浏览器源加入场景「%2」，因为这个 OBS 有浏览器源。")
                     : translated("obs", "%1 已用 OBS 自带的文字和图片源加入场景「%2」，因为这个 "
                                         "OBS 没有浏览器源（Debian 的 OBS 就是这样）；程序会随"
                                         "游戏更新这些文字和图片。"))
                    .arg(info.title, scene);
    }
    show_later();
    const QString text = said.join(u'\n');
    answer(all_done ? Outcome::ok(text.toUtf8()) : Outcome::refused(text));
}

ObsJob ObsStage::remove_job(QStringList games, GameHost::Answer answer) {
    const Turn turn{this};
    if (!link_.connected()) {
        answer(Outcome::refused(translated("obs", "没有连上 OBS：") + link_.problem()));
        co_return;
    }
    QStringList said;
    bool all_done = true;
    for (const QString& id : games) {
        const GameModule& module = *games_.module(id);
        const GameInfo& info = module.info();
        const QString name = source_name(info);
        QStringList faults;
        int removed = 0;
        const auto count = [&](const ObsReply& gone) {
            if (gone.ok) {
                ++removed;
            } else {
                faults << failure(gone);
            }
        };
        // Only what carries our name and is of the kind we make.
        QList<std::pair<QString, QString>> ours;
        ours.append(std::make_pair(name, browser_kind));
        if (const NativeOverlay* native = module.native_overlay()) {
            for (const NativePart& part : native->parts) {
                ours.append(std::make_pair(part_name(info, part), kind_of(part)));
            }
        }
        for (const auto& [input, kind] : ours) {
            const ObsReply there =
                co_await link_.call(QStringLiteral("GetInputSettings"), input_data(input));
            if (!there.ok || there.data.value(QStringLiteral("inputKind")).toString() != kind) {
                continue;
            }
            const ObsReply gone =
                co_await link_.call(QStringLiteral("RemoveInput"), input_data(input));
            count(gone);
        }
        // The game's scene goes once nothing of the host's is left in it.
        const ObsReply items =
            co_await link_.call(QStringLiteral("GetSceneItemList"), scene_data(name));
        if (items.ok) {
            // OBS may list a removed input's item a moment longer; only the host's count.
            qsizetype left = 0;
            for (const QJsonValue& item :
                 items.data.value(QStringLiteral("sceneItems")).toArray()) {
                const QString source =
                    item.toObject().value(QStringLiteral("sourceName")).toString();
                left += std::none_of(ours.cbegin(), ours.cend(),
                                     [&source](const auto& known) { return known.first == source; })
                            ? 1
                            : 0;
            }
            if (left == 0) {
                const ObsReply gone =
                    co_await link_.call(QStringLiteral("RemoveScene"), scene_data(name));
                count(gone);
            } else {
                faults << translated("obs", "场景「%1」里还有别的源，留下了它").arg(name);
            }
        }
        paths_.remove(id);
        if (!faults.isEmpty()) {
            all_done = false;
            said << info.title + translated("obs", "：") + faults.join(translated("obs", "；"));
        } else {
            said << (removed > 0 ? translated("obs", "%1 已从 OBS 拿走。")
                                 : translated("obs", "%1 不在 OBS 里。"))
                        .arg(info.title);
        }
    }
    const QString text = said.join(u'\n');
    answer(all_done ? Outcome::ok(text.toUtf8()) : Outcome::refused(text));
}

ObsJob ObsStage::status_job(GameHost::Answer answer) {
    const Turn turn{this};
    if (!link_.connected()) {
        answer(Outcome::refused(translated("obs", "没有连上 OBS（%1）：")
                                    .arg(link_.address().isEmpty() ? translated("obs", "没有设地址")
                                                                   : link_.address()) +
                                link_.problem()));
        co_return;
    }
    const ObsReply scene = co_await link_.call(QStringLiteral("GetCurrentProgramScene"));
    QStringList lines;
    lines << translated("obs", "已连上 OBS %1（%2）").arg(link_.obs_version(), link_.address());
    lines << translated("obs", "当前场景：%1")
                 .arg(scene.data.value(QStringLiteral("currentProgramSceneName")).toString());
    lines << (link_.input_kinds().contains(browser_kind)
                  ? translated("obs", "有浏览器源")
                  : translated("obs", "没有浏览器源，游戏用 OBS 自带的文字和图片源画出"));
    for (const std::unique_ptr<GameModule>& module : games_.modules()) {
        const Path known = path(module->info().id);
        lines << module->info().title + translated("obs", "：") +
                     (known == Path::browser  ? translated("obs", "浏览器源")
                      : known == Path::native ? translated("obs", "文字和图片源")
                                              : translated("obs", "未加入"));
    }
    answer(Outcome::ok(lines.join(u'\n').toUtf8()));
}

ObsJob ObsStage::discover_job() {
    const Turn turn{this};
    // What an earlier run of the program, or an earlier OBS, left there.
    const ObsReply scenes = co_await link_.call(QStringLiteral("GetSceneList"));
    if (!scenes.ok) {
        co_return;
    }
    QStringList scene_names;
    for (const QJsonValue& known : scenes.data.value(QStringLiteral("scenes")).toArray()) {
        scene_names << known.toObject().value(QStringLiteral("sceneName")).toString();
    }
    paths_.clear();
    for (const std::unique_ptr<GameModule>& module : games_.modules()) {
        const QString name = source_name(module->info());
        if (scene_names.contains(name) && module->native_overlay() != nullptr) {
            paths_.insert(module->info().id, Path::native);
            continue;
        }
        const ObsReply there =
            co_await link_.call(QStringLiteral("GetInputSettings"), input_data(name));
        if (there.ok && there.data.value(QStringLiteral("inputKind")).toString() == browser_kind) {
            paths_.insert(module->info().id, Path::browser);
        }
    }
    if (std::find(paths_.cbegin(), paths_.cend(), Path::native) != paths_.cend()) {
        write_pictures();
    }
    push_updates();
    show_later();
}

void ObsStage::show_later() {
    if (!visibility_queued_) {
        visibility_queued_ = true;
        queue([this] { visibility_job(); });
    }
}

ObsJob ObsStage::visibility_job() {
    const Turn turn{this};
    visibility_queued_ = false;
    if (!link_.connected() || paths_.isEmpty()) {
        co_return;
    }
    const ObsReply scenes = co_await link_.call(QStringLiteral("GetSceneList"));
    for (const QJsonValue& known : scenes.data.value(QStringLiteral("scenes")).toArray()) {
        const QString scene = known.toObject().value(QStringLiteral("sceneName")).toString();
        for (auto it = paths_.cbegin(); it != paths_.cend(); ++it) {
            const GameModule* module = games_.module(it.key());
            if (module == nullptr || scene == source_name(module->info())) {
                continue;
            }
            const ObsReply item = co_await link_.call(
                QStringLiteral("GetSceneItemId"), source_data(scene, source_name(module->info())));
            if (item.ok) {
                QJsonObject data =
                    item_data(scene, item.data.value(QStringLiteral("sceneItemId")).toInt());
                data.insert(QStringLiteral("sceneItemEnabled"),
                            games_.session(it.key()) != nullptr);
                co_await link_.call(QStringLiteral("SetSceneItemEnabled"), data);
            }
        }
    }
}

void ObsStage::update_later() {
    // A lone change goes out on the next turn of the event loop; changes after it wait for
    // the next round, so OBS gets at most updates_per_second rounds a second.
    if (!update_timer_.isActive() && link_.connected()) {
        const qint64 since = last_push_.isValid() ? last_push_.elapsed() : 1000;
        update_timer_.start(
            static_cast<int>(std::max<qint64>(0, 1000 / updates_per_second - since)));
    }
}

void ObsStage::push_updates() {
    if (!link_.connected()) {
        return;
    }
    last_push_.start();
    for (auto it = paths_.cbegin(); it != paths_.cend(); ++it) {
        const GameModule* module = games_.module(it.key());
        const NativeOverlay* native = module != nullptr ? module->native_overlay() : nullptr;
        if (it.value() != Path::native || native == nullptr) {
            continue;
        }
        const QHash<QString, QString> values = native->values(games_.state_of(it.key()));
        for (const NativePart& part : native->parts) {
            const QString input = part_name(module->info(), part);
            const QString value = values.value(part.name);
            const auto sent = sent_.constFind(input);
            if (sent != sent_.constEnd() && *sent == value) {
                continue;
            }
            sent_.insert(input, value);
            link_.request(QStringLiteral("SetInputSettings"),
                          settings_data(input, part_settings(part, value)),
                          [this, input](const ObsReply& reply) {
                              // Sent again with the next change.
                              if (!reply.ok) {
                                  sent_.remove(input);
                              }
                          });
        }
    }
}

QJsonObject ObsStage::part_settings(const NativePart& part, const QString& value) const {
    if (part.kind == NativePart::Kind::text) {
        return {{QStringLiteral("text"), value}};
    }
    return {{QStringLiteral("file"),
             value.isEmpty() ? QString() : folder_ + u'/' + value + QStringLiteral(".png")}};
}

QJsonObject ObsStage::first_settings(const NativePart& part, const QString& value) const {
    QJsonObject settings = part_settings(part, value);
    if (part.kind == NativePart::Kind::text) {
        // A start the host restyles in OBS as they like; OBS's colours are ABGR.
        const quint32 argb = part.color;
        const quint32 abgr = (argb & 0xff00ff00U) | ((argb & 0xffU) << 16) | ((argb >> 16) & 0xffU);
        settings.insert(QStringLiteral("font"),
                        QJsonObject{{QStringLiteral("face"), picture_face()},
                                    {QStringLiteral("style"), QStringLiteral("Bold")},
                                    {QStringLiteral("size"), part.font_size},
                                    {QStringLiteral("flags"), 1}});
        settings.insert(QStringLiteral("color1"), static_cast<double>(abgr));
        settings.insert(QStringLiteral("color2"), static_cast<double>(abgr));
        settings.insert(QStringLiteral("outline"), true);
        settings.insert(QStringLiteral("drop_shadow"), true);
    }
    return settings;
}

bool ObsStage::write_pictures() {
    if (!make_folder(folder_)) {
        return false;
    }
    for (const QString& name : picture_names()) {
        const QString path = folder_ + u'/' + name + QStringLiteral(".png");
        if (QFile::exists(path)) {
            continue;
        }
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        if (!draw_picture(name).save(&buffer, "PNG") || !write_file(path, png)) {
            return false;
        }
    }
    return true;
}

} // namespace glimmer
