#include "dictionarywindow.h"
#include "windowpalette.h"

#include <cstdio>
#include <functional>

#include <QClipboard>
#include <QEvent>
#include <QGuiApplication>
#include <QShortcut>
#include <QTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

#include "applicationhelpfile.h"
#include "backgroundtermfinder.h"
#include "colours.h"
#include "completionlist.h"
#include "formbuilder.h"
#include "helpviewer.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "entrywindow.h"
#include "searchtext.h"
#include "usermemory.h"
#include "windowzoom.h"
#include "platform.h"
#include "music.h"
#include "printing.h"
#include "termfinder.h"

// Every text, place and size of a dictionary window; positions in twips.
struct DictionaryWindowDesign final {
    QString objectName;
    QString title;
    QString background;
    QString helpFile;
    QString helpButtonFile;
    bool frenchIsSource;
    QString banner;
    int bannerWidth;
    QString titleText;
    qreal titlePoints;
    QRect titleRect;
    QString directionText;
    QRect directionRect;
    QString frenchLabel;
    QString englishLabel;
    QRect textFr;
    QString textFrTip;
    QRect textEng;
    QString textEngTip;
    int letterLeft;
    int letterTop;
    int rowTop;
    int rowShift; // every left edge of the search row less its f1 value
    QString search, searchTip, firstTip, firstOfLetterTip, previousTip, newCaption, newTip, nextTip, lastOfLetterTip, lastTip;
    QString print, browseMusicTip, playTip, stopTip, letterTip;
    int playHeight;
    QString back, help, bibliography;
    int bottomShift;
    int bibliographyWidth;
    QString switchName, switchCaption;
    QRect switchRect;
    QString writer, publisher, exit;
    ReportLayout (*report)();
};

using namespace FormBuilder;

namespace {

const DictionaryWindowDesign f1Design {
    .objectName = QStringLiteral("f1"),
    .title = QStringLiteral("eVelmoraEF - Dictionnaire électronique des sciences psychologiques"),
    .background = QStringLiteral(":/assets/f1-background.svg"),
    .helpFile = QStringLiteral("/MindHelpF.chm"),
    .helpButtonFile = QStringLiteral("/efFR.chm"),
    .frenchIsSource = true,
    .banner = QStringLiteral("  French eVelmora         French eVelmora         French eVelmora         French eVelmora    "),
    .bannerWidth = 12045,
    .titleText = QStringLiteral("DICTIONNAIRE ELECTRONIQUE DES SCIENCES PSYCHOLOGIQUES"),
    .titlePoints = 15.75,
    .titleRect = { 930, 1080, 10275, 465 },
    .directionText = QStringLiteral("Français - Anglais"),
    .directionRect = { 5040, 1560, 2100, 330 },
    .frenchLabel = QStringLiteral("FRANCAIS"),
    .englishLabel = QStringLiteral("ANGLAIS"),
    .textFr = { 2640, 3960, 7575, 405 },
    .textFrTip = QStringLiteral("Tapez le mot à traduire"),
    .textEng = { 2625, 4440, 7575, 405 },
    .textEngTip = QStringLiteral("Résultat de la recherche "),
    .letterLeft = 1335,
    .letterTop = 2520,
    .rowTop = 3420,
    .rowShift = 0,
    .search = QStringLiteral("Recherche"),
    .searchTip = QStringLiteral("Cliquez pour traduire"),
    .firstTip = QStringLiteral("Premier mot du dictionnaire"),
    .firstOfLetterTip = QStringLiteral("Premier mot de la lettre actuelle "),
    .previousTip = QStringLiteral("Mot précédent "),
    .newCaption = QStringLiteral("Nouvelle recherche"),
    .newTip = QStringLiteral("Cliquez et tapez le mot à traduire "),
    .nextTip = QStringLiteral("Mot suivant "),
    .lastOfLetterTip = QStringLiteral("Dernier mot de la lettre actuelle "),
    .lastTip = QStringLiteral("Dernier mot du dictionnaire "),
    .print = QStringLiteral("Imprimer"),
    .browseMusicTip = QStringLiteral("Ouvrir le répertoire de musique"),
    .playTip = QStringLiteral("Ecouter la musique"),
    .stopTip = QStringLiteral("Arrêt musique"),
    .letterTip = QStringLiteral("Premier mot de la lettre actuelle "),
    .playHeight = 585,
    .back = QStringLiteral("Retour"),
    .help = QStringLiteral("Aide"),
    .bibliography = QStringLiteral("Bibliographie"),
    .bottomShift = 0,
    .bibliographyWidth = 1125,
    .switchName = QStringLiteral("cmdAnglais"),
    .switchCaption = QStringLiteral("Dictionnaire Anglais"),
    .switchRect = { 3571, 5880, 4860, 375 },
    .writer = QStringLiteral("&Auteur"),
    .publisher = QStringLiteral("&Editeur"),
    .exit = QStringLiteral("Sortir"),
    .report = &ReportLayout::prFrensh,
};

const DictionaryWindowDesign eng2Design {
    .objectName = QStringLiteral("eng2"),
    .title = QStringLiteral("eVelmoraEF - Electronic Dictionary of Psychological Sciences"),
    .background = QStringLiteral(":/assets/eng2-background.svg"),
    .helpFile = QStringLiteral("/MindHelpE.chm"),
    .helpButtonFile = QStringLiteral("/efENG.chm"),
    .frenchIsSource = false,
    .banner = QStringLiteral("  English eVelmora         English eVelmora        English eVelmora         English eVelmora  "),
    .bannerWidth = 11955,
    .titleText = QStringLiteral("ELECTRONIC DICTIONARY OF PSYCHOLOGICAL SCIENCES"),
    .titlePoints = 14.25,
    .titleRect = { 1710, 1200, 8460, 420 },
    .directionText = QStringLiteral("English  -  French"),
    .directionRect = { 5070, 1680, 2100, 330 },
    .frenchLabel = QStringLiteral("FRENCH"),
    .englishLabel = QStringLiteral("ENGLISH"),
    .textFr = { 2520, 4560, 7575, 405 },
    .textFrTip = QStringLiteral("Result of the research  translation"),
    .textEng = { 2520, 4080, 7575, 405 },
    .textEngTip = QStringLiteral("Tap the word to translate"),
    .letterLeft = 1215,
    .letterTop = 2640,
    .rowTop = 3540,
    .rowShift = -120,
    .search = QStringLiteral("Search"),
    .searchTip = QStringLiteral("Click to translate"),
    .firstTip = QStringLiteral("First word of the dictionary"),
    .firstOfLetterTip = QStringLiteral("First word of the  current letter"),
    .previousTip = QStringLiteral("Previous Word "),
    .newCaption = QStringLiteral("New Search"),
    .newTip = QStringLiteral("Click and tap the word to translate"),
    .nextTip = QStringLiteral("Next Word"),
    .lastOfLetterTip = QStringLiteral("Last word of the  current letter"),
    .lastTip = QStringLiteral("Last word of the dictionary"),
    .print = QStringLiteral("Print"),
    .browseMusicTip = QStringLiteral("Open Music"),
    .playTip = QStringLiteral("Listen music"),
    .stopTip = QStringLiteral("Stop music"),
    .letterTip = QStringLiteral("First word of the  current letter"),
    .playHeight = 615,
    .back = QStringLiteral("Back"),
    .help = QStringLiteral("Help"),
    .bibliography = QStringLiteral("Bibliography"),
    .bottomShift = 30,
    .bibliographyWidth = 1000,
    .switchName = QStringLiteral("cmdFrensh"),
    .switchCaption = QStringLiteral("French dictionary"),
    .switchRect = { 3480, 5880, 4920, 375 },
    .writer = QStringLiteral("Writer"),
    .publisher = QStringLiteral("&Publisher"),
    .exit = QStringLiteral("Exit"),
    .report = &ReportLayout::prEng1,
};

} // namespace

// The term boxes and pointer as the dictionary operations see them.
class DictionaryWindow::View final : public EntryView {
public:
    View(DictionaryWindow& window, QLineEdit& source) : m_window(window), m_source(source) { }
    QString sourceText() const override { return m_source.text(); }
    // A long term shows from its beginning, not cut at its start.
    void setEnglishText(const QString& text) override { set(m_window.m_textEng, text); }
    void setFrenchText(const QString& text) override { set(m_window.m_textFr, text); }
    void focusSource() override { m_source.setFocus(Qt::OtherFocusReason); }
    void setWindowBusy(bool busy) override
    {
        if (busy)
            m_window.setCursor(Qt::WaitCursor);
        else
            m_window.unsetCursor();
    }

private:
    void set(QLineEdit* box, const QString& text)
    {
        box->setText(text);
        box->setCursorPosition(0);
        m_window.entryShown();
    }

    DictionaryWindow& m_window;
    QLineEdit& m_source;
};

DictionaryWindow* DictionaryWindow::createF1(WindowServices& services, QWidget* parent)
{
    return new DictionaryWindow(f1Design, Direction::frenchToEnglish(), services, parent);
}

DictionaryWindow* DictionaryWindow::createEng2(WindowServices& services, QWidget* parent)
{
    return new DictionaryWindow(eng2Design, Direction::englishToFrench(), services, parent);
}

DictionaryWindow::DictionaryWindow(const DictionaryWindowDesign& design, const Direction& direction, WindowServices& services, QWidget* parent)
    : QWidget(parent), m_design(design), m_direction(direction), m_services(services)
{
    setObjectName(design.objectName);
    useLightPalette(*this);
    setWindowTitle(design.title);
    setFixedSize(pixels({ 0, 0, 11880, 6735 }).size());
    build();
}

DictionaryWindow::~DictionaryWindow()
{
    delete m_entryView;
}

QPushButton* DictionaryWindow::addButton(const QString& name, const QString& caption, const QString& tooltip, const QRect& twips)
{
    auto* button = FormBuilder::addButton(this, name, caption, tooltip, twips, face(QStringLiteral("MS Sans Serif"), 8.25), Colours::lightGrey);
    button->setCursor(m_services.buttonPointer);
    return button;
}

// The controls in the order they were created, which is the order of the Tab key.
void DictionaryWindow::build()
{
    buildPictureAndTitles();
    buildTermBoxes();
    buildRowButtons();
    buildLetterButtons();
    buildMusicButtons();
    buildBottomButtons();
    buildBeside();
}

// The picture, its two banners and the titles.
void DictionaryWindow::buildPictureAndTitles()
{
    const DictionaryWindowDesign& d = m_design;
    addPicture(this, QStringLiteral("Image1"), d.background, { 0, 0, 11880, 6735 });
    for (const auto& [name, top] : { std::pair { QStringLiteral("Label6"), 0 }, std::pair { QStringLiteral("Label7"), 6360 } })
        addBanner(this, name, d.banner, { 0, top, d.bannerWidth, 360 }, face(QStringLiteral("MS Sans Serif"), 13.5, true), Qt::white, Colours::grey);
    auto* title = FormBuilder::addLabel(this, QStringLiteral("Label1"), d.titleText, d.titleRect, face(QStringLiteral("Times New Roman"), d.titlePoints, true), Colours::navy);
    title->setAlignment(Qt::AlignCenter);
    // At its full size the French title is a little wider than its label; set the letters
    // closer rather than cut the ends off.
    QFont titleFont = title->font();
    for (qreal spacing = 100; spacing > 90 && QFontMetrics(titleFont).horizontalAdvance(d.titleText) > title->width(); --spacing) {
        titleFont.setLetterSpacing(QFont::PercentageSpacing, spacing - 1);
        title->setFont(titleFont);
    }
    FormBuilder::addLabel(this, QStringLiteral("Label2"), d.directionText, d.directionRect, face(QStringLiteral("Times New Roman"), 12, true), Colours::blue);
}

// The two term boxes, each with its label.
void DictionaryWindow::buildTermBoxes()
{
    const DictionaryWindowDesign& d = m_design;
    const auto addBox = [this](const QString& name, const QRect& twips, const QString& tooltip, bool source) {
        auto* box = new QLineEdit(this);
        box->setObjectName(name);
        box->setGeometry(pixels(twips));
        box->setToolTip(tooltip);
        box->setFont(face(QStringLiteral("Arial"), 12));
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text, Colours::navy);
        palette.setColor(QPalette::Base, source ? QColor(Qt::white) : Colours::lightGrey);
        box->setPalette(palette);
        return box;
    };
    m_textFr = addBox(QStringLiteral("Text_fr"), d.textFr, d.textFrTip, d.frenchIsSource);
    m_textEng = addBox(QStringLiteral("Text_eng"), d.textEng, d.textEngTip, !d.frenchIsSource);
    // Named after their language, in the window's own.
    m_textFr->setAccessibleName(d.frenchIsSource ? QStringLiteral("Français") : QStringLiteral("French"));
    m_textEng->setAccessibleName(d.frenchIsSource ? QStringLiteral("Anglais") : QStringLiteral("English"));
    m_source = d.frenchIsSource ? m_textFr : m_textEng;
    m_target = d.frenchIsSource ? m_textEng : m_textFr;
    const auto besideBox = [](const QRect& box) { return QRect(box.x() - 1620, box.y() + 45, 1500, 330); };
    FormBuilder::addLabel(this, QStringLiteral("Label4"), d.frenchLabel, besideBox(d.textFr), face(QStringLiteral("Times New Roman"), 11.25, true), Colours::blue)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    FormBuilder::addLabel(this, QStringLiteral("Label3"), d.englishLabel, besideBox(d.textEng), face(QStringLiteral("Times New Roman"), 11.25, true), Colours::blue)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Tab order follows creation order: the source term box first, then the target box.
    setTabOrder(m_source, m_target);
}

// Runs a dictionary operation once the window has loaded its cursors.
void DictionaryWindow::wire(QPushButton* button, std::function<void(DictionaryOperations&)> operation)
{
    connect(button, &QPushButton::clicked, this, [this, operation = std::move(operation)] {
        if (m_operations)
            operation(*m_operations);
    });
}

// The row of search and browse buttons under the boxes.
void DictionaryWindow::buildRowButtons()
{
    const DictionaryWindowDesign& d = m_design;
    const QFont rowFont = face(QStringLiteral("MS Sans Serif"), 8.25, true);
    const int top = d.rowTop;
    const int shift = d.rowShift;
    using Operation = void (DictionaryOperations::*)();
    struct RowButton {
        QString name, caption, tooltip;
        int left, width;
        Operation operation; // null: wired below
    };
    const RowButton row[] = {
        { QStringLiteral("cmdSearch"), d.search, d.searchTip, 1320, 1320, &DictionaryOperations::cmdSearch_Click },
        { QStringLiteral("cmdPremier"), QStringLiteral("|<<"), d.firstTip, 2640, 375, &DictionaryOperations::cmdPremier_Click },
        { QStringLiteral("cmdReculeRapidement"), QStringLiteral("|<"), d.firstOfLetterTip, 3030, 375, &DictionaryOperations::cmdReculeRapidement_Click },
        { QStringLiteral("cmdRecule"), QStringLiteral("<"), d.previousTip, 3405, 375, &DictionaryOperations::cmdRecule_Click },
        { QStringLiteral("Cmdnew"), d.newCaption, d.newTip, 3780, 4035, nullptr },
        { QStringLiteral("cmdAvance"), QStringLiteral(">"), d.nextTip, 7800, 375, &DictionaryOperations::cmdAvance_Click },
        { QStringLiteral("cmdAvanceRapidement"), QStringLiteral(">|"), d.lastOfLetterTip, 8175, 375, &DictionaryOperations::cmdAvanceRapidement_Click },
        { QStringLiteral("cmdDernier"), QStringLiteral(">>|"), d.lastTip, 8550, 375, &DictionaryOperations::cmdDernier_Click },
        { QStringLiteral("cmdImprimer"), d.print, QString(), 8925, 1320, nullptr },
    };
    for (const RowButton& entry : row) {
        auto* button = addButton(entry.name, entry.caption, entry.tooltip, { entry.left + shift, top, entry.width, 420 });
        // A screen reader would spell "|<<" out: the symbol buttons are named by what they do.
        if (!entry.caption.front().isLetter())
            button->setAccessibleName(entry.tooltip.trimmed());
        QFont buttonFont = rowFont;
        buttonFont.setUnderline(entry.name == u"cmdSearch");
        button->setFont(buttonFont);
        // A search from the button is remembered first, as one from the Enter key is.
        if (entry.name == u"cmdSearch")
            connect(button, &QPushButton::clicked, this, [this] {
                m_searched = m_source->text();
                remember(m_searched);
            });
        if (entry.operation)
            wire(button, entry.operation);
        if (entry.name == u"cmdSearch")
            connect(button, &QPushButton::clicked, this, [this] { offerClosest(m_searched); });
        else if (entry.name == u"Cmdnew")
            m_newSearch = button;
        else
            m_printButton = button;
        if (entry.name == u"cmdRecule")
            m_previous = button;
        else if (entry.name == u"cmdAvance")
            m_next = button;
    }
    connect(m_newSearch, &QPushButton::clicked, this, &DictionaryWindow::Cmdnew_Click);
    connect(m_printButton, &QPushButton::clicked, this, [this] {
        if (m_print)
            m_print->cmdImprimer_Click(m_textEng->text(), m_textFr->text());
    });
}

// A button a letter.
void DictionaryWindow::buildLetterButtons()
{
    const DictionaryWindowDesign& d = m_design;
    const QFont letterFont = face(QStringLiteral("Times New Roman"), 11.25, true);
    for (int i = 0; i < 26; ++i) {
        const QChar letter(u'A' + i);
        const QString name = (letter == u'C' ? QStringLiteral("Cmd") : QStringLiteral("cmd")) + letter;
        auto* button = addButton(name, u'&' + QString(letter), d.letterTip, { d.letterLeft + 360 * i, d.letterTop, 360, 615 });
        button->setFont(letterFont);
        wire(button, [i](DictionaryOperations& operations) { operations.letter_Click(i); });
    }
}

// The music player's three buttons.
void DictionaryWindow::buildMusicButtons()
{
    const DictionaryWindowDesign& d = m_design;
    const int musicLeft = 10260 + d.rowShift;
    const int top = d.rowTop;
    const QFont letterFont = face(QStringLiteral("Times New Roman"), 11.25, true);
    const struct {
        QString name, tooltip, picture;
        int top, height;
        QColor face;
        void (MusicOperations::*operation)();
    } music[] = {
        { QStringLiteral("cmdParcourir"), d.browseMusicTip, QStringLiteral(":/assets/music-folder.svg"), top, 420, Colours::lightGrey, &MusicOperations::cmdParcourir_Click },
        { QStringLiteral("cmdPlay"), d.playTip, QStringLiteral(":/assets/music-play.svg"), top + 420, d.playHeight, Colours::grey, &MusicOperations::cmdPlay_Click },
        { QStringLiteral("cmdStop"), d.stopTip, QStringLiteral(":/assets/music-stop.svg"), top + 1020, 420, Colours::grey, &MusicOperations::cmdStop_Click },
    };
    for (const auto& entry : music) {
        auto* button = addButton(entry.name, QString(), entry.tooltip, { musicLeft, entry.top, 465, entry.height });
        button->setAccessibleName(entry.tooltip.trimmed()); // a picture alone says nothing
        button->setFont(letterFont);
        const QSize iconSize(20, 20);
        button->setIcon(QIcon(renderSvg(entry.picture, iconSize)));
        button->setProperty("svgIcon", entry.picture);
        button->setIconSize(iconSize);
        setFace(button, entry.face);
        connect(button, &QPushButton::clicked, this, [this, operation = entry.operation] {
            if (m_music)
                std::invoke(operation, *m_music);
        });
    }
}

// The buttons along the bottom: the other windows and the way out.
void DictionaryWindow::buildBottomButtons()
{
    const DictionaryWindowDesign& d = m_design;
    const int bottom = 5880;
    const int b = d.bottomShift;
    auto* back = addButton(QStringLiteral("cmdRetour"), d.back, QString(), { 439 + b, bottom, 1000, 375 });
    auto* help = addButton(QStringLiteral("cmdHelp"), d.help, QString(), { 1441 + b, bottom, 1000, 375 });
    auto* bibliography = addButton(QStringLiteral("cmdBibliography"), d.bibliography, QString(), { 2446 + b, bottom, d.bibliographyWidth, 375 });
    auto* other = addButton(d.switchName, d.switchCaption, QString(), d.switchRect);
    other->setFont(face(QStringLiteral("MS Sans Serif"), 8.25, true));
    auto* writer = addButton(QStringLiteral("CmdWriter"), d.writer, QString(), { 8431 - b, bottom, 1000, 375 });
    auto* publisher = addButton(QStringLiteral("cmdPublisher"), d.publisher, QString(), { 9436 - b, bottom, 1000, 375 });
    auto* exit = addButton(QStringLiteral("cmdSortir"), d.exit, QString(), { 10441 - b, bottom, 1000, 375 });
    for (QPushButton* button : { back, exit })
        setFace(button, Colours::grey);
    connect(back, &QPushButton::clicked, this, &DictionaryWindow::backRequested);
    connect(help, &QPushButton::clicked, this, &DictionaryWindow::cmdHelp_Click);
    connect(bibliography, &QPushButton::clicked, this, &DictionaryWindow::bibliographyRequested);
    connect(publisher, &QPushButton::clicked, this, &DictionaryWindow::publisherRequested);
    connect(writer, &QPushButton::clicked, this, &DictionaryWindow::writerRequested);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(other, &QPushButton::clicked, this, &DictionaryWindow::otherDirectionRequested);
}

// The source box takes the keys; beside the buttons, the list that follows the typing and the
// usual keys of a desktop program where the window has none of its own.
void DictionaryWindow::buildBeside()
{
    m_source->installEventFilter(this);
    m_source->setFocus(Qt::OtherFocusReason);
    m_view = std::make_unique<View>(*this, *m_source);
    m_list = new CompletionList(this, m_design.frenchIsSource);
    connect(m_source, &QLineEdit::textEdited, this, &DictionaryWindow::updateList);
    connect(m_list, &CompletionList::taken, this, &DictionaryWindow::take);
    const auto shortcut = [this](QKeySequence keys, auto action) { connect(new QShortcut(keys, this), &QShortcut::activated, this, action); };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_P), [this] { m_printButton->click(); });
    for (const auto& keys : { QKeySequence(Qt::CTRL | Qt::Key_F), QKeySequence(Qt::CTRL | Qt::Key_L) }) {
        shortcut(keys, [this] {
            m_source->setFocus(Qt::ShortcutFocusReason);
            m_source->selectAll();
        });
    }
    shortcut(QKeySequence(Qt::Key_PageUp), [this] { m_previous->click(); });
    shortcut(QKeySequence(Qt::Key_PageDown), [this] { m_next->click(); });
    shortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_C), [this] { QGuiApplication::clipboard()->setText(m_target->text()); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_I), [this] { openEntryView(); });
    m_zoom = std::make_unique<WindowZoom>(this);
    for (const auto& keys : { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal) })
        shortcut(keys, [this] { zoomBy(1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { zoomBy(-1); });
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_0), [this] { setZoom(100); });
}

int DictionaryWindow::zoom() const
{
    return m_zoom->percent();
}

void DictionaryWindow::setZoom(int percent)
{
    m_list->hide();
    const int set = m_zoom->set(percent);
    if (m_services.memory) {
        if (auto done = m_services.memory->setZoom(objectName(), set); !done)
            std::fprintf(stderr, "evelmora: %s\n", qPrintable(done.failure().description));
    }
}

void DictionaryWindow::zoomBy(int step)
{
    if (const int next = WindowZoom::next(m_zoom->percent(), step); next != m_zoom->percent())
        setZoom(next);
}

EntryWindow* DictionaryWindow::openEntryView()
{
    if (!m_entryView) {
        // Its own top-level window, which goes with this one.
        m_entryView = new EntryWindow(m_data.store, m_direction, m_services.memory,
                                      [this](const QString& text) { return m_finder ? m_finder->listFor(text).terms : QStringList(); }, this);
        connect(m_entryView, &EntryWindow::lookUpRequested, this, [this](const QString& word) { lookUp(word); });
        connect(m_entryView, &EntryWindow::rememberHistoryChanged, this, [this](bool on) {
            if (!on || !m_services.memory)
                return;
            if (auto done = m_services.memory->setHistory(m_design.frenchIsSource, m_history); !done)
                std::fprintf(stderr, "evelmora: %s\n", qPrintable(done.failure().description));
        });
        m_entryView->setHistory(m_history);
        m_entryView->follow(m_source->text());
    }
    m_entryView->show();
    m_entryView->raise();
    m_entryView->activateWindow();
    return m_entryView;
}

void DictionaryWindow::entryShown()
{
    // Both boxes change one after the other: the view is told once, after the second.
    if (!m_entryView || m_entryPending)
        return;
    m_entryPending = true;
    QTimer::singleShot(0, this, [this] {
        m_entryPending = false;
        if (m_entryView)
            m_entryView->follow(m_source->text());
    });
}

void DictionaryWindow::offerClosest(const QString& typed)
{
    if (typed.trimmed().isEmpty() || !m_finder || !m_source->hasFocus())
        return;
    // Found when the entry shown is the text, whatever its case and accents.
    if (SearchText::folded(m_source->text()) == SearchText::folded(typed))
        return;
    const TermFinder::List list = m_finder->listFor(typed);
    if (!list.terms.isEmpty())
        m_list->showNotFound(list.terms, *m_source);
}

void DictionaryWindow::Form_Load()
{
    m_services.helpFile.set(m_services.programDirectory + m_design.helpFile);
    m_data = WindowData::open(m_direction, m_services.dataDirectory);
    m_music = std::make_unique<MusicOperations>(m_services.makePlayer(), m_services.makeFileDialog(), m_services.presenter,
                                                m_services.programDirectory, m_services.dataDirectory);
    m_print = std::make_unique<PrintOperation>(m_design.report, m_services.terms, m_services.reportViewer, m_services.presenter,
                                               m_services.busyPointer, m_services.dataDirectory);
    if (m_data.store && !m_data.store->description().serverConnection.isEmpty()) {
        // A server may be slow to answer, or stop answering: the list is worked out beside
        // the window, which keeps taking keys whatever the server does.
        m_background = std::make_unique<BackgroundTermFinder>(m_data.store->description(), m_direction);
        connect(m_background.get(), &BackgroundTermFinder::listed, this, [this](const QString& typed, const TermFinder::List& list) {
            if (typed == m_source->text() && m_source->hasFocus())
                m_list->showTerms(list.terms, list.closest, *m_source, list.incomplete);
        });
    } else {
        m_finder = std::make_unique<TermFinder>(m_data.store, m_direction);
        // The closest terms need all the terms: they are read while the window waits for the
        // user, once it is up, a few milliseconds at a time, so that typing is never held up
        // for long. A page that cannot be read is asked for again a while later.
        auto* preparing = new QTimer(this);
        connect(preparing, &QTimer::timeout, this, [this, preparing, finder = m_finder.get()] {
            const TermFinder::Reading reading = finder == m_finder.get() ? finder->prepare(8) : TermFinder::Reading::Done;
            if (reading == TermFinder::Reading::Done) {
                preparing->stop();
                preparing->deleteLater();
                return;
            }
            preparing->setInterval(reading == TermFinder::Reading::Failed ? BackgroundTermFinder::retryMilliseconds : 0);
        });
        preparing->start(250);
    }
    m_operations = std::make_unique<DictionaryOperations>(m_direction, *m_data.browse, *m_data.lookup, m_data.letterStarts, *m_view, m_services.presenter,
                                                          m_services.busyPointer);
    if (m_services.memory) {
        m_history = m_services.memory->history(m_design.frenchIsSource);
        m_recalled = m_history.size();
        if (const int percent = m_services.memory->zoom(objectName()); percent != 100)
            m_zoom->set(percent);
    }
    if (m_data.loadFailure)
        m_services.presenter.showMessage(failureMessage(*m_data.loadFailure, QStringLiteral("Form_Load")));
}

void DictionaryWindow::cmdHelp_Click()
{
    // Pressing F1 here would open the file just set; opening it directly is the same step.
    m_services.helpFile.set(m_services.programDirectory + m_design.helpButtonFile);
    m_services.helpViewer.openHelpFile(m_services.helpFile.path());
}

void DictionaryWindow::lookUp(const QString& word)
{
    m_list->hide();
    m_source->setText(word);
    remember(word);
    if (m_operations)
        m_operations->cmdSearch_Click();
}

void DictionaryWindow::updateList(const QString& typed)
{
    if (m_background) {
        if (typed.isEmpty())
            m_list->showTerms({}, false, *m_source);
        else
            m_background->ask(typed);
        return;
    }
    const TermFinder::List list = m_finder ? m_finder->listFor(typed) : TermFinder::List();
    m_list->showTerms(list.terms, list.closest, *m_source, list.incomplete);
}

void DictionaryWindow::take(const QString& term)
{
    // As if the term had been typed and Enter pressed.
    m_list->hide();
    m_source->setText(term);
    remember(term);
    if (m_operations)
        m_operations->sourceKeyPress(u'\r');
}

void DictionaryWindow::remember(const QString& word)
{
    if (!word.isEmpty() && (m_history.isEmpty() || m_history.last() != word)) {
        m_history.append(word);
        if (m_services.memory && m_services.memory->rememberHistory()) {
            if (auto done = m_services.memory->setHistory(m_design.frenchIsSource, m_history); !done)
                std::fprintf(stderr, "evelmora: %s\n", qPrintable(done.failure().description));
        }
        if (m_entryView)
            m_entryView->setHistory(m_history);
    }
    m_recalled = m_history.size();
}

void DictionaryWindow::recall(int step)
{
    const qsizetype at = std::clamp<qsizetype>(m_recalled + step, 0, m_history.size());
    if (at == m_recalled)
        return;
    m_recalled = at;
    m_list->hide();
    // Past the newest word the box is empty again, ready for a new one.
    m_source->setText(at < m_history.size() ? m_history[at] : QString());
    m_source->selectAll();
}

bool DictionaryWindow::listKey(QKeyEvent* key)
{
    if (key->modifiers() == Qt::AltModifier && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        recall(key->key() == Qt::Key_Up ? -1 : 1);
        return true;
    }
    if (key->modifiers() != Qt::NoModifier && key->modifiers() != Qt::KeypadModifier)
        return false;
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
        if (const QString term = m_list->choice(); !term.isEmpty()) {
            take(term);
            return true;
        }
        // Enter on the text as typed: the search of the window, as ever.
        m_list->hide();
        remember(m_source->text());
        return false;
    }
    if (m_list->isHidden())
        return false;
    switch (key->key()) {
    case Qt::Key_Down:
    case Qt::Key_Up:
        return m_list->moveChoice(key->key() == Qt::Key_Down ? 1 : -1);
    case Qt::Key_Escape:
        m_list->hide();
        return true;
    default:
        return false;
    }
}

void DictionaryWindow::Cmdnew_Click()
{
    m_list->hide();
    if (m_operations)
        m_operations->Cmdnew_Click();
}

void DictionaryWindow::keyPressEvent(QKeyEvent* event)
{
    // Cmdnew is the cancel button: Escape that no control takes runs it, from anywhere in the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_newSearch->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool DictionaryWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress && listKey(static_cast<QKeyEvent*>(event)))
        return true;
    if (event->type() == QEvent::FocusOut && static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        m_list->hide();
    // The key handler sees each typed character and passes it on unchanged.
    if (event->type() == QEvent::KeyPress && m_operations) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const QString typed = m_source->text();
        if (!text.isEmpty())
            m_operations->sourceKeyPress(text.front().unicode());
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            offerClosest(typed);
    }
    return QWidget::eventFilter(watched, event);
}
