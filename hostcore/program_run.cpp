#include "hostcore/program_run.h"
#include "shell/game_registry.h"

#include "hostcore/global_hotkeys.h"
#include "runtime/logging.h"
#include "runtime/processes.h"
#include "runtime/windows.h"
#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/control_server.h"
#include "shell/game_control.h"
#include "shell/startup_window.h"

#include <QApplication>
#include <QGuiApplication>

#include <unistd.h>

namespace glimmer::host {

std::vector<std::string> registered_game_ids() {
    std::vector<std::string> ids;
    for (const GameDescriptor& game : game_registry()) {
        ids.push_back(game.id.toStdString());
    }
    return ids;
}

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
    // The program's life follows the catalogue alone, not the last window on screen.
    QApplication::setQuitOnLastWindowClosed(false);
    // Without the translations Qt's English buttons still work; nothing to tell the host.
    load_qt_chinese();
    if (application_filter != nullptr) {
        app.installEventFilter(application_filter);
    }

    HostSettings settings = default_host_settings();
    settings.overlay_port = line.overlay_port;
    AppState state(std::move(settings));
    StartupWindow* startup = start_program(state);
    // A copy started beside the running one leaves the socket to it: ctl then always means
    // the first program, whatever else is open.
    CatalogueWindow* catalogue = startup->catalogue();
    if (!line.new_instance && catalogue != nullptr) {
        serve_control(*catalogue);
        if (start_lock >= 0) {
            ::close(start_lock); // a start waiting for it now finds this program
        }
        if (QGuiApplication::platformName() == u"xcb") {
            QStringList ignored;
            const QList<Hotkey> keys = read_hotkeys(state.host.settings_file, &ignored);
            for (const QString& line_ignored : ignored) {
                qCWarning(log_config) << line_ignored;
            }
            if (!keys.isEmpty()) {
                auto* hotkeys = new GlobalHotkeys(
                    [catalogue](const QByteArray& request) {
                        run_control_json(*catalogue, request);
                    },
                    catalogue);
                hotkeys->grab(keys);
            }
        }
    }
    QApplication::exec();
    end_program();
}

} // namespace glimmer::host
