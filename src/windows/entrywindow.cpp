#include "entrywindow.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include <cstdio>

#include "direction.h"
#include "entrypage.h"
#include "entrysenses.h"
#include "store.h"
#include "usermemory.h"
#include "windowzoom.h"

namespace {

QString say(bool french, const char16_t* fr, const char16_t* en)
{
    return QString::fromUtf16(french ? fr : en);
}

} // namespace

EntryWindow::EntryWindow(std::shared_ptr<Store> store, const Direction& direction, UserMemory* memory,
                         std::function<QStringList(const QString&)> beginnings, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , m_store(std::move(store))
    , m_direction(direction)
    , m_memory(memory)
    , m_beginnings(std::move(beginnings))
    , m_baseFont(QApplication::font())
{
    setObjectName(QStringLiteral("entryView"));
    setAttribute(Qt::WA_DeleteOnClose, false);
    build();
    if (m_store) {
        m_search = new EntrySearch(m_store->description(), m_direction, this);
        connect(m_search, &EntrySearch::stateChanged, this, [this] {
            setStatus();
            if (!m_searchBox->text().isEmpty())
                search(m_searchBox->text());
        });
        connect(m_search, &EntrySearch::found, this, &EntryWindow::showResults);
    }
    if (m_memory)
        setTextSize(m_memory->zoom(QStringLiteral("entry")));
    follow(QString());
    showFavourites();
    setStatus();
    resize(760, 560);
}

EntryWindow::~EntryWindow() = default;

bool EntryWindow::french() const
{
    return m_direction.isFrenchToEnglish();
}

void EntryWindow::build()
{
    const bool fr = french();
    auto* searchLabel = new QLabel(say(fr, u"&Rechercher :", u"&Search:"));
    m_searchBox = new QLineEdit;
    m_searchBox->setObjectName(QStringLiteral("entrySearch"));
    m_searchBox->setAccessibleName(say(fr, u"Rechercher dans le dictionnaire", u"Search the dictionary"));
    m_searchBox->setClearButtonEnabled(true);
    // The clear button shows a picture only: a screen reader is given its word.
    for (auto* clear : m_searchBox->findChildren<QToolButton*>())
        clear->setAccessibleName(say(fr, u"Effacer la recherche", u"Clear the search"));
    searchLabel->setBuddy(m_searchBox);
    m_status = new QLabel;
    m_status->setObjectName(QStringLiteral("entryStatus"));
    m_status->setWordWrap(true);
    // Each list under a label of its own, whose mnemonic reaches it.
    const auto list = [fr](const QString& name, const char16_t* caption, const char16_t* legend, const char16_t* spoken, const char16_t* heard,
                           QLabel** label) {
        *label = new QLabel(say(fr, caption, legend));
        auto* widget = new QListWidget;
        widget->setObjectName(name);
        widget->setAccessibleName(say(fr, spoken, heard));
        (*label)->setBuddy(widget);
        return widget;
    };
    QLabel* resultsLabel = nullptr;
    QLabel* favouritesLabel = nullptr;
    QLabel* historyLabel = nullptr;
    m_results = list(QStringLiteral("entryResults"), u"Résu&ltats", u"Resu&lts", u"Résultats", u"Results", &resultsLabel);
    m_favourites = list(QStringLiteral("entryFavourites"), u"&Favoris", u"&Favourites", u"Favoris", u"Favourites", &favouritesLabel);
    m_history = list(QStringLiteral("entryHistory"), u"&Historique", u"&History", u"Historique des recherches", u"Search history", &historyLabel);
    m_rememberHistory = new QCheckBox(say(fr, u"Se souvenir de l'historique", u"Remember the history"));
    m_rememberHistory->setObjectName(QStringLiteral("entryRememberHistory"));
    m_rememberHistory->setChecked(m_memory && m_memory->rememberHistory());
    m_rememberHistory->setEnabled(m_memory);

    auto* side = new QWidget;
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    for (QWidget* widget : std::initializer_list<QWidget*> { searchLabel, m_searchBox, m_status, resultsLabel })
        sideLayout->addWidget(widget);
    sideLayout->addWidget(m_results, 3);
    sideLayout->addWidget(favouritesLabel);
    sideLayout->addWidget(m_favourites, 1);
    sideLayout->addWidget(historyLabel);
    sideLayout->addWidget(m_history, 1);
    sideLayout->addWidget(m_rememberHistory);

    m_star = new QToolButton;
    m_star->setObjectName(QStringLiteral("entryStar"));
    m_star->setCheckable(true);
    m_star->setFocusPolicy(Qt::StrongFocus);
    m_definitionLanguage = new QPushButton(say(fr, u"Définition en anglais (Ctrl+T)", u"Definition in French (Ctrl+T)"));
    m_definitionLanguage->setObjectName(QStringLiteral("entryDefinitionLanguage"));
    m_definitionLanguage->setCheckable(true);
    m_page = new QTextBrowser;
    m_page->setObjectName(QStringLiteral("entryText"));
    m_page->setAccessibleName(say(fr, u"Fiche de l'entrée", u"The entry"));
    m_page->setOpenLinks(false);
    m_page->setTextInteractionFlags(Qt::TextBrowserInteraction);
    auto* main = new QWidget;
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(0, 0, 0, 0);
    auto* tools = new QHBoxLayout;
    tools->addWidget(m_star);
    tools->addWidget(m_definitionLanguage);
    tools->addStretch();
    mainLayout->addLayout(tools);
    mainLayout->addWidget(m_page, 1);

    // At a large text size the side's lists may need more height than the window has: they
    // scroll rather than be cut.
    auto* sideArea = new QScrollArea;
    sideArea->setWidget(side);
    sideArea->setWidgetResizable(true);
    sideArea->setFrameShape(QFrame::NoFrame);
    sideArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto* splitter = new QSplitter;
    splitter->addWidget(sideArea);
    splitter->addWidget(main);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    splitter->setSizes({ 280, 480 });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    // Tab goes through the view in reading order: the search first.
    setTabOrder(m_searchBox, m_results);
    setTabOrder(m_results, m_favourites);
    setTabOrder(m_favourites, m_history);
    setTabOrder(m_history, m_rememberHistory);
    setTabOrder(m_rememberHistory, m_star);
    setTabOrder(m_star, m_definitionLanguage);
    setTabOrder(m_definitionLanguage, m_page);

    connect(m_searchBox, &QLineEdit::textEdited, this, &EntryWindow::search);
    m_searchBox->installEventFilter(this);
    for (QListWidget* list : { m_results, m_favourites, m_history }) {
        // One click or Enter: each line is a click away.
        connect(list, &QListWidget::itemActivated, this, [this](QListWidgetItem* item) { activate(item->data(Qt::UserRole).toString()); });
        connect(list, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { activate(item->data(Qt::UserRole).toString()); });
    }
    connect(m_star, &QToolButton::clicked, this, &EntryWindow::toggleFavourite);
    connect(m_definitionLanguage, &QPushButton::toggled, this, [this](bool other) {
        m_otherDefinition = other;
        render();
    });
    connect(m_rememberHistory, &QCheckBox::toggled, this, [this](bool on) {
        if (m_memory) {
            if (auto done = m_memory->setRememberHistory(on); !done)
                std::fprintf(stderr, "evelmora: %s\n", qPrintable(done.failure().description));
        }
        emit rememberHistoryChanged(on);
    });
    connect(m_page, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.scheme() == u"term")
            activate(QUrl::fromPercentEncoding(url.path().toUtf8()));
        else if (url.scheme() == u"copy") {
            const auto senses = sensesOf(m_store, m_direction, m_headword);
            const int at = url.path().toInt();
            if (senses && at >= 0 && at < senses->size())
                QGuiApplication::clipboard()->setText((*senses)[at].translation);
        }
    });

    const auto shortcut = [this](QKeySequence keys, auto action) { connect(new QShortcut(keys, this), &QShortcut::activated, this, action); };
    for (const auto& keys : { QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::CTRL | Qt::Key_L) }) {
        shortcut(keys, [this] {
            m_searchBox->setFocus(Qt::ShortcutFocusReason);
            m_searchBox->selectAll();
        });
    }
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_D), [this] { m_star->click(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_T), [this] { m_definitionLanguage->toggle(); });
    // The same steps as the dictionary window's zoom.
    const auto step = [this](int direction) { setTextSize(WindowZoom::next(m_textSize, direction)); };
    for (const auto& keys : { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) })
        shortcut(keys, [step] { step(1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), [step] { step(-1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { setTextSize(100); });
}

void EntryWindow::setTextSize(int percent)
{
    percent = std::clamp(percent, smallest, largest);
    const bool changed = percent != m_textSize;
    m_textSize = percent;
    QFont font = m_baseFont;
    font.setPointSizeF(m_baseFont.pointSizeF() * percent / 100.0);
    setFont(font);
    m_page->document()->setDefaultFont(font);
    render();
    // Grown to what the larger text needs, within the screen.
    if (const QScreen* screen = this->screen(); screen && changed)
        resize(size().expandedTo(minimumSizeHint()).boundedTo(screen->availableSize()));
    if (changed && m_memory) {
        if (auto done = m_memory->setZoom(QStringLiteral("entry"), percent); !done)
            std::fprintf(stderr, "evelmora: %s\n", qPrintable(done.failure().description));
    }
}

void EntryWindow::follow(const QString& headword)
{
    m_headword = headword;
    const bool fr = french();
    setWindowTitle(headword.isEmpty() ? say(fr, u"Fiche", u"Entry") : say(fr, u"Fiche — ", u"Entry — ") + headword);
    render();
}

void EntryWindow::render()
{
    const bool fr = french();
    auto senses = sensesOf(m_store, m_direction, m_headword);
    QString page;
    if (!senses) {
        page = QStringLiteral("<p>") + senses.failure().description.toHtmlEscaped() + QStringLiteral("</p>");
        senses = QList<Sense>();
    } else {
        page = EntryPage::html(m_headword, *senses, { .french = fr, .otherDefinition = m_otherDefinition });
    }
    m_page->setHtml(page);
    const bool kept = m_memory && m_memory->favourites().contains(UserMemory::Favourite { fr, m_headword });
    m_star->setEnabled(!m_headword.isEmpty() && !senses->isEmpty());
    m_star->setChecked(kept);
    m_star->setText(kept ? QStringLiteral("★") : QStringLiteral("☆"));
    const QString starSays = kept ? say(fr, u"Retirer des favoris (Ctrl+D)", u"Remove from the favourites (Ctrl+D)")
                                  : say(fr, u"Ajouter aux favoris (Ctrl+D)", u"Add to the favourites (Ctrl+D)");
    m_star->setToolTip(starSays);
    m_star->setAccessibleName(starSays);
}

void EntryWindow::toggleFavourite()
{
    if (!m_memory || m_headword.isEmpty())
        return;
    QList<UserMemory::Favourite> kept = m_memory->favourites();
    const UserMemory::Favourite entry { french(), m_headword };
    if (!kept.removeAll(entry))
        kept.append(entry);
    if (auto done = m_memory->setFavourites(kept); !done)
        std::fprintf(stderr, "evelmora: %s\n", qPrintable(done.failure().description));
    render();
    showFavourites();
}

void EntryWindow::showFavourites()
{
    m_favourites->clear();
    if (!m_memory)
        return;
    for (const UserMemory::Favourite& favourite : m_memory->favourites()) {
        // The other window's favourites are looked up there; this list holds this one's.
        if (favourite.french != french())
            continue;
        auto* item = new QListWidgetItem(favourite.term, m_favourites);
        item->setData(Qt::UserRole, favourite.term);
    }
}

void EntryWindow::setHistory(const QStringList& words)
{
    m_history->clear();
    // The newest first, as a list of recent searches shows them.
    for (auto it = words.crbegin(); it != words.crend(); ++it) {
        auto* item = new QListWidgetItem(*it, m_history);
        item->setData(Qt::UserRole, *it);
    }
}

void EntryWindow::setStatus()
{
    const bool fr = french();
    if (!m_search) {
        m_status->setText(say(fr, u"Aucun dictionnaire ouvert.", u"No dictionary open."));
        return;
    }
    switch (m_search->state()) {
    case EntrySearch::State::Preparing:
        m_status->setText(say(fr, u"Index en préparation : seules les entrées qui commencent par le texte sont listées.",
                              u"Preparing the index: only the entries beginning with the text are listed."));
        break;
    case EntrySearch::State::Ready:
        m_status->setText(m_results->count() || !m_searchBox->text().isEmpty()
                              ? (fr ? QStringLiteral("%1 résultat(s)") : QStringLiteral("%1 result(s)")).arg(m_results->count())
                              : QString());
        break;
    case EntrySearch::State::Failed:
        m_status->setText(say(fr, u"Recherche dans le texte indisponible : ", u"Search inside the entries unavailable: ") + m_search->problem());
        break;
    }
}

void EntryWindow::search(const QString& text)
{
    if (m_search && m_search->state() == EntrySearch::State::Ready) {
        m_search->ask(text);
        return;
    }
    showResults(text, m_beginnings ? m_beginnings(text) : QStringList(), {}, {});
}

void EntryWindow::showResults(const QString& text, const QStringList& beginning, const QStringList& translated, const QStringList& containing)
{
    if (text != m_searchBox->text())
        return; // an answer to a text since changed
    m_results->clear();
    const bool fr = french();
    for (const QString& term : beginning + translated) {
        auto* item = new QListWidgetItem(term, m_results);
        item->setData(Qt::UserRole, term);
    }
    for (const QString& term : containing) {
        // Said apart from the first ones, for the eye and the screen reader alike.
        auto* item = new QListWidgetItem(term + say(fr, u" (texte)", u" (text)"), m_results);
        item->setData(Qt::UserRole, term);
        item->setToolTip(say(fr, u"Trouvé dans une définition ou une note", u"Found in a definition or a note"));
    }
    setStatus();
}

void EntryWindow::activate(const QString& term)
{
    if (!term.isEmpty())
        emit lookUpRequested(term);
}

bool EntryWindow::eventFilter(QObject* watched, QEvent* event)
{
    // A line edit takes Ctrl+D for deleting a character; here it keeps the entry instead.
    if (watched == m_searchBox && event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::ControlModifier, Qt::Key_D))
        return true;
    if (watched == m_searchBox && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if ((key->key() == Qt::Key_Down) && m_results->count()) {
            m_results->setFocus(Qt::TabFocusReason);
            m_results->setCurrentRow(0);
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && m_results->count()) {
            activate(m_results->item(0)->data(Qt::UserRole).toString());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void EntryWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}
