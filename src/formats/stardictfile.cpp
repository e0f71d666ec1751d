#include "stardictfile.h"

#include <algorithm>

#include <QtEndian>

using namespace Qt::StringLiterals;

namespace StarDictFile
{

namespace
{

// The format's limit on an index word, its terminating NUL not counted.
constexpr qsizetype maxWordBytes = 255;

void big32(QByteArray& out, quint32 value)
{
    char bytes[4];
    qToBigEndian(value, bytes);
    out.append(bytes, 4);
}

unsigned char asciiLower(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? u + ('a' - 'A') : u;
}

int compare(const QByteArray& a, const QByteArray& b)
{
    const qsizetype n = qMin(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        if (const int d = int(asciiLower(a[i])) - int(asciiLower(b[i])); d != 0)
            return d;
    }
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return a < b ? -1 : b < a ? 1 : 0;
}

// A value of the description: one line, as its reader splits the file at line feeds.
QString oneLine(QString text)
{
    text.replace(u"\r\n"_s, u"<br>"_s).replace(u'\n', u"<br>"_s).replace(u'\r', u' ');
    return text;
}

} // namespace

bool lessThan(const QByteArray& a, const QByteArray& b)
{
    return compare(a, b) < 0;
}

Dictionary write(const QList<TermText::Headword>& headwords, bool fromFrench, const About& about)
{
    Dictionary dictionary;
    struct Word final {
        QByteArray text;
        qint64 offset = 0;
        qint64 size = 0;
        qsizetype headword = 0;
    };
    QList<Word> words;
    for (qsizetype i = 0; i < headwords.size(); ++i) {
        const QByteArray word = headwords[i].term.toUtf8();
        if (word.size() > maxWordBytes) {
            dictionary.leftOut << headwords[i].term;
            continue;
        }
        const QByteArray text = TermText::text(headwords[i], fromFrench).toUtf8();
        words.append(Word { .text = word, .offset = dictionary.dict.size(), .size = text.size(), .headword = i });
        dictionary.dict += text;
    }
    std::stable_sort(words.begin(), words.end(), [](const Word& a, const Word& b) { return lessThan(a.text, b.text); });
    QList<qsizetype> placeOf(headwords.size(), -1);
    for (qsizetype i = 0; i < words.size(); ++i) {
        const Word& word = words[i];
        placeOf[word.headword] = i;
        dictionary.idx += word.text + '\0';
        big32(dictionary.idx, quint32(word.offset));
        big32(dictionary.idx, quint32(word.size));
    }
    dictionary.headwords = words.size();

    struct Synonym final {
        QByteArray text;
        quint32 place = 0;
    };
    QList<Synonym> synonyms;
    const QSet<QString> terms = TermText::termsOf(headwords);
    for (qsizetype i = 0; i < headwords.size(); ++i) {
        if (placeOf[i] < 0)
            continue;
        for (const QString& form : TermText::alternatives(headwords[i], terms, fromFrench)) {
            const QByteArray text = form.toUtf8();
            if (text.size() <= maxWordBytes)
                synonyms.append(Synonym { .text = text, .place = quint32(placeOf[i]) });
        }
    }
    std::stable_sort(
        synonyms.begin(), synonyms.end(), [](const Synonym& a, const Synonym& b) { return lessThan(a.text, b.text); });
    for (const Synonym& synonym : synonyms) {
        dictionary.syn += synonym.text + '\0';
        big32(dictionary.syn, synonym.place);
    }

    QString ifo = u"StarDict's dict ifo file\nversion=2.4.2\n"_s;
    ifo += u"bookname="_s + oneLine(about.bookName) + u'\n';
    ifo += u"wordcount="_s + QString::number(words.size()) + u'\n';
    if (!synonyms.isEmpty())
        ifo += u"synwordcount="_s + QString::number(synonyms.size()) + u'\n';
    ifo += u"idxfilesize="_s + QString::number(dictionary.idx.size()) + u'\n';
    if (!about.description.isEmpty())
        ifo += u"description="_s + oneLine(about.description) + u'\n';
    if (!about.date.isEmpty())
        ifo += u"date="_s + oneLine(about.date) + u'\n';
    // Every entry is plain text: no type byte before it, no NUL after it.
    ifo += u"sametypesequence=m\n"_s;
    dictionary.ifo = ifo.toUtf8();
    return dictionary;
}

} // namespace StarDictFile
