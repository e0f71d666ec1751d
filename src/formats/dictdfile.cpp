#include "dictdfile.h"

#include <algorithm>

using namespace Qt::StringLiterals;

namespace DictdFile
{

namespace
{

// The server's base 64 for offsets and lengths: most significant digit first, no padding.
QByteArray number(qint64 value)
{
    static constexpr char digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    QByteArray out;
    do {
        out.prepend(digits[value & 63]);
        value >>= 6;
    } while (value > 0);
    return out;
}

struct Line final {
    QByteArray key;
    QByteArray shown; // the word as written, when the key is not it
    qint64 offset = 0;
    qint64 length = 0;
};

} // namespace

QString key(const QString& word)
{
    QString out;
    const QList<uint> codePoints = word.toUcs4();
    for (const uint c : codePoints) {
        const char32_t lower = QChar::toLower(char32_t(c));
        if (QChar::isLetterOrNumber(lower))
            out += QString::fromUcs4(&lower, 1);
        else if (QChar::isSpace(lower))
            out += u' ';
    }
    return out;
}

Database write(const QList<TermText::Headword>& headwords, bool fromFrench, const About& about)
{
    Database database;
    QList<Line> lines;
    const auto add = [&](const QString& word, const QString& shown, qint64 offset, qint64 length) {
        const QString k = key(word);
        if (k.isEmpty()) // nothing a client can type reaches it
            return;
        lines.append(Line { .key = k.toUtf8(),
            .shown = k == shown ? QByteArray() : shown.toUtf8(),
            .offset = offset,
            .length = length });
    };
    const auto entry = [&](const QString& headword, const QString& text) {
        // SHOW INFO shows its entry's text as it is; every other text starts with its word.
        const QByteArray bytes = (headword == u"00-database-info" ? text : headword + u'\n' + text).toUtf8();
        const qint64 offset = database.data.size();
        database.data += bytes;
        return std::pair { offset, qint64(bytes.size()) };
    };
    // The entries the server reads about the database itself.
    QList<std::pair<QString, QString>> headers { { u"00-database-utf8"_s, QString() },
        { u"00-database-short"_s, u"     "_s + about.shortName + u'\n' }, { u"00-database-info"_s, about.info } };
    if (!about.url.isEmpty())
        headers.append({ u"00-database-url"_s, about.url + u'\n' });
    for (const auto& [name, text] : headers) {
        const auto [offset, length] = entry(name, text);
        add(name, key(name), offset, length);
    }
    const QSet<QString> terms = TermText::termsOf(headwords);
    for (const TermText::Headword& headword : headwords) {
        const auto [offset, length] = entry(headword.term, TermText::text(headword, fromFrench));
        add(headword.term, headword.term, offset, length);
        // A key twice for one text would show the entry twice.
        QStringList keys { key(headword.term) };
        for (const QString& form : TermText::alternatives(headword, terms, fromFrench)) {
            if (!keys.contains(key(form))) {
                keys << key(form);
                add(form, headword.term, offset, length);
            }
        }
        ++database.headwords;
    }
    // The server halves the index to find a key: bytes in order, as C compares them.
    std::stable_sort(lines.begin(), lines.end(), [](const Line& a, const Line& b) { return a.key < b.key; });
    for (const Line& line : lines) {
        database.index += line.key + '\t' + number(line.offset) + '\t' + number(line.length);
        if (!line.shown.isEmpty())
            database.index += '\t' + line.shown;
        database.index += '\n';
    }
    return database;
}

} // namespace DictdFile
