#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>

namespace glimmer::host {

// A line of [hotkeys] in settings.ini, "Ctrl+Alt+1 = tally add 1 520": the key, as X knows it,
// and the ctl request it sends.
struct Hotkey {
    std::uint32_t keysym = 0;
    std::uint16_t modifiers = 0; // X modifier masks
    QByteArray request;
};

// The usable lines of the section, in order; lines that name no key or no ctl command are
// left out, each with a reason in ignored (when given).
QList<Hotkey> read_hotkeys(const QString& settings_file, QStringList* ignored = nullptr);

// The keys grabbed on the X server, so that they act wherever the focus is. X11 only: under
// Wayland nothing may grab keys, and the desktop's own shortcuts run ctl instead.
class GlobalHotkeys : public QObject, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    using Run = std::function<void(const QByteArray& request)>;

    GlobalHotkeys(Run run, QObject* parent = nullptr);
    ~GlobalHotkeys() override;

    // Grabs each key; gives how many could be had (another program may hold one).
    int grab(const QList<Hotkey>& hotkeys);

    bool nativeEventFilter(const QByteArray& type, void* message, qintptr* result) override;

private:
    struct Grabbed {
        std::uint8_t keycode;
        std::uint16_t modifiers;
        QByteArray request;
    };

    Run run_;
    QList<Grabbed> grabbed_;
};

} // namespace glimmer::host
