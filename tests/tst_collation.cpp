#include <QTest>

#include "dictionarycollation.h"

using namespace Qt::Literals::StringLiterals;

class TestCollation : public QObject {
    Q_OBJECT

private slots:
    void compare_data();
    void compare();
    void utf8AgreesWithUtf16();
    void malformedUtf8IsOrderedNotCrashed();
    void folded();
};

void TestCollation::compare_data()
{
    QTest::addColumn<QString>("left");
    QTest::addColumn<QString>("right");
    QTest::addColumn<int>("expected");

    QTest::newRow("case is ignored") << u"ANXIETE"_s << u"anxiete"_s << 0;
    QTest::newRow("accents sort with base letters") << u"anxiété"_s << u"ANXIETE"_s << 0;
    QTest::newRow("cedilla") << u"façade"_s << u"facade"_s << 0;
    QTest::newRow("oe ligature") << u"Œdipe"_s << u"oedipe"_s << 0;
    QTest::newRow("ae ligature") << u"æ"_s << u"AE"_s << 0;
    QTest::newRow("decomposed accent") << u"e\u0301le\u0300ve"_s << u"élève"_s << 0;
    QTest::newRow("prefix sorts first") << u"anx"_s << u"anxiété"_s << -1;
    QTest::newRow("accented letter inside a prefix range") << u"anxi *"_s << u"anxiété"_s << -1;
    QTest::newRow("blank before asterisk") << u"a *"_s << u"a*"_s << -1;
    QTest::newRow("apostrophe above the lower bound") << u"l'anxiété"_s << u"l *"_s << 1;
    QTest::newRow("apostrophe below the upper bound") << u"l'anxiété"_s << u"lz*"_s << -1;
    QTest::newRow("z words lie above z*") << u"zoophobie"_s << u"z*"_s << 1;
    QTest::newRow("empty is least") << QString() << u" "_s << -1;
    QTest::newRow("letters in order") << u"émotion"_s << u"fatigue"_s << -1;
    QTest::newRow("beyond the folding table") << u"\U0001F600"_s << u"z"_s << 1;
}

void TestCollation::compare()
{
    QFETCH(QString, left);
    QFETCH(QString, right);
    QFETCH(int, expected);
    QCOMPARE(DictionaryCollation::compare(left, right), expected);
    QCOMPARE(DictionaryCollation::compare(right, left), -expected);
}

void TestCollation::utf8AgreesWithUtf16()
{
    const QStringList words { u"anxiété"_s, u"Anxiete"_s, u"l'enfant"_s, u"œdème"_s, u"Zoé"_s, u"état"_s,
                              u"ETAT"_s, u"a *"_s, u"az*"_s, u"日本"_s, u"\U0001F600"_s, QString() };
    for (const QString& a : words) {
        for (const QString& b : words) {
            const QByteArray ua = a.toUtf8();
            const QByteArray ub = b.toUtf8();
            QCOMPARE(DictionaryCollation::compareUtf8({ ua.constData(), std::size_t(ua.size()) }, { ub.constData(), std::size_t(ub.size()) }),
                     DictionaryCollation::compare(a, b));
        }
    }
}

void TestCollation::malformedUtf8IsOrderedNotCrashed()
{
    // Truncated sequences, stray continuation bytes and overlong leads read as U+FFFD.
    const std::string_view bad[] = { "\xC3", "\xE2\x82", "\x80\x80", "\xFF\xFE", "a\xF0\x9F" };
    for (const auto text : bad) {
        QCOMPARE(DictionaryCollation::compareUtf8(text, text), 0);
        QCOMPARE(DictionaryCollation::compareUtf8("a", text), DictionaryCollation::compareUtf8("a", text));
        QVERIFY(DictionaryCollation::compareUtf8("", text) < 0);
    }
}

void TestCollation::folded()
{
    QCOMPARE(DictionaryCollation::folded(u"Œdipe à l'École"), u"oedipe a l'ecole"_s);
    QCOMPARE(DictionaryCollation::folded(u"Straße"), u"strasse"_s);
}

QTEST_GUILESS_MAIN(TestCollation)
#include "tst_collation.moc"
