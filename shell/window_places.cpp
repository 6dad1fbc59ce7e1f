#include "window_places.h"

#include "runtime/logging.h"
#include "runtime/settings_file.h"
#include "runtime/windows.h"

#include <QEvent>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QWidget>

namespace glimmer {

namespace {

const QString section = QStringLiteral("windows");
const char* const id_property = "glimmer_place_id";

} // namespace

std::optional<QPoint> kept_place(const QString& value, const QSize& size,
                                 const QList<QRect>& screens) {
    static const QRegularExpression form(QStringLiteral("^(-?[0-9]{1,6}),(-?[0-9]{1,6})$"));
    const QRegularExpressionMatch match = form.match(value.trimmed());
    if (!match.hasMatch()) {
        return std::nullopt;
    }
    const QPoint at(match.captured(1).toInt(), match.captured(2).toInt());
    // The strip along the top that a window is moved by: enough of it must be on a screen.
    const QRect strip(at, QSize(size.width(), 24));
    for (const QRect& screen : screens) {
        const QRect shown = screen.intersected(strip);
        if (shown.width() >= std::min(size.width(), 80) && shown.height() >= 12) {
            return at;
        }
    }
    return std::nullopt;
}

WindowPlaces::WindowPlaces(QString settings_file, QObject* parent)
    : QObject(parent), settings_file_(std::move(settings_file)) {}

void WindowPlaces::place(QWidget* window, const QString& id, const QWidget* catalogue,
                         const QList<const QWidget*>& others) {
    if (window == nullptr) {
        return;
    }
    window->setProperty(id_property, id);
    window->installEventFilter(this);
    QList<QRect> screens;
    for (const QScreen* screen : QGuiApplication::screens()) {
        screens << screen->availableGeometry();
    }
    const SettingsFile settings(settings_file_);
    if (const std::optional<QPoint> kept =
            kept_place(settings.value(section, id), window->size(), screens)) {
        window->move(*kept);
        return;
    }
    if (catalogue == nullptr || catalogue->screen() == nullptr) {
        return;
    }
    QList<QRect> taken{catalogue->frameGeometry()};
    for (const QWidget* other : others) {
        taken << other->frameGeometry();
    }
    window->move(place_beside(catalogue->frameGeometry(), window->size(), taken,
                              catalogue->screen()->availableGeometry()));
}

bool WindowPlaces::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Close) {
        auto* window = static_cast<QWidget*>(watched);
        const QString id = window->property(id_property).toString();
        if (settings_file_.isEmpty()) {
            return false;
        }
        const QPoint at = window->pos();
        QString error;
        SettingsFile settings(settings_file_);
        const QString value = QStringLiteral("%1,%2").arg(at.x()).arg(at.y());
        if (!id.isEmpty() && settings.value(section, id) != value &&
            !settings.set_value(section, id, value, &error)) {
            // Not worth a box: the window opens beside the catalogue next time instead.
            qCWarning(log_config) << "where the window was is not kept:" << error;
        }
    }
    return false;
}

} // namespace glimmer
