#include "rtfreader.h"

#include <QHash>
#include <QStringDecoder>

#include "textfile.h"

namespace RtfReader {
namespace {

// A control word is ASCII letters, whatever the desktop's locale says of the bytes above 127
// (in a Latin-1 locale é would be a letter and swallow the text after a word).
bool asciiLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool asciiDigit(char c)
{
    return c >= '0' && c <= '9';
}

enum class Destination { Text, FontTable, ColourTable, Skip };

struct State {
    Destination destination = Destination::Text;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int font = -1;
    int halfPoints = 24;
    int colour = 0;
    int unicodeSkip = 1;
};

// Destinations that hold no text for the reader, even without \*.
bool skippedDestination(const QByteArray& word)
{
    static const QList<QByteArray> words { "stylesheet", "info",     "pict",     "header",    "headerl",     "headerr",    "headerf",
                                           "footer",     "footerl",  "footerr",  "footerf",   "footnote",    "object",     "listtable",
                                           "listoverridetable", "revtbl", "rsidtbl", "generator", "xmlnstbl", "themedata",
                                           "colorschememapping", "latentstyles", "datastore", "filetbl", "fldinst", "bkmkstart",
                                           "bkmkend", "annotation", "atnid", "atnauthor", "nonshppict", "shp", "shpinst" };
    return words.contains(word);
}

class Reader {
public:
    Reader(const QByteArray& rtf, Document& document) : m_rtf(rtf), m_document(document)
    {
        m_states.append(State());
        m_document.paragraphs = { Paragraph() };
    }

    void run()
    {
        while (m_pos < m_rtf.size()) {
            const char c = m_rtf[m_pos++];
            switch (c) {
            case '{':
                openGroup();
                break;
            case '}':
                closeGroup();
                break;
            case '\\':
                controlSequence();
                break;
            case '\r':
            case '\n':
                break;
            default:
                byte(static_cast<unsigned char>(c));
                break;
            }
        }
        flush();
    }

private:
    State& state() { return m_states.last(); }

    void openGroup()
    {
        if (m_states.size() >= maxDepth) {
            ++m_overflow;
            return;
        }
        flush();
        m_states.append(state());
    }

    void closeGroup()
    {
        if (m_overflow > 0) {
            --m_overflow;
            return;
        }
        if (m_states.size() == 1)
            return; // an unbalanced brace closes nothing
        flush();
        if (state().destination == Destination::FontTable)
            endFontEntry();
        m_states.removeLast();
    }

    void controlSequence()
    {
        if (m_pos >= m_rtf.size())
            return;
        const char c = m_rtf[m_pos];
        if (!asciiLetter(c)) {
            ++m_pos;
            controlSymbol(c);
            return;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_rtf.size() && m_pos - start < 32 && asciiLetter(m_rtf[m_pos]))
            ++m_pos;
        const QByteArray word = m_rtf.mid(start, m_pos - start);
        while (m_pos < m_rtf.size() && asciiLetter(m_rtf[m_pos]))
            ++m_pos; // an overlong word: the rest of it is dropped
        bool hasParameter = false;
        qint64 parameter = 0;
        bool negative = false;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == '-') {
            negative = true;
            ++m_pos;
        }
        int digits = 0;
        while (m_pos < m_rtf.size() && asciiDigit(m_rtf[m_pos])) {
            if (digits++ < 10)
                parameter = parameter * 10 + (m_rtf[m_pos] - '0');
            hasParameter = true;
            ++m_pos;
        }
        if (negative)
            parameter = -parameter;
        if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
            ++m_pos;
        if (word == "bin") {
            // Binary data follows (a picture, say): skip it, however long it claims to be.
            m_pos += std::clamp<qint64>(parameter, 0, m_rtf.size() - m_pos);
            return;
        }
        controlWord(word, hasParameter, static_cast<int>(std::clamp<qint64>(parameter, -2147483647, 2147483647)));
    }

    void controlSymbol(char c)
    {
        switch (c) {
        case '\'': {
            if (m_pos + 2 > m_rtf.size()) {
                m_pos = m_rtf.size(); // a cut escape ends the file
                return;
            }
            bool ok = false;
            const int value = m_rtf.mid(m_pos, 2).toInt(&ok, 16);
            m_pos += 2;
            if (ok)
                byte(static_cast<unsigned char>(value));
            return;
        }
        case '*':
            state().destination = Destination::Skip;
            return;
        case '~':
            character(QChar(0x00A0));
            return;
        case '_':
            character(QChar(0x2011));
            return;
        case '-':
            return; // an optional hyphen
        case '\r':
        case '\n':
            paragraph();
            return;
        default:
            byte(static_cast<unsigned char>(c)); // \\ \{ \} and the like stand for themselves
            return;
        }
    }

    void controlWord(const QByteArray& word, bool hasParameter, int parameter)
    {
        State& s = state();
        const bool on = !hasParameter || parameter != 0;
        if (word == "fonttbl") {
            s.destination = Destination::FontTable;
        } else if (word == "colortbl") {
            s.destination = Destination::ColourTable;
            m_colours.clear();
            m_red = m_green = m_blue = 0;
        } else if (skippedDestination(word)) {
            s.destination = Destination::Skip;
        } else if (s.destination == Destination::Skip) {
            return;
        } else if (s.destination == Destination::ColourTable) {
            if (word == "red")
                m_red = std::clamp(parameter, 0, 255);
            else if (word == "green")
                m_green = std::clamp(parameter, 0, 255);
            else if (word == "blue")
                m_blue = std::clamp(parameter, 0, 255);
        } else if (word == "f") {
            if (s.destination == Destination::FontTable) {
                endFontEntry();
                m_fontEntry = parameter;
            } else {
                flush();
                s.font = parameter;
            }
        } else if (s.destination == Destination::FontTable) {
            return;
        } else if (word == "ansicpg") {
            setCodePage(parameter);
        } else if (word == "uc") {
            s.unicodeSkip = std::clamp(parameter, 0, 10);
        } else if (word == "u") {
            unicode(parameter);
        } else if (word == "par" || word == "sect") {
            paragraph();
        } else if (word == "line") {
            character(QChar(QChar::LineSeparator));
        } else if (word == "tab") {
            character(u'\t');
        } else if (word == "pard" || word == "ql" || word == "qc" || word == "qr" || word == "qj") {
            // Paragraph properties belong to the paragraph being written, and the next ones
            // inherit them until \pard.
            align(word == "qc" ? Qt::AlignHCenter : word == "qr" ? Qt::AlignRight : word == "qj" ? Qt::AlignJustify : Qt::AlignLeft);
        } else if (word == "plain") {
            flush();
            s.bold = s.italic = s.underline = false;
            s.halfPoints = 24;
            s.colour = 0;
        } else if (word == "b" || word == "i" || word == "ul" || word == "ulnone" || word == "fs" || word == "cf") {
            flush();
            if (word == "b")
                s.bold = on;
            else if (word == "i")
                s.italic = on;
            else if (word == "ul")
                s.underline = on;
            else if (word == "ulnone")
                s.underline = false;
            else if (word == "fs")
                s.halfPoints = hasParameter ? std::clamp(parameter, 2, 3276) : 24;
            else
                s.colour = std::max(0, parameter);
        } else {
            static const QHash<QByteArray, char16_t> symbols { { "emdash", 0x2014 }, { "endash", 0x2013 }, { "bullet", 0x2022 },
                                                               { "lquote", 0x2018 }, { "rquote", 0x2019 }, { "ldblquote", 0x201C },
                                                               { "rdblquote", 0x201D }, { "emspace", 0x2003 }, { "enspace", 0x2002 } };
            if (const auto symbol = symbols.constFind(word); symbol != symbols.constEnd())
                character(QChar(*symbol));
        }
    }

    void setCodePage(int codePage)
    {
        m_windows1252 = codePage == 1252;
        m_decoder = QStringDecoder();
        if (!m_windows1252) {
            m_decoder = QStringDecoder(QByteArray("windows-" + QByteArray::number(codePage)).constData());
            if (!m_decoder.isValid())
                m_windows1252 = true;
        }
    }

    void unicode(int value)
    {
        const auto code = static_cast<char16_t>(value < 0 ? value + 65536 : value);
        character(QChar(code));
        // The fallback that follows stands in for readers without Unicode: skip it.
        for (int skip = state().unicodeSkip; skip > 0 && m_pos < m_rtf.size(); --skip) {
            const char c = m_rtf[m_pos];
            if (c == '{' || c == '}')
                break;
            if (c == '\\') {
                if (m_pos + 1 < m_rtf.size() && m_rtf[m_pos + 1] == '\'') {
                    m_pos += std::min<qsizetype>(4, m_rtf.size() - m_pos);
                } else {
                    ++m_pos;
                    while (m_pos < m_rtf.size() && (asciiLetter(m_rtf[m_pos]) || asciiDigit(m_rtf[m_pos])))
                        ++m_pos;
                    if (m_pos < m_rtf.size() && m_rtf[m_pos] == ' ')
                        ++m_pos;
                }
                continue;
            }
            if (c == '\r' || c == '\n') {
                ++skip;
                ++m_pos;
                continue;
            }
            ++m_pos;
        }
    }

    void byte(unsigned char b)
    {
        switch (state().destination) {
        case Destination::Skip:
            return;
        case Destination::ColourTable:
            if (b == ';') {
                m_colours.append(Colour { m_red, m_green, m_blue });
                m_red = m_green = m_blue = 0;
            }
            return;
        case Destination::FontTable:
            if (b == ';')
                endFontEntry();
            else
                m_fontName.append(static_cast<char>(b));
            return;
        case Destination::Text:
            break;
        }
        const char raw = static_cast<char>(b);
        const QString decoded = m_windows1252 ? TextFile::decodeWindows1252(QByteArrayView(&raw, 1)) : QString(m_decoder.decode(QByteArrayView(&raw, 1)));
        for (const QChar c : decoded)
            character(c);
    }

    void endFontEntry()
    {
        if (m_fontEntry >= 0 && !m_fontName.trimmed().isEmpty() && m_fonts.size() < 4096)
            m_fonts.insert(m_fontEntry, TextFile::decodeWindows1252(m_fontName.trimmed()));
        m_fontName.clear();
        m_fontEntry = -1;
    }

    void character(QChar c)
    {
        if (state().destination != Destination::Text || c.isNull())
            return;
        m_run.append(c);
    }

    Run format() const
    {
        const State& s = m_states.last();
        Run run;
        run.bold = s.bold;
        run.italic = s.italic;
        run.underline = s.underline;
        run.points = s.halfPoints / 2.0;
        if (const auto font = m_fonts.constFind(s.font); font != m_fonts.constEnd())
            run.family = *font;
        // Colour 0 is the automatic colour; others index the colour table.
        if (s.colour > 0 && s.colour < m_colours.size())
            run.colour = m_colours[s.colour];
        return run;
    }

    void flush()
    {
        if (m_run.isEmpty())
            return;
        Run run = format();
        run.text = m_run;
        m_document.paragraphs.last().runs.append(std::move(run));
        m_run.clear();
    }

    void paragraph()
    {
        if (state().destination != Destination::Text)
            return;
        flush();
        // A new paragraph keeps the alignment of the one before until \pard.
        Paragraph next;
        next.alignment = m_document.paragraphs.last().alignment;
        m_document.paragraphs.append(next);
    }

    void align(Qt::Alignment alignment)
    {
        if (state().destination != Destination::Text)
            return;
        m_document.paragraphs.last().alignment = alignment;
    }

    const QByteArray& m_rtf;
    Document& m_document;
    qsizetype m_pos = 0;
    QList<State> m_states;
    int m_overflow = 0;
    QString m_run;
    QHash<int, QString> m_fonts;
    int m_fontEntry = -1;
    QByteArray m_fontName;
    QList<Colour> m_colours;
    int m_red = 0;
    int m_green = 0;
    int m_blue = 0;
    bool m_windows1252 = true;
    QStringDecoder m_decoder;
};

} // namespace

QString Document::plainText() const
{
    QStringList lines;
    for (const Paragraph& paragraph : paragraphs) {
        QString line;
        for (const Run& run : paragraph.runs)
            line += run.text;
        lines.append(line);
    }
    return lines.join(u'\n');
}

Document read(const QByteArray& rtf)
{
    Document document;
    Reader(rtf, document).run();
    return document;
}

} // namespace RtfReader
