#include "store.h"

std::optional<UnsendableCharacter> firstUnsendable(QStringView text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c.isNull())
            return UnsendableCharacter { i + 1, true };
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return UnsendableCharacter { i + 1, false };
    }
    return {};
}

std::optional<QString> unsendableQueryText(const QString& sql)
{
    const auto found = firstUnsendable(sql);
    if (!found)
        return {};
    return (found->nul ? QStringLiteral("the query text holds a NUL character at position %1") : QStringLiteral("the query text holds an unpaired surrogate at position %1"))
        .arg(found->position);
}

Result<TableColumns> TableColumns::of(const QueryResult& rows, const QString& table, bool withNum)
{
    TableColumns columns { .english = rows.columnIndex(Column::english),
                           .french = rows.columnIndex(Column::french),
                           .num = withNum ? rows.columnIndex(Column::num) : -1,
                           .subfield = rows.columnIndex(Column::subfield),
                           .label = rows.columnIndex(Column::label),
                           .grammar = rows.columnIndex(Column::grammar),
                           .translationGrammar = rows.columnIndex(Column::translationGrammar),
                           .definitionFrench = rows.columnIndex(Column::definitionFrench),
                           .definitionEnglish = rows.columnIndex(Column::definitionEnglish),
                           .notes = rows.columnIndex(Column::notes),
                           .related = rows.columnIndex(Column::related) };
    for (const auto& [index, name] : { std::pair { columns.english, Column::english }, std::pair { columns.french, Column::french },
                                       std::pair { withNum ? columns.num : 0, Column::num } }) {
        if (index < 0)
            return Failure { FailureNumber::FieldNotFound, QStringLiteral("%1: the table has no %2 column").arg(table, name) };
    }
    return columns;
}

Outcome forEachRow(QueryResult& rows, const std::function<Outcome(qsizetype)>& visit)
{
    for (qsizetype i = 0;; ++i) {
        auto more = rows.hasRow(i);
        if (!more)
            return more.failure();
        if (!*more)
            return {};
        if (Outcome done = visit(i); !done)
            return done;
    }
}
