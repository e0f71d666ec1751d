#include "searchtext.h"

namespace SearchText {

namespace {

bool isApostrophe(QChar c)
{
    return c == u'\'' || c == u'\u2019' || c == u'\u02bc' || c == u'`';
}

// The words French writes elided before a vowel.
bool isElision(const QString& word)
{
    static const QStringList elided { QStringLiteral("l"),     QStringLiteral("d"),      QStringLiteral("j"),      QStringLiteral("m"),
                                      QStringLiteral("n"),     QStringLiteral("s"),      QStringLiteral("t"),      QStringLiteral("c"),
                                      QStringLiteral("qu"),    QStringLiteral("jusqu"),  QStringLiteral("lorsqu"), QStringLiteral("puisqu"),
                                      QStringLiteral("quoiqu") };
    return elided.contains(word);
}

void appendFolded(QChar c, QString* word)
{
    switch (c.unicode()) {
    case u'\u0153': // œ
        word->append(u"oe");
        return;
    case u'\u00e6': // æ
        word->append(u"ae");
        return;
    case u'\u00df': // ß
        word->append(u"ss");
        return;
    default:
        break;
    }
    // The base letter of a precomposed one; marks on their own are dropped by the caller.
    const QString decomposed = QString(c).normalized(QString::NormalizationForm_KD);
    for (const QChar part : decomposed) {
        if (part.isLetterOrNumber())
            word->append(part.toLower());
    }
}

// A final -s or -x of a plural; short words ("bus", "tax") and double s ("stress") keep theirs.
QString singular(QString word)
{
    if (word.size() > 3 && (word.endsWith(u's') || word.endsWith(u'x')) && !word.endsWith(QStringLiteral("ss")))
        word.chop(1);
    return word;
}

} // namespace

QStringList words(const QString& text)
{
    QStringList found;
    QString word;
    const auto end = [&](bool elided) {
        if (word.isEmpty())
            return;
        if (!(elided && isElision(word)))
            found.append(singular(word));
        word.clear();
    };
    for (const QChar c : text.toCaseFolded()) {
        if (c.isLetterOrNumber() || c.category() == QChar::Mark_NonSpacing) {
            if (c.isLetterOrNumber())
                appendFolded(c, &word);
            continue;
        }
        end(isApostrophe(c));
    }
    end(false);
    return found;
}

QString folded(const QString& text)
{
    return words(text).join(u' ');
}

} // namespace SearchText
