// The overlay pages in a real browser: one headless Chromium, driven over its DevTools
// WebSocket, loads each page from the running program; the document it renders once the
// page's script has run is checked, as is the transparency of what it draws.

#include "shell/overlay_feed.h"
#include "tests/support/overlay_fixture.h"

#include <QDir>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QUrlQuery>
#include <QWebSocket>

#include <algorithm>

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

// Starting the browser costs seconds; loading a page in it costs milliseconds. So one
// browser serves every page, through one tab it is told to open.
class Browser {
public:
    ~Browser() {
        if (browser_.state() != QProcess::NotRunning) {
            (void)call(QStringLiteral("Browser.close"), {}, false);
            if (!browser_.waitForFinished(5000)) {
                browser_.kill();
                browser_.waitForFinished(5000);
            }
        }
    }

    // Empty on success, else what went wrong.
    QString start() {
        if (!profile_.isValid()) {
            return QStringLiteral("no profile folder");
        }
        browser_.setProcessChannelMode(QProcess::SeparateChannels);
        browser_.start(
            chromium(),
            {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--disable-dev-shm-usage", "--hide-scrollbars", "--remote-debugging-address=127.0.0.1",
             "--remote-debugging-port=0", "--user-data-dir=" + profile_.path(), "about:blank"});
        if (!browser_.waitForStarted(10000)) {
            return QStringLiteral("the browser did not start");
        }
        // It names its DevTools address on standard error once it listens.
        static const QRegularExpression listening(
            QStringLiteral("DevTools listening on (ws://\\S+)"));
        QByteArray said;
        QRegularExpressionMatch found;
        const bool heard = QTest::qWaitFor(
            [&] {
                said += browser_.readAllStandardError();
                found = listening.match(QString::fromUtf8(said));
                return found.hasMatch() || browser_.state() == QProcess::NotRunning;
            },
            60000);
        if (!heard || !found.hasMatch()) {
            return QStringLiteral("no DevTools address: ") + QString::fromUtf8(said);
        }
        QObject::connect(&socket_, &QWebSocket::textMessageReceived, [this](const QString& text) {
            const QJsonObject message = QJsonDocument::fromJson(text.toUtf8()).object();
            if (message.contains(QStringLiteral("id"))) {
                replies_.insert(message.value(QStringLiteral("id")).toInt(), message);
            }
        });
        socket_.open(QUrl(found.captured(1)));
        if (!QTest::qWaitFor([this] { return socket_.state() == QAbstractSocket::ConnectedState; },
                             10000)) {
            return QStringLiteral("no DevTools connection: ") + socket_.errorString();
        }
        const QString tab =
            call(QStringLiteral("Target.createTarget"), {{"url", "about:blank"}}, false)
                .value(QStringLiteral("targetId"))
                .toString();
        session_ = call(QStringLiteral("Target.attachToTarget"),
                        {{"targetId", tab}, {"flatten", true}}, false)
                       .value(QStringLiteral("sessionId"))
                       .toString();
        if (session_.isEmpty()) {
            return QStringLiteral("no tab to drive");
        }
        // What the page leaves undrawn stays see-through, as in OBS.
        call(QStringLiteral("Emulation.setDefaultBackgroundColorOverride"),
             {{"color", QJsonObject{{"r", 0}, {"g", 0}, {"b", 0}, {"a", 0}}}});
        return {};
    }

    // Loads the address at that viewport size and waits until its document holds every text
    // in `ready`; the document as it then stands, empty when it never did.
    QString load(const QString& address, QSize size, const QStringList& ready) {
        call(QStringLiteral("Emulation.setDeviceMetricsOverride"), {{"width", size.width()},
                                                                    {"height", size.height()},
                                                                    {"deviceScaleFactor", 1},
                                                                    {"mobile", false}});
        call(QStringLiteral("Page.navigate"), {{"url", address}});
        QString dom;
        const bool shown = QTest::qWaitFor(
            [&] {
                const QJsonArray seen =
                    evaluate(QStringLiteral("[document.URL, document.documentElement.outerHTML]"))
                        .toArray();
                if (seen.at(0).toString() != address) {
                    return false; // still the page before
                }
                dom = seen.at(1).toString();
                return std::all_of(ready.begin(), ready.end(),
                                   [&](const QString& text) { return dom.contains(text); });
            },
            15000);
        return shown ? dom : QString();
    }

    QImage screenshot() {
        const QByteArray png = QByteArray::fromBase64(
            call(QStringLiteral("Page.captureScreenshot"), {{"format", "png"}})
                .value(QStringLiteral("data"))
                .toString()
                .toLatin1());
        return QImage::fromData(png, "PNG");
    }

private:
    QJsonValue evaluate(const QString& expression) {
        return call(QStringLiteral("Runtime.evaluate"),
                    {{"expression", expression}, {"returnByValue", true}})
            .value(QStringLiteral("result"))
            .toObject()
            .value(QStringLiteral("value"));
    }

    // One DevTools command, in the tab unless told otherwise; its result, empty on an error
    // or no answer.
    QJsonObject call(const QString& method, const QJsonObject& params, bool in_tab = true) {
        const int id = next_id_++;
        QJsonObject message{{"id", id}, {"method", method}, {"params", params}};
        if (in_tab) {
            message.insert(QStringLiteral("sessionId"), session_);
        }
        socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson()));
        if (!QTest::qWaitFor([&] { return replies_.contains(id); }, 30000)) {
            return {};
        }
        const QJsonObject reply = replies_.take(id);
        if (reply.contains(QStringLiteral("error"))) {
            qWarning("%s: %s", qPrintable(method),
                     QJsonDocument(reply.value(QStringLiteral("error")).toObject())
                         .toJson(QJsonDocument::Compact)
                         .constData());
        }
        return reply.value(QStringLiteral("result")).toObject();
    }

    QTemporaryDir profile_;
    QProcess browser_;
    QWebSocket socket_;
    QString session_;
    int next_id_ = 1;
    QHash<int, QJsonObject> replies_;
};

// The panel that says a game is not open, as the page hides it once the state has come.
const QString open_marker = QStringLiteral("<div id=\"closed\" class=\"panel closed hidden\">");

} // namespace

class OverlayBrowserTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void pages_show_the_program_state_data();
    void pages_show_the_program_state();
    void pages_draw_on_a_transparent_background_data();
    void pages_draw_on_a_transparent_background();
    void verify_page_agrees_with_the_verify_command_data();
    void verify_page_agrees_with_the_verify_command();

private:
    std::unique_ptr<OverlayProgram> program_;
    std::unique_ptr<Browser> browser_;
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
    browser_ = std::make_unique<Browser>();
    const QString failure = browser_->start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void OverlayBrowserTest::cleanupTestCase() {
    browser_.reset();
    program_.reset();
}

void OverlayBrowserTest::pages_show_the_program_state_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("absent");
    // Names go in as text: markup in them is shown, escaped, never parsed.
    QTest::newRow("tally") << "/overlay/tally"
                           << QStringList{open_marker,     "&lt;b&gt;阿星&lt;/b&gt;",
                                          "小月&amp;amp;", "12.34万",
                                          "450",           "▲领先",
                                          "相差：12.3万"}
                           << QStringList{"<b>阿星</b>"};
    QTest::newRow("dice") << "/overlay/dice"
                          << QStringList{open_marker, "胜利：1  失败：0", "胜利：0  失败：1",
                                         "上一局：", "<div class=\"shaking hidden\""}
                          << QStringList{};
    QTest::newRow("minebox") << "/overlay/minebox"
                             << QStringList{open_marker, "请选箱子", "·二", "class=\"box closed\""}
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
    const QString dom = browser_->load(program_->base() + path, QSize(800, 600), shown);
    QVERIFY2(!dom.isEmpty(), qPrintable("the page never showed all of: " + shown.join(" | ")));
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
    QVERIFY(
        !browser_->load(program_->base() + QStringLiteral("/overlay/") + page, size, {open_marker})
             .isEmpty());
    // The text is in the document before the page has painted it (fonts, the fade-in), so
    // shots are taken until the overlay shows.
    QImage shot;
    int opaque = 0;
    (void)QTest::qWaitFor(
        [&] {
            shot = browser_->screenshot();
            opaque = 0;
            for (int y = 0; y < shot.height(); y += 2) {
                for (int x = 0; x < shot.width() / 2; x += 2) {
                    opaque += qAlpha(shot.pixel(x, y)) > 200 ? 1 : 0;
                }
            }
            return opaque > 200;
        },
        10000);
    QVERIFY2(!shot.isNull(), "no screenshot");
    QCOMPARE(shot.size(), size);
    QVERIFY(shot.hasAlphaChannel());
    // The corner lies outside every panel and shows the video beneath; the page's middle
    // carries the overlay's text.
    QCOMPARE(qAlpha(shot.pixel(shot.width() - 1, shot.height() - 1)), 0);
    QVERIFY2(opaque > 200, qPrintable(QString::number(opaque)));
    // Kept for the README when asked for.
    const QString keep = qEnvironmentVariable("GLIMMER_OVERLAY_SCREENSHOTS");
    if (!keep.isEmpty()) {
        QDir().mkpath(keep);
        QVERIFY(shot.save(keep + QStringLiteral("/") + page + QStringLiteral(".png")));
    }
}

namespace {

// The fields of a check, as the verify page's address and the command line both take them.
using Fields = QList<std::pair<QString, QString>>;

QString verify_address(const Fields& fields) {
    QString address = QStringLiteral("/overlay/verify");
    QChar separator = u'?';
    for (const auto& [name, value] : fields) {
        address += separator + name + u'=' + QString::fromLatin1(QUrl::toPercentEncoding(value));
        separator = u'&';
    }
    return address;
}

// "glimmerhall verify": its exit status and its outcome lines (from "faces", "winner" or
// "mine-boxes" on).
std::pair<int, QStringList> run_verify(const Fields& fields) {
    QString game;
    QString seed;
    QString phrase;
    QStringList options;
    for (const auto& [name, value] : fields) {
        if (name == u"game") {
            game = value;
        } else if (name == u"seed") {
            seed = value;
        } else if (name == u"phrase") {
            phrase = value;
        } else if (!value.isEmpty() || name == u"mine-boxes") {
            options << QStringLiteral("--") + name << value;
        }
    }
    QProcess process;
    process.start(QStringLiteral(LAUNCHER),
                  QStringList{"verify", game, seed} + options + QStringList{"--", phrase});
    if (!process.waitForFinished(60000)) {
        return {-1, {}};
    }
    QStringList outcome;
    for (const QString& line : QString::fromUtf8(process.readAllStandardOutput()).split(u'\n')) {
        for (const char* key : {"faces ", "winner ", "mine-boxes "}) {
            if (line.startsWith(QLatin1String(key))) {
                outcome << QString::fromLatin1(key).trimmed() + u' ' +
                               line.mid(qsizetype(qstrlen(key))).trimmed().section(u' ', 0, 0);
            }
        }
    }
    return {process.exitCode(), outcome};
}

} // namespace

void OverlayBrowserTest::verify_page_agrees_with_the_verify_command_data() {
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QStringList>("outcome"); // known, or empty to take the command's
    QTest::addColumn<bool>("checks");

    // The turn the running program played, as its overlays published it.
    const QJsonObject state =
        QJsonDocument::fromJson(program_->catalogue()->overlay_feed()->state_json()).object();
    const QJsonObject turn = state["dice"]["revealed"].toObject();
    QVERIFY2(!turn.isEmpty(), "no revealed turn");
    const QUrlQuery link(QUrl(turn["verify"].toString()).query(QUrl::FullyDecoded));
    Fields published;
    for (const char* name :
         {"game", "seed", "phrase", "round", "commitment", "throws", "winner", "faces"}) {
        published.append({QString::fromLatin1(name),
                          link.queryItemValue(QString::fromLatin1(name), QUrl::FullyDecoded)});
    }
    QCOMPARE(published[1].second, turn["seed"].toString());
    QTest::newRow("the turn the program played") << published << QStringList() << true;
    Fields changed_seed = published;
    changed_seed[1].second[5] = changed_seed[1].second[5] == u'0' ? u'1' : u'0';
    QTest::newRow("its seed changed") << changed_seed << QStringList() << false;
    Fields other_winner = published;
    other_winner[6].second = other_winner[6].second == u"left" ? "right" : "left";
    QTest::newRow("its winner changed") << other_winner << QStringList() << false;

    // Known answers, the same as the C++ rules' own.
    const QString counting = QStringLiteral("000102030405060708090a0b0c0d0e0f"
                                            "101112131415161718191a1b1c1d1e1f");
    QTest::newRow("dice known answer")
        << Fields{{"game", "dice"}, {"seed", counting}, {"phrase", "a|b 1+1=2"},
                  {"round", "7"},   {"throws", "188"},  {"faces", "3-6"}}
        << QStringList{"faces 3-6", "winner right"} << true;
    QTest::newRow("dice known answer, chinese phrase")
        << Fields{{"game", "dice"}, {"seed", counting}, {"phrase", "主播加油"},
                  {"round", "1"},   {"throws", "1"},    {"winner", "left"}}
        << QStringList{"faces 4-3", "winner left"} << true;
    QTest::newRow("minebox known answer") << Fields{{"game", "minebox"},
                                                    {"seed", counting},
                                                    {"phrase", ""},
                                                    {"round", "3"},
                                                    {"boxes", "30"},
                                                    {"mines", "7"},
                                                    {"mine-boxes", "8,12,14,15,17,20,27"}}
                                          << QStringList{"mine-boxes 8,12,14,15,17,20,27"} << true;
    QTest::newRow("minebox known answer, phrase changed")
        << Fields{{"game", "minebox"},
                  {"seed", counting},
                  {"phrase", "x"},
                  {"round", "3"},
                  {"boxes", "30"},
                  {"mines", "7"},
                  {"mine-boxes", "8,12,14,15,17,20,27"}}
        << QStringList() << false;
}

void OverlayBrowserTest::verify_page_agrees_with_the_verify_command() {
    QFETCH(Fields, fields);
    QFETCH(QStringList, outcome);
    QFETCH(bool, checks);
    const auto [exit_code, command_outcome] = run_verify(fields);
    QCOMPARE(exit_code, checks ? 0 : 1);
    if (!outcome.isEmpty()) {
        QCOMPARE(command_outcome, outcome);
    }
    QVERIFY(!command_outcome.isEmpty());

    const QString dom = browser_->load(program_->base() + verify_address(fields), QSize(800, 900),
                                       {"data-checked=\"yes\""});
    QVERIFY2(!dom.isEmpty(), "the verify page never finished its check");
    QVERIFY2(dom.contains(checks ? QStringLiteral("data-state=\"ok\"")
                                 : QStringLiteral("data-state=\"mismatch\"")),
             qPrintable(dom.right(1500)));
    for (const QString& line : command_outcome) {
        QVERIFY2(dom.contains(line), qPrintable(line + QStringLiteral("\n") + dom.right(1500)));
    }
}

QTEST_MAIN(OverlayBrowserTest)
#include "tst_overlay_browser.moc"
