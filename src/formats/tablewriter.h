#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// The text tables as the build writes them, which the tables' reader takes back as they were:
// tab-separated UTF-8 with a header line, described by a schema.ini, and the connection file
// that names them.
namespace TableWriter {

// One row; num is its position, counted as the rows are written.
struct Row final {
    QString english;
    QString french;
    QString subfield;
    QString label; // of the translation this table shows
    // The record of the entry, in the text forms of termrecord.h.
    QString grammar;            // of the term looked up
    QString translationGrammar; // of the translation
    QString definitionFrench;
    QString definitionEnglish;
    QString notes;   // on the term looked up
    QString related; // to the term looked up

    bool hasRecord() const;
};

// The record columns follow when `records` is true: a dictionary without records keeps the
// table it always had.
QByteArray table(const QList<Row>& rows, bool records = false);
QByteArray schema(bool records = false);
QByteArray connection(const QString& title, const QString& tableFolder, const QString& letterStarts);

} // namespace TableWriter
