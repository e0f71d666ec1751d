#include "compactwindow.h"

#include <QApplication>
#include <QClipboard>
#include <QCursor>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include "direction.h"
#include "entrypage.h"
#include "entrysenses.h"
#include "wordsearch.h"

using namespace Qt::StringLiterals;

namespace
{

QString say(bool french, const char16_t* inFrench, const char16_t* inEnglish)
{
    return QString::fromUtf16(french ? inFrench : inEnglish);
}

} // namespace

CompactWindow::CompactWindow(WindowData french, WindowData english, QWidget* parent)
    : QDialog(parent)
    , m_french(std::move(french))
    , m_english(std::move(english))
{
    setObjectName(u"compactView"_s);
    setFont(QApplication::font());
    m_page = new QTextBrowser;
    m_page->setObjectName(u"compactText"_s);
    m_page->setOpenLinks(false);
    m_page->setTextInteractionFlags(Qt::TextBrowserInteraction);
    m_page->document()->setDefaultFont(QApplication::font());
    m_open = new QPushButton;
    m_open->setObjectName(u"compactOpen"_s);
    m_open->setDefault(true);
    m_open->setAutoDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_open);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_page, 1);
    layout->addLayout(buttons);
    resize(460, 320);
    setLanguage(false);

    connect(m_open, &QPushButton::clicked, this, [this] {
        emit openRequested(m_inEnglish, m_word);
        close();
    });
    connect(m_page, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == u"term") {
            lookUp(m_inEnglish, QUrl::fromPercentEncoding(url.path().toUtf8()));
        } else if (url.scheme() == u"copy") {
            WindowData& data = m_inEnglish ? m_english : m_french;
            const auto senses = sensesOf(
                data.store, m_inEnglish ? Direction::englishToFrench() : Direction::frenchToEnglish(), m_headword);
            const int at = url.path().toInt();
            if (senses && at >= 0 && at < senses->size())
                QGuiApplication::clipboard()->setText((*senses)[at].translation);
        }
    });
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this, &QWidget::close);
}

CompactWindow::~CompactWindow() = default;

void CompactWindow::setLanguage(bool english)
{
    m_inEnglish = english;
    const bool fr = !english;
    m_open->setText(say(fr, u"Ouvrir dans le dictionnaire", u"Open in the dictionary"));
    m_open->setAccessibleDescription(
        say(fr, u"Ouvre la fenêtre du dictionnaire sur ce mot", u"Opens the dictionary window on this word"));
    m_page->setAccessibleName(say(fr, u"Fiche de l'entrée", u"The entry"));
}

void CompactWindow::lookUp(bool english, const QString& word)
{
    setLanguage(english);
    m_word = word;
    m_headword.clear();
    m_open->setEnabled(true);
    const bool fr = !english;
    const Direction& direction = english ? Direction::englishToFrench() : Direction::frenchToEnglish();
    WindowData& data = english ? m_english : m_french;
    setWindowTitle(u"eVelmora — "_s + word);
    if (data.loadFailure || !data.lookup) {
        m_page->setPlainText(data.loadFailure
                ? data.loadFailure->description
                : say(fr, u"Le dictionnaire ne s'ouvre pas.", u"The dictionary does not open."));
        return;
    }
    const auto found = WordSearch(direction, *data.lookup).find(word);
    const Result<QString>* headword = found ? (english ? &found->english : &found->french) : nullptr;
    if (!found || !*headword) {
        m_page->setHtml(u"<p>"_s
            + say(fr, u"Aucune entrée pour « %1 ».", u"No entry for “%1”.").arg(word.toHtmlEscaped()) + u"</p>"_s);
        return;
    }
    m_headword = **headword;
    const auto senses = sensesOf(data.store, direction, m_headword);
    if (!senses) {
        m_page->setPlainText(senses.failure().description);
        return;
    }
    QString page = EntryPage::html(m_headword, *senses, EntryPage::Options { .french = fr, .otherDefinition = false });
    if (!found->exact) {
        const QString note = u"<p><i>"_s
            + say(fr, u"« %1 » n'est pas dans le dictionnaire ; l'entrée la plus proche :",
                u"“%1” is not in the dictionary; the closest entry:")
                  .arg(word.toHtmlEscaped())
            + u"</i></p>"_s;
        page.replace(u"<body>"_s, u"<body>"_s + note);
    }
    setWindowTitle(u"eVelmora — "_s + m_headword);
    m_page->setHtml(page);
}

void CompactWindow::showMessage(const QString& message)
{
    m_word.clear();
    m_headword.clear();
    m_open->setEnabled(false);
    setWindowTitle(u"eVelmora"_s);
    // The message is the one standard error shows, which starts in lower case.
    m_page->setPlainText(message.isEmpty() ? message : message.front().toUpper() + message.mid(1) + u'.');
}

void CompactWindow::showNearPointer()
{
    const QPoint pointer = QCursor::pos();
    const QScreen* screen = QGuiApplication::screenAt(pointer);
    const QRect room = (screen ? screen : QGuiApplication::primaryScreen())->availableGeometry();
    QPoint place = pointer + QPoint(16, 16);
    place.setX(qBound(room.left(), place.x(), qMax(room.left(), room.right() - width())));
    place.setY(qBound(room.top(), place.y(), qMax(room.top(), room.bottom() - height())));
    move(place);
    show();
    raise();
    activateWindow();
    m_open->setFocus(Qt::OtherFocusReason);
}
