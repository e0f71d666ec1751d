// The list under the box worked out on a thread of its own gives what the window's own finder
// gives, for the last question asked, and lets go at once.
#include <QElapsedTimer>
#include <QFile>
#include <QSignalSpy>
#include <QTest>

#include "backgroundtermfinder.h"
#include "direction.h"
#include "store.h"
#include "testsupport.h"
#include "windowdata.h"

using namespace Qt::Literals::StringLiterals;

class TestBackgroundFinder : public QObject {
    Q_OBJECT

private slots:
    void sameListsAsTheWindowsOwn();
};

void TestBackgroundFinder::sameListsAsTheWindowsOwn()
{
    // The bundled dictionary's pairs, as text tables.
    QTemporaryDir dir;
    QFile terms(QStringLiteral(SAMPLE_TERMS));
    QVERIFY(terms.open(QIODevice::ReadOnly));
    terms.readLine();
    QList<QPair<QString, QString>> pairs;
    while (!terms.atEnd()) {
        const QStringList fields = QString::fromUtf8(terms.readLine()).split(u'\t');
        if (fields.size() > 1)
            pairs.append({ fields[1].trimmed(), fields[0].trimmed() });
    }
    writeDictionary(dir.path(), numbered(pairs), numbered(pairs));
    for (const Direction* direction : { &Direction::frenchToEnglish(), &Direction::englishToFrench() }) {
        WindowData data = WindowData::open(*direction, dir.path());
        QVERIFY(!data.loadFailure);
        TermFinder own(data.store, *direction);
        auto background = std::make_unique<BackgroundTermFinder>(data.store->description(), *direction);
        QSignalSpy listed(background.get(), &BackgroundTermFinder::listed);

        // Beginnings, whole terms, typos and texts no entry has, asked as fast as keys come:
        // only the last question is sure of an answer, and every answer is the right one.
        const QStringList words { u"a"_s, u"an"_s, u"anx"_s, u"schizofrenie"_s, u"behavour therapy"_s, u"ps"_s, u"'"_s, u"zzzzzz"_s,
                                  u"ÉCOLE"_s, u"anxiete de separation"_s, u"depresion"_s, u"fear"_s, u"memoire"_s, u"x"_s.repeated(80) };
        for (const QString& word : words)
            background->ask(word);
        QTRY_VERIFY_WITH_TIMEOUT(!listed.isEmpty() && listed.last()[0].toString() == words.last(), 20000);
        QVERIFY(listed.size() <= words.size());
        for (const QList<QVariant>& answer : std::as_const(listed)) {
            const QString word = answer[0].toString();
            const auto list = answer[1].value<TermFinder::List>();
            const TermFinder::List expected = own.listFor(word);
            QCOMPARE(list.terms, expected.terms);
            QCOMPARE(list.closest, expected.closest);
        }
        // Asked one at a time, each gets its answer.
        listed.clear();
        for (const QString& word : words.mid(0, 5)) {
            background->ask(word);
            QTRY_COMPARE_WITH_TIMEOUT(listed.size(), 1, 20000);
            QCOMPARE(listed.takeFirst()[1].value<TermFinder::List>().terms, own.listFor(word).terms);
        }

        // A question under way does not hold the window up when it closes.
        background->ask(u"psychopathologie"_s);
        QElapsedTimer closing;
        closing.start();
        background.reset();
        QVERIFY2(closing.elapsed() < 1000, qPrintable(u"%1 ms"_s.arg(closing.elapsed())));
    }
}

QTEST_GUILESS_MAIN(TestBackgroundFinder)
#include "tst_backgroundfinder.moc"
