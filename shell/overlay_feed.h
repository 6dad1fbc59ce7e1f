#pragma once

#include "game_windows.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <array>

namespace glimmer {

// The three games' state for the overlays. It follows each open game window through the
// window's state_changed() and keeps the JSON the overlay server hands out, with a revision
// that grows with every change of what the windows show. The state lives here, never in a page.
class OverlayFeed : public QObject {
    Q_OBJECT
public:
    explicit OverlayFeed(QObject* parent = nullptr);

    // Follows a newly opened game window until it is destroyed; null is ignored.
    void watch(Game game, QWidget* window);

    quint64 revision() const { return revision_; }
    const QByteArray& state_json() const { return json_; }

signals:
    void changed(const QByteArray& state_json);

private:
    void refresh(Game game);

    std::array<QPointer<QWidget>, game_count> windows_;
    std::array<QJsonObject, game_count> parts_;
    quint64 revision_ = 0;
    QByteArray json_;
};

} // namespace glimmer
