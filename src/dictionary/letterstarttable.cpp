#include "letterstarttable.h"

#include <limits>

#include <QStringList>

namespace LetterStarts {

Result<LetterStartTable> parse(const QString& text, const QString& file)
{
    const auto bad = [&file](const QString& reason) {
        return Failure { FailureNumber::BadConnectionDescription, QStringLiteral("bad connection file %1: Letter Starts %2").arg(file, reason) };
    };
    const QStringList fields = text.split(u',');
    if (fields.size() != 26)
        return bad(QStringLiteral("holds %1 numbers, 26 expected (A to Z)").arg(fields.size()));
    LetterStartTable table {};
    for (int i = 0; i < 26; ++i) {
        const QString field = fields[i].trimmed();
        const QChar letter(u'A' + i);
        bool digitsOnly = !field.isEmpty() && field.size() <= 10;
        for (const QChar c : field)
            digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
        const qint64 value = digitsOnly ? field.toLongLong() : -1;
        if (!digitsOnly || value > std::numeric_limits<qint32>::max())
            return bad(QStringLiteral("gives %1 \"%2\", not a whole number from 0 to 2147483647").arg(letter).arg(field.left(20)));
        table[i] = static_cast<qint32>(value);
        if (i == 0 && value != 0)
            return bad(QStringLiteral("gives A %1; A is the first entry, 0").arg(value));
        if (i > 0 && table[i] < table[i - 1])
            return bad(QStringLiteral("gives %1 %2, before %3 at %4").arg(letter).arg(table[i]).arg(QChar(u'A' + i - 1)).arg(table[i - 1]));
    }
    return table;
}

QString format(const LetterStartTable& table)
{
    QStringList fields;
    for (const qint32 start : table)
        fields.append(QString::number(start));
    return fields.join(u',');
}

} // namespace LetterStarts
