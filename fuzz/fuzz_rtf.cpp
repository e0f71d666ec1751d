// The RTF reader on arbitrary bytes: whatever it reads, every paragraph has its runs and the
// text is never cut into a NUL.
#include <cstdint>

#include "rtfreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const RtfReader::Document document = RtfReader::read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
    if (document.paragraphs.isEmpty() || document.plainText().contains(QChar(0)))
        __builtin_trap();
    return 0;
}
