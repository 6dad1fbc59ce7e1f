// The overlay pages in a real browser: headless Chromium loads each page from the running
// program, and the text it renders once the page's script has run is checked, as is the
// transparency of what it draws.

#include "tests/support/overlay_fixture.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace glimmer;
using namespace glimmer::testing;

namespace {

QString chromium() {
    for (const char* name : {"chromium", "chromium-browser"}) {
        const QString found = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!found.isEmpty()) {
            return found;
        }
    }
    return {};
}

// Runs the browser on the address with the extra arguments while this program's event loop
// serves it; its standard output, empty when it failed.
QByteArray run_browser(const QString& address, const QStringList& extra) {
    QTemporaryDir profile;
    QProcess browser;
    browser.setProcessChannelMode(QProcess::SeparateChannels);
    QStringList arguments{"--headless",
                          "--no-sandbox",
                          "--disable-gpu",
                          "--disable-quic",
                          "--no-first-run",
                          "--disable-background-networking",
                          "--disable-component-update",
                          "--disable-sync",
                          "--disable-dev-shm-usage",
                          "--hide-scrollbars",
                          "--user-data-dir=" + profile.path(),
                          "--virtual-time-budget=5000"};
    arguments << extra << address;
    QSignalSpy finished(&browser, &QProcess::finished);
    browser.start(chromium(), arguments);
    if (!browser.waitForStarted(10000) || !finished.wait(90000)) {
        browser.kill();
        browser.waitForFinished(5000);
        return {};
    }
    return browser.exitCode() == 0 ? browser.readAllStandardOutput() : QByteArray();
}

} // namespace

class OverlayBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void pages_show_the_program_state_data();
    void pages_show_the_program_state();
    void pages_draw_on_a_transparent_background_data();
    void pages_draw_on_a_transparent_background();

private:
    std::unique_ptr<OverlayProgram> program_;
};

void OverlayBrowserTest::initTestCase() {
    // The browser is one of the project's packages: without it this test fails, never skips.
    QVERIFY2(!chromium().isEmpty(), "chromium not found; scripts/install-deps installs it");
    program_ = std::make_unique<OverlayProgram>();
    QVERIFY(program_->started());
    program_->set_tally_names(QStringLiteral("<b>阿星</b>"), QStringLiteral("小月&amp;"));
    program_->open(QStringLiteral("tally"));
    program_->add_to_tally(QStringLiteral("123456"), true);
    program_->add_to_tally(QStringLiteral("450"), false);
    program_->open(QStringLiteral("dice"));
    QVERIFY(program_->play_dice_turn());
    program_->open(QStringLiteral("minebox"));
    program_->bury_mines(QStringLiteral("6"), QStringLiteral("2"));
    program_->dig_box(1);
    program_->credit_box(2);
}

void OverlayBrowserTest::pages_show_the_program_state_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("absent");
    // Names go in as text: markup in them is shown, escaped, never parsed.
    const QString open = QStringLiteral("<div id=\"closed\" class=\"panel closed hidden\">");
    QTest::newRow("tally") << "/overlay/tally" << QStringList{open,
                                                              "&lt;b&gt;阿星&lt;/b&gt;",
                                                              "小月&amp;amp;",
                                                              "12.34万",
                                                              "450",
                                                              "▲领先",
                                                              "相差：12.3万"}
                           << QStringList{"<b>阿星</b>"};
    QTest::newRow("dice") << "/overlay/dice"
                          << QStringList{open, "胜利：1  失败：0", "胜利：0  失败：1", "上一局：",
                                         "<div class=\"shaking hidden\""}
                          << QStringList{};
    QTest::newRow("minebox") << "/overlay/minebox"
                             << QStringList{open, "请选箱子", "·二", "class=\"box closed\""}
                             << QStringList{};
    QTest::newRow("list") << "/overlay/"
                          << QStringList{"/overlay/tally",           "/overlay/dice",
                                         "/overlay/minebox",         "id=\"state_tally\">已打开",
                                         "id=\"state_dice\">已打开", "id=\"state_minebox\">已打开"}
                          << QStringList{};
}

void OverlayBrowserTest::pages_show_the_program_state() {
    QFETCH(QString, path);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, absent);
    const QString dom = QString::fromUtf8(run_browser(program_->base() + path, {"--dump-dom"}));
    QVERIFY2(!dom.isEmpty(), "the browser rendered nothing");
    for (const QString& text : shown) {
        QVERIFY2(dom.contains(text), qPrintable(text + QStringLiteral("\n") + dom));
    }
    for (const QString& text : absent) {
        QVERIFY2(!dom.contains(text), qPrintable(text + QStringLiteral("\n") + dom));
    }
}

void OverlayBrowserTest::pages_draw_on_a_transparent_background_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QSize>("size");
    QTest::newRow("tally") << "tally" << QSize(640, 260);
    QTest::newRow("dice") << "dice" << QSize(640, 300);
    QTest::newRow("minebox") << "minebox" << QSize(760, 520);
}

void OverlayBrowserTest::pages_draw_on_a_transparent_background() {
    QFETCH(QString, page);
    QFETCH(QSize, size);
    QTemporaryDir out;
    const QString file = out.filePath(page + QStringLiteral(".png"));
    run_browser(program_->base() + QStringLiteral("/overlay/") + page,
                {"--screenshot=" + file,
                 QStringLiteral("--window-size=%1,%2").arg(size.width()).arg(size.height()),
                 "--default-background-color=00000000"});
    const QImage shot(file);
    QVERIFY2(!shot.isNull(), "no screenshot");
    QVERIFY(shot.hasAlphaChannel());
    // The corner lies outside every panel and shows the video beneath; the page's middle
    // carries the overlay's text.
    QCOMPARE(qAlpha(shot.pixel(shot.width() - 1, shot.height() - 1)), 0);
    int opaque = 0;
    for (int y = 0; y < shot.height(); y += 2) {
        for (int x = 0; x < shot.width() / 2; x += 2) {
            opaque += qAlpha(shot.pixel(x, y)) > 200 ? 1 : 0;
        }
    }
    QVERIFY2(opaque > 200, qPrintable(QString::number(opaque)));
    // Kept for the README when asked for.
    const QString keep = qEnvironmentVariable("GLIMMER_OVERLAY_SCREENSHOTS");
    if (!keep.isEmpty()) {
        QDir().mkpath(keep);
        QFile::remove(keep + QStringLiteral("/") + page + QStringLiteral(".png"));
        QFile::copy(file, keep + QStringLiteral("/") + page + QStringLiteral(".png"));
    }
}

QTEST_MAIN(OverlayBrowserTest)
#include "tst_overlay_browser.moc"
