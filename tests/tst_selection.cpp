// Looking up what the user selected in another program: the word taken from the selection,
// the dictionary chosen for it, and the real program reading a selection xclip holds on a
// display of its own.

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "direction.h"
#include "lookupchannel.h"
#include "selectedword.h"
#include "windowdata.h"

using namespace Qt::StringLiterals;

namespace
{

QString tool(const QString& name)
{
    const QString path = QStandardPaths::findExecutable(name);
    if (path.isEmpty())
        qFatal("%s is needed (./test installs it)", qPrintable(name));
    return path;
}

// Xvfb on a display number it picks itself; stopped with the object.
class XServer final
{
public:
    XServer()
    {
        m_process.start(tool(u"Xvfb"_s),
            { u"-displayfd"_s, u"1"_s, u"-screen"_s, u"0"_s, u"1024x768x24"_s, u"-nolisten"_s, u"tcp"_s });
        if (m_process.waitForStarted(10000) && m_process.waitForReadyRead(20000))
            m_display = u':' + QString::fromLatin1(m_process.readLine().trimmed());
    }
    ~XServer()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(5000))
            m_process.kill();
    }
    const QString& display() const { return m_display; }

private:
    QProcess m_process;
    QString m_display;
};

} // namespace

class TestSelection : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void cleanedWords_data();
    void cleanedWords();
    void dictionaryChosen();
    void programReadsTheSelection();

private:
    QProcessEnvironment onDisplay() const;
    // Owns the selection (or the clipboard) with `text` until the next call takes it over.
    void select(const QString& text, bool clipboard = false);

    std::unique_ptr<XServer> m_x;
    QTemporaryDir m_runtime;
    QList<std::shared_ptr<QProcess>> m_owners;
};

void TestSelection::cleanupTestCase()
{
    for (const auto& owner : m_owners) {
        owner->kill();
        owner->waitForFinished(5000);
    }
    m_owners.clear();
    m_x.reset();
}

void TestSelection::initTestCase()
{
    m_x = std::make_unique<XServer>();
    QVERIFY2(!m_x->display().isEmpty(), "Xvfb did not start");
}

QProcessEnvironment TestSelection::onDisplay() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, m_x->display());
    environment.insert(u"QT_QPA_PLATFORM"_s, u"xcb"_s);
    environment.insert(u"XDG_RUNTIME_DIR"_s, m_runtime.path());
    environment.remove(u"WAYLAND_DISPLAY"_s);
    return environment;
}

void TestSelection::select(const QString& text, bool clipboard)
{
    // xclip stays to serve the selection: it is the owner another program asks.
    auto xclip = std::make_shared<QProcess>();
    xclip->setProcessEnvironment(onDisplay());
    xclip->setProcessChannelMode(QProcess::MergedChannels);
    xclip->start(tool(u"xclip"_s), { u"-quiet"_s, u"-selection"_s, clipboard ? u"clipboard"_s : u"primary"_s });
    QVERIFY(xclip->waitForStarted(5000));
    xclip->write(text.toUtf8());
    xclip->closeWriteChannel();
    // It owns the selection once it says so.
    m_owners << xclip;
    QVERIFY(xclip->waitForReadyRead(5000));
}

void TestSelection::cleanedWords_data()
{
    QTest::addColumn<QString>("selection");
    QTest::addColumn<QString>("word"); // empty when refused
    QTest::addColumn<QString>("refusal"); // part of the reason

    QTest::newRow("quotes and a comma") << u"  « anxiété », "_s << u"anxiété"_s << QString();
    QTest::newRow("a sentence's end") << u"the Anxiety.\n"_s << u"the Anxiety"_s << QString();
    QTest::newRow("across a line end") << u"trouble\n  anxieux"_s << u"trouble anxieux"_s << QString();
    QTest::newRow("inner apostrophe and dash") << u"l'anxiété-trait"_s << u"l'anxiété-trait"_s << QString();
    QTest::newRow("brackets around") << u"(délire)"_s << u"délire"_s << QString();
    QTest::newRow("a bracket that belongs") << u"trouble (psychiatrie)."_s << u"trouble (psychiatrie)"_s << QString();
    QTest::newRow("digits in a term") << u"\t16PF?"_s << u"16PF"_s << QString();
    QTest::newRow("exactly the most") << QString(200, u'a') << QString(200, u'a') << QString();
    QTest::newRow("blanks only") << u" \n\t "_s << QString() << u"nothing is selected"_s;
    QTest::newRow("punctuation only") << u"« … »"_s << QString() << u"nothing is selected"_s;
    QTest::newRow("no letter") << u"2024-12"_s << QString() << u"no letter"_s;
    QTest::newRow("too long") << QString(201, u'a') << QString() << u"201 characters, 200 at most"_s;
    QTest::newRow("a control character") << u"anx\u0007iety"_s << QString() << u"control character (U+0007)"_s;
}

void TestSelection::cleanedWords()
{
    QFETCH(QString, selection);
    QFETCH(QString, word);
    QFETCH(QString, refusal);
    const Result<QString> cleaned = SelectedWord::cleaned(selection);
    if (word.isEmpty()) {
        QVERIFY(!cleaned);
        QVERIFY2(cleaned.failure().description.contains(refusal), qPrintable(cleaned.failure().description));
    } else {
        QVERIFY2(cleaned, qPrintable(cleaned ? QString() : cleaned.failure().description));
        QCOMPARE(*cleaned, word);
    }
}

void TestSelection::dictionaryChosen()
{
    WindowData french = WindowData::open(Direction::frenchToEnglish(), QStringLiteral(DATA_DIR));
    WindowData english = WindowData::open(Direction::englishToFrench(), QStringLiteral(DATA_DIR));
    QVERIFY(!french.loadFailure && !english.loadFailure);
    const QList<std::pair<QString, bool>> cases {
        { u"anxiété"_s, false }, // in French only
        { u"ANXIETE"_s, false }, // as the window finds it: case and accents aside
        { u"anxiety"_s, true }, // in English only
        { u"stress"_s, false }, // in both: French first
        { u"déjàvuisme"_s, false }, // in neither, a French letter
        { u"the anxiety"_s, true }, // in neither; "the " begins English entries only
        { u"zzzz"_s, false }, // nothing in common: French
    };
    for (const auto& [word, inEnglish] : cases)
        QVERIFY2(SelectedWord::inEnglish(french, english, word) == inEnglish, qPrintable(word));
}

void TestSelection::programReadsTheSelection()
{
    // With the program running, the cleaned word is handed to it, in the dictionary that has it.
    qputenv("DISPLAY", m_x->display().toLocal8Bit());
    qunsetenv("WAYLAND_DISPLAY");
    {
        LookupServer server;
        QVERIFY(server.listen(LookupChannel::name()));
        QSignalSpy asked(&server, &LookupServer::lookUpRequested);
        const auto run = [&](const QStringList& arguments) {
            QProcess program;
            program.setProcessEnvironment(onDisplay());
            program.start(QStringLiteral(PROGRAM), arguments);
            QVERIFY(program.waitForStarted(5000));
            QTRY_VERIFY_WITH_TIMEOUT(program.state() == QProcess::NotRunning, 20000);
            QCOMPARE(program.exitCode(), 0);
        };
        select(u"  « anxiety », "_s);
        if (QTest::currentTestFailed())
            return;
        run({ u"--selection"_s });
        QTRY_COMPARE(asked.size(), 1);
        QCOMPARE(asked[0], (QVariantList { true, u"anxiety"_s }));
        select(u"délire\n"_s, true);
        run({ u"--clipboard"_s, u"--en"_s }); // the user's choice holds
        QTRY_COMPARE(asked.size(), 2);
        QCOMPARE(asked[1], (QVariantList { true, u"délire"_s }));
    }

    // Without it, a compact window shows the entry; Escape closes it and the program ends.
    const auto compact = [&](const QString& title, QByteArray* errors) {
        QProcess program;
        program.setProcessEnvironment(onDisplay());
        program.start(QStringLiteral(PROGRAM), { u"--selection"_s });
        QVERIFY(program.waitForStarted(5000));
        QProcess search;
        search.setProcessEnvironment(onDisplay());
        search.start(tool(u"xdotool"_s), { u"search"_s, u"--sync"_s, u"--name"_s, u'^' + title + u'$' });
        QVERIFY(search.waitForFinished(20000));
        const QString window = QString::fromLatin1(search.readAllStandardOutput()).section(u'\n', 0, 0);
        QVERIFY2(!window.isEmpty(), qPrintable(title));
        // No window manager gives it the keyboard: the test does.
        QProcess keys;
        keys.setProcessEnvironment(onDisplay());
        // Typed as a keyboard types (XTEST), to the window that has the focus.
        keys.start(
            tool(u"xdotool"_s), { u"windowfocus"_s, u"--sync"_s, window, u"sleep"_s, u"0.2"_s, u"key"_s, u"Escape"_s });
        QVERIFY(keys.waitForFinished(10000));
        QVERIFY(program.waitForFinished(10000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        *errors = program.readAllStandardError();
    };
    QByteArray errors;
    select(u"(délire)"_s);
    compact(u"eVelmora — délire"_s, &errors);
    QCOMPARE(errors, QByteArray());
    // Refused: said on standard error and, since nobody may read that, in the window.
    select(QString(250, u'x'));
    compact(u"eVelmora"_s, &errors);
    QVERIFY2(errors.contains("250 characters, 200 at most"), errors.constData());
}

QTEST_GUILESS_MAIN(TestSelection)
#include "tst_selection.moc"
