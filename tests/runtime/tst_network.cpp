#include "runtime/desktop.h"
#include "runtime/network.h"
#include "runtime/threads.h"
#include "tests/support/http_server.h"

#include <QCoreApplication>
#include <QTest>

#include <future>

using namespace glimmer;
using glimmer::testing::HttpServer;

namespace {

// Downloads on a worker thread, as the program does, so the test also shows that the
// download never needs the main thread's event loop.
QByteArray download_on_worker(const QString& address, const DownloadLimits& limits = {}) {
    std::promise<QByteArray> body;
    std::future<QByteArray> arrived = body.get_future();
    start_thread([&] { body.set_value(download_page(address, limits)); });
    return arrived.get();
}

} // namespace

class NetworkTest : public QObject {
    Q_OBJECT
private slots:
    void download_returns_the_body_only_on_success_data();
    void download_returns_the_body_only_on_success();
    void download_gives_up_on_a_server_that_never_finishes_data();
    void download_gives_up_on_a_server_that_never_finishes();
    void download_refuses_other_schemes_data();
    void download_refuses_other_schemes();
    void open_url_passes_only_web_addresses_data();
    void open_url_passes_only_web_addresses();
    void is_online_answers_zero_or_one();
};

void NetworkTest::download_returns_the_body_only_on_success_data() {
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("expected");
    const QByteArray gbk = QByteArray::fromHex("cde6bcd2d2bb21"); // 玩家一!
    QTest::newRow("ok, GBK bytes untouched") << 200 << gbk << gbk;
    QTest::newRow("no content") << 204 << QByteArray() << QByteArray();
    QTest::newRow("not found") << 404 << QByteArray("missing") << QByteArray();
    QTest::newRow("server error") << 500 << QByteArray("oops") << QByteArray();
    QTest::newRow("at the limit") << 200 << QByteArray(1024 * 1024, 'a')
                                  << QByteArray(1024 * 1024, 'a');
    QTest::newRow("over the limit") << 200 << QByteArray(1024 * 1024 + 1, 'a') << QByteArray();
}

void NetworkTest::download_returns_the_body_only_on_success() {
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, expected);
    HttpServer server;
    HttpServer::Route route;
    route.status = status;
    route.body = body;
    server.set_route(QStringLiteral("/page.html"), route);
    QCOMPARE(download_on_worker(server.base_url() + QStringLiteral("/page.html")), expected);
}

void NetworkTest::download_gives_up_on_a_server_that_never_finishes_data() {
    QTest::addColumn<int>("behaviour");
    QTest::newRow("silent") << int(HttpServer::Behaviour::never_answer);
    // A byte now and then would defeat an idle timeout; the transfer as a whole has a
    // deadline.
    QTest::newRow("endless body") << int(HttpServer::Behaviour::drip);
}

void NetworkTest::download_gives_up_on_a_server_that_never_finishes() {
    QFETCH(int, behaviour);
    HttpServer server;
    HttpServer::Route route;
    route.behaviour = static_cast<HttpServer::Behaviour>(behaviour);
    server.set_route(QStringLiteral("/slow"), route);
    DownloadLimits limits;
    limits.transfer_timeout = std::chrono::milliseconds(250);
    QCOMPARE(download_on_worker(server.base_url() + QStringLiteral("/slow"), limits), QByteArray());
}

void NetworkTest::download_refuses_other_schemes_data() {
    QTest::addColumn<QString>("address");
    QTest::newRow("local file") << QStringLiteral("file:///etc/hostname");
    QTest::newRow("empty") << QString();
    QTest::newRow("no host") << QStringLiteral("http://");
    QTest::newRow("nothing listening") << QStringLiteral("http://127.0.0.1:1/x");
}

void NetworkTest::download_refuses_other_schemes() {
    QFETCH(QString, address);
    QCOMPARE(download_on_worker(address), QByteArray());
}

void NetworkTest::open_url_passes_only_web_addresses_data() {
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("http") << QStringLiteral("http://glimmerhall.example/dl") << true;
    QTest::newRow("https upper case") << QStringLiteral("HTTPS://glimmerhall.example") << true;
    QTest::newRow("leading blank") << QStringLiteral(" http://glimmerhall.example") << true;
    QTest::newRow("trailing line break")
        << QStringLiteral("http://glimmerhall.example\r\n") << true;
    QTest::newRow("local file") << QStringLiteral("file:///bin/sh") << false;
    QTest::newRow("script") << QStringLiteral("javascript:alert(1)") << false;
    QTest::newRow("bare program") << QStringLiteral("/usr/bin/xterm") << false;
    QTest::newRow("three blanks") << QStringLiteral("   ") << false;
    QTest::newRow("empty") << QString() << false;
}

void NetworkTest::open_url_passes_only_web_addresses() {
    QFETCH(QString, address);
    QFETCH(bool, opened);
    QStringList handed;
    set_url_opener([&](const QString& url) { handed.append(url); });
    QCOMPARE(open_url(address), opened);
    set_url_opener({});
    // The browser gets the address exactly as it came.
    QCOMPARE(handed, opened ? QStringList{address} : QStringList());
}

void NetworkTest::is_online_answers_zero_or_one() {
    const int online = is_online();
    QVERIFY(online == 0 || online == 1);
}

QTEST_GUILESS_MAIN(NetworkTest)
#include "tst_network.moc"
