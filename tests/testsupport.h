#pragma once

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

// A program's exit status and all it printed, both channels together.
struct ProgramRun {
    int exitCode;
    QString output;
};
ProgramRun runProgram(const QString& program, const QStringList& arguments);

// Writes `text` as UTF-8 to `dir/name`, creating folders on the way.
void writeTextFile(const QString& dir, const QString& name, const QByteArray& bytes);

// A data directory with d0.UDL and d2.UDL over one table PS each. `french` holds the rows
// of the French-to-English table and `english` those of the other, each (English, Frensh,
// num) in stored order.
struct Entry {
    QString english;
    QString french;
    QString num;
};
void writeDictionary(const QString& dataDir, const QList<Entry>& french, const QList<Entry>& english);

// A complete content.json whose texts name their place ("publisher.email" and so on), with
// the welcome window's four texts as given.
QByteArray contentJson(const QString& companyLatin, const QString& companyArabic, const QString& author, const QString& notice);

// The entries with num counted in the given order.
QList<Entry> numbered(const QList<QPair<QString, QString>>& englishFrench);
