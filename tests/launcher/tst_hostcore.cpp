// The runtime library as the launcher sees it: one export, the request it grants, and the
// program image check its entry makes before it starts anything.

#include "hostcore/host_entry.h"

#include <QProcess>
#include <QTest>

#include <dlfcn.h>

using glimmer::host::ProgramImage;

namespace {

// Names in a binary's dynamic symbol table that it defines, as nm lists them.
QStringList defined_dynamic_symbols(const QString& binary) {
    QProcess nm;
    nm.start(QStringLiteral("nm"), {QStringLiteral("-D"), QStringLiteral("--defined-only"),
                                    QStringLiteral("--format=posix"), binary});
    if (!nm.waitForFinished(60000) || nm.exitCode() != 0) {
        return {QStringLiteral("nm failed")};
    }
    QStringList names;
    for (const QByteArray& line : nm.readAllStandardOutput().split('\n')) {
        if (!line.isEmpty()) {
            names << QString::fromLatin1(line.split(' ').value(0));
        }
    }
    return names;
}

// The shared libraries a binary asks the loader for.
QStringList needed_libraries(const QString& binary) {
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("-d"), binary});
    if (!readelf.waitForFinished(60000) || readelf.exitCode() != 0) {
        return {QStringLiteral("readelf failed")};
    }
    QStringList names;
    for (const QByteArray& line : readelf.readAllStandardOutput().split('\n')) {
        const qsizetype open = line.indexOf("Shared library: [");
        if (open >= 0) {
            const qsizetype from = open + 17;
            names << QString::fromLatin1(line.mid(from, line.indexOf(']', from) - from));
        }
    }
    return names;
}

bool any_qt(const QStringList& libraries) {
    return std::any_of(libraries.begin(), libraries.end(), [](const QString& name) {
        return name.startsWith(QStringLiteral("libQt"));
    });
}

} // namespace

class TestHostcore : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void exports_only_the_entry_lookup();
    void launcher_and_runtime_link_what_they_should();
    void grants_only_the_agreed_request_data();
    void grants_only_the_agreed_request();
    void checks_the_program_image_data();
    void checks_the_program_image();

private:
    void* library_ = nullptr;
};

void TestHostcore::initTestCase() {
    library_ = dlopen(HOSTCORE, RTLD_NOW | RTLD_LOCAL);
    QVERIFY2(library_ != nullptr, dlerror());
}

void TestHostcore::cleanupTestCase() {
    // Left loaded: the runtime's Qt pieces registered themselves with the Qt of this process.
}

void TestHostcore::exports_only_the_entry_lookup() {
    QCOMPARE(defined_dynamic_symbols(QStringLiteral(HOSTCORE)), QStringList{"GetHostEntry"});
}

void TestHostcore::launcher_and_runtime_link_what_they_should() {
    QVERIFY(!any_qt(needed_libraries(QStringLiteral(LAUNCHER))));
    // The heavy modules come later, on demand; the runtime itself maps only the widgets.
    const QStringList runtime = needed_libraries(QStringLiteral(HOSTCORE));
    QVERIFY(runtime.contains(QStringLiteral("libQt6Widgets.so.6")));
    for (const QString& name : runtime) {
        QVERIFY2(!name.contains(QStringLiteral("Network")) &&
                     !name.contains(QStringLiteral("WebEngine")),
                 qPrintable(name));
    }
}

void TestHostcore::grants_only_the_agreed_request_data() {
    QTest::addColumn<int>("request");
    QTest::addColumn<bool>("granted");

    QTest::newRow("1000") << 1000 << true;
    QTest::newRow("0") << 0 << false;
    QTest::newRow("999") << 999 << false;
    QTest::newRow("1001") << 1001 << false;
    QTest::newRow("-1000") << -1000 << false;
}

void TestHostcore::grants_only_the_agreed_request() {
    QFETCH(int, request);
    QFETCH(bool, granted);

    const auto get_host_entry = reinterpret_cast<glimmer::host::GetHostEntryFunction>(
        dlsym(library_, glimmer::host::host_entry_export));
    QVERIFY(get_host_entry != nullptr);
    QCOMPARE(get_host_entry(request) != nullptr, granted);
}

void TestHostcore::checks_the_program_image_data() {
    QTest::addColumn<bool>("present");
    QTest::addColumn<quint32>("magic");
    QTest::addColumn<quint32>("version");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<bool>("valid");

    const quint32 magic = glimmer::host::program_image_magic;
    const quint32 version = glimmer::host::program_image_version;
    const quint32 size = sizeof(ProgramImage);
    QTest::newRow("the launcher's image") << true << magic << version << size << true;
    QTest::newRow("a later, longer layout of this version")
        << true << magic << version << size + 8 << true;
    QTest::newRow("no image") << false << magic << version << size << false;
    QTest::newRow("unmarked") << true << 0u << version << size << false;
    QTest::newRow("marker bytes reversed") << true << 0x474c4d48u << version << size << false;
    QTest::newRow("other layout version") << true << magic << version + 1 << size << false;
    QTest::newRow("cut short") << true << magic << version << size - 4 << false;
}

void TestHostcore::checks_the_program_image() {
    QFETCH(bool, present);
    QFETCH(quint32, magic);
    QFETCH(quint32, version);
    QFETCH(quint32, size);
    QFETCH(bool, valid);

    const ProgramImage image{magic, version, size, 0, nullptr};
    QCOMPARE(glimmer::host::program_image_valid(present ? &image : nullptr), valid);
}

QTEST_GUILESS_MAIN(TestHostcore)
#include "tst_hostcore.moc"
