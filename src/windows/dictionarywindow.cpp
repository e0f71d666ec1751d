#include "dictionarywindow.h"

#include <functional>

#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSvgRenderer>

#include "applicationhelpfile.h"
#include "formbuilder.h"
#include "helpviewer.h"
#include "dictionaryoperations.h"
#include "direction.h"
#include "platform.h"
#include "music.h"
#include "printing.h"

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
    QStringLiteral("f1"),
    QStringLiteral("eVelmoraEF - Dictionnaire électronique des sciences psychologiques"),
    QStringLiteral(":/assets/f1-background.svg"),
    QStringLiteral("/MindHelpF.chm"),
    QStringLiteral("/efFR.chm"),
    true,
    QStringLiteral("  French eVelmora         French eVelmora         French eVelmora         French eVelmora    "),
    12045,
    QStringLiteral("DICTIONNAIRE ELECTRONIQUE DES SCIENCES PSYCHOLOGIQUES"),
    15.75,
    { 930, 1080, 10275, 465 },
    QStringLiteral("Français - Anglais"),
    { 5040, 1560, 2100, 330 },
    QStringLiteral("FRANCAIS"),
    QStringLiteral("ANGLAIS"),
    { 2640, 3960, 7575, 405 },
    QStringLiteral("Tapez le mot à traduire"),
    { 2625, 4440, 7575, 405 },
    QStringLiteral("Résultat de la recherche "),
    1335,
    2520,
    3420,
    0,
    QStringLiteral("Recherche"),
    QStringLiteral("Cliquez pour traduire"),
    QStringLiteral("Premier mot du dictionnaire"),
    QStringLiteral("Premier mot de la lettre actuelle "),
    QStringLiteral("Mot précédent "),
    QStringLiteral("Nouvelle recherche"),
    QStringLiteral("Cliquez et tapez le mot à traduire "),
    QStringLiteral("Mot suivant "),
    QStringLiteral("Dernier mot de la lettre actuelle "),
    QStringLiteral("Dernier mot du dictionnaire "),
    QStringLiteral("Imprimer"),
    QStringLiteral("Ouvrir le répertoire de musique"),
    QStringLiteral("Ecouter la musique"),
    QStringLiteral("Arrêt musique"),
    QStringLiteral("Premier mot de la lettre actuelle "),
    585,
    QStringLiteral("Retour"),
    QStringLiteral("Aide"),
    QStringLiteral("Bibliographie"),
    0,
    1125,
    QStringLiteral("cmdAnglais"),
    QStringLiteral("Dictionnaire Anglais"),
    { 3571, 5880, 4860, 375 },
    QStringLiteral("&Auteur"),
    QStringLiteral("&Editeur"),
    QStringLiteral("Sortir"),
    &ReportLayout::prFrensh,
};

const DictionaryWindowDesign eng2Design {
    QStringLiteral("eng2"),
    QStringLiteral("eVelmoraEF - Electronic Dictionary of Psychological Sciences"),
    QStringLiteral(":/assets/eng2-background.svg"),
    QStringLiteral("/MindHelpE.chm"),
    QStringLiteral("/efENG.chm"),
    false,
    QStringLiteral("  English eVelmora         English eVelmora        English eVelmora         English eVelmora  "),
    11955,
    QStringLiteral("ELECTRONIC DICTIONARY OF PSYCHOLOGICAL SCIENCES"),
    14.25,
    { 1710, 1200, 8460, 420 },
    QStringLiteral("English  -  French"),
    { 5070, 1680, 2100, 330 },
    QStringLiteral("FRENCH"),
    QStringLiteral("ENGLISH"),
    { 2520, 4560, 7575, 405 },
    QStringLiteral("Result of the research  translation"),
    { 2520, 4080, 7575, 405 },
    QStringLiteral("Tap the word to translate"),
    1215,
    2640,
    3540,
    -120,
    QStringLiteral("Search"),
    QStringLiteral("Click to translate"),
    QStringLiteral("First word of the dictionary"),
    QStringLiteral("First word of the  current letter"),
    QStringLiteral("Previous Word "),
    QStringLiteral("New Search"),
    QStringLiteral("Click and tap the word to translate"),
    QStringLiteral("Next Word"),
    QStringLiteral("Last word of the  current letter"),
    QStringLiteral("Last word of the dictionary"),
    QStringLiteral("Print"),
    QStringLiteral("Open Music"),
    QStringLiteral("Listen music"),
    QStringLiteral("Stop music"),
    QStringLiteral("First word of the  current letter"),
    615,
    QStringLiteral("Back"),
    QStringLiteral("Help"),
    QStringLiteral("Bibliography"),
    30,
    1000,
    QStringLiteral("cmdFrensh"),
    QStringLiteral("French dictionary"),
    { 3480, 5880, 4920, 375 },
    QStringLiteral("Writer"),
    QStringLiteral("&Publisher"),
    QStringLiteral("Exit"),
    &ReportLayout::prEng1,
};

const QColor buttonFace(0xE0, 0xE0, 0xE0);
const QColor darkButtonFace(0xC0, 0xC0, 0xC0);
const QColor navy(0x00, 0x00, 0x80);
const QColor labelBlue(0x00, 0x00, 0xC0);

} // namespace

// The term boxes and pointer as the dictionary operations see them.
class DictionaryWindow::View final : public EntryView {
public:
    View(DictionaryWindow& window, QLineEdit& source) : m_window(window), m_source(source) { }
    QString sourceText() const override { return m_source.text(); }
    void setEnglishText(const QString& text) override { m_window.m_textEng->setText(text); }
    void setFrenchText(const QString& text) override { m_window.m_textFr->setText(text); }
    void focusSource() override { m_source.setFocus(Qt::OtherFocusReason); }
    void setWindowBusy(bool busy) override
    {
        if (busy)
            m_window.setCursor(Qt::WaitCursor);
        else
            m_window.unsetCursor();
    }

private:
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
    setWindowTitle(design.title);
    setFixedSize(pixels({ 0, 0, 11880, 6735 }).size());
    build();
}

DictionaryWindow::~DictionaryWindow() = default;

QPushButton* DictionaryWindow::addButton(const QString& name, const QString& caption, const QString& tooltip, const QRect& twips)
{
    auto* button = FormBuilder::addButton(this, name, caption, tooltip, twips, face(QStringLiteral("MS Sans Serif"), 8.25), buttonFace);
    button->setCursor(m_services.buttonPointer);
    return button;
}

void DictionaryWindow::build()
{
    const DictionaryWindowDesign& d = m_design;

    addPicture(this, QStringLiteral("Image1"), d.background, { 0, 0, 11880, 6735 });
    for (const auto& [name, top] : { std::pair { QStringLiteral("Label6"), 0 }, std::pair { QStringLiteral("Label7"), 6360 } })
        addBanner(this, name, d.banner, { 0, top, d.bannerWidth, 360 }, face(QStringLiteral("MS Sans Serif"), 13.5, true), Qt::white, darkButtonFace);
    const auto addLabel = [this](const QString& name, const QString& text, const QRect& twips, const QFont& font, const QColor& colour) {
        return FormBuilder::addLabel(this, name, text, twips, font, colour);
    };
    auto* title = addLabel(QStringLiteral("Label1"), d.titleText, d.titleRect, face(QStringLiteral("Times New Roman"), d.titlePoints, true), navy);
    title->setAlignment(Qt::AlignCenter);
    // At its full size the French title is a little wider than its label; set the letters
    // closer rather than cut the ends off.
    QFont titleFont = title->font();
    for (qreal spacing = 100; spacing > 90 && QFontMetrics(titleFont).horizontalAdvance(d.titleText) > title->width(); --spacing) {
        titleFont.setLetterSpacing(QFont::PercentageSpacing, spacing - 1);
        title->setFont(titleFont);
    }
    addLabel(QStringLiteral("Label2"), d.directionText, d.directionRect, face(QStringLiteral("Times New Roman"), 12, true), labelBlue);

    const auto addBox = [this](const QString& name, const QRect& twips, const QString& tooltip, bool source) {
        auto* box = new QLineEdit(this);
        box->setObjectName(name);
        box->setGeometry(pixels(twips));
        box->setToolTip(tooltip);
        box->setFont(face(QStringLiteral("Arial"), 12));
        QPalette palette = box->palette();
        palette.setColor(QPalette::Text, navy);
        palette.setColor(QPalette::Base, source ? QColor(Qt::white) : buttonFace);
        box->setPalette(palette);
        return box;
    };
    m_textFr = addBox(QStringLiteral("Text_fr"), d.textFr, d.textFrTip, d.frenchIsSource);
    m_textEng = addBox(QStringLiteral("Text_eng"), d.textEng, d.textEngTip, !d.frenchIsSource);
    QLineEdit* source = d.frenchIsSource ? m_textFr : m_textEng;
    QLineEdit* target = d.frenchIsSource ? m_textEng : m_textFr;
    const auto besideBox = [](const QRect& box) { return QRect(box.x() - 1620, box.y() + 45, 1500, 330); };
    addLabel(QStringLiteral("Label4"), d.frenchLabel, besideBox(d.textFr), face(QStringLiteral("Times New Roman"), 11.25, true), labelBlue)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    addLabel(QStringLiteral("Label3"), d.englishLabel, besideBox(d.textEng), face(QStringLiteral("Times New Roman"), 11.25, true), labelBlue)
        ->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    // Tab order follows creation order: the source term box first, then the target box.
    setTabOrder(source, target);

    const QFont rowFont = face(QStringLiteral("MS Sans Serif"), 8.25, true);
    const int top = d.rowTop;
    const int shift = d.rowShift;
    struct RowButton {
        QString name, caption, tooltip;
        int left, width;
    };
    const RowButton row[] = {
        { QStringLiteral("cmdSearch"), d.search, d.searchTip, 1320, 1320 },
        { QStringLiteral("cmdPremier"), QStringLiteral("|<<"), d.firstTip, 2640, 375 },
        { QStringLiteral("cmdReculeRapidement"), QStringLiteral("|<"), d.firstOfLetterTip, 3030, 375 },
        { QStringLiteral("cmdRecule"), QStringLiteral("<"), d.previousTip, 3405, 375 },
        { QStringLiteral("Cmdnew"), d.newCaption, d.newTip, 3780, 4035 },
        { QStringLiteral("cmdAvance"), QStringLiteral(">"), d.nextTip, 7800, 375 },
        { QStringLiteral("cmdAvanceRapidement"), QStringLiteral(">|"), d.lastOfLetterTip, 8175, 375 },
        { QStringLiteral("cmdDernier"), QStringLiteral(">>|"), d.lastTip, 8550, 375 },
        { QStringLiteral("cmdImprimer"), d.print, QString(), 8925, 1320 },
    };
    for (const RowButton& entry : row) {
        auto* button = addButton(entry.name, entry.caption, entry.tooltip, { entry.left + shift, top, entry.width, 420 });
        QFont buttonFont = rowFont;
        buttonFont.setUnderline(entry.name == u"cmdSearch");
        button->setFont(buttonFont);
    }

    const QFont letterFont = face(QStringLiteral("Times New Roman"), 11.25, true);
    for (int i = 0; i < 26; ++i) {
        const QChar letter(u'A' + i);
        const QString name = (letter == u'C' ? QStringLiteral("Cmd") : QStringLiteral("cmd")) + letter;
        auto* button = addButton(name, u'&' + QString(letter), d.letterTip, { d.letterLeft + 360 * i, d.letterTop, 360, 615 });
        button->setFont(letterFont);
    }

    const int musicLeft = 10260 + shift;
    const struct {
        QString name, tooltip, picture;
        int top, height;
        QColor face;
    } music[] = {
        { QStringLiteral("cmdParcourir"), d.browseMusicTip, QStringLiteral(":/assets/music-folder.svg"), top, 420, buttonFace },
        { QStringLiteral("cmdPlay"), d.playTip, QStringLiteral(":/assets/music-play.svg"), top + 420, d.playHeight, darkButtonFace },
        { QStringLiteral("cmdStop"), d.stopTip, QStringLiteral(":/assets/music-stop.svg"), top + 1020, 420, darkButtonFace },
    };
    for (const auto& entry : music) {
        auto* button = addButton(entry.name, QString(), entry.tooltip, { musicLeft, entry.top, 465, entry.height });
        button->setFont(letterFont);
        const QSize iconSize(20, 20);
        button->setIcon(QIcon(renderSvg(entry.picture, iconSize)));
        button->setIconSize(iconSize);
        setFace(button, entry.face);
    }

    const int bottom = 5880;
    const int b = d.bottomShift;
    auto* back = addButton(QStringLiteral("cmdRetour"), d.back, QString(), { 439 + b, bottom, 1000, 375 });
    addButton(QStringLiteral("cmdHelp"), d.help, QString(), { 1441 + b, bottom, 1000, 375 });
    addButton(QStringLiteral("cmdBibliography"), d.bibliography, QString(), { 2446 + b, bottom, d.bibliographyWidth, 375 });
    addButton(d.switchName, d.switchCaption, QString(), d.switchRect)->setFont(rowFont);
    addButton(QStringLiteral("CmdWriter"), d.writer, QString(), { 8431 - b, bottom, 1000, 375 });
    addButton(QStringLiteral("cmdPublisher"), d.publisher, QString(), { 9436 - b, bottom, 1000, 375 });
    auto* exit = addButton(QStringLiteral("cmdSortir"), d.exit, QString(), { 10441 - b, bottom, 1000, 375 });
    for (QPushButton* button : { back, exit })
        setFace(button, darkButtonFace);
    connect(back, &QPushButton::clicked, this, &DictionaryWindow::backRequested);
    connect(findChild<QPushButton*>(QStringLiteral("cmdBibliography")), &QPushButton::clicked, this, &DictionaryWindow::bibliographyRequested);
    connect(findChild<QPushButton*>(QStringLiteral("cmdPublisher")), &QPushButton::clicked, this, &DictionaryWindow::publisherRequested);
    connect(findChild<QPushButton*>(QStringLiteral("CmdWriter")), &QPushButton::clicked, this, &DictionaryWindow::writerRequested);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    connect(findChild<QPushButton*>(d.switchName), &QPushButton::clicked, this, &DictionaryWindow::otherDirectionRequested);

    source->installEventFilter(this);
    source->setFocus(Qt::OtherFocusReason);
    m_view = std::make_unique<View>(*this, *source);

    connect(findChild<QPushButton*>(QStringLiteral("Cmdnew")), &QPushButton::clicked, this, &DictionaryWindow::Cmdnew_Click);
    const auto wire = [this](const QString& name, auto operation) {
        connect(findChild<QPushButton*>(name), &QPushButton::clicked, this, [this, operation] {
            if (m_operations)
                std::invoke(operation, *m_operations);
        });
    };
    wire(QStringLiteral("cmdSearch"), &DictionaryOperations::cmdSearch_Click);
    wire(QStringLiteral("cmdPremier"), &DictionaryOperations::cmdPremier_Click);
    wire(QStringLiteral("cmdRecule"), &DictionaryOperations::cmdRecule_Click);
    wire(QStringLiteral("cmdAvance"), &DictionaryOperations::cmdAvance_Click);
    wire(QStringLiteral("cmdDernier"), &DictionaryOperations::cmdDernier_Click);
    wire(QStringLiteral("cmdReculeRapidement"), &DictionaryOperations::cmdReculeRapidement_Click);
    wire(QStringLiteral("cmdAvanceRapidement"), &DictionaryOperations::cmdAvanceRapidement_Click);
    for (const auto& [name, operation] : { std::pair { QStringLiteral("cmdPlay"), &MusicOperations::cmdPlay_Click },
                                           std::pair { QStringLiteral("cmdStop"), &MusicOperations::cmdStop_Click },
                                           std::pair { QStringLiteral("cmdParcourir"), &MusicOperations::cmdParcourir_Click } }) {
        connect(findChild<QPushButton*>(name), &QPushButton::clicked, this, [this, operation = operation] {
            if (m_music)
                std::invoke(operation, *m_music);
        });
    }
    connect(findChild<QPushButton*>(QStringLiteral("cmdHelp")), &QPushButton::clicked, this, &DictionaryWindow::cmdHelp_Click);
    connect(findChild<QPushButton*>(QStringLiteral("cmdImprimer")), &QPushButton::clicked, this, [this] {
        if (m_print)
            m_print->cmdImprimer_Click(m_textEng->text(), m_textFr->text());
    });
    for (int letter = 0; letter < 26; ++letter) {
        const QChar name(u'A' + letter);
        wire((name == u'C' ? QStringLiteral("Cmd") : QStringLiteral("cmd")) + name,
             [letter](DictionaryOperations& operations) { operations.letter_Click(letter); });
    }
}

void DictionaryWindow::Form_Load()
{
    m_services.helpFile.set(m_services.programDirectory + m_design.helpFile);
    m_data = WindowData::open(m_direction, m_services.dataDirectory);
    m_music = std::make_unique<MusicOperations>(m_services.makePlayer(), m_services.makeFileDialog(), m_services.presenter,
                                                m_services.programDirectory, m_services.dataDirectory);
    m_print = std::make_unique<PrintOperation>(m_design.report, m_services.terms, m_services.reportViewer, m_services.presenter,
                                               m_services.busyPointer, m_services.dataDirectory);
    m_operations = std::make_unique<DictionaryOperations>(m_direction, *m_data.browse, *m_data.lookup, m_data.letterStarts, *m_view, m_services.presenter,
                                                          m_services.busyPointer);
    if (m_data.loadFailure)
        m_services.presenter.showMessage(failureMessage(*m_data.loadFailure, QStringLiteral("Form_Load")));
}

void DictionaryWindow::cmdHelp_Click()
{
    // Pressing F1 here would open the file just set; opening it directly is the same step.
    m_services.helpFile.set(m_services.programDirectory + m_design.helpButtonFile);
    m_services.helpViewer.openHelpFile(m_services.helpFile.path());
}

void DictionaryWindow::Cmdnew_Click()
{
    if (m_operations)
        m_operations->Cmdnew_Click();
}

void DictionaryWindow::keyPressEvent(QKeyEvent* event)
{
    // Cmdnew is the cancel button: Escape that no control takes runs it, from anywhere in the window.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        findChild<QPushButton*>(QStringLiteral("Cmdnew"))->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool DictionaryWindow::eventFilter(QObject* watched, QEvent* event)
{
    // The key handler sees each typed character and passes it on unchanged.
    if (event->type() == QEvent::KeyPress && m_operations) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty())
            m_operations->sourceKeyPress(text.front().unicode());
    }
    return QWidget::eventFilter(watched, event);
}
