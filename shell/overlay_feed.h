#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPointer>

namespace glimmer {

class GameWindow;

// Every registered game's state for the overlays. It follows each open game window through
// the window's state_changed() and keeps the JSON the overlay server hands out, with a
// revision that grows with every change of what the windows show. The state lives here,
// never in a page.
class OverlayFeed : public QObject {
    Q_OBJECT
public:
    explicit OverlayFeed(QObject* parent = nullptr);

    // Follows a newly opened window of the registry's game at index until it is destroyed;
    // null is ignored.
    void watch(int game, GameWindow* window);

    quint64 revision() const { return revision_; }
    const QByteArray& state_json() const { return json_; }

signals:
    void changed(const QByteArray& state_json);

private:
    void refresh(int game);

    // Held as plain objects: a window is no longer a GameWindow by the time it says it is
    // destroyed.
    QList<QPointer<QObject>> windows_;
    QList<QJsonObject> parts_;
    quint64 revision_ = 0;
    QByteArray json_;
};

} // namespace glimmer
