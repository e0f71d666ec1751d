#pragma once

#include <QList>
#include <QString>

struct Sense;
namespace TermRecord {
struct Side;
}

// The entry view's page: every sense of a headword with its record, as rich text for a text
// browser, in the view's language. Links: "term:<word>" for a related term, "copy:<n>" for the
// n-th sense's translation.
namespace EntryPage {

struct Options {
    bool french = true;               // the French window's view: its words and abbreviations
    bool otherDefinition = false;     // the definition in the other language instead
};

QString html(const QString& headword, const QList<Sense>& senses, const Options& options);

} // namespace EntryPage
