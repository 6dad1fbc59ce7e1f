#include "hostcore/program_run.h"

#include "hostcore/global_hotkeys.h"
#include "hostcore/portal_shortcuts.h"
#include "runtime/logging.h"
#include "runtime/processes.h"
#include "runtime/translation.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/control_server.h"
#include "shell/game_host.h"
#include "shell/startup_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTimer>

#include <memory>

#include <unistd.h>

namespace glimmer::host {

std::vector<std::string> game_ids(const GameModules& games) {
    std::vector<std::string> ids;
    for (const std::unique_ptr<GameModule>& game : games) {
        ids.push_back(game->info().id.toStdString());
    }
    return ids;
}

namespace {

constexpr std::chrono::seconds serve_at_the_latest{2};

QString hotkey_lines(const QList<Hotkey>& keys) {
    QStringList lines;
    for (const Hotkey& key : keys) {
        lines << key.key_text + QStringLiteral(" = ") + key.command;
    }
    return lines.join(u'\n');
}

// The keys of [hotkeys] (or the default ones), wherever the focus is: grabbed on X11, asked
// of the desktop's portal under Wayland. What came of it is for the catalogue's menu.
void start_global_hotkeys(CatalogueWindow& catalogue, const QString& settings_file) {
    QStringList ignored;
    GameHost& games = catalogue.games();
    const QList<Hotkey> keys = read_hotkeys(settings_file, games.modules(), &ignored);
    for (const QString& line_ignored : ignored) {
        qCWarning(log_config) << line_ignored;
    }
    // A key may run a service's command too ("remote on"); nobody waits for its answer.
    const auto run = [&games](const QByteArray& request) {
        games.run_json_later(request, [](const QByteArray&) {});
    };
    const QString platform = QGuiApplication::platformName();
    if (keys.isEmpty() && (platform == u"xcb" || platform.startsWith(u"wayland"))) {
        catalogue.set_hotkey_summary(
            translated("hotkeys", "设置文件的 [hotkeys] 一节里没有可用的全局快捷键：%1")
                .arg(settings_file));
        return;
    }
    if (platform == u"xcb") {
        auto* hotkeys = new GlobalHotkeys(run, &catalogue);
        const int grabbed = hotkeys->grab(keys);
        QString summary =
            translated("hotkeys", "%1 个全局快捷键在任何窗口有焦点时都能用（设置文件 %2 的 "
                                  "[hotkeys] 一节）：\n%3")
                .arg(grabbed)
                .arg(settings_file, hotkey_lines(keys));
        if (!hotkeys->held_elsewhere().isEmpty()) {
            const QString held = translated("hotkeys", "这些快捷键被其他程序占用，没有启用：\n") +
                                 hotkeys->held_elsewhere().join(u'\n');
            summary += QStringLiteral("\n\n") + held;
            // Once, at start: the host would otherwise find out on air.
            show_notice(held, translated("hotkeys", "全局快捷键"), &catalogue);
        }
        catalogue.set_hotkey_summary(summary);
    } else if (platform.startsWith(u"wayland")) {
        catalogue.set_hotkey_summary(translated("hotkeys", "正在向桌面登记全局快捷键…"));
        auto* portal = new PortalShortcuts(QDBusConnection::sessionBus(), run, &catalogue);
        QObject::connect(
            portal, &PortalShortcuts::bound, &catalogue, [&catalogue, keys](int count) {
                catalogue.set_hotkey_summary(
                    QStringLiteral(
                        "桌面登记了 %1 个全局快捷键；按键以桌面的快捷键设置为准，可在那里更改。"
                        "程序提议的按键：\n%2")
                        .arg(count)
                        .arg(hotkey_lines(keys)));
            });
        QObject::connect(portal, &PortalShortcuts::unavailable, &catalogue,
                         [&catalogue](const QString& reason) {
                             catalogue.set_hotkey_summary(
                                 no_global_hotkeys_text(reason, catalogue.games().modules()));
                         });
        portal->bind(keys);
    }
}

} // namespace

void run_program(QObject* application_filter, const CommandLine& line, int start_lock) {
    // The command line is the program's own, read before; Qt only needs a name to show for
    // the process.
    static int argc = 1;
    static char name[] = "glimmerhall";
    static char* argv[] = {name, nullptr};

    raise_file_limit();

    // No shared OpenGL context (Qt::AA_ShareOpenGLContexts): the browser engine runs in a
    // process of its own, and creating one costs the catalogue's first paint more than the
    // rest of the start-up together on an X display.
    QApplication app(argc, argv);
    startup_step("application object made");
    // The program's life follows the catalogue alone, not the last window on screen.
    QApplication::setQuitOnLastWindowClosed(false);
    // Without the translations Qt's English buttons still work; nothing to tell the host.
    load_qt_chinese();
    load_program_translation(); // now for tr() as well
    startup_step("Qt's translations loaded");
    if (application_filter != nullptr) {
        app.installEventFilter(application_filter);
    }

    HostSettings settings = default_host_settings();
    settings.overlay_port = line.overlay_port;
    AppState state(std::move(settings));
    startup_step("settings read");
    StartupWindow* startup = start_program(state);
    startup_step("catalogue made and shown");
    // A copy started beside the running one leaves the socket to it: ctl then always means
    // the first program, whatever else is open.
    CatalogueWindow* catalogue = startup->catalogue();
    if (line.new_instance && catalogue != nullptr) {
        // A copy beside the running one: stepped aside, so that neither hides the other.
        catalogue->move(catalogue->pos() + QPoint(40, 40));
    }
    if (!line.new_instance && catalogue != nullptr) {
        // Neither is needed to draw the catalogue, and the key grabs alone cost more than a
        // fifth of the start: both follow the first paint. A start meanwhile waits on the
        // lock, not in vain. A catalogue the display never exposes must not leave ctl and the
        // keys without an owner, hence the timer.
        const auto serve = [catalogue, start_lock, &state, served = std::make_shared<bool>()] {
            if (*served) {
                return;
            }
            *served = true;
            serve_control(catalogue->games(), catalogue);
            if (start_lock >= 0) {
                ::close(start_lock); // a start waiting for it now finds this program
            }
            startup_step("after the first paint: control socket");
            start_global_hotkeys(*catalogue, state.host.settings_file);
            startup_step("after the first paint: global hotkeys");
        };
        QObject::connect(catalogue, &CatalogueWindow::first_painted, catalogue, serve);
        QTimer::singleShot(serve_at_the_latest, catalogue, serve);
    }
    QApplication::exec();
    end_program();
}

} // namespace glimmer::host
