// The overlay pages in a real browser: one headless Chromium, driven over its DevTools
// WebSocket, loads each page from the running program; the document it renders once the
// page's script has run is checked, as is the transparency of what it draws.

#include "shell/game_host.h"
#include "tests/support/overlay_fixture.h"

#include "runtime/overlay_server.h"
#include "shell/overlay_state.h"

#include <QColor>
#include <QDir>
#include <QEventLoop>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
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
        browser_.start(chromium(),
                       {"--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                        "--no-first-run", "--disable-background-networking",
                        "--disable-component-update", "--disable-sync", "--disable-dev-shm-usage",
                        "--hide-scrollbars",
                        // The browser's own address bar pops up as a web page of its own, started
                        // with the browser and kept in step with every load: seconds of processor a
                        // test never looks at.
                        "--disable-features=WebUIOmniboxPopup,WebUIOmniboxAimPopup,OmniboxAimPopup",
                        "--remote-debugging-address=127.0.0.1", "--remote-debugging-port=0",
                        "--user-data-dir=" + profile_.path(),
                        // The tab is the one it is told to open; none of its own.
                        "--no-startup-window"});
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
            } else if (message.value(QStringLiteral("method")) ==
                       QStringLiteral("Runtime.executionContextCreated")) {
                // Each frame's own page: where its scripts and globals live.
                const QJsonObject context = message["params"]["context"].toObject();
                if (context["auxData"]["isDefault"].toBool()) {
                    contexts_.insert(context["auxData"]["frameId"].toString(),
                                     context["id"].toInt());
                }
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

    // Shows the address at that viewport size and waits until its document holds every text
    // in `ready` and, unless -1, has taken that revision of the state; the document as it
    // then stands, empty when it never did. A page already showing the address is not loaded
    // again: it follows new states as an overlay in OBS does, its viewport resized when asked.
    QString load(const QString& address, QSize size, const QStringList& ready, int revision = -1) {
        // Most loads keep the size of the one before; a change re-lays the old page out.
        if (size != size_) {
            call(QStringLiteral("Emulation.setDeviceMetricsOverride"), {{"width", size.width()},
                                                                        {"height", size.height()},
                                                                        {"deviceScaleFactor", 1},
                                                                        {"mobile", false}});
            size_ = size;
        }
        if (shown_ != address) {
            call(QStringLiteral("Page.navigate"), {{"url", address}});
            shown_ = address;
        }
        // The page itself waits, and answers as soon as all is in, or at once while it is
        // still the page before.
        const QString wait_in_page =
            QStringLiteral(R"js((([address, ready, revision]) => new Promise((done) => {
                const until = performance.now() + 1000;
                const look = () => {
                    const dom = document.documentElement.outerHTML;
                    if (document.URL !== address) return done(["", ""]);
                    if (ready.every((text) => dom.includes(text)) &&
                        (revision < 0 || overlay.shown_revision === revision))
                        return done([address, dom]);
                    if (performance.now() > until) return done(["", ""]);
                    setTimeout(look, 4);
                };
                look();
            }))(%1))js")
                .arg(QString::fromUtf8(
                    QJsonDocument(QJsonArray{address, QJsonArray::fromStringList(ready), revision})
                        .toJson(QJsonDocument::Compact)));
        QString dom;
        const bool shown = QTest::qWaitFor(
            [&] {
                const QJsonArray seen = evaluate(wait_in_page).toArray();
                dom = seen.at(1).toString();
                return seen.at(0).toString() == address;
            },
            15000);
        return shown ? dom : QString();
    }

    // Puts the pages at `frames` (name, address on `base`) side by side into one page of the
    // same server, each in a frame of that size, as several browser sources in OBS load at
    // once; far cheaper than loading them one after another. Whether each frame came to hold
    // every text in `ready`.
    bool load_frames(const QString& base, const QList<std::pair<QString, QString>>& frames,
                     QSize size, const QStringList& ready) {
        // The server's plain answer for an unknown address is a page without a policy of its
        // own to put the frames into.
        if (load(base + QStringLiteral("/frames"), QSize(1280, 900), {}).isEmpty()) {
            return false;
        }
        call(QStringLiteral("Runtime.enable"), {});
        QJsonArray list;
        for (const auto& [name, address] : frames) {
            list.append(QJsonArray{name, base + address});
        }
        const QString json =
            QString::fromUtf8(QJsonDocument(QJsonArray{list, size.width(), size.height(),
                                                       QJsonArray::fromStringList(ready)})
                                  .toJson(QJsonDocument::Compact));
        (void)evaluate(QStringLiteral(R"js((([frames, width, height]) => {
            document.body.replaceChildren();
            for (const [name, address] of frames) {
                const frame = document.createElement("iframe");
                frame.name = name;
                frame.style.cssText = `width: ${width}px; height: ${height}px; border: 0`;
                frame.src = address;
                document.body.append(frame);
            }
        })(%1))js")
                           .arg(json));
        if (!wait_until(QStringLiteral(R"js((([frames, width, height, ready]) =>
            Array.from(document.querySelectorAll("iframe")).every((frame) => {
                const dom = frame.contentDocument && frame.contentDocument.documentElement;
                return frame.contentWindow.location.href !== "about:blank" && !!dom &&
                       ready.every((text) => dom.outerHTML.includes(text));
            }))(%1))js")
                            .arg(json))) {
            return false;
        }
        frame_ids_.clear();
        const QJsonArray children = call(QStringLiteral("Page.getFrameTree"), {})
                                        .value(QStringLiteral("frameTree"))
                                        .toObject()
                                        .value(QStringLiteral("childFrames"))
                                        .toArray();
        for (const QJsonValue& child : children) {
            const QJsonObject frame = child["frame"].toObject();
            frame_ids_.insert(frame["name"].toString(), frame["id"].toString());
        }
        return frame_ids_.size() == frames.size();
    }

    QImage screenshot() {
        const QByteArray png = QByteArray::fromBase64(
            call(QStringLiteral("Page.captureScreenshot"), {{"format", "png"}})
                .value(QStringLiteral("data"))
                .toString()
                .toLatin1());
        return QImage::fromData(png, "PNG");
    }

    // The value of a script expression in the page, or in the page of the frame of that name
    // that load_frames put in; a promise is waited for.
    QJsonValue evaluate(const QString& expression, const QString& frame = {}) {
        QJsonObject params{
            {"expression", expression}, {"returnByValue", true}, {"awaitPromise", true}};
        if (!frame.isEmpty()) {
            const int context = contexts_.value(frame_ids_.value(frame), -1);
            if (context < 0) {
                return {};
            }
            params.insert(QStringLiteral("contextId"), context);
        }
        return call(QStringLiteral("Runtime.evaluate"), params)
            .value(QStringLiteral("result"))
            .toObject()
            .value(QStringLiteral("value"));
    }

    // Polls the page until the expression is true; whether it became so.
    bool wait_until(const QString& expression, int timeout = 10000) {
        return QTest::qWaitFor([&] { return evaluate(expression).toBool(); }, timeout);
    }

private:
    // One DevTools command, in the tab unless told otherwise; its result, empty on an error
    // or no answer.
    QJsonObject call(const QString& method, const QJsonObject& params, bool in_tab = true) {
        const int id = next_id_++;
        QJsonObject message{{"id", id}, {"method", method}, {"params", params}};
        if (in_tab) {
            message.insert(QStringLiteral("sessionId"), session_);
        }
        socket_.sendTextMessage(QString::fromUtf8(QJsonDocument(message).toJson()));
        // Woken by the reply itself: a row makes dozens of calls, and polling would add its
        // sleep to each.
        if (!replies_.contains(id)) {
            QEventLoop loop;
            const QMetaObject::Connection heard =
                QObject::connect(&socket_, &QWebSocket::textMessageReceived, &loop, [&] {
                    if (replies_.contains(id)) {
                        loop.quit();
                    }
                });
            QTimer::singleShot(30000, &loop, &QEventLoop::quit);
            loop.exec();
            QObject::disconnect(heard);
        }
        if (!replies_.contains(id)) {
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
    QSize size_;
    QString shown_;                     // the address last loaded
    QHash<QString, int> contexts_;      // frame id: the id of its page's script context
    QHash<QString, QString> frame_ids_; // name: id, of the frames load_frames put in
    int next_id_ = 1;
    QHash<int, QJsonObject> replies_;
};

// Rows of a data table whose pages load side by side as frames, all of them when the first
// row asks.
class FramedRows {
public:
    explicit FramedRows(QString prefix) : prefix_(std::move(prefix)) {}

    // From the start of the table's data function.
    void clear() {
        frames_.clear();
        loaded_ = false;
    }
    // A row's address; the name of its frame.
    QString add(const QString& address) {
        const QString name = prefix_ + QString::number(frames_.size());
        frames_.append({name, address});
        return name;
    }
    bool load(Browser& browser, const QString& base, QSize size, const QStringList& ready) {
        if (!loaded_) {
            loaded_ = true;
            ok_ = browser.load_frames(base, frames_, size, ready);
        }
        return ok_;
    }

private:
    QString prefix_;
    QList<std::pair<QString, QString>> frames_;
    bool loaded_ = false;
    bool ok_ = false;
};

// What a game's page carries once it shows an open game.
const QString open_marker = QStringLiteral("data-shown=\"open\"");

const QString long_one = QStringLiteral("星河万里的超级无敌小主播"); // 12 characters
const QString long_two = QStringLiteral("月光下的凤尾竹林深处歌声");
const QString commitment =
    QStringLiteral("3f9a0c27be5d41e8a6b2c7d09e13f4a58b6c2d7e0f1a9b3c4d5e6f708192a3b4");
const QString seed =
    QStringLiteral("7d41a9e05b3c28f6d1e4a7b09c52f8e3a6d10b947e25c8f31a6b0d4e9f27c583");

QJsonObject tally_state(const QString& one, const QString& two, const QString& total_one,
                        const QString& total_two, const QString& difference) {
    return {{"open", true},
            {"players", QJsonArray{QJsonObject{{"name", one}, {"total_text", total_one}},
                                   QJsonObject{{"name", two}, {"total_text", total_two}}}},
            {"leader", "one"},
            {"difference_text", difference}};
}

// As the games publish their draws: the next one's promise ("draw", still open for a phrase
// before it starts) and, once there is one, the last revealed draw with its seed.
void add_draws(QJsonObject& shown, const QString& game, bool started, const QJsonValue& faces) {
    shown.insert(QStringLiteral("draw"),
                 QJsonObject{{"game", game},
                             {"round", 13},
                             {"commitment", commitment},
                             {"phrase", started ? QStringLiteral("主播加油第三把") : QString()},
                             {"phrase_open", !started}});
    if (!faces.isUndefined()) {
        shown.insert(QStringLiteral("revealed"),
                     QJsonObject{{"game", game},
                                 {"round", 12},
                                 {"commitment", commitment},
                                 {"seed", seed},
                                 {"phrase", QStringLiteral("主播加油第三把")},
                                 {"faces", faces}});
    }
}

QJsonObject dice_state(const QJsonValue& faces, const QString& phase = QStringLiteral("waiting")) {
    QJsonObject shown{{"open", true},
                      {"phase", phase},
                      {"shaking", phase == QStringLiteral("shaking")},
                      {"last_winner", "right"},
                      {"left_tally", QStringLiteral("胜利：1234  失败：5678")},
                      {"right_tally", QStringLiteral("胜利：5678  失败：1234")}};
    add_draws(shown, QStringLiteral("dice"), phase == "shaking" || phase == "revealing", faces);
    return shown;
}

// Twenty boxes, half of them dug, one waiting for its owner.
QJsonObject minebox_state() {
    QJsonObject shown{{"open", true},
                      {"stage", "waiting"},
                      {"boxes", "12101002100010201001"},
                      {"owners", "12201001200010201000"},
                      {"waiting", 19},
                      {"mines_left", 2},
                      {"tallies", QJsonArray{QStringLiteral("空箱：123  踩雷：45"),
                                             QStringLiteral("空箱：678  踩雷：90")}}};
    add_draws(shown, QStringLiteral("minebox"), true, QJsonValue(QJsonValue::Undefined));
    return shown;
}

QByteArray state_json(int revision, const QString& game, const QJsonObject& part) {
    QJsonObject root{{"revision", revision}};
    for (const char* id : {"tally", "dice", "minebox"}) {
        root.insert(QLatin1String(id), QJsonObject{{"open", false}});
    }
    root.insert(game, part);
    return QJsonDocument(root).toJson(QJsonDocument::Compact);
}

// Faults of the page's layout, empty when none: the panel inside the viewport, every shown
// line and box inside the panel, no line cut or wrapped, and (when asked) box labels of at
// least that many pixels on screen. Measured once the fonts are in and a frame has drawn.
const QString layout_faults = QStringLiteral(R"js(
new Promise((done) => document.fonts.ready.then(() => requestAnimationFrame(() => {
    const faults = [];
    const panel = document.getElementById("board");
    const outer = panel.getBoundingClientRect();
    const within = (r, box) => r.left >= box.left - 0.5 && r.top >= box.top - 0.5 &&
                               r.right <= box.right + 0.5 && r.bottom <= box.bottom + 0.5;
    if (!within(outer, { left: 0, top: 0, right: innerWidth, bottom: innerHeight }))
        faults.push("panel leaves the viewport " + JSON.stringify(outer));
    let lines = 0;
    for (const node of panel.querySelectorAll(".fit, .box, .die")) {
        if (node.offsetParent === null || node.textContent === "" && !node.matches(".box, .die"))
            continue;
        const name = node.id || node.className;
        if (!within(node.getBoundingClientRect(), outer)) faults.push(name + " leaves the panel");
        if (!node.matches(".fit")) continue;
        ++lines;
        if (node.scrollWidth > node.clientWidth) faults.push(name + " is cut");
        const range = document.createRange();
        range.selectNodeContents(node);
        const tops = new Set(Array.from(range.getClientRects(), (r) => Math.round(r.top)));
        if (tops.size !== 1) faults.push(name + " wraps");
    }
    if (lines < 3) faults.push("only " + lines + " lines shown");
    const factor = outer.width / panel.offsetWidth;
    for (const label of panel.querySelectorAll(".box span")) {
        const px = parseFloat(getComputedStyle(label).fontSize) * factor;
        if (px < %1) faults.push("box label of " + px.toFixed(1) + " px");
    }
    done(faults.join("; "));
})))
)js");

bool fully_transparent(const QImage& shot) {
    for (int y = 0; y < shot.height(); y += 3) {
        for (int x = 0; x < shot.width(); x += 3) {
            if (qAlpha(shot.pixel(x, y)) != 0) {
                return false;
            }
        }
    }
    return !shot.isNull();
}

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
    void overlays_fit_their_box_data();
    void overlays_fit_their_box();
    void bad_options_fall_back_to_the_defaults_data();
    void bad_options_fall_back_to_the_defaults();
    void dice_show_the_thrown_faces_data();
    void dice_show_the_thrown_faces();
    void the_fairness_line_can_be_left_out();
    void a_finished_board_shows_its_end_and_its_seed();
    void a_closed_game_and_a_lost_program_leave_nothing_on_screen();
    void the_list_previews_the_chosen_look();
    void verify_page_agrees_with_the_verify_command_data();
    void verify_page_agrees_with_the_verify_command();

private:
    // A server with the program's own pages whose state the test writes.
    void stand_in(const QByteArray& state);
    QString stand_in_base() const {
        return QStringLiteral("http://127.0.0.1:") + QString::number(stand_in_port_);
    }

    std::unique_ptr<OverlayProgram> program_;
    std::unique_ptr<Browser> browser_;
    std::unique_ptr<OverlayServer> stand_in_;
    int stand_in_port_ = 0;
    FramedRows option_rows_{QStringLiteral("options_")};
    FramedRows verify_rows_{QStringLiteral("verify_")};
};

void OverlayBrowserTest::stand_in(const QByteArray& state) {
    if (!stand_in_) {
        stand_in_ = std::make_unique<OverlayServer>();
        stand_in_->set_pages(overlay_pages(program_->catalogue()->games().modules()));
        QVERIFY(stand_in_->listen(stand_in_port_));
    }
    stand_in_->publish(state);
}

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
    stand_in_port_ = free_port();
    browser_ = std::make_unique<Browser>();
    const QString failure = browser_->start();
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
}

void OverlayBrowserTest::cleanupTestCase() {
    browser_.reset();
    stand_in_.reset();
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
                                         "第1局：", "等待下一局"}
                          << QStringList{};
    QTest::newRow("minebox") << "/overlay/minebox"
                             << QStringList{open_marker, "请选箱子", "owner2", "剩余地雷：",
                                            "class=\"box closed\""}
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
    QTest::newRow("minebox") << "minebox" << QSize(640, 360);
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
}

void OverlayBrowserTest::overlays_fit_their_box_data() {
    QTest::addColumn<QString>("page");
    QTest::addColumn<QString>("options");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QJsonObject>("state");
    QTest::addColumn<int>("least_label_px"); // 0: no boxes to read
    const QSize small(640, 260);
    const QSize full(1920, 1080);
    const QJsonObject long_names =
        tally_state(long_one, long_two, QStringLiteral("12.34万"), "450", QStringLiteral("12.3万"));
    const QJsonObject big_totals =
        tally_state(QStringLiteral("阿星"), QStringLiteral("小月"), QStringLiteral("9999.99亿"),
                    QStringLiteral("8888.88亿"), QStringLiteral("1111.11亿"));
    const QJsonObject both = tally_state(long_one, long_two, QStringLiteral("9999.99亿"),
                                         QStringLiteral("8888.88亿"), QStringLiteral("1111.11亿"));
    QTest::newRow("tally long names small") << "tally"
                                            << "" << small << long_names << 0;
    QTest::newRow("tally big totals small") << "tally"
                                            << "" << small << big_totals << 0;
    QTest::newRow("tally both small") << "tally"
                                      << "" << small << both << 0;
    QTest::newRow("tally both full") << "tally"
                                     << "" << full << both << 0;
    QTest::newRow("tally scaled past the viewport")
        << "tally"
        << "scale=4&align=right&font=kai" << small << both << 0;
    QTest::newRow("tally light centred full")
        << "tally"
        << "theme=light&align=center&scale=2" << full << both << 0;
    const QJsonObject dice = dice_state(QJsonArray{2, 5});
    QTest::newRow("dice small") << "dice"
                                << "" << small << dice << 0;
    QTest::newRow("dice shaking small")
        << "dice"
        << "" << small << dice_state(QJsonValue(QJsonValue::Undefined), QStringLiteral("shaking"))
        << 0;
    QTest::newRow("dice full") << "dice"
                               << "scale=2.5" << full << dice << 0;
    QTest::newRow("minebox small") << "minebox"
                                   << "" << small << minebox_state() << 0;
    QTest::newRow("minebox suggested") << "minebox"
                                       << "" << QSize(640, 360) << minebox_state() << 18;
    QTest::newRow("minebox full") << "minebox"
                                  << "scale=2.5&theme=none" << full << minebox_state() << 18;
}

void OverlayBrowserTest::overlays_fit_their_box() {
    QFETCH(QString, page);
    QFETCH(QString, options);
    QFETCH(QSize, size);
    QFETCH(QJsonObject, state);
    QFETCH(int, least_label_px);
    static int revision = 100;
    stand_in(state_json(++revision, page, state));
    const QString address =
        stand_in_base() + "/overlay/" + page + (options.isEmpty() ? "" : "?" + options);
    QVERIFY(!browser_->load(address, size, {open_marker}, revision).isEmpty());
    const QString faults =
        browser_->evaluate(layout_faults.arg(least_label_px)).toString(QStringLiteral("none"));
    QVERIFY2(faults.isEmpty(), qPrintable(faults));

    // Pictures for the README, when asked for: the overlay over a busy stand-in for a game
    // stream, drawn here with gradients.
    const QString keep = qEnvironmentVariable("GLIMMER_OVERLAY_SCREENSHOTS");
    if (!keep.isEmpty() && options.isEmpty() == (size != QSize(1920, 1080))) {
        (void)browser_->evaluate(QStringLiteral(R"js((() => {
            const scene = document.createElement("div");
            scene.style.cssText = "position: fixed; inset: 0; z-index: -1; background: " +
                "radial-gradient(circle at 20% 30%, rgba(255,80,60,.9), transparent 28%)," +
                "radial-gradient(circle at 75% 65%, rgba(40,200,255,.85), transparent 32%)," +
                "repeating-linear-gradient(35deg, #2d6a3e 0 18px, #e0c040 18px 30px, #5a2d82 30px 52px)";
            document.body.prepend(scene);
        })())js"));
        QImage shot;
        QVERIFY(QTest::qWaitFor(
            [&] {
                shot = browser_->screenshot();
                return !shot.isNull() && qAlpha(shot.pixel(0, 0)) == 255;
            },
            5000));
        if (shot.width() > 1000) {
            shot = shot.scaledToWidth(960, Qt::SmoothTransformation);
        }
        QDir().mkpath(keep);
        const QString name = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
        // 256 colours keep the files small enough for the repository.
        QVERIFY(shot.convertToFormat(QImage::Format_Indexed8, Qt::DiffuseDither | Qt::PreferDither)
                    .save(keep + "/" + name + ".png"));
    }
}

void OverlayBrowserTest::bad_options_fall_back_to_the_defaults_data() {
    QTest::addColumn<QString>("frame");  // the name of the frame showing the row's address
    QTest::addColumn<QString>("chosen"); // scale|theme|accent|font|align|hide
    const QString defaults = QStringLiteral("1|dark||sans|left|");
    option_rows_.clear();
    const auto row = [this](const char* tag, const QString& query, const QString& chosen) {
        QTest::newRow(tag) << option_rows_.add("/overlay/tally?" + query) << chosen;
    };
    row("all good",
        "scale=1.5&theme=light&accent=00ff00&font=kai&align=right&"
        "hide=names,difference",
        "1.5|light|#00ff00|kai|right|names,difference");
    row("colour with its hash", "accent=%23AbC", "1|dark|#abc|sans|left|");
    row("scale not a number", "scale=abc", defaults);
    row("scale out of range", "scale=1e9&grace=0", defaults);
    row("scale negative", "scale=-1", defaults);
    row("markup as theme", "theme=%3Cimg%20src=x%20onerror=window.pwned=1%3E", defaults);
    row("style in the colour", "accent=red;background:url(http://127.0.0.1:1/x)", defaults);
    row("markup as colour", "accent=%3Cimg%20src=x%20onerror=window.pwned=1%3E", defaults);
    row("a named colour", "accent=red", defaults);
    row("unknown font", "font=Comic%20Sans", defaults);
    row("inherited name as font", "font=__proto__", defaults);
    row("script as alignment", "align=javascript:alert(1)", defaults);
    row("markup among the parts", "hide=%3Cb%3Ex%3C/b%3E,leader,nonsense",
        "1|dark||sans|left|leader");
    row("twice, the first counts", "theme=light&theme=%3Cb%3E", "1|light||sans|left|");
}

void OverlayBrowserTest::bad_options_fall_back_to_the_defaults() {
    QFETCH(QString, frame);
    QFETCH(QString, chosen);
    stand_in(state_json(1000, QStringLiteral("tally"),
                        tally_state(QStringLiteral("阿星"), QStringLiteral("小月"), "12", "3",
                                    QStringLiteral("9"))));
    QVERIFY(option_rows_.load(*browser_, stand_in_base(), QSize(640, 260),
                              {open_marker, QStringLiteral("阿星")}));
    const QJsonArray seen =
        browser_
            ->evaluate(
                QStringLiteral(
                    "((o) => [[o.scale, o.theme, o.accent, o.font, o.align, o.hide.join(',')]"
                    ".join('|'), getComputedStyle(document.getElementById('total1')).color, "
                    "document.images.length, window.pwned === undefined, "
                    "getComputedStyle(document.body).fontFamily])(overlay.options)"),
                frame)
            .toArray();
    QCOMPARE(seen.at(0).toString(), chosen);
    // The colour and the face reach the page's style as chosen, and nothing as markup.
    const QString accent = chosen.section('|', 2, 2);
    const QColor colour(
        accent.isEmpty() ? (chosen.section('|', 1, 1) == "light" ? "#b0302a" : "#ffe27a") : accent);
    QCOMPARE(
        seen.at(1).toString(),
        QStringLiteral("rgb(%1, %2, %3)").arg(colour.red()).arg(colour.green()).arg(colour.blue()));
    QCOMPARE(seen.at(2).toInt(-1), 0);
    QVERIFY(seen.at(3).toBool());
    QVERIFY2(seen.at(4).toString().contains(chosen.section('|', 3, 3) == "kai" ? "UKai" : "Noto"),
             qPrintable(seen.at(4).toString()));
}

void OverlayBrowserTest::dice_show_the_thrown_faces_data() {
    QTest::addColumn<QJsonObject>("state");
    QTest::addColumn<QString>("dice");     // each die: its face, "?" covered, "~" tumbling
    QTest::addColumn<QString>("fairness"); // the start of the line, "" for none
    QTest::addColumn<QString>("turn");     // the turn line, "|", the result line
    // A turn has one name and one number: its draw's round, as in the fairness line.
    const QString settled = QStringLiteral("等待下一局|第12局：虎胜");
    QTest::newRow("revealed")
        << dice_state(QJsonArray{3, 5}) << "3 5"
        << "第12局 种子 7d41a9e05b3c…  口令 主播加油第三把｜第13局 承诺 3f9a0c27be5d…" << settled;
    QTest::newRow("ones and sixes") << dice_state(QJsonArray{6, 1}) << "6 1"
                                    << "第12局 种子 7d41a9e05b3c…" << settled;
    QTest::newRow("shaking, the last turn's faces kept secret")
        << dice_state(QJsonArray{3, 5}, QStringLiteral("shaking")) << "~ ~"
        << "第13局 承诺 3f9a0c27be5d…  口令 主播加油第三把"
        << "第13局 · 摇色子中…|";
    QTest::newRow("waiting to reveal")
        << dice_state(QJsonValue(QJsonValue::Undefined), QStringLiteral("revealing")) << "? ?"
        << "第13局 承诺 3f9a0c27be5d…"
        << "第13局 · 等待开奖|";
    QTest::newRow("faces out of range") << dice_state(QJsonArray{7, 0}) << "? ?"
                                        << "第12局 种子" << settled;
    QTest::newRow("faces not numbers") << dice_state(QJsonArray{"3", "<b>5</b>"}) << "? ?"
                                       << "第12局 种子" << settled;
    QTest::newRow("one face") << dice_state(QJsonArray{4}) << "? ?"
                              << "第12局 种子" << settled;
    // Without well-formed draws, the settled turns in the tallies number them.
    const QString counted = QStringLiteral("等待下一局|第6912局：虎胜");
    QJsonObject bad_fairness = dice_state(QJsonValue(QJsonValue::Undefined));
    bad_fairness.insert("draw", QJsonObject{{"commitment", "<img src=x>"}, {"round", "1"}});
    bad_fairness.insert("revealed", QJsonObject{{"seed", "zz"}, {"faces", QJsonArray{1, 2}}});
    QTest::newRow("malformed fairness") << bad_fairness << "1 2"
                                        << "" << counted;
    QJsonObject no_fairness = dice_state(QJsonArray{2, 2});
    no_fairness.insert("draw", "nonsense");
    no_fairness.insert("revealed", QJsonObject{{"faces", QJsonArray{2, 2}}});
    QTest::newRow("fairness not an object") << no_fairness << "2 2"
                                            << "" << counted;
}

void OverlayBrowserTest::dice_show_the_thrown_faces() {
    QFETCH(QJsonObject, state);
    QFETCH(QString, dice);
    QFETCH(QString, fairness);
    static int revision = 2000;
    stand_in(state_json(++revision, QStringLiteral("dice"), state));
    QVERIFY(!browser_
                 ->load(stand_in_base() + "/overlay/dice", QSize(640, 260),
                        {open_marker, QStringLiteral("胜利：1234")}, revision)
                 .isEmpty());
    // Each die as a face number from its pips alone, "?" when covered, "~" while tumbling.
    const QString shown =
        browser_
            ->evaluate(QStringLiteral(
                "Array.from(document.querySelectorAll('.die'), (die) => "
                "die.classList.contains('tumbling') ? '~' : die.classList.contains('covered') ? "
                "'?' : String(die.querySelectorAll('.pip.on').length)).join(' ')"))
            .toString();
    QCOMPARE(shown, dice);
    const QString line = browser_->evaluate("document.getElementById('fairness').textContent")
                             .toString(QStringLiteral("missing"));
    QVERIFY2(fairness.isEmpty() ? line.isEmpty() : line.startsWith(fairness), qPrintable(line));
    QTEST(browser_
              ->evaluate("document.getElementById('turn').textContent + '|' + "
                         "document.getElementById('result').textContent")
              .toString(),
          "turn");
}

void OverlayBrowserTest::the_fairness_line_can_be_left_out() {
    stand_in(state_json(2500, QStringLiteral("dice"), dice_state(QJsonArray{3, 5})));
    QVERIFY(!browser_
                 ->load(stand_in_base() + "/overlay/dice?hide=fairness", QSize(640, 260),
                        {open_marker, QStringLiteral("胜利：1234")})
                 .isEmpty());
    QVERIFY(browser_
                ->evaluate("document.getElementById('fairness').textContent !== '' && "
                           "document.getElementById('fairness').offsetParent === null")
                .toBool());
}

void OverlayBrowserTest::a_finished_board_shows_its_end_and_its_seed() {
    // As the game publishes its last box: every box open, the draw spent, its seed out.
    QJsonObject finished = minebox_state();
    finished.insert("stage", "finished");
    finished.insert("boxes", QStringLiteral("12111112111111211111"));
    finished.insert("waiting", -1);
    finished.insert("mines_left", 0);
    finished.insert("draw", QJsonValue::Null);
    finished.insert("revealed", QJsonObject{{"game", "minebox"},
                                            {"round", 13},
                                            {"commitment", commitment},
                                            {"seed", seed},
                                            {"phrase", QString()}});
    stand_in(state_json(2600, QStringLiteral("minebox"), finished));
    QVERIFY(!browser_
                 ->load(stand_in_base() + "/overlay/minebox", QSize(640, 360),
                        {open_marker, QStringLiteral("箱子全部开完")}, 2600)
                 .isEmpty());
    const QString line = browser_->evaluate("document.getElementById('fairness').textContent")
                             .toString(QStringLiteral("missing"));
    QVERIFY2(line.startsWith(QStringLiteral("第13轮 种子 ") + seed.left(12)), qPrintable(line));
    QVERIFY2(!line.contains(QStringLiteral("承诺")), qPrintable(line));
}

void OverlayBrowserTest::a_closed_game_and_a_lost_program_leave_nothing_on_screen() {
    const QByteArray open = state_json(3000, QStringLiteral("minebox"), minebox_state());
    stand_in(state_json(2999, QStringLiteral("tally"), {}));
    // grace=300: the page gives a lost program 0.3 s instead of 5 s to come back.
    QVERIFY(!browser_
                 ->load(stand_in_base() + "/overlay/minebox?grace=300", QSize(640, 360),
                        {"data-shown=\"closed\""})
                 .isEmpty());
    QVERIFY(fully_transparent(browser_->screenshot()));
    stand_in_->publish(open);
    QVERIFY(browser_->wait_until("document.body.dataset.shown === 'open'"));
    stand_in_.reset(); // the program quits
    QVERIFY(browser_->wait_until("document.body.dataset.shown === 'gone'"));
    QVERIFY(fully_transparent(browser_->screenshot()));
    // It starts again: the page finds it by itself.
    stand_in(state_json(1, QStringLiteral("minebox"), minebox_state()));
    QVERIFY(browser_->wait_until("document.body.dataset.shown === 'open'"));
    QVERIFY(!fully_transparent(browser_->screenshot()));
}

void OverlayBrowserTest::the_list_previews_the_chosen_look() {
    stand_in(state_json(4000, QStringLiteral("tally"),
                        tally_state(QStringLiteral("阿星"), QStringLiteral("小月"), "12", "3",
                                    QStringLiteral("9"))));
    QVERIFY(
        !browser_->load(stand_in_base() + "/overlay/", QSize(1280, 900), {"look_tally"}).isEmpty());
    // The host picks a light theme and leaves the leader out of the tally's look.
    (void)browser_->evaluate(QStringLiteral(
        "document.getElementById('theme').value = 'light';"
        "document.querySelector('.hides input[value=leader]').checked = true;"
        "document.getElementById('theme').dispatchEvent(new Event('change', {bubbles: true}));"
        "document.getElementById('look_tally').value"));
    const QString address = stand_in_base() + "/overlay/tally?theme=light&hide=leader";
    QVERIFY2(
        browser_->wait_until("document.getElementById('look_tally').value === '" + address + "'"),
        qPrintable(browser_->evaluate("document.getElementById('look_tally').value").toString()));
    // The preview is the real page at those options.
    QVERIFY(browser_->wait_until(
        "(() => { const d = document.querySelector('iframe').contentDocument; return !!d && "
        "d.body.classList.contains('theme-light') && d.body.classList.contains('hide-leader') "
        "&& d.body.dataset.shown === 'open'; })()"));
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
    // The command's words in English, whatever the machine's locale; the page's are Chinese.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_MESSAGES"));
    process.setProcessEnvironment(environment);
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
    QTest::addColumn<int>("verdict");         // the command's exit: 0 checks, 1 differs, 2 usage
    QTest::addColumn<QString>("frame");       // the name of the frame with the row's verify page
    verify_rows_.clear();
    const auto row = [this](const char* tag, const Fields& fields, const QStringList& outcome,
                            int verdict) {
        QTest::newRow(tag) << fields << outcome << verdict
                           << verify_rows_.add(verify_address(fields));
    };

    // The turn the running program played, as its overlays published it.
    const QJsonObject state =
        QJsonDocument::fromJson(program_->catalogue()->games().state_json()).object();
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
    row("the turn the program played", published, {}, 0);
    Fields changed_seed = published;
    changed_seed[1].second[5] = changed_seed[1].second[5] == u'0' ? u'1' : u'0';
    row("its seed changed", changed_seed, {}, 1);
    Fields other_winner = published;
    other_winner[6].second = other_winner[6].second == u"left" ? "right" : "left";
    row("its winner changed", other_winner, {}, 1);

    // Known answers, the same as the C++ rules' own.
    const QString counting = QStringLiteral("000102030405060708090a0b0c0d0e0f"
                                            "101112131415161718191a1b1c1d1e1f");
    row("dice known answer",
        {{"game", "dice"},
         {"seed", counting},
         {"phrase", "a|b 1+1=2"},
         {"round", "7"},
         {"throws", "188"},
         {"faces", "3-6"}},
        {"faces 3-6", "winner right"}, 0);
    row("dice known answer, chinese phrase",
        {{"game", "dice"},
         {"seed", counting},
         {"phrase", "主播加油"},
         {"round", "1"},
         {"throws", "1"},
         {"winner", "left"}},
        {"faces 4-3", "winner left"}, 0);
    const Fields mines{{"game", "minebox"},
                       {"seed", counting},
                       {"phrase", ""},
                       {"round", "3"},
                       {"boxes", "30"},
                       {"mines", "7"},
                       {"mine-boxes", "8,12,14,15,17,20,27"}};
    row("minebox known answer", mines, {"mine-boxes 8,12,14,15,17,20,27"}, 0);
    Fields other_phrase = mines;
    other_phrase[2].second = QStringLiteral("x");
    row("minebox known answer, phrase changed", other_phrase, {}, 1);
    // More throws than any turn has: refused at once rather than replayed for half an hour.
    Fields endless = published;
    endless[5].second = QStringLiteral("2147483647");
    row("more throws than a turn has", endless, {}, 2);
}

void OverlayBrowserTest::verify_page_agrees_with_the_verify_command() {
    QFETCH(Fields, fields);
    QFETCH(QStringList, outcome);
    QFETCH(int, verdict);
    QFETCH(QString, frame);
    const auto [exit_code, command_outcome] = run_verify(fields);
    QCOMPARE(exit_code, verdict);
    if (!outcome.isEmpty()) {
        QCOMPARE(command_outcome, outcome);
    }
    QCOMPARE(command_outcome.isEmpty(), verdict == 2);

    QVERIFY2(
        verify_rows_.load(*browser_, program_->base(), QSize(800, 900), {"data-checked=\"yes\""}),
        "the verify pages never finished their checks");
    const QString dom = browser_->evaluate("document.documentElement.outerHTML", frame).toString();
    const QString state = QStringList{"ok", "mismatch", "usage"}.value(verdict);
    QVERIFY2(dom.contains(QStringLiteral("data-state=\"%1\"").arg(state)),
             qPrintable(dom.right(1500)));
    // The same outcome in the page's words.
    for (QString line : command_outcome) {
        line.replace(QStringLiteral("faces "), QStringLiteral("点数 "))
            .replace(QStringLiteral("winner left"), QStringLiteral("胜方 龙"))
            .replace(QStringLiteral("winner right"), QStringLiteral("胜方 虎"))
            .replace(QStringLiteral("mine-boxes "), QStringLiteral("有雷的箱子 "));
        QVERIFY2(dom.contains(line), qPrintable(line + QStringLiteral("\n") + dom.right(1500)));
    }
}

QTEST_MAIN(OverlayBrowserTest)
#include "tst_overlay_browser.moc"
