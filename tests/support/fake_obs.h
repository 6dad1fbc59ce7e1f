#pragma once

#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>

class QWebSocket;
class QWebSocketServer;

namespace glimmer::testing {

// Stands in for OBS Studio's obs-websocket 5 server (rpcVersion 1, JSON over text frames) on
// 127.0.0.1. It keeps a small model of OBS (scenes, inputs, scene items) that the requests act
// on, so a test can look at what the program built, and it can be told to fail or hang up.
class FakeObs : public QObject {
    Q_OBJECT
public:
    struct Options {
        QString password = QStringLiteral("secret"); // empty: no authentication asked
        bool browser_source = true; // whether GetInputKindList lists "browser_source"
        QString obs_version = QStringLiteral("30.1.2");
    };
    explicit FakeObs(Options options, QObject* parent = nullptr);
    ~FakeObs() override;

    bool listen(quint16 port = 0); // on 127.0.0.1
    quint16 port() const;
    QString address() const; // "ws://127.0.0.1:<port>"
    // Closes every connection as OBS does when it quits (code 1001); the server keeps listening.
    void drop_clients();
    void stop(); // drop clients and stop listening
    int identified_clients() const;

    // The model. At start: one scene "场景" which is the current program scene, no inputs.
    struct Input {
        QString name;
        QString kind;
        QJsonObject settings;
    };
    struct Item {
        int id;
        QString source;
        bool enabled;
        QJsonObject transform;
    };
    QStringList scenes() const; // in the order they were made
    QString current_scene() const { return current_scene_; }
    std::optional<Input> input(const QString& name) const;
    QStringList input_names() const;
    QList<Item> items(const QString& scene) const; // empty for no such scene

    // Arranges the host's own things directly, not through the protocol. A name already taken
    // by a scene or an input is left as it is.
    void add_scene(const QString& name);
    void remove_scene(const QString& name); // and every item showing it
    // Also shows the input in the scene, when there is such a scene.
    void add_input(const QString& scene, const QString& name, const QString& kind,
                   QJsonObject settings = {});
    // As the host's edits in OBS's own windows: no request, no event.
    void set_settings(const QString& name, const QJsonObject& settings);

    // Faults. Each scripted fault is used up by one request of its type; several queue up.
    void fail_next(const QString& request_type, int code, const QString& comment) {
        failures_[request_type].append({code, comment});
    }
    // Hangs up (code 1001) instead of answering the next request of that type.
    void drop_on(const QString& request_type) { ++drops_[request_type]; }
    // Sends count InputVolumeMeters events to every identified client, whatever it subscribed to.
    void flood_events(int count);
    int request_count(const QString& request_type) const {
        return int(request_log_.count(request_type));
    }
    // The requestType of every request received, in order.
    QList<QString> request_log() const { return request_log_; }

signals:
    // Before the request is answered, so that a connected slot may still script its answer.
    void request_received(const QString& request_type, const QJsonObject& request_data);

private:
    struct Scene {
        QString name;
        QList<Item> items;
        int next_item_id = 1;
    };
    struct Client {
        bool identified = false;
        QString salt;
        QString challenge;
    };
    using Status = std::pair<int, QString>; // request status code and comment

    void accept_connections();
    void receive(QWebSocket* socket, const QString& text);
    void identify(QWebSocket* socket, Client& client, const QJsonObject& data);
    void request(QWebSocket* socket, const QJsonObject& data);
    // Carries out a request and fills in its response data; throws the Status of a refusal.
    void answer(const QString& type, const QJsonObject& data, QJsonObject& out);
    void hang_up(QWebSocket* socket, int code, const QString& reason);
    Scene* find_scene(const QString& name);
    const Scene* find_scene(const QString& name) const;
    void forget_source(const QString& name);    // removes the items showing it
    bool name_taken(const QString& name) const; // by a scene or an input, as OBS shares names
    QStringList input_kinds() const;
    static int add_item(Scene& scene, const QString& source, bool enabled);

    Options options_;
    QWebSocketServer* server_;
    QHash<QWebSocket*, Client> clients_; // those not yet hung up on
    QList<Scene> scenes_;
    QList<Input> inputs_;
    QString current_scene_;
    QHash<QString, QList<Status>> failures_;
    QHash<QString, int> drops_;
    QStringList request_log_;
};

} // namespace glimmer::testing
