#pragma once

#include <optional>

#include <QList>
#include <QString>
#include <QStringList>

// What an entry tells of a term beyond its translation: part of speech, gender (French nouns),
// notes and warnings, and related entries of the same language. The same text forms go into
// the tables' record columns and into the record columns of CSV and tab-separated sources.
namespace TermRecord {

struct Link final {
    QString relation; // one of relations(): the target is the relation of the term
    QString term;
    bool operator==(const Link&) const = default;
};

struct Side final {
    QString partOfSpeech {}; // one of partsOfSpeech(), or empty when unknown
    QString gender {};       // m, f, mf, or empty
    bool plural = false;     // written in the plural, or used only so
    QStringList notes {};
    QStringList warnings {}; // false friends: what a reader must not miss
    QList<Link> related {};

    bool isEmpty() const;
    bool operator==(const Side&) const = default;
};

const QStringList& partsOfSpeech();
const QStringList& genders();
const QStringList& relations();
// full-form for abbreviation, narrower for broader …; a synonym is its own inverse.
QString inverseOf(const QString& relation);

// "noun f", "noun m pl", "adjective"; empty for an empty side.
QString grammarText(const Side& side);
// Why `text` is no grammar ("part of speech \"nom\"…"), or nothing when `side` took it.
std::optional<QString> readGrammar(const QString& text, Side* side);

// Notes as a JSON array of strings, each warning in it as {"warning": text}; links as a JSON
// array of {relation, term}; empty when none.
QString notesText(const QStringList& notes, const QStringList& warnings = {});
QString relatedText(const QList<Link>& links);
// Without `warnings`, warnings are read as notes.
std::optional<QString> readNotes(const QString& text, QStringList* notes, QStringList* warnings = nullptr);
std::optional<QString> readRelated(const QString& text, QList<Link>* links);

// A table row's record columns onto the term looked up (grammar, notes, related terms) and its
// translation (grammar); why they are not in the forms above, or nothing.
std::optional<QString> readRow(const QString& grammar, const QString& translationGrammar, const QString& notes, const QString& related, Side* term,
                               Side* translation);

} // namespace TermRecord
