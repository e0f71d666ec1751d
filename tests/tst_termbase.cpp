// Term bases from outside: CSV as spreadsheets save it and TBX, read and written.
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "tbxfile.h"
#include "termsource.h"

using namespace Qt::Literals::StringLiterals;
using TermSource::Direction;
using TermSource::Entry;

namespace {

// What a reader found, a pair a line: "French|English|direction|subfield|labelEn|labelFr".
QStringList pairs(const QList<Entry>& entries)
{
    QStringList lines;
    for (const Entry& entry : entries) {
        const QString direction = entry.direction == Direction::Both ? u"both"_s : entry.direction == Direction::FrenchToEnglish ? u"fr"_s : u"en"_s;
        lines.append(QStringList { entry.french, entry.english, direction, entry.subfield, entry.labelEnglish, entry.labelFrench }.join(u'|'));
    }
    return lines;
}

QString failureOf(const Result<QList<Entry>>& result)
{
    return result ? u"(read)"_s : result.failure().description;
}

// A tab-separated source read as the tools read it, from a file named terms.tsv in failures.
Result<QList<Entry>> readTsv(const QByteArray& bytes, QString* failure = nullptr)
{
    const QTemporaryDir dir;
    const QString path = dir.filePath(u"terms.tsv"_s);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.flush())
        qFatal("cannot write %s", qPrintable(path));
    auto entries = TermSource::read(path);
    if (failure)
        *failure = failureOf(entries).replace(path, u"terms.tsv"_s);
    return entries;
}

// Entries that need every kind of care a writer must take.
QList<Entry> awkwardEntries()
{
    return {
        { u"déni"_s, u"disavowal"_s, Direction::Both, u"psychoanalysis"_s, u"psychoanalysis"_s, {}, 0, {} },
        { u"\"petit Hans\""_s, u"Little Hans"_s, Direction::FrenchToEnglish, u"psychoanalysis"_s, {}, {}, 0, {} },
        { u"test t, de Student"_s, u"Student's t-test"_s, Direction::Both, u"methods"_s, {}, u"statistique"_s, 0, {} },
        { u"trouble < 6 mois & > 1 mois"_s, u"behaviour \"therapy\""_s, Direction::EnglishToFrench, {}, {}, {}, 0, {} },
        { u"émoji 😀"_s, u"Œdipus; complex"_s, Direction::Both, u"clinical"_s, u"UK; former name"_s, {}, 0, {} },
    };
}

} // namespace

class TestTermBase : public QObject {
    Q_OBJECT

private slots:
    void tsvLineEnds_data();
    void tsvLineEnds();
    void tsvRefused_data();
    void tsvRefused();
    void csvAsSpreadsheetsSaveIt_data();
    void csvAsSpreadsheetsSaveIt();
    void csvRefused_data();
    void csvRefused();
    void csvWrittenReadsBack();
    void tbxVersionsAndTermSections();
    void tbxRefused_data();
    void tbxRefused();
    void tbxWrittenReadsBack();
};

void TestTermBase::tsvLineEnds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("a lone CR, as old Mac text") << QByteArray("Frensh\tEnglish\rpeur\tfear\r\rjoie\tjoy\r") << QStringList { u"2 peur"_s, u"4 joie"_s };
    QTest::newRow("every kind in one file") << QByteArray("Frensh\tEnglish\r\npeur\tfear\rjoie\tjoy\n\r\ndeuil\tmourning") << QStringList { u"2 peur"_s, u"3 joie"_s, u"5 deuil"_s };
}

void TestTermBase::tsvLineEnds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    const auto entries = readTsv(bytes);
    QVERIFY2(entries, qPrintable(failureOf(entries)));
    QStringList found;
    for (const Entry& entry : *entries)
        found.append(QString::number(entry.line) + u' ' + entry.french);
    QCOMPARE(found, expected);
}

void TestTermBase::tsvRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("failure");
    QTest::newRow("its header alone") << QByteArray("Frensh\tEnglish\r\n\r\n") << u"terms.tsv: no term pair after the header line"_s;
    QTest::newRow("a byte that is not UTF-8") << QByteArray("Frensh\tEnglish\npeur\tfear\n\nd\xe9ni\tdenial\n") << u"terms.tsv line 4: the byte 0xe9 is not valid UTF-8"_s;
    const QString text = u"Frensh\tEnglish\r\npeur\tfear\r\n"_s;
    QTest::newRow("UTF-16 without its mark") << QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)
                                             << u"terms.tsv line 1: a NUL character, which no term source holds (is it UTF-16 without its byte-order mark?)"_s;
    QTest::newRow("UTF-16 with its mark") << "\xff\xfe" + QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)
                                          << u"terms.tsv: UTF-16, where a tab-separated source is UTF-8"_s;
    QTest::newRow("a byte-order mark after a term") << QByteArray("Frensh\tEnglish\npeur\xef\xbb\xbf\tfear\n")
                                                    << u"terms.tsv line 2: the French term \"peur\uFEFF\" holds the byte-order mark U+feff at position 5"_s;
}

void TestTermBase::tsvRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, failure);
    QString found;
    QVERIFY(!readTsv(bytes, &found));
    QCOMPARE(found, failure);
}

void TestTermBase::csvAsSpreadsheetsSaveIt_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("expected");
    const QStringList deni { u"déni|disavowal|both|psychoanalysis||"_s, u"œdipe|Oedipus|en|||"_s };
    QTest::newRow("RFC 4180, UTF-8") << QByteArray("French,English,Direction,Subfield\r\nd\xc3\xa9ni,disavowal,both,psychoanalysis\r\n\xc5\x93""dipe,Oedipus,en,\r\n") << deni;
    QTest::newRow("marked UTF-8, semicolons, blank columns after the last")
        << QByteArray("\xef\xbb\xbf""French;English;Direction;Subfield;;\r\nd\xc3\xa9ni;disavowal;;psychoanalysis;;\r\n\xc5\x93""dipe;Oedipus;en;;;\r\n") << deni;
    QTest::newRow("Windows-1252") << QByteArray("French;English;Direction;Subfield\nd\xe9ni;disavowal;both;psychoanalysis\n\x9c""dipe;Oedipus;en;\n") << deni;
    const QString unicodeText = u"French\tEnglish\tDirection\tSubfield\r\ndéni\tdisavowal\t\tpsychoanalysis\r\nœdipe\tOedipus\ten\t\r\n"_s;
    QTest::newRow("UTF-16 with its mark, tabs")
        << QByteArray("\xff\xfe") + QByteArray(reinterpret_cast<const char*>(unicodeText.utf16()), unicodeText.size() * 2) << deni;
    QTest::newRow("a sep= line, the source's own column name")
        << QByteArray("sep=;\nFrensh;English;Direction;Subfield\nd\xc3\xa9ni;disavowal;;psychoanalysis\n\xc5\x93""dipe;Oedipus;en;\n") << deni;
    QTest::newRow("a blank line before the header") << QByteArray("\r\nFrench;English\r\nd\xc3\xa9ni;disavowal\r\n") << QStringList { u"déni|disavowal|both|||"_s };
    QTest::newRow("quotes, separators and blanks in fields")
        << QByteArray("English,French\n\"fear, of \"\"snakes\"\"\", ophidiophobie \n\"a;b\",c\n") << QStringList { u"ophidiophobie|fear, of \"snakes\"|both|||"_s, u"c|a;b|both|||"_s };
}

void TestTermBase::csvAsSpreadsheetsSaveIt()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, expected);
    const auto entries = TermSource::parseCsv(bytes, u"terms.csv"_s);
    QVERIFY2(entries, qPrintable(failureOf(entries)));
    QCOMPARE(pairs(*entries), expected);
}

void TestTermBase::csvRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("failure");
    QTest::newRow("empty") << QByteArray() << u"terms.csv line 1: a header line naming the columns (French, English …) expected"_s;
    QTest::newRow("its header alone") << QByteArray("French,English\r\n") << u"terms.csv: no term pair after the header line"_s;
    QTest::newRow("no separator in the header") << QByteArray("\r\nFrench|English\na|b\n")
                                                << u"terms.csv line 2: no \",\" between the columns of the header line \"French|English\" (nor \";\" or a tab)"_s;
    QTest::newRow("no English column") << QByteArray("French;Anglais\na;b\n") << u"terms.csv line 1: the header line names no English column"_s;
    QTest::newRow("unknown column") << QByteArray("French;English;Note\na;b;c\n") << u"terms.csv line 1: unknown column \"Note\""_s;
    QTest::newRow("a column twice") << QByteArray("French,English,french\n") << u"terms.csv line 1: the column \"french\" is named twice"_s;
    QTest::newRow("a field too many") << QByteArray("French,English\na,b\nc,d,e\n")
                                      << u"terms.csv line 3: 3 fields, 2 expected (the header line's columns, separated by \",\")"_s;
    QTest::newRow("unclosed quote") << QByteArray("French,English\na,b\n\"c,d\n") << u"cannot read terms.csv: line 3: a quoted field is not closed"_s;
    QTest::newRow("a term missing") << QByteArray("French,English\na,\n") << u"terms.csv line 2: a French term and an English term expected"_s;
    QTest::newRow("a line break in a term") << QByteArray("French,English\n\"a\nb\",c\n")
                                            << u"terms.csv line 2: the French term \"a\nb\" holds the control character U+000a at position 2"_s;
    QTest::newRow("text under no column") << QByteArray("French,English,\na,b,c\n") << u"terms.csv line 2: \"c\" in field 3, which the header line does not name"_s;
    QTest::newRow("unknown direction") << QByteArray("French,English,Direction\na,b,up\n") << u"terms.csv line 2: direction \"up\": both, fr or en expected"_s;
    QTest::newRow("label in parentheses") << QByteArray("French,English,LabelEn\na,b,(UK)\n")
                                          << u"terms.csv line 2: the label \"(UK)\" holds a parenthesis; the tables add their own"_s;
    QTest::newRow("a code Windows-1252 leaves unassigned") << QByteArray("French;English\nd\xe9ni;x\x81y\n")
                                                          << u"terms.csv line 2: the English term \"x\u0081y\" holds the control character U+0081 at position 2"_s;
    QTest::newRow("a line separator") << QByteArray("French,English\na\xe2\x80\xa8""b,c\n")
                                      << u"terms.csv line 2: the French term \"a\u2028b\" holds the line separator U+2028 at position 2"_s;
    QTest::newRow("a term longer than a table keeps") << "French,English\nf," + QByteArray(4097, 'e') + '\n'
                                                      << u"terms.csv line 2: the English term \""_s + QString(40, u'e') + u"…\" holds 4097 characters, more than the 4096 a table keeps"_s;
    QTest::newRow("UTF-8 but for one byte") << QByteArray("French,English\nanxi\xc3\xa9t\xc3\xa9,anxiety\nd\xe9ni,denial\n")
                                            << u"terms.csv line 3: the byte 0xe9 is not valid UTF-8, yet line 2 is UTF-8: save the whole file as UTF-8"_s;
    const QString text = u"French,English\r\npeur,fear\r\n"_s;
    QTest::newRow("UTF-16 without its mark") << QByteArray(reinterpret_cast<const char*>(text.utf16()), text.size() * 2)
                                             << u"terms.csv line 1: a NUL character, which no term source holds (is it UTF-16 without its byte-order mark?)"_s;
    QTest::newRow("marked UTF-8 that is not") << QByteArray("\xef\xbb\xbf""French,English\n\xe9,b\n") << u"terms.csv: marked as UTF-8 but not valid UTF-8"_s;
}

void TestTermBase::csvRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, failure);
    QCOMPARE(failureOf(TermSource::parseCsv(bytes, u"terms.csv"_s)), failure);
}

void TestTermBase::csvWrittenReadsBack()
{
    const QByteArray csv = TermSource::writeCsv(awkwardEntries());
    // RFC 4180: CRLF after every record, quotes only where a field needs them.
    QVERIFY(csv.startsWith("French,English,Direction,Subfield,LabelEn,LabelFr\r\n"));
    QVERIFY(csv.contains("\r\n\"\"\"petit Hans\"\"\",Little Hans,fr,psychoanalysis,,\r\n"));
    QVERIFY(csv.contains("\"test t, de Student\",Student's t-test,both,methods,,statistique\r\n"));
    QCOMPARE(csv.count("\r\n"), awkwardEntries().size() + 1);
    const auto back = TermSource::parseCsv(csv, u"out.csv"_s);
    QVERIFY2(back, qPrintable(failureOf(back)));
    QCOMPARE(pairs(*back), pairs(awkwardEntries()));
}

void TestTermBase::tbxVersionsAndTermSections()
{
    // TBX v3: two French terms and one English make two pairs; a Spanish section is not read;
    // the labels are the terms' notes, the direction the project subset.
    const QByteArray v3 = R"(<?xml version="1.0" encoding="UTF-8"?>
<tbx xmlns="urn:iso:std:iso:30042:ed-2" type="TBX-Basic" style="dca" xml:lang="en">
 <tbxHeader><fileDesc><sourceDesc><p>test</p></sourceDesc></fileDesc></tbxHeader>
 <text><body>
  <conceptEntry id="c7">
   <descrip type="subjectField">learning</descrip>
   <langSec xml:lang="fr-FR">
    <descrip type="definition">not a subject field</descrip>
    <termSec><term>conditionnement   <hi type="italics">opérant</hi></term><note>Skinner</note></termSec>
    <termSec><term>conditionnement instrumental</term></termSec>
   </langSec>
   <langSec xml:lang="es"><termSec><term>condicionamiento operante</term></termSec></langSec>
   <langSec xml:lang="en"><termSec><term>operant conditioning</term><termNote type="partOfSpeech">noun</termNote></termSec></langSec>
  </conceptEntry>
  <conceptEntry id="c8">
   <admin type="projectSubset">en-fr</admin>
   <langSec xml:lang="fr"><termSec><term>comportement</term></termSec></langSec>
   <langSec xml:lang="en_GB"><termSec><term>behaviour</term><note>UK</note><note>spelling</note></termSec></langSec>
  </conceptEntry>
 </body></text>
</tbx>)";
    const auto three = TbxFile::parse(v3, u"v3.tbx"_s);
    QVERIFY2(three, qPrintable(failureOf(three)));
    QCOMPARE(pairs(*three), (QStringList { u"conditionnement opérant|operant conditioning|both|learning||Skinner"_s,
                                           u"conditionnement instrumental|operant conditioning|both|learning||"_s,
                                           u"comportement|behaviour|en||UK; spelling|"_s }));
    QCOMPARE(three->front().line, 5);
    QCOMPARE(three->front().element, u"conceptEntry c7"_s);

    // TBX v2 (martif): terms in tig and ntig, the subject field in a descripGrp of the entry.
    const QByteArray v2 = R"(<?xml version="1.0"?>
<!DOCTYPE martif SYSTEM "TBXBasiccoreStructV02.dtd">
<martif type="TBX-Basic-V1" xml:lang="en"><martifHeader><fileDesc><sourceDesc><p>x</p></sourceDesc></fileDesc></martifHeader>
<text><body>
 <termEntry id="t1"><descripGrp><descrip type="subjectField">clinical</descrip></descripGrp>
  <langSet xml:lang="en"><ntig><termGrp><term>anxiety</term></termGrp></ntig></langSet>
  <langSet xml:lang="fr"><tig><term>anxiété</term></tig></langSet>
 </termEntry>
</body></text></martif>)";
    const auto two = TbxFile::parse(v2, u"v2.tbx"_s);
    QVERIFY2(two, qPrintable(failureOf(two)));
    QCOMPARE(pairs(*two), QStringList { u"anxiété|anxiety|both|clinical||"_s });
}

void TestTermBase::tbxRefused_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("failure");
    const QByteArray open = "<tbx><text><body>\n";
    const QByteArray close = "</body></text></tbx>";
    QTest::newRow("empty") << QByteArray() << u"terms.tbx line 1: not well-formed XML: Premature end of document."_s;
    QTest::newRow("not TBX") << QByteArray("<?xml version=\"1.0\"?>\n<html/>") << u"terms.tbx line 2: the root element is <html>: a TBX file has <tbx> (or <martif>)"_s;
    QTest::newRow("not well-formed") << open + "<conceptEntry>\n<langSec xml:lang=\"fr\"></conceptEntry>" + close
                                     << u"terms.tbx line 3: not well-formed XML: Opening and ending tag mismatch."_s;
    QTest::newRow("no English term") << open + "<conceptEntry id=\"c2\"><langSec xml:lang=\"fr\"><termSec><term>a</term></termSec></langSec></conceptEntry>" + close
                                     << u"terms.tbx line 2: conceptEntry c2 has no English term"_s;
    QTest::newRow("unnamed entry without French") << open + "\n<termEntry><langSet xml:lang=\"en\"><tig><term>a</term></tig></langSet></termEntry>" + close
                                                  << u"terms.tbx line 3: termEntry number 1 has no French term"_s;
    QTest::newRow("empty term") << open + "<conceptEntry id=\"x\"><langSec xml:lang=\"fr\"><termSec><term> </term></termSec></langSec></conceptEntry>" + close
                                << u"terms.tbx line 2: conceptEntry x: an empty term"_s;
    QTest::newRow("a byte-order mark in a term")
        << open + "<conceptEntry id=\"x\"><langSec xml:lang=\"fr\"><termSec><term>a&#xFEFF;b</term></termSec></langSec>\n"
                  "<langSec xml:lang=\"en\"><termSec><term>c</term></termSec></langSec></conceptEntry>" + close
        << u"terms.tbx line 2: conceptEntry x: the French term \"a\uFEFFb\" holds the byte-order mark U+feff at position 2"_s;
    const QByteArray english = "<langSec xml:lang=\"en\"><termSec><term>e</term></termSec></langSec></conceptEntry>";
    // Tidying a term's blanks would have made these a blank.
    QTest::newRow("a line separator in a term") << open + "<conceptEntry id=\"x\"><langSec xml:lang=\"fr\"><termSec><term>a&#x2028;b</term></termSec></langSec>" + english + close
                                                << u"terms.tbx line 2: conceptEntry x: the <term> holds U+2028 at position 2, a line end no table row can hold"_s;
    QTest::newRow("a NEL in a term") << open + "<conceptEntry id=\"x\"><langSec xml:lang=\"fr\"><termSec><term>ab\xc2\x85</term></termSec></langSec>" + english + close
                                     << u"terms.tbx line 2: conceptEntry x: the <term> holds U+0085 at position 3, a line end no table row can hold"_s;
    QTest::newRow("a byte that is not UTF-8") << open + "<conceptEntry id=\"x\">\n\n\n\n<langSec xml:lang=\"fr\"><termSec><term>d\xe9ni</term></termSec></langSec>" + english + close
                                              << u"terms.tbx line 6: the byte 0xe9 is not valid UTF-8"_s;
    QTest::newRow("an entity declared nowhere")
        << "<!DOCTYPE tbx SYSTEM \"TBXcoreStructV02.dtd\">\n" + open + "<conceptEntry><langSec xml:lang=\"fr\"><termSec><term>x&nbsp;x</term></termSec></langSec>" + english + close
        << u"terms.tbx line 3: the entity &nbsp; is not declared in the file (declarations outside it are never read)"_s;
    QTest::newRow("a surrogate's character reference") << open + "<conceptEntry>\n<langSec xml:lang=\"fr\"><termSec><term>x&#xD800;</term></termSec></langSec>" + english + close
                                                       << u"terms.tbx line 3: not well-formed XML: Invalid character reference."_s;
    QTest::newRow("a control's character reference") << open + "<conceptEntry><langSec xml:lang=\"fr\"><termSec><term>&#x1;</term></termSec></langSec>" + english + close
                                                     << u"terms.tbx line 2: not well-formed XML: Invalid character reference."_s;
    QTest::newRow("term section without a term") << open + "<conceptEntry id=\"x\"><langSec xml:lang=\"fr\"><termSec><note>n</note></termSec></langSec></conceptEntry>" + close
                                                 << u"terms.tbx line 2: conceptEntry x: a <termSec> without its term"_s;
    QTest::newRow("entry in an entry") << open + "<conceptEntry id=\"a\"><conceptEntry id=\"b\">" + close << u"terms.tbx line 2: a <conceptEntry> inside conceptEntry a"_s;
    QTest::newRow("no entries") << open + close << u"terms.tbx: no conceptEntry with a French and an English term"_s;
    QByteArray many = open + "<conceptEntry id=\"m\"><langSec xml:lang=\"fr\">";
    for (int i = 0; i < 40; ++i)
        many += "<termSec><term>f" + QByteArray::number(i) + "</term></termSec>";
    many += "</langSec><langSec xml:lang=\"en\">";
    for (int i = 0; i < 30; ++i)
        many += "<termSec><term>e" + QByteArray::number(i) + "</term></termSec>";
    QTest::newRow("too many pairs") << many + "</langSec></conceptEntry>" + close
                                    << u"terms.tbx line 2: conceptEntry m pairs 40 French with 30 English terms, more than 1000 pairs"_s;
    // Entities are not a way to make the reader run away: past its limit an entity is refused.
    QByteArray laughs = "<?xml version=\"1.0\"?><!DOCTYPE tbx [<!ENTITY a \"aaaaaaaaaa\">";
    for (char level = 'b'; level <= 'j'; ++level)
        laughs += QByteArray("<!ENTITY ") + level + " \"" + QByteArray("&") + char(level - 1) + ";&" + char(level - 1) + ";&" + char(level - 1) + ";&" + char(level - 1)
            + ";&" + char(level - 1) + ";&" + char(level - 1) + ";&" + char(level - 1) + ";&" + char(level - 1) + ";\">";
    laughs += "]><tbx><text><body><conceptEntry><langSec xml:lang=\"fr\"><termSec><term>&j;</term></termSec></langSec></conceptEntry></body></text></tbx>";
    QTest::newRow("entity expansion") << laughs << u"terms.tbx line 1: the entity references up to &e; could expand the text past twice the file's size and 65536 characters more"_s;
    // A long entity repeated, or given in every element as an attribute's default, against
    // the limit of twice the file's size (and 65536 characters more).
    const QByteArray longEntity = "<!DOCTYPE tbx [<!ENTITY e \"" + QByteArray(4000, 'e') + "\">";
    const QByteArray entry = "<conceptEntry><langSec xml:lang=\"fr\"><termSec><term>f</term></termSec></langSec>" + english;
    QTest::newRow("a long entity repeated") << longEntity + "]>\n" + open + "<conceptEntry><langSec xml:lang=\"fr\"><termSec><term>" + QByteArray("&e;").repeated(20) + "</term>"
                                            << u"terms.tbx line 3: the entity references up to &e; could expand the text past twice the file's size and 65536 characters more"_s;
    QTest::newRow("a long entity as a default") << longEntity + "<!ATTLIST term x CDATA \"&e;&e;\">]>\n" + open + entry.repeated(10) + close
                                                << u"terms.tbx line 3: the entities expand the text past twice the file's size and 65536 characters more"_s;
    QTest::newRow("an outside file") << "<!DOCTYPE tbx [<!ENTITY xxe SYSTEM \"file:///etc/passwd\">]>\n" + open + "<conceptEntry><langSec xml:lang=\"fr\"><termSec><term>x&xxe;x</term>"
                                     << u"terms.tbx line 3: the entity &xxe; stands for an outside file (file:///etc/passwd), which is never read"_s;
    QTest::newRow("a term longer than the tables keep") << open + "<conceptEntry id=\"x\"><langSec xml:lang=\"fr\"><termSec><term>" + QByteArray(4097, 'a') + "</term>"
                                                        << u"terms.tbx line 2: conceptEntry x: the <term> holds more than 4096 characters"_s;
}

void TestTermBase::tbxRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, failure);
    QCOMPARE(failureOf(TbxFile::parse(bytes, u"terms.tbx"_s)), failure);
}

void TestTermBase::tbxWrittenReadsBack()
{
    const auto tbx = TbxFile::write(awkwardEntries(), u"a test & its <title>"_s);
    QVERIFY(tbx);
    QVERIFY(tbx->startsWith("<?xml version=\"1.0\" encoding=\"UTF-8\"?>"));
    QVERIFY(tbx->contains("<tbx xmlns=\"urn:iso:std:iso:30042:ed-2\" type=\"TBX-Basic\" style=\"dca\" xml:lang=\"fr\">"));
    QVERIFY(tbx->contains("<p>a test &amp; its &lt;title&gt;</p>"));
    QVERIFY(tbx->contains("<term>trouble &lt; 6 mois &amp; &gt; 1 mois</term>"));
    QCOMPARE(tbx->count("<conceptEntry id=\"c"), awkwardEntries().size());
    QCOMPARE(tbx->count("<admin type=\"projectSubset\">"), 2);
    const auto back = TbxFile::parse(*tbx, u"out.tbx"_s);
    QVERIFY2(back, qPrintable(failureOf(back)));
    QCOMPARE(pairs(*back), pairs(awkwardEntries()));

    QList<Entry> unwritable = awkwardEntries();
    unwritable[1].english += QChar(0xFFFF);
    const auto refused = TbxFile::write(unwritable, u"t"_s);
    QVERIFY(!refused);
    QCOMPARE(refused.failure().description, u"\"petit Hans\" – Little Hans\uFFFF: a character XML cannot hold"_s);
}

QTEST_GUILESS_MAIN(TestTermBase)
#include "tst_termbase.moc"
