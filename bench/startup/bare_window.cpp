// The yardstick for start-up: a bare Qt program that shows an empty 500 x 330 window and
// leaves at its first paint. With --stay it stays open, the yardstick for memory.

#include <QApplication>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

class EmptyWindow : public QWidget {
public:
    bool stay = false;

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        if (stay) {
            return;
        }
        std::fputs("painted\n", stdout);
        std::fflush(stdout);
        std::_Exit(0);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    EmptyWindow window;
    window.stay = QApplication::arguments().contains(QStringLiteral("--stay"));
    window.resize(500, 330);
    window.show();
    return QApplication::exec();
}
