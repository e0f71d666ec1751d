// The connection description parser on arbitrary text.
#include <cstdint>

#include <QString>

#include "connectiondescription.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    auto parsed = ConnectionDescription::parse(text, QStringLiteral("fuzz.UDL"), QStringLiteral("/tmp"));
    if (!parsed && parsed.failure().description.isEmpty())
        __builtin_trap(); // every failure names what is wrong
    return 0;
}
