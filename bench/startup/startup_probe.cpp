// The program's own start-up sequence, ended at the catalogue's first paint: prints
// "painted" and leaves at once. Run by bench_startup.

#include "shell/app_state.h"
#include "shell/catalogue_window.h"
#include "shell/startup_window.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

namespace {

class FirstPaint : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && qobject_cast<glimmer::CatalogueWindow*>(watched)) {
            // Let the catalogue paint itself, then report.
            QCoreApplication::instance()->removeEventFilter(this);
            watched->event(event);
            std::fputs("painted\n", stdout);
            std::fflush(stdout);
            std::_Exit(0);
        }
        return false;
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    FirstPaint probe;
    app.installEventFilter(&probe);
    glimmer::AppState state;
    glimmer::start_program(state);
    return QApplication::exec();
}
