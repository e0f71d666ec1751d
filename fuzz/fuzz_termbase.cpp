// The term-base readers on arbitrary input: the first byte picks CSV or TBX. Whatever they
// accept must be fit for the tables and must read back the same once written out again.
#include <cstdint>

#include "tbxfile.h"
#include "termsource.h"

namespace {

bool same(const QList<TermSource::Entry>& a, const QList<TermSource::Entry>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const TermSource::Entry& x, const TermSource::Entry& y) {
        return x.french == y.french && x.english == y.english && x.direction == y.direction && x.subfield == y.subfield
            && x.labelEnglish == y.labelEnglish && x.labelFrench == y.labelFrench;
    });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const bool tbx = data[0] & 1;
    const QByteArray input(reinterpret_cast<const char*>(data) + 1, static_cast<qsizetype>(size - 1));
    const QString path = tbx ? QStringLiteral("in.tbx") : QStringLiteral("in.csv");
    auto entries = tbx ? TbxFile::parse(input, path) : TermSource::parseCsv(input, path);
    if (!entries) {
        if (entries.failure().description.isEmpty())
            __builtin_trap();
        return 0;
    }
    for (const TermSource::Entry& entry : *entries) {
        if (!TermSource::check(entry, path))
            __builtin_trap();
    }
    if (tbx) {
        auto written = TbxFile::write(*entries, QStringLiteral("fuzz"));
        if (!written)
            return 0;
        auto back = TbxFile::parse(*written, path);
        if (!back || !same(*back, *entries))
            __builtin_trap();
    } else {
        auto back = TermSource::parseCsv(TermSource::writeCsv(*entries), path);
        if (!back || !same(*back, *entries))
            __builtin_trap();
    }
    return 0;
}
