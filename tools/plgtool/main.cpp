// plgtool: toggles the scrambled header of plug-in pictures.
//
//   plgtool FILE...          toggles each file in place
//   plgtool -o OUT FILE      writes FILE with its header toggled to OUT
//                            (atomically; FILE is only read)
//
// Toggling twice gives the original back, so the same command scrambles a
// plain picture and unscrambles a stored one.
#include "core/textfile.h"
#include "skin/plgformat.h"

#include <QString>
#include <cstdio>

namespace {

int Usage()
{
    std::fprintf(stderr, "usage: plgtool FILE...\n       plgtool -o OUT FILE\n");
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2)
        return Usage();
    const QString first = QString::fromLocal8Bit(argv[1]);
    if (first == QLatin1String("-h") || first == QLatin1String("--help")) {
        Usage();
        return 0;
    }
    if (first == QLatin1String("-o")) {
        if (argc != 4)
            return Usage();
        const QString out = QString::fromLocal8Bit(argv[2]);
        const QString in = QString::fromLocal8Bit(argv[3]);
        auto bytes = kelto::ReadWholeFile(in);
        if (!bytes) {
            std::fprintf(stderr, "plgtool: cannot read %s\n", argv[3]);
            return 1;
        }
        if (bytes->size() < kelto::PictureHeaderSize) {
            std::fprintf(stderr, "plgtool: %s is shorter than %d bytes\n", argv[3], kelto::PictureHeaderSize);
            return 1;
        }
        kelto::ToggleHeaderInMemory(*bytes);
        if (auto err = kelto::WriteFileAtomically(out, *bytes)) {
            std::fprintf(stderr, "plgtool: cannot write %s: %s\n", argv[2], qPrintable(*err));
            return 1;
        }
        return 0;
    }
    int failures = 0;
    for (int i = 1; i < argc; ++i) {
        if (!kelto::TogglePictureHeader(QString::fromLocal8Bit(argv[i]))) {
            std::fprintf(stderr, "plgtool: cannot toggle %s\n", argv[i]);
            ++failures;
        }
    }
    return failures ? 1 : 0;
}
