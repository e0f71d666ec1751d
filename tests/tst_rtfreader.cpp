#include <random>

#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <cctype>
#include <clocale>

#include "rtfreader.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString read(const QByteArray& rtf)
{
    return RtfReader::read(rtf).plainText();
}

// The run that holds the first occurrence of `text`.
RtfReader::Run runWith(const RtfReader::Document& document, const QString& text)
{
    for (const RtfReader::Paragraph& paragraph : document.paragraphs) {
        for (const RtfReader::Run& run : paragraph.runs) {
            if (run.text.contains(text))
                return run;
        }
    }
    qFatal("no run holds %s", qPrintable(text));
}

const QByteArray sample = "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\froman\\fcharset0 Times New Roman;}{\\f1\\fswiss Arial;}}"
                          "{\\colortbl;\\red0\\green0\\blue128;\\red200\\green0\\blue0;}"
                          "{\\*\\generator Hidden writer;}{\\info{\\title Hidden title}}"
                          "\\pard\\qc\\f1\\fs32\\cf1\\b Bibliographie\\b0\\par"
                          "\\pard\\f0\\fs24 Laplanche, {\\i Vocabulaire de la psychanalyse}, \\ul PUF\\ulnone , caf\\'e9 "
                          "\\uc1\\u339?uvre\\rquote s {\\cf2 red}\\par"
                          "{\\pict\\pngblip 89504e470d0a1a0a}\\qr right\\line next}";

} // namespace

class TestRtfReader : public QObject {
    Q_OBJECT

private slots:
    void formatting();
    void escapes_data();
    void escapes();
    void hostileInput_data();
    void hostileInput();
    void everyTruncation();
    void garbage();
    void singleByteLocale();
};

void TestRtfReader::formatting()
{
    const RtfReader::Document document = RtfReader::read(sample);
    QCOMPARE(document.plainText(), u"Bibliographie\nLaplanche, Vocabulaire de la psychanalyse, PUF, café œuvre’s red\nright\u2028next"_s);
    QCOMPARE(document.paragraphs.size(), 3);
    QCOMPARE(document.paragraphs[0].alignment, std::optional<Qt::Alignment>(Qt::AlignHCenter));
    const RtfReader::Run title = runWith(document, u"Bibliographie"_s);
    QVERIFY(title.bold);
    QCOMPARE(title.points, 16.0);
    QCOMPARE(title.family, u"Arial"_s);
    QCOMPARE(title.colour, std::optional(RtfReader::Colour { 0, 0, 128 }));

    QVERIFY(runWith(document, u"Vocabulaire"_s).italic);
    QVERIFY(!runWith(document, u"Laplanche"_s).italic);
    QCOMPARE(runWith(document, u"Laplanche"_s).family, u"Times New Roman"_s);
    QVERIFY(runWith(document, u"PUF"_s).underline);
    QVERIFY(!runWith(document, u"café"_s).underline);
    QCOMPARE(runWith(document, u"red"_s).colour, std::optional(RtfReader::Colour { 200, 0, 0 }));
    // \pard\qc set the first paragraph; the second inherits it until its own \pard (left), the
    // last is set right after its text began.
    QCOMPARE(document.paragraphs[1].alignment, std::optional<Qt::Alignment>(Qt::AlignLeft));
    QCOMPARE(document.paragraphs[2].alignment, std::optional<Qt::Alignment>(Qt::AlignRight));
    // Without any alignment word a paragraph has none of its own.
    QVERIFY(!RtfReader::read("{\\rtf1 plain}").paragraphs[0].alignment);
}

void TestRtfReader::escapes_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("code page byte") << QByteArray("{\\rtf1\\ansi \\'c9tat \\'9cdipe \\'80}") << u"État œdipe €"_s;
    QTest::newRow("two fallback characters") << QByteArray("{\\rtf1\\uc2\\u233 xyz}") << u"éz"_s;
    QTest::newRow("fallback as an escape") << QByteArray("{\\rtf1\\u233\\'e9 a}") << u"é a"_s;
    QTest::newRow("negative code") << QByteArray("{\\rtf1\\u-3913?}") << QString(QChar(0xF0B7));
    QTest::newRow("surrogate pair") << QByteArray("{\\rtf1\\u-10179?\\u-8704?}") << u"\U0001F600"_s;
    QTest::newRow("fallback cut by a group end") << QByteArray("{\\rtf1{\\uc3\\u233?}b}") << u"éb"_s;
    QTest::newRow("escaped braces and backslash") << QByteArray("{\\rtf1 a\\{b\\}c\\\\d\\~e}") << u"a{b}c\\d\u00A0e"_s;
    QTest::newRow("ignorable destination") << QByteArray("{\\rtf1 a{\\*\\unknowndest hidden {nested}}b}") << u"ab"_s;
    QTest::newRow("unknown words skipped") << QByteArray("{\\rtf1\\zzzunknown12 a\\q b}") << u"ab"_s;
    if (QStringDecoder("windows-1251").isValid())
        QTest::newRow("other code page") << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}") << u"Аб"_s;
}

void TestRtfReader::escapes()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(read(rtf), text);
}

void TestRtfReader::hostileInput_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("100,000 nested groups") << QByteArray(100000, '{') + "deep" + QByteArray(100000, '}') << u"deep"_s;
    QTest::newRow("never closed") << QByteArray(100000, '{') + "open" << u"open"_s;
    QTest::newRow("too many closes") << QByteArray("{\\rtf1 a}}}}}{\\b b") << u"ab"_s;
    QTest::newRow("huge parameter") << QByteArray("{\\rtf1\\fs99999999999999999999 \\cf-5 \\f2147483648 big\\uc99999\\u70000 x}") << u"big\u1170"_s;
    QTest::newRow("overlong word") << QByteArray("{\\rtf1\\") + QByteArray(1000, 'a') + QByteArray(" tail}") << u"tail"_s;
    QTest::newRow("trailing backslash") << QByteArray("{\\rtf1 end\\") << u"end"_s;
    QTest::newRow("half escape") << QByteArray("{\\rtf1 x\\'e") << u"x"_s;
    QTest::newRow("empty") << QByteArray() << QString();
    QTest::newRow("binary data skipped") << QByteArray("{\\rtf1 a{\\pict\\bin6 }{\\}\\'}b}") << u"ab"_s;
    QTest::newRow("huge \\bin") << QByteArray("{\\rtf1 a\\bin99999999999999 binary}") << u"a"_s;
    QTest::newRow("negative \\bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << u"ab"_s;
}

void TestRtfReader::hostileInput()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(read(rtf), text);
}

void TestRtfReader::everyTruncation()
{
    // A file cut anywhere reads as far as it goes.
    for (qsizetype length = 0; length <= sample.size(); ++length)
        read(sample.left(length));
    QVERIFY(read(sample.left(sample.indexOf("psychanalyse"))).endsWith(u"Vocabulaire de la "_s));
}

void TestRtfReader::garbage()
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> byte(0, 255);
    const char alphabet[] = "{}\\'*uc0123456789abf -;\n";
    for (int round = 0; round < 200; ++round) {
        QByteArray rtf("{\\rtf1 ");
        for (int i = 0; i < 2000; ++i)
            rtf.append(round % 2 ? static_cast<char>(byte(random)) : alphabet[byte(random) % (sizeof alphabet - 1)]);
        read(rtf);
    }
    QVERIFY(true); // reaching here without a crash is the point; the sanitizer build checks the rest
}

void TestRtfReader::singleByteLocale()
{
    // A desktop in a Latin-1 locale, where the C library calls é a letter.
    QTemporaryDir locales;
    QProcess localedef;
    localedef.start(u"localedef"_s, { u"-i"_s, u"fr_FR"_s, u"-f"_s, u"ISO-8859-1"_s, locales.filePath(u"fr_FR.ISO-8859-1"_s) });
    if (!localedef.waitForFinished(60000) || localedef.exitCode() > 1) // 1: warnings only
        QSKIP("localedef cannot make a Latin-1 locale here");
    qputenv("LOCPATH", QFile::encodeName(locales.path()));
    const char* before = std::setlocale(LC_CTYPE, nullptr);
    const std::string saved = before ? before : "C";
    const auto restore = qScopeGuard([&saved] {
        std::setlocale(LC_CTYPE, saved.c_str());
        qunsetenv("LOCPATH");
    });
    QVERIFY(std::setlocale(LC_CTYPE, "fr_FR.ISO-8859-1"));
    QVERIFY(std::isalpha(0xE9));
    QCOMPARE(read("{\\rtf1\\ansi\\ansicpg1252 {\\b\xe9t\xe9\\b0 fin}}"), u"étéfin"_s); // é ends the word and is text
    QCOMPARE(read("{\\rtf1\\ansi \\par\xe0 la ligne}"), u"\nà la ligne"_s);
}

QTEST_GUILESS_MAIN(TestRtfReader)
#include "tst_rtfreader.moc"
