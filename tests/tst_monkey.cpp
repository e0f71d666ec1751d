// Thousands of random user actions from a printed seed. Set EVELMORA_MONKEY_SEED and
// EVELMORA_MONKEY_ACTIONS to replay a run or to run longer, EVELMORA_MONKEY_DATA to run on
// another data directory (a large one, say).

#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTest>
#include <QTimer>

#include <random>

#include "applicationhelpfile.h"
#include "dictionarywindow.h"
#include "failure.h"
#include "presentationlauncher.h"
#include "qtplatform.h"
#include "qtreportviewer.h"
#include "testservices.h"
#include "testsupport.h"
#include "windowflow.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QStringList warnings;
QtMessageHandler defaultHandler = nullptr;

void recordWarnings(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    // The offscreen platform says so for requests a real window system honours.
    if (type != QtDebugMsg && type != QtInfoMsg && !text.startsWith(u"This plugin does not support"_s))
        warnings.append(text);
    defaultHandler(type, context, text);
}

const QStringList mainWindows { u"demarage"_s, u"choix"_s, u"f1"_s, u"eng2"_s };

QList<QWidget*> openMainWindows()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QList<QWidget*> open;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && mainWindows.contains(widget->objectName()))
            open.append(widget);
    }
    return open;
}

} // namespace

class TestMonkey : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void randomActions();

private:
    QString randomText();
    void act();

    std::mt19937 m_random;
    int pick(int count) { return std::uniform_int_distribution<int>(0, count - 1)(m_random); }

    std::unique_ptr<TestServices> m_test;
    std::unique_ptr<WindowFlow> m_flow;
    QStringList m_words;
    QMap<QString, int> m_done;
};

void TestMonkey::initTestCase()
{
    installFontSubstitutions();
    // The bundled sample dictionary and the program's own files beside the executable.
    QFile terms(QStringLiteral(SAMPLE_TERMS));
    QVERIFY(terms.open(QIODevice::ReadOnly));
    while (!terms.atEnd()) {
        // The French and the English term; the other columns are no words of the dictionary.
        for (const QString& term : QString::fromUtf8(terms.readLine()).trimmed().split(u'\t').mid(0, 2))
            m_words.append(term);
    }
    QVERIFY(m_words.size() > 1000);

    m_test = std::make_unique<TestServices>(qEnvironmentVariable("EVELMORA_MONKEY_DATA", QStringLiteral(DATA_DIR)), QStringLiteral(PROGRAM_DIR));
    // The disc's programs cannot start: every press of a presentation button shows its message.
    m_test->starter.refuse = true;
    m_flow = std::make_unique<WindowFlow>(m_test->windows, m_test->presentations);
}

QString TestMonkey::randomText()
{
    static const QStringList pieces { u"'"_s, u"''"_s, u"\""_s, u" "_s, u"   "_s, QString(QChar(0)), u"😀"_s, u"مرحبا"_s, u"שלום"_s,
                                      QString(QChar(0xD800)), QString(QChar(0xDC00)), u"é"_s, u"Œ"_s, u"ß"_s, u"%"_s, u"_"_s,
                                      u"[a]"_s, u"; drop table PS; --"_s, u"\t"_s, u"\n"_s, u"9"_s, u"Z"_s };
    QString text;
    for (int parts = 1 + pick(4); parts > 0; --parts)
        text += pick(2) ? m_words[pick(m_words.size())].left(1 + pick(12)) : pieces[pick(pieces.size())];
    return text;
}

void TestMonkey::act()
{
    const QList<QWidget*> open = openMainWindows();
    QWidget* window = open.value(0);
    QVERIFY(window);
    auto* box = window->findChild<QLineEdit*>(window->objectName() == u"f1" ? u"Text_fr"_s : u"Text_eng"_s);
    const int kind = pick(100);
    if (kind < 45) {
        QList<QPushButton*> buttons;
        for (QPushButton* button : window->findChildren<QPushButton*>()) {
            if (button->isVisible() && button->isEnabled())
                buttons.append(button);
        }
        // Leaving the program is rarer than the rest, so the dictionary windows see more use.
        QPushButton* button = buttons[pick(buttons.size())];
        if (button->text().contains(u"xit"_s) || button->text().contains(u"Sortir"_s) || button->text().contains(u"Quitter"_s))
            button = buttons[pick(buttons.size())];
        m_done[u"click "_s + button->objectName()]++;
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (kind < 70 && box) {
        box->setFocus();
        const QString text = randomText();
        // Typed text reaches the box as key events; pasted text through the clipboard.
        if (pick(2)) {
            QKeyEvent typed(QEvent::KeyPress, 0, Qt::NoModifier, text);
            QApplication::sendEvent(box, &typed);
            m_done[u"type"_s]++;
        } else {
            QGuiApplication::clipboard()->setText(text);
            QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
            m_done[u"paste"_s]++;
        }
    } else if (kind < 80) {
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window;
        QTest::keyClick(target, pick(3) ? Qt::Key_Return : Qt::Key_Enter);
        m_done[u"Enter"_s]++;
    } else if (kind < 84) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, Qt::Key_Escape);
        m_done[u"Escape"_s]++;
    } else if (kind < 87) {
        QTest::keyClick(window, Qt::Key_F1);
        m_done[u"F1"_s]++;
    } else if (kind < 93) {
        QTest::keyClick(window, Qt::Key(Qt::Key_A + pick(26)), Qt::AltModifier);
        m_done[u"Alt+letter"_s]++;
    } else if (kind < 96) {
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : window, pick(2) ? Qt::Key_Tab : Qt::Key_Space);
        m_done[u"Tab or Space"_s]++;
    } else if (kind < 97 && box) {
        // The longest text a line box takes, pasted and searched.
        QString text;
        for (int i = 0; i < 32767; ++i)
            text += QChar(u'a' + pick(26));
        QGuiApplication::clipboard()->setText(text);
        box->setFocus();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_V, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_Return);
        m_done[u"long paste and Enter"_s]++;
    } else if (kind < 99 && window->objectName() == u"demarage") {
        QTest::mouseDClick(window->findChild<QLabel*>(u"Label2"_s), Qt::LeftButton);
        m_done[u"title double-click"_s]++;
    } else if (kind == 99) {
        window->close();
        m_done[u"close box"_s]++;
    }
}

void TestMonkey::randomActions()
{
    const uint seed = qEnvironmentVariableIsSet("EVELMORA_MONKEY_SEED") ? qEnvironmentVariableIntValue("EVELMORA_MONKEY_SEED") : 20261208u;
    const int actions = qEnvironmentVariableIsSet("EVELMORA_MONKEY_ACTIONS") ? qEnvironmentVariableIntValue("EVELMORA_MONKEY_ACTIONS") : 5000;
    qInfo("monkey: seed %u, %d actions", seed, actions);
    m_random.seed(seed);

    // Modal windows (bibliography, about boxes) are closed soon after they open.
    QTimer closer;
    connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(5);

    defaultHandler = qInstallMessageHandler(recordWarnings);
    static const QRegularExpression convention(u"^(-?\\d+)\\D"_s);
    const QList<int> defined { FailureNumber::InvalidArgument, FailureNumber::Overflow, FailureNumber::TypeMismatch, FailureNumber::InvalidUseOfNull,
                               FailureNumber::NoCurrentEntry, 32755 /* music: Cancel was selected */ };
    // The presentations have messages of their own.
    QStringList presentationMessages;
    for (const Presentation presentation : { Presentation::French, Presentation::English })
        presentationMessages.append(presentationMessage(presentation, u"/media/disc"_s, Failure { 53, QString() }));
    int endings = 0;
    m_flow->start();
    for (int i = 0; i < actions; ++i) {
        if (i > 0 && openMainWindows().isEmpty()) {
            ++endings; // an exit action ended the program: start it again
            m_flow->start();
        }
        act();
        if (QTest::currentTestFailed())
            break;
        const QList<QWidget*> open = openMainWindows();
        QVERIFY2(open.size() <= 1, qPrintable(u"after action %1: %2 main windows open"_s.arg(i).arg(open.size())));
        for (const QString& message : std::as_const(m_test->presenter.messages)) {
            if (presentationMessages.contains(message)) {
                m_done[u"message for a presentation"_s]++;
                continue;
            }
            const auto match = convention.match(message);
            QVERIFY2(match.hasMatch() && defined.contains(match.captured(1).toInt()), qPrintable(u"after action %1: %2"_s.arg(i).arg(message.left(300))));
            m_done[u"message "_s + match.captured(1)]++;
        }
        m_test->presenter.messages.clear();
        QVERIFY2(warnings.isEmpty(), qPrintable(u"after action %1: %2"_s.arg(i).arg(warnings.join(u'\n'))));
    }
    qInstallMessageHandler(defaultHandler);
    qInfo("at the end: %s", openMainWindows().isEmpty() ? "the last action ended the program" : qPrintable(openMainWindows()[0]->objectName() + u" is open"_s));
    m_done[u"program ended and started again"_s] = endings;
    for (auto it = m_done.cbegin(); it != m_done.cend(); ++it)
        qInfo("%6d  %s", it.value(), qPrintable(it.key()));
    QVERIFY(m_done.value(u"click cmdSearch"_s) > 0 && endings > 0);

    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
}

QTEST_MAIN(TestMonkey)
#include "tst_monkey.moc"
