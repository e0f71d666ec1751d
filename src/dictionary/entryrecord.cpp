#include "entryrecord.h"

#include <QJsonArray>

#include "cursor.h"
#include "store.h"

namespace {

QJsonValue textOrNull(const QString& text)
{
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonObject grammarJson(const TermRecord::Side& side)
{
    return { { QStringLiteral("pos"), textOrNull(side.partOfSpeech) },
             { QStringLiteral("gender"), textOrNull(side.gender) },
             { QStringLiteral("plural"), side.plural } };
}

} // namespace

Result<std::optional<EntryRecord>> EntryRecord::at(const Cursor& cursor)
{
    // A table without the first record column has none of them.
    if (!cursor.field(Column::grammar))
        return std::optional<EntryRecord>();
    EntryRecord record;
    QString texts[6];
    const QStringView names[6] { Column::grammar, Column::translationGrammar, Column::definitionFrench,
                                 Column::definitionEnglish, Column::notes, Column::related };
    for (int i = 0; i < 6; ++i) {
        auto value = cursor.field(names[i]);
        if (!value)
            return value.failure();
        texts[i] = value->text;
    }
    if (const auto problem = TermRecord::readRow(texts[0], texts[1], texts[4], texts[5], &record.term, &record.translation))
        return Failure { FailureNumber::MalformedTable, QStringLiteral("the entry's record: ") + *problem };
    record.definitionFrench = texts[2];
    record.definitionEnglish = texts[3];
    return std::optional<EntryRecord>(record);
}

QJsonObject EntryRecord::json() const
{
    QJsonObject object = grammarJson(term);
    object.insert(QStringLiteral("definitionFr"), textOrNull(definitionFrench));
    object.insert(QStringLiteral("definitionEn"), textOrNull(definitionEnglish));
    object.insert(QStringLiteral("notes"), QJsonArray::fromStringList(term.notes));
    object.insert(QStringLiteral("warnings"), QJsonArray::fromStringList(term.warnings));
    QJsonArray related;
    for (const TermRecord::Link& link : term.related)
        related.append(QJsonObject { { QStringLiteral("relation"), link.relation }, { QStringLiteral("term"), link.term } });
    object.insert(QStringLiteral("related"), related);
    object.insert(QStringLiteral("translation"), grammarJson(translation));
    return object;
}
