#include "secondarywindows.h"
#include "windowpalette.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTextBrowser>

#include "centrerform.h"
#include "colours.h"
#include "formbuilder.h"
#include "platform.h"
#include "productcontent.h"
#include "rtfdocument.h"
#include "rtfreader.h"
#include "textfile.h"

using namespace FormBuilder;

namespace {

constexpr int lineTwips = 260;

// A heading and its value lines, the value column starting at `valueLeft`, or just after a
// heading too long to end before it.
int addRow(QWidget* window, int top, const QString& heading, const QStringList& values, int headingLeft, int valueLeft, int width)
{
    const QFont font = face(QStringLiteral("MS Sans Serif"), 9.75);
    QFont bold = font;
    bold.setBold(true);
    QLabel* label = addLabel(window, QString(), heading, { headingLeft, top, valueLeft - headingLeft, lineTwips }, bold, Colours::brightBlue);
    const int headingTwips = (label->fontMetrics().horizontalAdvance(heading) + 8) * 15;
    if (headingTwips > valueLeft - headingLeft) {
        label->resize(headingTwips / 15, label->height());
        valueLeft = headingLeft + headingTwips;
    }
    for (const QString& value : values) {
        addLabel(window, QString(), value, { valueLeft, top, width - valueLeft, lineTwips }, font, Qt::black);
        top += lineTwips;
    }
    return top + (values.isEmpty() ? lineTwips : 0) + 100;
}

} // namespace

SecondaryWindow::SecondaryWindow(BusyPointer& busyPointer, const QString& name, const QString& caption, const QSize& twips)
    : m_busyPointer(busyPointer)
{
    setObjectName(name);
    useLightPalette(*this);
    setWindowTitle(caption);
    setFixedSize(pixels({ 0, 0, twips.width(), twips.height() }).size());
    setModal(true);
}

void SecondaryWindow::Form_Load()
{
    centrer_form(*this);
    m_busyPointer.setDefault();
}

QPushButton* SecondaryWindow::addCloseButton(const QString& caption, const QRect& twips, const QCursor* pointer)
{
    QPushButton* ok = addButton(this, QStringLiteral("cmdOK"), caption, QString(), twips, face(QStringLiteral("MS Sans Serif"), 8.25), Colours::grey);
    if (pointer)
        ok->setCursor(*pointer);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    return ok;
}

BibliographyWindow::BibliographyWindow(BusyPointer& busyPointer, MessagePresenter& presenter, QString programDirectory)
    : SecondaryWindow(busyPointer, QStringLiteral("biblio_eng"), QStringLiteral("eVelmora - Bibliographie"), { 9555, 5730 })
    , m_presenter(presenter)
    , m_programDirectory(std::move(programDirectory))
{
    // OK comes first in the tab order, before the viewer, so it has the focus at open.
    QPushButton* ok = addCloseButton(QStringLiteral("OK"), { 7920, 5280, 1260, 345 }, nullptr);
    ok->setDefault(true);
    auto* viewer = new QTextBrowser(this);
    viewer->setObjectName(QStringLiteral("RichTextBox1"));
    viewer->setGeometry(pixels({ 120, 120, 9255, 5055 }));
    viewer->setOpenLinks(false);
    setTabOrder(ok, viewer);
    ok->setFocus(Qt::OtherFocusReason);
}

void BibliographyWindow::Form_Load()
{
    auto* viewer = findChild<QTextBrowser*>(QStringLiteral("RichTextBox1"));
    viewer->setAccessibleName(windowTitle()); // the window's caption, in the language of its opener
    auto rtf = TextFile::read(m_programDirectory + QStringLiteral("/biblioeng1.rtf"), 16 * 1024 * 1024);
    if (!rtf) {
        if (rtf.failure().number == FailureNumber::FileNotFound)
            m_presenter.showMessage(QStringLiteral("File not exist"));
        else
            m_presenter.showMessage(failureMessage(rtf.failure(), QStringLiteral("form load")));
        m_busyPointer.setDefault();
        return;
    }
    setRtfDocument(RtfReader::read(*rtf), *viewer->document());
    viewer->moveCursor(QTextCursor::Start);
    SecondaryWindow::Form_Load();
}

PublisherWindow::PublisherWindow(BusyPointer& busyPointer, bool french, const ProductContent& content, const QCursor& pointer)
    : SecondaryWindow(busyPointer, french ? QStringLiteral("frmAboutf1") : QStringLiteral("frmAbout"),
                      french ? QStringLiteral("eVelmoraEF - A propos de l'editeur") : QStringLiteral("eVelmoraEF - About publisher "), { 5895, 5985 })
{
    const auto& p = content.publisher;
    const int headings = 480;
    const int values = 1680;
    const int width = 5895 - 120;
    QFont heading = face(QStringLiteral("MS Sans Serif"), 9.75, true);
    addLabel(this, QStringLiteral("lblPublisher"), french ? QStringLiteral("Editeur") : QStringLiteral("Publisher "), { headings, 240, values - headings, 300 },
             heading, Colours::brightBlue);
    addLabel(this, QStringLiteral("lblCompany"), p.name, { values, 240, width - values, 300 }, face(QStringLiteral("Times New Roman"), 12, true), Colours::navy);
    int top = 700;
    top = addRow(this, top, french ? QStringLiteral("Directeur technique") : QStringLiteral("Technical Director"), { p.technicalDirector }, headings, values, width);
    top = addRow(this, top, french ? QStringLiteral("Adresse postale") : QStringLiteral("Post mail"), p.address, headings, values, width);
    top = addRow(this, top, QStringLiteral("E. mail "), { p.email }, headings, values, width);
    top = addRow(this, top, french ? QStringLiteral("Téléphone") : QStringLiteral("Phone  "), { p.phone }, headings, values, width);
    top = addRow(this, top, QStringLiteral("Fax       "), { p.fax }, headings, values, width);
    top = addRow(this, top, french ? QStringLiteral("Development") : QStringLiteral("Software development"), { p.development }, headings, values, width);
    addRow(this, top, french ? QStringLiteral("Secrétaires") : QStringLiteral("Secretary "), p.secretaries, headings, values, width);

    QPushButton* ok = addCloseButton(french ? QStringLiteral("Comfirmer") : QStringLiteral("OK"), { 4560, 5520, 1260, 345 }, &pointer);
    ok->setDefault(true);
    ok->setFocus(Qt::OtherFocusReason);
}

WriterWindow::WriterWindow(BusyPointer& busyPointer, bool french, const ProductContent& content, const QCursor& pointer)
    : SecondaryWindow(busyPointer, french ? QStringLiteral("frmAboutJF") : QStringLiteral("frmAboutJ"),
                      french ? QStringLiteral("eVelmoraEF - Apropos de l'auteur") : QStringLiteral(" eVelmoraEF - About Writer"),
                      french ? QSize(8865, 6720) : QSize(8550, 7005))
{
    const auto& w = content.writer;
    const int left = 2460;
    const int width = (french ? 8865 : 8550) - 120;
    addPicture(this, QStringLiteral("Image1"), QStringLiteral(":/assets/portrait.svg"), { 120, 240, 2100, 2640 });
    addLabel(this, QStringLiteral("lblName"), w.name, { left, 240, width - left, 330 }, face(QStringLiteral("MS Sans Serif"), 12, true), Colours::navy);
    addLabel(this, QStringLiteral("lblProfession"), french ? w.professionFrench : w.professionEnglish, { left, 600, width - left, 330 },
             face(QStringLiteral("MS Sans Serif"), 12, true), Colours::blue);
    int top = 1020;
    for (const QString& affiliation : french ? w.affiliationsFrench : w.affiliationsEnglish) {
        addLabel(this, QString(), affiliation, { left, top, width - left, lineTwips }, face(QStringLiteral("MS Sans Serif"), 9.75), Qt::black);
        top += lineTwips;
    }
    top += 200;
    const int values = left + 1800;
    top = addRow(this, top, french ? QStringLiteral("Adresse postale ") : QStringLiteral("Post mail"), w.address, left, values, width);
    top = addRow(this, top, QStringLiteral("E. mail "), { w.email }, left, values, width);
    top = addRow(this, top, french ? QStringLiteral("Téléphone") : QStringLiteral("Phone  "), { w.phone }, left, values, width);
    top = addRow(this, top, QStringLiteral("Fax       "), { w.fax }, left, values, width);
    addRow(this, top, french ? QStringLiteral("Tél. Portable") : QStringLiteral("Cellular phone"), { w.mobile }, left, values, width);

    QPushButton* ok = addCloseButton(french ? QStringLiteral("Comfirmer") : QStringLiteral("OK"),
                                     french ? QRect(7440, 6240, 1260, 345) : QRect(7200, 6600, 1260, 345), &pointer);
    ok->setAutoDefault(true); // Enter presses it while it has the focus, which it always has
    ok->setFocus(Qt::OtherFocusReason);
}

void WriterWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape)
        return; // no cancel button here
    SecondaryWindow::keyPressEvent(event);
}
