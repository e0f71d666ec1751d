// The text-table loader on an arbitrary table, the first line of the input optionally being
// a schema.ini (when the input starts with "[").
#include <cstdint>

#include <QFile>
#include <QTemporaryDir>

#include "texttable.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray input(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype split = input.startsWith('[') ? input.indexOf("\n\n") : -1;
    QFile schema(dir.filePath(QStringLiteral("schema.ini")));
    schema.remove();
    if (split > 0 && schema.open(QIODevice::WriteOnly))
        schema.write(input.left(split));
    schema.close();
    QFile table(dir.filePath(QStringLiteral("PS.txt")));
    if (!table.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    table.write(split > 0 ? input.mid(split + 2) : input);
    table.close();
    qsizetype columns = 0;
    const Outcome outcome = TextTable::read(
        table.fileName(), [&](const QList<TextTable::Column>& read) -> Outcome {
            columns = read.size();
            return {};
        },
        [&](const std::vector<TextTable::Cell>& cells, int) -> Outcome {
            if (qsizetype(cells.size()) != columns)
                __builtin_trap(); // rows always have as many cells as there are columns
            return {};
        });
    if (!outcome && outcome.failure().description.isEmpty())
        __builtin_trap();
    return 0;
}
