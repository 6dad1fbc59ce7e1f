#pragma once

#include <QHash>
#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QTimer>

#include <coroutine>
#include <functional>

namespace glimmer {

class WebSocketClientInterface;

// What OBS said to one request; code 0 when it said nothing (the connection ended, or no answer
// came in time), with the reason in comment.
struct ObsReply {
    bool ok = false;
    int code = 0;
    QString comment;
    QJsonObject data;
};

// obs-websocket 5's answer to an Identify: base64(sha256(base64(sha256(password + salt)) +
// challenge)).
QString obs_authentication(const QString& password, const QString& salt, const QString& challenge);

// The program's connection to OBS's WebSocket server (obs-websocket 5, in every OBS since 28):
// it connects while it has an address, identifies with the password, asks for no events, and
// connects again by itself when OBS goes away and comes back. Nothing waits on it: requests
// are answered through callbacks (or co_await), each within a few seconds or with a failure.
class ObsLink : public QObject {
    Q_OBJECT
public:
    enum class Status {
        off,            // no address
        connecting,     // trying, or waiting to try again
        connected,      // identified: requests go through
        wrong_password, // OBS refused the password; tried again only when it changes
    };

    explicit ObsLink(QObject* parent = nullptr);
    ~ObsLink() override;

    // Connects to address ("ws://127.0.0.1:4455") with the password, dropping any connection
    // there was; an empty address turns the link off.
    void connect_to(const QString& address, const QString& password);
    void disconnect_now();

    Status status() const { return status_; }
    bool connected() const { return status_ == Status::connected; }
    const QString& address() const { return address_; }
    // Known once connected.
    const QString& obs_version() const { return obs_version_; }
    const QStringList& input_kinds() const { return input_kinds_; }
    // Why the last attempt failed, in the host's words; empty while connected.
    const QString& problem() const { return problem_; }

    // Calls then (never from inside this call) once the link is connected, or the attempt
    // under way has failed, or at once when none is under way.
    void after_attempt(std::function<void()> then);

    // One request; done is called exactly once, unless the link is destroyed first.
    void request(const QString& type, const QJsonObject& data,
                 std::function<void(const ObsReply&)> done);

    // co_await link.call(...) in an ObsJob: the reply, as request() gives it. Should the link
    // be destroyed meanwhile, the job is ended where it waits, its locals destroyed.
    struct Call {
        ObsLink* link;
        QString type;
        QJsonObject data;
        ObsReply reply;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> waiting);
        ObsReply await_resume() { return std::move(reply); }
    };
    Call call(const QString& type, const QJsonObject& data = {}) { return {this, type, data, {}}; }

    // How long a request may wait for its answer.
    static constexpr int answer_wait_ms = 4000;

signals:
    void status_changed(glimmer::ObsLink::Status status);

private:
    void open_socket();
    void closed(int code, const QString& reason);
    void received(const QString& text);
    void identify(const QJsonObject& hello);
    void send(int op, const QJsonObject& data);
    void set_status(Status status);
    void send_request(const QString& type, const QJsonObject& data,
                      std::function<void(const ObsReply*)> done);
    void fail_pending(const QString& reason);
    void retry_later();
    void attempt_ended();

    WebSocketClientInterface* socket_ = nullptr;
    QString address_;
    QString password_;
    Status status_ = Status::off;
    bool identified_ = false;
    QString problem_;
    QString obs_version_;
    QStringList input_kinds_;
    // A request's callback; called with null when the link is destroyed.
    QHash<QString, std::function<void(const ObsReply*)>> pending_;
    quint64 next_id_ = 0;
    QList<std::function<void()>> after_attempt_;
    QTimer retry_;
    QTimer connect_wait_;
    int retry_delay_ms_ = 0;
};

// A job that talks to OBS as a coroutine: started at once, its frame freed when it ends. It
// answers whoever asked through callbacks of its own, never by return.
struct ObsJob {
    struct promise_type {
        ObsJob get_return_object() noexcept { return {}; }
        std::suspend_never initial_suspend() noexcept { return {}; }
        std::suspend_never final_suspend() noexcept { return {}; }
        void return_void() noexcept {}
        void unhandled_exception() noexcept { std::terminate(); }
    };
};

} // namespace glimmer
