// The page reader: loads one address in the browser engine, as a browser would (scripts
// run), and writes the visible text of each document it completes to its standard output as
// frames (see page_frames.h). The program starts it for the statistics page so that the
// engine never enters the program itself; it ends by itself when the load fails, when no
// document has come for a while, and at the latest after its lifetime.
//
//   glimmer_page_reader [--quiet-ms=N] [--lifetime-ms=N] ADDRESS

#include "runtime/page_frames.h"
#include "runtime/processes.h"

#include <QGuiApplication>
#include <QTimer>
#include <QUrl>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>

#include <cerrno>
#include <csignal>
#include <cstdlib>

#include <unistd.h>

namespace {

// Leaves at once: the engine's own shutdown waits for renderers that a hostile page may keep
// busy for ever. The processes it started go first, so none outlives the reader.
[[noreturn]] void end_reader(int code) {
    std::vector<pid_t> below = glimmer::process_tree_usage(getpid()).pids;
    if (!below.empty()) {
        below.erase(below.begin());
    }
    glimmer::kill_processes(below);
    std::_Exit(code);
}

void report(const QString& visible_text) {
    const QByteArray frame = glimmer::document_frame(visible_text);
    if (frame.size() - frame.indexOf('\n') - 1 > glimmer::max_document_bytes) {
        return; // more than the program takes: not a line it would show
    }
    qsizetype written = 0;
    while (written < frame.size()) {
        const ssize_t n = ::write(STDOUT_FILENO, frame.constData() + written,
                                  static_cast<size_t>(frame.size() - written));
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            end_reader(1); // the program is gone
        }
        written += n;
    }
}

int option_value(const QString& argument, const QString& name, int fallback) {
    bool ok = false;
    const int value = argument.sliced(name.size()).toInt(&ok);
    return ok && value > 0 ? value : fallback;
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    // Nothing is ever shown, so the reader needs no display and no graphics.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The engine refuses to start its sandbox as root, as a host running the program from a
    // root shell would; it then runs unsandboxed rather than not at all.
    if (geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX")) {
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    }
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QGuiApplication app(argc, argv);

    int quiet_ms = 30000;
    int lifetime_ms = 120000;
    QString address;
    const QString quiet_option = QStringLiteral("--quiet-ms=");
    const QString lifetime_option = QStringLiteral("--lifetime-ms=");
    for (const QString& argument : QCoreApplication::arguments().sliced(1)) {
        if (argument.startsWith(quiet_option)) {
            quiet_ms = option_value(argument, quiet_option, quiet_ms);
        } else if (argument.startsWith(lifetime_option)) {
            lifetime_ms = option_value(argument, lifetime_option, lifetime_ms);
        } else {
            address = argument;
        }
    }
    const QUrl url(address);
    if (!url.isValid() || (url.scheme() != u"http" && url.scheme() != u"https")) {
        return 2;
    }

    QTimer quiet;
    quiet.setSingleShot(true);
    quiet.setInterval(quiet_ms);
    QObject::connect(&quiet, &QTimer::timeout, [] { end_reader(0); });
    QTimer::singleShot(lifetime_ms, [] { end_reader(0); });

    // Off the record: nothing of the page is kept on disk.
    auto* profile = new QWebEngineProfile(&app);
    auto* page = new QWebEnginePage(profile, profile);
    QObject::connect(
        page, &QWebEnginePage::loadingChanged, [page, &quiet](const QWebEngineLoadingInfo& info) {
            if (info.status() == QWebEngineLoadingInfo::LoadStartedStatus ||
                info.status() == QWebEngineLoadingInfo::LoadStoppedStatus) {
                return;
            }
            const bool answered = info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
                                  info.errorDomain() == QWebEngineLoadingInfo::HttpStatusCodeDomain;
            if (!answered) {
                end_reader(0); // no server, no such host, refused: nothing will come
            }
            quiet.start();
            page->toPlainText([](const QString& text) { report(text); });
        });
    quiet.start();
    page->load(url);
    return QGuiApplication::exec();
}
