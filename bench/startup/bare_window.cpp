// The yardsticks for start-up and memory: a bare Qt program that shows a 500 x 330 window and
// leaves at its first paint. With --chinese it draws one line of Chinese, and so loads the
// same CJK fonts as the catalogue: the fair yardstick. With --stay it stays open, for memory.

#include <QApplication>
#include <QPainter>
#include <QWidget>

#include <cstdio>
#include <cstdlib>

namespace {

class BareWindow : public QWidget {
public:
    bool stay = false;
    bool chinese = false;

protected:
    void paintEvent(QPaintEvent* event) override {
        QWidget::paintEvent(event);
        if (chinese) {
            QPainter painter(this);
            painter.drawText(rect(), Qt::AlignCenter,
                             QStringLiteral("统计：今用户：[5] 今次数：[9]"));
        }
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
    BareWindow window;
    const QStringList arguments = QApplication::arguments();
    window.stay = arguments.contains(QStringLiteral("--stay"));
    window.chinese = arguments.contains(QStringLiteral("--chinese"));
    window.resize(500, 330);
    window.show();
    return QApplication::exec();
}
