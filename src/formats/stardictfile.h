#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "termtext.h"

// One direction of the dictionary as a StarDict dictionary: the description (.ifo), the sorted
// index of headwords (.idx), the other spellings pointing into it (.syn: "anxiete" finds
// "anxiété") and the entries' plain text (.dict, dictzipped when written).
namespace StarDictFile
{

struct About final {
    QString bookName;
    QString description;
    QString date;
};

struct Dictionary final {
    QByteArray ifo;
    QByteArray idx;
    QByteArray syn;
    QByteArray dict;
    qsizetype headwords = 0;
    // Headwords of 256 bytes or more, which the format cannot index.
    QStringList leftOut;
};

Dictionary write(const QList<TermText::Headword>& headwords, bool fromFrench, const About& about);

// The readers' order of index words: ASCII letters without case, then byte by byte.
bool lessThan(const QByteArray& a, const QByteArray& b);

} // namespace StarDictFile
