// The program's side of the page reader, with small scripts standing in for the reader:
// its output taken frame by frame, anything else ends it, and so does outliving its time.

#include "runtime/controls/transparent_label.h"
#include "runtime/web_view.h"
#include "shell/status_line.h"
#include "tests/support/http_server.h"
#include "tests/support/process_checks.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

using namespace glimmer;
using glimmer::testing::HttpServer;

using glimmer::testing::all_gone;

namespace {

const QString statistics_path = QStringLiteral("/exeapp/wan/tj.html");

} // namespace

class PageReaderOutputTest : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void reader_output_is_taken_frame_by_frame_data();
    void reader_output_is_taken_frame_by_frame();

private:
    std::unique_ptr<HttpServer> server_;
    QTemporaryDir folder_;
};

void PageReaderOutputTest::init() {
    server_ = std::make_unique<HttpServer>();
}

void PageReaderOutputTest::cleanup() {
    server_.reset();
}

void PageReaderOutputTest::reader_output_is_taken_frame_by_frame_data() {
    QTest::addColumn<QByteArray>("script");
    QTest::addColumn<QStringList>("documents");
    QTest::addColumn<HiddenWebView::Ending>("ending");
    using E = HiddenWebView::Ending;
    QTest::newRow("two documents, then its end")
        << QByteArray("printf 'D 11\n\344\273\212\346\227\245IP[1]D 3\nend'")
        << QStringList{"今日IP[1]", "end"} << E::by_itself;
    QTest::newRow("garbage after a document")
        << QByteArray("printf 'D 3\nabcHTTP/1.1 200 OK\n'; exec sleep 60") << QStringList{"abc"}
        << E::garbage;
    QTest::newRow("text that is not UTF-8")
        << QByteArray("printf 'D 2\n\377\376'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("length beyond any line")
        << QByteArray("printf 'D 999999\n'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("header without a length")
        << QByteArray("printf 'D\\n'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("header that never ends")
        << QByteArray("printf 'DDDDDDDDDDDD'; exec sleep 60") << QStringList() << E::garbage;
    QTest::newRow("dies within a frame")
        << QByteArray("printf 'D 10\nabc'; kill -9 $$") << QStringList() << E::by_itself;
    QTest::newRow("hangs past its lifetime")
        << QByteArray("exec sleep 60") << QStringList() << E::hung;
}

void PageReaderOutputTest::reader_output_is_taken_frame_by_frame() {
    QFETCH(QByteArray, script);
    QFETCH(QStringList, documents);
    QFETCH(HiddenWebView::Ending, ending);
    QFile reader(folder_.filePath(QStringLiteral("reader.sh")));
    QVERIFY(reader.open(QIODevice::WriteOnly));
    reader.write("#!/bin/sh\n" + script + "\n");
    reader.close();
    reader.setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    PageReaderLimits limits;
    limits.program = reader.fileName();
    limits.lifetime = std::chrono::milliseconds(300);
    limits.hang_grace = std::chrono::milliseconds(300);
    limits.check_interval = std::chrono::milliseconds(50);
    HiddenWebView view(nullptr, limits);
    TransparentLabel line;
    line.setText(QStringLiteral("before"));
    QStringList seen;
    connect(&view, &HiddenWebView::document_complete, &view, [&](const QString& text) {
        seen.append(text);
        update_status_line(&line, text);
    });
    QSignalSpy ended(&view, &HiddenWebView::reader_ended);
    QVERIFY(view.set_address(server_->base_url() + statistics_path));
    const pid_t pid = static_cast<pid_t>(view.reader_pid());
    QVERIFY(ended.wait(20000));
    QCOMPARE(ended[0][0].value<HiddenWebView::Ending>(), ending);
    QCOMPARE(seen, documents);
    QCOMPARE(line.text(), documents.isEmpty() ? QStringLiteral("before")
                                              : shorten_statistics_labels(documents.last()));
    QTRY_VERIFY_WITH_TIMEOUT(all_gone({pid}), 5000);
}

QTEST_MAIN(PageReaderOutputTest)

#include "tst_page_reader_output.moc"
