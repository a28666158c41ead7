// Any bytes are read as code page 1251 text, one character per byte, and
// writing that text again gives the same bytes back, except that a byte with
// no character (0x98) comes back as '?'.
#include "core/cp1251.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString text = kelto::FromCp1251(bytes);
    const QByteArray back = kelto::ToCp1251(text);

    // Writing again what the file held must not change it, except that a byte
    // without a character becomes '?'.
    if (back.size() != bytes.size())
        std::abort();
    for (qsizetype i = 0; i < bytes.size(); ++i)
        if (back[i] != bytes[i] && back[i] != '?')
            std::abort();

    // And what fits the code page goes through unchanged.
    if (kelto::FitsCp1251(text) && kelto::FromCp1251(back) != text)
        std::abort();
    if (kelto::ToCp1251Repertoire(text) != kelto::FromCp1251(back))
        std::abort();
    return 0;
}
