#include "termsource.h"

#include "textfile.h"

namespace TermSource {
namespace {

Failure bad(const QString& path, int line, const QString& reason)
{
    return { FailureNumber::MalformedTable, QStringLiteral("%1 line %2: %3").arg(path).arg(line).arg(reason) };
}

QString withLabel(const QString& term, const QString& label)
{
    return label.isEmpty() ? term : term + QStringLiteral(" (") + label + u')';
}

} // namespace

QString Entry::shownEnglish() const
{
    return withLabel(english, labelEnglish);
}

QString Entry::shownFrench() const
{
    return withLabel(french, labelFrench);
}

const QStringList& subfields()
{
    static const QStringList codes { QStringLiteral("clinical"),   QStringLiteral("biological"),     QStringLiteral("cognitive"),
                                     QStringLiteral("methods"),    QStringLiteral("social"),         QStringLiteral("psychoanalysis"),
                                     QStringLiteral("developmental"), QStringLiteral("therapy"),     QStringLiteral("learning"),
                                     QStringLiteral("personality"), QStringLiteral("emotion"),       QStringLiteral("perception"),
                                     QStringLiteral("work"),       QStringLiteral("health"),         QStringLiteral("educational"),
                                     QStringLiteral("forensic") };
    return codes;
}

Result<QList<Entry>> read(const QString& path)
{
    auto bytes = TextFile::read(path, qint64(1) << 30);
    if (!bytes)
        return bytes.failure();
    const auto text = TextFile::decodeUtf8(*bytes);
    if (!text)
        return Failure { FailureNumber::MalformedTable, path + QStringLiteral(": not valid UTF-8") };
    return parse(*text, path);
}

Result<QList<Entry>> parse(const QString& text, const QString& path)
{
    QStringList lines = text.split(u'\n');
    for (QString& line : lines) {
        if (line.endsWith(u'\r'))
            line.chop(1);
    }
    if (lines.isEmpty() || lines.front().trimmed().isEmpty())
        return bad(path, 1, QStringLiteral("a header line naming the columns (Frensh, English …) expected"));
    const QStringList header = lines.front().split(u'\t');
    const auto column = [&header](const char16_t* name) {
        for (qsizetype i = 0; i < header.size(); ++i) {
            if (header[i].trimmed().compare(QStringView(name), Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        }
        return -1;
    };
    const int french = column(u"Frensh");
    const int english = column(u"English");
    const int direction = column(u"Direction");
    const int subfield = column(u"Subfield");
    const int labelEnglish = column(u"LabelEn");
    const int labelFrench = column(u"LabelFr");
    if (french < 0 || english < 0)
        return bad(path, 1, QStringLiteral("the header line names no %1 column").arg(french < 0 ? QStringLiteral("Frensh") : QStringLiteral("English")));
    for (qsizetype i = 0; i < header.size(); ++i) {
        if (!QList<int> { french, english, direction, subfield, labelEnglish, labelFrench }.contains(int(i)))
            return bad(path, 1, QStringLiteral("unknown column \"%1\"").arg(header[i]));
    }

    QList<Entry> entries;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const int line = static_cast<int>(i + 1);
        if (lines[i].isEmpty())
            continue;
        const QStringList fields = lines[i].split(u'\t');
        if (fields.size() != header.size())
            return bad(path, line, QStringLiteral("%1 fields, %2 expected (a French term, a tab and an English term at least)")
                                       .arg(fields.size())
                                       .arg(header.size()));
        const auto field = [&fields](int index) { return index < 0 ? QString() : fields[index].trimmed(); };
        Entry entry { field(french), field(english), Direction::Both, field(subfield), field(labelEnglish), field(labelFrench), line };
        if (entry.french.isEmpty() || entry.english.isEmpty())
            return bad(path, line, QStringLiteral("a French term, a tab and an English term expected"));
        const QString way = field(direction);
        if (way == u"fr")
            entry.direction = Direction::FrenchToEnglish;
        else if (way == u"en")
            entry.direction = Direction::EnglishToFrench;
        else if (!way.isEmpty() && way != u"both")
            return bad(path, line, QStringLiteral("direction \"%1\": both, fr or en expected").arg(way));
        for (const QString* label : { &entry.labelEnglish, &entry.labelFrench }) {
            if (label->contains(u'(') || label->contains(u')'))
                return bad(path, line, QStringLiteral("the label \"%1\" holds a parenthesis; the tables add their own").arg(*label));
        }
        entries.append(entry);
    }
    return entries;
}

} // namespace TermSource
