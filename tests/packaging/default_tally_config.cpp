// Writes the tally configuration file the program puts in place when asked to start afresh,
// for the package test to compare with what the installed program wrote.
//   default_tally_config SITE_URL > file

#include "games/tally/tally_config.h"

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: default_tally_config SITE_URL\n", stderr);
        return 2;
    }
    const QByteArray bytes = glimmer::default_tally_config(QString::fromUtf8(argv[1]));
    return std::fwrite(bytes.constData(), 1, bytes.size(), stdout) ==
                   static_cast<std::size_t>(bytes.size())
               ? 0
               : 1;
}
