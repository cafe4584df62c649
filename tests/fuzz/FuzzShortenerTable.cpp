// The short-link table on whatever "shortener.ini" holds: it reads, and what
// it writes back reads the same again.

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "app/core/ShortenerTable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    using namespace vd::app;
    const QByteArray bytes(reinterpret_cast<const char*>(Data), static_cast<qsizetype>(Size));
    const TShortenerTable table = ParseShortenerTable(bytes);
    (void)FindCode(table.Lines, QStringLiteral("https://example.org/"));
    const TShortenerTable again = ParseShortenerTable(SerializeShortenerTable(table));
    if (again.Encoding != table.Encoding) std::abort();
    // A UTF-16 file with an odd byte at its end is damaged: the byte is kept,
    // so the records written after it no longer line up. Whole units read
    // back as they were.
    const bool utf16 = bytes.startsWith("\xFF\xFE") || bytes.startsWith("\xFE\xFF");
    if (!(utf16 && bytes.size() % 2 == 1) && again.Lines != table.Lines) std::abort();
    return 0;
}
