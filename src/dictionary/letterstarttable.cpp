#include "letterstarttable.h"

#include <QStringList>

#include "letterstartrules.h"

namespace LetterStarts {

Result<LetterStartTable> parse(const QString& text, const QString& file)
{
    const auto bad = [&file](const QString& reason) {
        return Failure { FailureNumber::BadConnectionDescription, QStringLiteral("bad connection file %1: Letter Starts %2").arg(file, reason) };
    };
    const auto parsed = LetterStartRules::parse(text.toStdString());
    if (parsed.table)
        return *parsed.table;
    const auto& problem = parsed.problem;
    const QChar letter(u'A' + problem.letter);
    switch (problem.kind) {
    case LetterStartRules::Problem::Kind::Count:
        return bad(QStringLiteral("holds %1 numbers, 26 expected (A to Z)").arg(problem.fields));
    case LetterStartRules::Problem::Kind::NotANumber:
        return bad(QStringLiteral("gives %1 \"%2\", not a whole number from 0 to 2147483647").arg(letter).arg(QString::fromStdString(problem.field).left(20)));
    case LetterStartRules::Problem::Kind::FirstNotZero:
        return bad(QStringLiteral("gives A %1; A is the first entry, 0").arg(problem.value));
    case LetterStartRules::Problem::Kind::Falling:
        break;
    }
    return bad(QStringLiteral("gives %1 %2, before %3 at %4").arg(letter).arg(problem.value).arg(QChar(u'A' + problem.letter - 1)).arg(problem.previous));
}

QString format(const LetterStartTable& table)
{
    QStringList fields;
    for (const qint32 start : table)
        fields.append(QString::number(start));
    return fields.join(u',');
}

} // namespace LetterStarts
