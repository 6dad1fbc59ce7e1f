// Renders the SVG sources under assets/src into the JPEG and PNG files the program loads.
// Run through `make assets` after editing a source; the rendered files are kept in the tree
// so that a build needs neither this tool nor the fonts it draws with.
//
// A source named *.png.svg becomes a PNG (pictures that need transparency), any other
// *.svg a JPEG.

#include <QDirIterator>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <QTextStream>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        QTextStream(stderr) << "usage: render_assets SOURCE_DIR OUTPUT_DIR\n";
        return 2;
    }
    const QDir sources(QFileInfo(QString::fromLocal8Bit(argv[1])).absoluteFilePath());
    const QDir output(QFileInfo(QString::fromLocal8Bit(argv[2])).absoluteFilePath());
    int failures = 0;
    QDirIterator it(sources.absolutePath(), {QStringLiteral("*.svg")}, QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        QString target = output.filePath(sources.relativeFilePath(source));
        target.chop(4);
        const bool png = target.endsWith(QLatin1String(".png"));
        if (!png) {
            target += QLatin1String(".jpg");
        }
        QSvgRenderer renderer(source);
        if (!renderer.isValid()) {
            QTextStream(stderr) << "cannot read " << source << "\n";
            ++failures;
            continue;
        }
        QImage image(renderer.defaultSize(), png ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        image.fill(png ? Qt::transparent : Qt::white);
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        renderer.render(&painter);
        painter.end();
        QDir().mkpath(QFileInfo(target).absolutePath());
        if (!image.save(target, nullptr, png ? -1 : 92)) {
            QTextStream(stderr) << "cannot write " << target << "\n";
            ++failures;
            continue;
        }
        QTextStream(stdout) << target << "\n";
    }
    return failures == 0 ? 0 : 1;
}
