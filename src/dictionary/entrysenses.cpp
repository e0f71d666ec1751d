#include "entrysenses.h"

#include "cursor.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "store.h"
#include "termsource.h"

Result<QList<Sense>> sensesOf(const std::shared_ptr<Store>& store, const Direction& direction, const QString& headword)
{
    QList<Sense> senses;
    if (!store || headword.isEmpty() || firstUnsendable(headword))
        return senses;
    // The window's own exact search, so the senses come in the order it lands on them.
    Cursor cursor(store);
    cursor.setRecordSource(QString::fromUtf8(direction.texts.exactStart) + u'\'' + doubler_apostrophes(headword) + u'\''
                           + QString::fromUtf8(direction.texts.exactEnd));
    if (auto done = cursor.refresh(); !done)
        return done.failure();
    const auto text = [&cursor](QStringView name) {
        auto value = cursor.field(name);
        return value ? value->text : QString();
    };
    const bool french = direction.isFrenchToEnglish();
    for (bool more = cursor.onEntry(); more; more = cursor.moveNext() && cursor.onEntry()) {
        auto record = EntryRecord::at(cursor);
        if (!record)
            return record.failure();
        // The tables show a sense's label after its translation; the view shows it apart.
        const QString translation = TermSource::withoutLabel(text(french ? Column::english : Column::french), text(Column::label));
        senses.append(Sense { .term = text(french ? Column::french : Column::english),
                              .translation = translation,
                              .subfield = text(Column::subfield),
                              .label = text(Column::label),
                              .record = std::move(*record) });
    }
    return senses;
}
