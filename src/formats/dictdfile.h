#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "termtext.h"

// One direction of the dictionary as a DICT server's database: the text of every entry one
// after the other, and the index a server searches, sorted as it compares. Keys are in the
// server's form (lower case, letters, digits and blanks only), each line naming the headword
// as written so that a match shows it; the headword's other spellings are lines of their own
// pointing at the same text, so that "anxiete" finds "anxiété".
namespace DictdFile
{

struct About final {
    QString shortName; // SHOW DB
    QString info; // SHOW INFO
    QString url;
};

struct Database final {
    QByteArray index;
    QByteArray data; // uncompressed; the server reads it dictzipped
    qsizetype headwords = 0;
};

Database write(const QList<TermText::Headword>& headwords, bool fromFrench, const About& about);

// A word as the server compares it once it is told the data is UTF-8.
QString key(const QString& word);

} // namespace DictdFile
