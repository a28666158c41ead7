// The diary reader against arbitrary bytes: it must not crash, must not
// read or pad beyond what the input holds, and what it writes back must read
// again completely into the same diary, byte for byte (every byte of the code
// page reads as one character and writes back as the same byte).
#include "diary/diaryfile.h"

#include <cstdint>
#include <cstdlib>

using namespace kelto;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    TDayList store;
    ParseDiary(bytes, store);

    // Every record takes at least a date line and a count line of the input;
    // only padding of the last one may go beyond it, and only so far.
    const qsizetype inputLines = bytes.count('\n') + 1;
    if (store.size() > inputLines)
        std::abort();
    qsizetype lines = 0;
    for (const TDayRecord& r : store) {
        if (!r.Date.isValid())
            std::abort();
        // The note is held as the file's bytes: exactly one CR LF per line.
        if (r.Note.count('\n') != r.LineCount || (r.LineCount > 0 && !r.Note.endsWith("\r\n")))
            std::abort();
        lines += r.LineCount;
    }
    if (lines > inputLines + MaxPaddedLines)
        std::abort();

    const QByteArray written = EncodeDiary(store);
    TDayList again;
    if (!ParseDiary(written, again) || again.size() != store.size())
        std::abort();
    for (qsizetype i = 0; i < store.size(); ++i)
        if (again[i].Date != store[i].Date || again[i].Note != store[i].Note || again[i].LineCount != store[i].LineCount
            || again[i].Lines() != store[i].Lines())
            std::abort();
    if (EncodeDiary(again) != written)
        std::abort();

    SortByDate(again);
    const QByteArray exported = EncodeNoteExport(again);
    if (again.isEmpty() != exported.isEmpty())
        std::abort();
    return 0;
}
