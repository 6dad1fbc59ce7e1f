// Runs a fuzz target on every file in the folders given, as the ordinary builds' test of the
// seed corpus and of the inputs that once broke something.

#include "fuzz_support.h"

#include <QDirIterator>
#include <QFile>

#include <cstdio>

int main(int argc, char** argv) {
    int inputs = 0;
    for (int i = 1; i < argc; ++i) {
        QDirIterator files(QFile::decodeName(argv[i]), QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray input = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(input.constData()),
                                   static_cast<std::size_t>(input.size()));
            ++inputs;
        }
    }
    std::printf("%d inputs, none broke an expectation\n", inputs);
    // An empty corpus would make this test pass on nothing.
    return inputs > 0 ? 0 : 1;
}
