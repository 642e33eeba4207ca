// Test helper: saves TARGET over and over, alternating the bytes of the files FIRST and
// SECOND, so a test can kill it at any moment of a save. Writes "ready" once the first
// save is on disk.
#include <QCoreApplication>
#include <QStringList>
#include <cstdio>

#include "common/ZtError.h"
#include "data/DataFile.h"

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4) {
        std::fprintf(stderr, "usage: zt_savekiller TARGET FIRST SECOND\n");
        return 2;
    }
    DataFileIo io;
    try {
        const QByteArray images[2] = {io.read(args[2], DataFile::Size),
                                      io.read(args[3], DataFile::Size)};
        io.write(args[1], images[0]);
        std::puts("ready");
        std::fflush(stdout);
        for (unsigned n = 1;; ++n)
            io.write(args[1], images[n % 2]);
    } catch (const ZtError &e) {
        std::fprintf(stderr, "%s\n", qPrintable(e.description()));
        return 1;
    }
}
