#include "fake_obs.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QWebSocket>
#include <QWebSocketServer>

#include <algorithm>
#include <array>
#include <cmath>

namespace glimmer::testing {

namespace {

using Status = std::pair<int, QString>;

const QStringList kRequests =
    QStringLiteral("GetVersion GetInputKindList GetSceneList GetCurrentProgramScene CreateScene "
                   "RemoveScene GetInputList CreateInput RemoveInput GetInputSettings "
                   "SetInputSettings GetSceneItemList GetSceneItemId CreateSceneItem "
                   "RemoveSceneItem SetSceneItemEnabled GetSceneItemEnabled "
                   "SetSceneItemTransform GetSceneItemTransform")
        .split(u' ');

// A message that breaks the protocol ends the connection with this code and reason.
struct Closing {
    int code;
    const char* reason;
};

void close_unless(bool condition, int code, const char* reason) {
    if (!condition) {
        throw Closing{code, reason};
    }
}

// A request that cannot be carried out ends with the status OBS would answer.
void require(bool condition, int code, const QString& comment) {
    if (!condition) {
        throw Status{code, comment};
    }
}

QString unversioned(QString kind) {
    return kind.remove(QRegularExpression("_v\\d+$"));
}

QString random_base64() {
    std::array<quint32, 8> words{};
    QRandomGenerator::global()->fillRange(words.data(), words.size());
    return QString::fromLatin1(
        QByteArray(reinterpret_cast<const char*>(words.data()), sizeof(words)).toBase64());
}

void send(QWebSocket* socket, int op, const QJsonObject& data) {
    const QJsonObject message{{"op", op}, {"d", data}};
    socket->sendTextMessage(
        QString::fromUtf8(QJsonDocument(message).toJson(QJsonDocument::Compact)));
}

template <typename Named> QStringList names_of(const QList<Named>& list) {
    QStringList names;
    for (const Named& each : list) {
        names.append(each.name);
    }
    return names;
}

void merge(QJsonObject& into, const QJsonObject& from) {
    for (auto it = from.begin(); it != from.end(); ++it) {
        into[it.key()] = it.value();
    }
}

// Reads request fields as obs-websocket checks them: a missing one is 300, a wrong type 400.
class Fields {
public:
    explicit Fields(const QJsonObject& data) : data_(data) {}
    QString text(const char* key) { return take(key, QJsonValue::String, true).toString(); }
    std::optional<QString> optional_text(const char* key) {
        const QJsonValue value = take(key, QJsonValue::String, false);
        return value.isString() ? std::optional(value.toString()) : std::nullopt;
    }
    bool flag(const char* key, bool fallback, bool required = false) {
        return take(key, QJsonValue::Bool, required).toBool(fallback);
    }
    QJsonObject object(const char* key, bool required) {
        return take(key, QJsonValue::Object, required).toObject();
    }
    int item_id() {
        const double id = take("sceneItemId", QJsonValue::Double, true).toDouble();
        require(id >= 0 && id < 1e9 && id == std::floor(id), 400, "`sceneItemId` is not an id.");
        return int(id);
    }

private:
    QJsonValue take(const char* key, QJsonValue::Type type, bool required) {
        const QJsonValue value = data_.value(QLatin1String(key));
        const bool absent = value.isUndefined() || value.isNull();
        require(!absent || !required, 300, QStringLiteral("The `%1` field is missing.").arg(key));
        require(absent || value.type() == type, 400,
                QStringLiteral("The `%1` field has the wrong type.").arg(key));
        return value;
    }

    const QJsonObject& data_;
};

} // namespace

FakeObs::FakeObs(Options options, QObject* parent)
    : QObject(parent), options_(std::move(options)),
      server_(new QWebSocketServer(QStringLiteral("obs-websocket"), QWebSocketServer::NonSecureMode,
                                   this)) {
    add_scene(QStringLiteral("场景"));
    connect(server_, &QWebSocketServer::newConnection, this, [this] { accept_connections(); });
}

FakeObs::~FakeObs() {
    // The sockets go before the model does, and must not report their end to it.
    for (QWebSocket* socket : findChildren<QWebSocket*>(Qt::FindDirectChildrenOnly)) {
        socket->disconnect(this);
        delete socket;
    }
}

bool FakeObs::listen(quint16 port) {
    return server_->listen(QHostAddress::LocalHost, port);
}
quint16 FakeObs::port() const {
    return server_->serverPort();
}
QString FakeObs::address() const {
    return QStringLiteral("ws://127.0.0.1:%1").arg(port());
}

void FakeObs::drop_clients() {
    for (QWebSocket* socket : clients_.keys()) {
        hang_up(socket, 1001, QStringLiteral("Server stopping."));
    }
}

void FakeObs::stop() {
    drop_clients();
    server_->close();
}

int FakeObs::identified_clients() const {
    return int(std::count_if(clients_.begin(), clients_.end(),
                             [](const Client& client) { return client.identified; }));
}

QStringList FakeObs::scenes() const {
    return names_of(scenes_);
}

std::optional<FakeObs::Input> FakeObs::input(const QString& name) const {
    const auto it = std::find_if(inputs_.begin(), inputs_.end(),
                                 [&](const Input& input) { return input.name == name; });
    return it == inputs_.end() ? std::nullopt : std::optional(*it);
}

QStringList FakeObs::input_names() const {
    return names_of(inputs_);
}

QList<FakeObs::Item> FakeObs::items(const QString& scene) const {
    const Scene* found = find_scene(scene);
    return found ? found->items : QList<Item>();
}

void FakeObs::add_scene(const QString& name) {
    if (!name_taken(name)) {
        scenes_.append(Scene{name, {}, 1});
        current_scene_ = current_scene_.isEmpty() ? name : current_scene_;
    }
}

void FakeObs::remove_scene(const QString& name) {
    scenes_.removeIf([&](const Scene& scene) { return scene.name == name; });
    forget_source(name);
    if (current_scene_ == name) { // OBS always shows some scene while there is one
        current_scene_ = scenes_.isEmpty() ? QString() : scenes_.first().name;
    }
}

void FakeObs::add_input(const QString& scene, const QString& name, const QString& kind,
                        QJsonObject settings) {
    if (name_taken(name)) {
        return;
    }
    inputs_.append(Input{name, kind, std::move(settings)});
    if (Scene* found = find_scene(scene)) {
        add_item(*found, name, true);
    }
}

void FakeObs::set_settings(const QString& name, const QJsonObject& settings) {
    for (Input& input : inputs_) {
        if (input.name == name) {
            input.settings = settings;
        }
    }
}

void FakeObs::flood_events(int count) {
    const QJsonObject event{{"eventType", "InputVolumeMeters"},
                            {"eventIntent", 1 << 16},
                            {"eventData", QJsonObject{{"inputs", QJsonArray()}}}};
    for (auto it = clients_.begin(); it != clients_.end(); ++it) {
        for (int i = 0; it->identified && i < count; ++i) {
            send(it.key(), 5, event);
        }
    }
}

void FakeObs::accept_connections() {
    while (QWebSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        const Client client{false, random_base64(), random_base64()};
        clients_.insert(socket, client);
        connect(socket, &QWebSocket::textMessageReceived, this,
                [this, socket](const QString& text) { receive(socket, text); });
        connect(socket, &QWebSocket::binaryMessageReceived, this, [this, socket] {
            hang_up(socket, 4002, QStringLiteral("Binary messages are not understood."));
        });
        connect(socket, &QWebSocket::disconnected, this, [this, socket] {
            clients_.remove(socket);
            socket->deleteLater();
        });
        QJsonObject hello{{"obsWebSocketVersion", "5.1.0"}, {"rpcVersion", 1}};
        if (!options_.password.isEmpty()) {
            hello["authentication"] =
                QJsonObject{{"challenge", client.challenge}, {"salt", client.salt}};
        }
        send(socket, 0, hello);
    }
}

void FakeObs::hang_up(QWebSocket* socket, int code, const QString& reason) {
    if (clients_.remove(socket) == 0) {
        return; // already hung up on
    }
    socket->close(static_cast<QWebSocketProtocol::CloseCode>(code), reason);
}

void FakeObs::receive(QWebSocket* socket, const QString& text) {
    const auto client = clients_.find(socket);
    if (client == clients_.end()) {
        return; // what a client sends after being hung up on goes unread
    }
    try {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
        close_unless(error.error == QJsonParseError::NoError && document.isObject(), 4002,
                     "The message is not a JSON object.");
        const QJsonValue op = document.object().value("op");
        const QJsonValue data = document.object().value("d");
        close_unless(!op.isUndefined() && !data.isUndefined(), 4003, "`op` or `d` is missing.");
        close_unless(op.isDouble() && data.isObject(), 4004, "`op` or `d` has the wrong type.");
        const int code = op.toInt(-1);
        close_unless(client->identified || code == 1, 4007, "You must identify first.");
        close_unless(code == 1 || code == 3 || code == 6, 4006, "Unknown OpCode.");
        if (code == 1) {
            identify(socket, *client, data.toObject());
        } else if (code == 3) {
            send(socket, 2, QJsonObject{{"negotiatedRpcVersion", 1}});
        } else {
            request(socket, data.toObject());
        }
    } catch (const Closing& closing) {
        hang_up(socket, closing.code, QString::fromUtf8(closing.reason));
    }
}

void FakeObs::identify(QWebSocket* socket, Client& client, const QJsonObject& data) {
    const QJsonValue rpc_version = data.value("rpcVersion");
    const QJsonValue events = data.value("eventSubscriptions");
    close_unless(!client.identified, 4008, "You are already identified.");
    close_unless(!rpc_version.isUndefined(), 4003, "`rpcVersion` is missing.");
    close_unless(rpc_version.isDouble() && (events.isUndefined() || events.isDouble()), 4004,
                 "A field of your Identify has the wrong type.");
    close_unless(rpc_version.toInt(-1) == 1, 4010, "Only rpcVersion 1 is supported.");
    if (!options_.password.isEmpty()) {
        const auto sha256 = [](const QByteArray& bytes) {
            return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256).toBase64();
        };
        const QByteArray secret = sha256((options_.password + client.salt).toUtf8());
        const QByteArray expected = sha256(secret + client.challenge.toUtf8());
        const QJsonValue given = data.value("authentication");
        close_unless(given.isString() && given.toString().toUtf8() == expected, 4009,
                     "Authentication failed.");
    }
    client.identified = true;
    send(socket, 2, QJsonObject{{"negotiatedRpcVersion", 1}});
}

void FakeObs::request(QWebSocket* socket, const QJsonObject& data) {
    close_unless(data.contains("requestType") && data.contains("requestId"), 4003,
                 "`requestType` or `requestId` is missing.");
    close_unless(data.value("requestType").isString(), 4004, "`requestType` is not a string.");
    const QString type = data.value("requestType").toString();
    const QJsonObject request_data = data.value("requestData").toObject(); // none unless an object
    request_log_.append(type);
    const QPointer<QWebSocket> alive(socket);
    emit request_received(type, request_data);
    if (!alive || !clients_.contains(socket)) {
        return; // a slot hung up on it
    }
    if (drops_.value(type) > 0) {
        if (--drops_[type] == 0) {
            drops_.remove(type);
        }
        return hang_up(socket, 1001, QStringLiteral("Server stopping."));
    }
    QJsonObject out;
    Status status{100, {}};
    if (const auto failure = failures_.find(type); failure != failures_.end()) {
        status = failure->takeFirst(); // the model stays as it was
        if (failure->isEmpty()) {
            failures_.erase(failure);
        }
    } else {
        try {
            answer(type, request_data, out);
        } catch (const Status& refusal) {
            status = refusal;
        }
    }
    QJsonObject request_status{{"result", status.first == 100}, {"code", status.first}};
    QJsonObject response{{"requestType", type}, {"requestId", data.value("requestId")}};
    if (status.first != 100) {
        request_status["comment"] = status.second;
    } else if (!out.isEmpty()) {
        response["responseData"] = out;
    }
    response["requestStatus"] = request_status;
    send(socket, 7, response);
}

void FakeObs::answer(const QString& type, const QJsonObject& data, QJsonObject& out) {
    static const QString no_scene = QStringLiteral("No scene was found by that name.");
    static const QString no_item = QStringLiteral("No scene item was found by that id.");
    Fields fields(data);
    if (type == u"GetVersion") {
        out = {{"obsVersion", options_.obs_version},
               {"obsWebSocketVersion", "5.1.0"},
               {"rpcVersion", 1},
               {"availableRequests", QJsonArray::fromStringList(kRequests)},
               {"platform", "linux"}};
    } else if (type == u"GetInputKindList") {
        QStringList kinds = input_kinds();
        if (fields.flag("unversioned", false)) {
            std::transform(kinds.begin(), kinds.end(), kinds.begin(), unversioned);
        }
        out["inputKinds"] = QJsonArray::fromStringList(kinds);
    } else if (type == u"GetSceneList") {
        QJsonArray list;
        for (int i = 0; i < scenes_.size(); ++i) { // OBS lists the last made first
            list.prepend(QJsonObject{{"sceneName", scenes_[i].name}, {"sceneIndex", i}});
        }
        out = {{"currentProgramSceneName", current_scene_},
               {"currentPreviewSceneName", QJsonValue()},
               {"scenes", list}};
    } else if (type == u"GetCurrentProgramScene") {
        out = {{"currentProgramSceneName", current_scene_}, {"sceneName", current_scene_}};
    } else if (type == u"CreateScene") {
        const QString name = fields.text("sceneName");
        require(!name_taken(name), 601, QStringLiteral("A source already has that name."));
        add_scene(name);
    } else if (type == u"RemoveScene") {
        const QString name = fields.text("sceneName");
        require(find_scene(name), 600, no_scene);
        remove_scene(name);
    } else if (type == u"GetInputList") {
        const std::optional<QString> kind = fields.optional_text("inputKind");
        QJsonArray list;
        for (const Input& input : inputs_) {
            if (!kind || input.kind == *kind) {
                list.append(QJsonObject{{"inputName", input.name},
                                        {"inputKind", input.kind},
                                        {"unversionedInputKind", unversioned(input.kind)}});
            }
        }
        out["inputs"] = list;
    } else if (type == u"CreateInput") {
        const QString scene = fields.text("sceneName");
        const QString name = fields.text("inputName");
        const QString kind = fields.text("inputKind");
        const QJsonObject settings = fields.object("inputSettings", false);
        const bool enabled = fields.flag("sceneItemEnabled", true);
        require(find_scene(scene), 600, no_scene);
        require(!name_taken(name), 601, QStringLiteral("A source already has that name."));
        require(input_kinds().contains(kind), 605, QStringLiteral("Unknown input kind."));
        inputs_.append(Input{name, kind, settings});
        out["sceneItemId"] = add_item(*find_scene(scene), name, enabled);
    } else if (type == u"RemoveInput" || type == u"GetInputSettings" ||
               type == u"SetInputSettings") {
        const QString name = fields.text("inputName");
        const bool set = type == u"SetInputSettings";
        const QJsonObject settings = set ? fields.object("inputSettings", true) : QJsonObject();
        const bool overlay = set && fields.flag("overlay", true);
        const auto input = std::find_if(inputs_.begin(), inputs_.end(),
                                        [&](const Input& each) { return each.name == name; });
        require(input != inputs_.end(), 600, QStringLiteral("No input was found by that name."));
        if (type == u"RemoveInput") {
            inputs_.erase(input);
            forget_source(name);
        } else if (overlay) {
            merge(input->settings, settings);
        } else if (set) {
            input->settings = settings;
        } else {
            out = {{"inputSettings", input->settings}, {"inputKind", input->kind}};
        }
    } else if (type == u"GetSceneItemList") {
        const Scene* scene = find_scene(fields.text("sceneName"));
        require(scene, 600, no_scene);
        QJsonArray list;
        for (int i = 0; i < scene->items.size(); ++i) {
            const Item& item = scene->items[i];
            const std::optional<Input> source = input(item.source);
            list.append(QJsonObject{
                {"sceneItemId", item.id},
                {"sourceName", item.source},
                {"sceneItemEnabled", item.enabled},
                {"sceneItemIndex", i},
                {"sourceType", source ? "OBS_SOURCE_TYPE_INPUT" : "OBS_SOURCE_TYPE_SCENE"},
                {"inputKind", source ? QJsonValue(source->kind) : QJsonValue()},
                {"isGroup", false}});
        }
        out["sceneItems"] = list;
    } else if (type == u"GetSceneItemId" || type == u"CreateSceneItem") {
        const QString name = fields.text("sceneName");
        const QString source = fields.text("sourceName");
        const bool enabled = type == u"CreateSceneItem" && fields.flag("sceneItemEnabled", true);
        Scene* scene = find_scene(name);
        require(scene, 600, no_scene);
        if (type == u"GetSceneItemId") {
            const auto item = std::find_if(scene->items.begin(), scene->items.end(),
                                           [&](const Item& each) { return each.source == source; });
            require(item != scene->items.end(), 600, QStringLiteral("The scene does not show it."));
            out["sceneItemId"] = item->id;
        } else {
            require(input(source) || find_scene(source), 600, QStringLiteral("No such source."));
            require(source != name, 400, QStringLiteral("A scene cannot be shown in itself."));
            out["sceneItemId"] = add_item(*scene, source, enabled);
        }
    } else if (type == u"RemoveSceneItem" || type == u"SetSceneItemEnabled" ||
               type == u"GetSceneItemEnabled" || type == u"SetSceneItemTransform" ||
               type == u"GetSceneItemTransform") {
        Scene* scene = find_scene(fields.text("sceneName"));
        const int id = fields.item_id();
        const bool enabled =
            type == u"SetSceneItemEnabled" && fields.flag("sceneItemEnabled", false, true);
        const QJsonObject transform = type == u"SetSceneItemTransform"
                                          ? fields.object("sceneItemTransform", true)
                                          : QJsonObject();
        require(scene, 600, no_scene);
        const auto item = std::find_if(scene->items.begin(), scene->items.end(),
                                       [&](const Item& each) { return each.id == id; });
        require(item != scene->items.end(), 600, no_item);
        if (type == u"RemoveSceneItem") {
            scene->items.erase(item);
        } else if (type == u"SetSceneItemEnabled") {
            item->enabled = enabled;
        } else if (type == u"GetSceneItemEnabled") {
            out["sceneItemEnabled"] = item->enabled;
        } else if (type == u"SetSceneItemTransform") {
            merge(item->transform, transform);
        } else {
            out["sceneItemTransform"] = item->transform;
        }
    } else {
        throw Status{204, QStringLiteral("Your request type is not valid.")};
    }
}

FakeObs::Scene* FakeObs::find_scene(const QString& name) {
    const auto it = std::find_if(scenes_.begin(), scenes_.end(),
                                 [&](const Scene& scene) { return scene.name == name; });
    return it == scenes_.end() ? nullptr : &*it;
}

const FakeObs::Scene* FakeObs::find_scene(const QString& name) const {
    return const_cast<FakeObs*>(this)->find_scene(name);
}

void FakeObs::forget_source(const QString& name) {
    for (Scene& scene : scenes_) {
        scene.items.removeIf([&](const Item& item) { return item.source == name; });
    }
}

bool FakeObs::name_taken(const QString& name) const {
    return find_scene(name) || input(name).has_value();
}

QStringList FakeObs::input_kinds() const {
    const QStringList kinds{"image_source", "color_source_v3", "text_ft2_source_v2",
                            "browser_source"};
    return options_.browser_source ? kinds : kinds.first(3);
}

int FakeObs::add_item(Scene& scene, const QString& source, bool enabled) {
    static const QJsonObject transform{{"positionX", 0}, {"positionY", 0}, {"rotation", 0},
                                       {"scaleX", 1},    {"scaleY", 1},    {"alignment", 5}};
    scene.items.append(Item{scene.next_item_id, source, enabled, transform});
    return scene.next_item_id++;
}

} // namespace glimmer::testing
