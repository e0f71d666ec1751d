#include "choicewindow.h"

#include <QLabel>
#include <QPushButton>

#include "colours.h"
#include "formbuilder.h"

using namespace FormBuilder;

ChoiceWindow::ChoiceWindow(MessagePresenter& presenter, const QCursor& buttonPointer, QWidget* parent) : ShellWindow(presenter, parent)
{
    setObjectName(QStringLiteral("choix"));
    setWindowTitle(QStringLiteral("eVelmora    English - French Edition 1.0 Version"));
    setFixedSize(pixels({ 0, 0, 11880, 6705 }).size());
    setLoadColour();

    const QString banner = QStringLiteral(
        "  eVelmora      eVelmora      eVelmora      eVelmora      eVelmora      eVelmora      eVelmora   ");
    const QFont bannerFont = face(QStringLiteral("MS Sans Serif"), 13.5, true);
    const QFont dictionaryFont = face(QStringLiteral("Times New Roman"), 9.75, true);
    const QFont presentationFont = face(QStringLiteral("Arial"), 9);

    addPicture(this, QStringLiteral("Image1"), QStringLiteral(":/assets/welcome-background.svg"), { 0, 120, 11955, 6900 });
    addBanner(this, QStringLiteral("Label12"), banner, { 0, 0, 11895, 360 }, bannerFont, Qt::white, Colours::lavender);
    auto* english = addShellButton(QStringLiteral("cmdVelmoraEng"), QStringLiteral("ELECTRONIC DICTIONARY OF PSYCHOLOGICAL SCIENCES"),
                                   QStringLiteral("English eVelmora"), { 2640, 1365, 6615, 495 }, dictionaryFont, Colours::lightGrey, buttonPointer);
    auto* englishPresentation = addShellButton(QStringLiteral("cmdPresEng"), QStringLiteral("Multimedia Presentation"), QString(), { 2640, 1845, 6615, 270 }, presentationFont,
                   Colours::lightGrey, buttonPointer);
    addLabel(this, QStringLiteral("Label5"), QStringLiteral("English  -  French"), { 5070, 2280, 1740, 255 },
             face(QStringLiteral("Times New Roman"), 11.25, true), Colours::navy);
    addLabel(this, QStringLiteral("Label2"), QStringLiteral("   English-French  Edition  - 1.0 Version "), { 4493, 2640, 2895, 225 },
             face(QStringLiteral("Times New Roman"), 9), Colours::blue);
    auto* french = addShellButton(QStringLiteral("Command1"), QStringLiteral("DICTIONNAIRE ELECTRONIQUE DES SCIENCES PSYCHOLOGIQUES"),
                                  QStringLiteral("eVelmora  Français"), { 2640, 3885, 6615, 495 }, dictionaryFont, Colours::lightGrey, buttonPointer);
    auto* frenchPresentation = addShellButton(QStringLiteral("cmdPresenFr"), QStringLiteral("Présentation multimédia"), QString(), { 2640, 4365, 6615, 270 }, presentationFont,
                   Colours::lightGrey, buttonPointer);
    addLabel(this, QStringLiteral("Label1"), QStringLiteral("Français - Anglais"), { 5070, 4800, 1755, 375 },
             face(QStringLiteral("Times New Roman"), 11.25, true), Colours::navy);
    addLabel(this, QStringLiteral("Label6"), QStringLiteral("   Edition  Anglaise-Francaise - Version 1.0 "), { 4380, 5160, 3120, 225 },
             face(QStringLiteral("Times New Roman"), 9), Colours::blue);
    auto* back = addShellButton(QStringLiteral("cmdRetour"), QStringLiteral("&Back"), QString(), { 120, 5880, 1455, 375 }, font(), Colours::grey, buttonPointer);
    auto* exit = addShellButton(QStringLiteral("cmdSortir"), QStringLiteral("&Exit"), QString(), { 10350, 5880, 1455, 375 }, font(), Colours::grey, buttonPointer);
    addBanner(this, QStringLiteral("Label4"), banner, { 0, 6360, 11895, 360 }, bannerFont, Qt::white, Colours::lavender);
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (!label->autoFillBackground() && label->pixmap().isNull()) {
            label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            fitCentred(label);
        }
    }

    setCancelButton(exit);
    connect(english, &QPushButton::clicked, this, &ChoiceWindow::englishRequested);
    connect(french, &QPushButton::clicked, this, &ChoiceWindow::frenchRequested);
    connect(back, &QPushButton::clicked, this, &ChoiceWindow::backRequested);
    connect(englishPresentation, &QPushButton::clicked, this, &ChoiceWindow::englishPresentationRequested);
    connect(frenchPresentation, &QPushButton::clicked, this, &ChoiceWindow::frenchPresentationRequested);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    english->setFocus(Qt::OtherFocusReason);
}

void ChoiceWindow::Form_Load()
{
    setLoadColour();
}
