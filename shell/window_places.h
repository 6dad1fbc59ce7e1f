#pragma once

#include <QList>
#include <QObject>
#include <QPoint>
#include <QRect>
#include <QString>

#include <optional>

class QWidget;

namespace glimmer {

// Where each game's window opens: where the host last left it (kept in settings.ini,
// [windows]), while that place is still on a screen; otherwise beside the catalogue and the
// windows already open, on the catalogue's screen, never exactly on top of one.
class WindowPlaces : public QObject {
public:
    WindowPlaces(QString settings_file, QObject* parent = nullptr);

    // Moves a game's window before it first shows, and keeps its place when it closes.
    // others are the windows of ours already open.
    void place(QWidget* window, const QString& id, const QWidget* catalogue,
               const QList<const QWidget*>& others);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString settings_file_;
};

// A kept place, "x,y", as the top-left of a window of this size, while a screen shows enough of
// it to take hold of: its title strip. None for a value that is no such place.
std::optional<QPoint> kept_place(const QString& value, const QSize& size,
                                 const QList<QRect>& screens);

} // namespace glimmer
