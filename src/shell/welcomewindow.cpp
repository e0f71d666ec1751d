#include "welcomewindow.h"

#include <QEvent>
#include <QLabel>
#include <QPushButton>

#include "failure.h"
#include "colours.h"
#include "formbuilder.h"
#include "platform.h"
#include "productcontent.h"

using namespace FormBuilder;

WelcomeWindow::WelcomeWindow(MessagePresenter& presenter, QString programDirectory, const QCursor& buttonPointer, QWidget* parent)
    : ShellWindow(presenter, parent), m_programDirectory(std::move(programDirectory))
{
    setObjectName(QStringLiteral("demarage"));
    setWindowTitle(QStringLiteral("eVelmora - Complete Edition 1.0 Version"));
    setFixedSize(pixels({ 0, 0, 11880, 6810 }).size());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, Colours::grey);
    setPalette(colours);
    setAutoFillBackground(true);

    addPicture(this, QStringLiteral("Image1"), QStringLiteral(":/assets/welcome-background.svg"), { 0, 0, 11955, 6900 });
    auto* enter = addShellButton(QStringLiteral("cmdVelmora"), QStringLiteral("Enter"), QString(), { 120, 6120, 1455, 375 }, font(), Colours::grey, buttonPointer);
    auto* exit = addShellButton(QStringLiteral("cmdQuiiter"), QStringLiteral("&Exit"), QString(), { 10080, 6120, 1455, 375 }, font(), Colours::grey, buttonPointer);
    addLabel(this, QStringLiteral("Label4"), QString(), { 3525, 240, 4815, 390 }, face(QStringLiteral("Times New Roman"), 18, true), Colours::blue);
    addLabel(this, QStringLiteral("Label5"), QString(), { 3540, 600, 4890, 555 }, face(QStringLiteral("Andalus"), 18), Colours::blue);
    addLabel(this, QStringLiteral("Label1"), QStringLiteral("Present"), { 5400, 2040, 945, 300 }, face(QStringLiteral("MS Sans Serif"), 12, true), Colours::blue);
    auto* title = addLabel(this, QStringLiteral("Label2"), QStringLiteral("ELECTRONIC VELMORA "), { 2903, 3120, 6075, 600 },
                           face(QStringLiteral("Times New Roman"), 26.25, true), Colours::navy);
    addLabel(this, QStringLiteral("Label8"), QStringLiteral("English - French  Edition - 1.0 Version"), { 4245, 3720, 3870, 240 },
             face(QStringLiteral("MS Sans Serif"), 9.75, true), Colours::navy);
    addLabel(this, QStringLiteral("Label3"), QStringLiteral("By"), { 5775, 4680, 330, 330 }, face(QStringLiteral("Times New Roman"), 14.25, true),
             Colours::brightBlue);
    addLabel(this, QStringLiteral("Label6"), QString(), { 4755, 5040, 2370, 330 }, face(QStringLiteral("Times New Roman"), 14.25, true), Colours::blue);
    addLabel(this, QStringLiteral("Label18"), QString(), { 3998, 6480, 3885, 195 }, font(), Qt::black);
    // The texts stand centred on the window's axis, as their boxes do.
    for (QLabel* label : findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        if (label->pixmap().isNull()) {
            label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
            fitCentred(label);
        }
    }

    title->installEventFilter(this);
    setCancelButton(exit);
    connect(enter, &QPushButton::clicked, this, &WelcomeWindow::enterRequested);
    connect(exit, &QPushButton::clicked, this, &QWidget::close);
    enter->setFocus(Qt::OtherFocusReason);
}

void WelcomeWindow::Form_Load()
{
    setLoadColour();
    auto content = ProductContent::read(m_programDirectory);
    if (!content) {
        m_presenter.showMessage(failureMessage(content.failure(), QStringLiteral("form load")));
        return;
    }
    const std::pair<const char16_t*, const QString*> texts[] = {
        { u"Label4", &content->companyLatin },
        { u"Label5", &content->companyArabic },
        { u"Label6", &content->author },
        { u"Label18", &content->legalNotice },
    };
    for (const auto& [name, text] : texts) {
        auto* label = findChild<QLabel*>(QString::fromUtf16(name));
        label->setText(*text);
        fitCentred(label);
    }
}

bool WelcomeWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        emit enterRequested();
        return true;
    }
    return ShellWindow::eventFilter(watched, event);
}
