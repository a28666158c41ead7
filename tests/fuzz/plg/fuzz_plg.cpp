// The .plg line reader and the value conversions on arbitrary bytes: no
// crash, no hang, only kelto::TError for bad values.
#include "core/error.h"
#include "skin/plgformat.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = kelto::ReadPlgLines(bytes);
    if (lines.size() > bytes.size() + 1)
        std::abort();
    for (const QString& line : lines)
        if (line.contains(QLatin1Char('\r')) || line.contains(QLatin1Char('\n')) || line.contains(QChar(0)))
            std::abort();
    // The program reads 33 lines; converting a few more is enough, and keeps
    // large inputs from spending their time in exception unwinding.
    for (const QString& line : lines.mid(0, 64)) {
        try {
            if (kelto::HexToColor(line) > 0x00FFFFFFu)
                std::abort();
        } catch (const kelto::TError&) {
        }
        try {
            (void)kelto::ParseFontSize(line);
        } catch (const kelto::TError&) {
        }
        if (kelto::ParseFontStyles(line) > 15u)
            std::abort();
        try {
            (void)kelto::PictureFormatFor(kelto::ResolvePictureReference(QStringLiteral("/p"), line));
        } catch (const kelto::TError&) {
        }
    }
    QByteArray copy = bytes;
    kelto::ToggleHeaderInMemory(copy);
    kelto::ToggleHeaderInMemory(copy);
    if (copy != bytes)
        std::abort();
    return 0;
}
