#include "shellwindow.h"
#include "windowpalette.h"

#include <QKeyEvent>
#include <QPushButton>

#include "formbuilder.h"

ShellWindow::ShellWindow(MessagePresenter& presenter, QWidget* parent) : QWidget(parent), m_presenter(presenter)
{
    useLightPalette(*this);
}

QPushButton* ShellWindow::addShellButton(const QString& name, const QString& caption, const QString& tooltip, const QRect& twips,
                                         const QFont& font, const QColor& face, const QCursor& pointer)
{
    QPushButton* button = FormBuilder::addButton(this, name, caption, tooltip, twips, font, face);
    button->setCursor(pointer);
    button->setAutoDefault(true); // Enter presses the button that has the focus
    return button;
}

void ShellWindow::setLoadColour()
{
    QPalette colours = palette();
    colours.setColor(QPalette::Window, colours.color(QPalette::ToolTipBase));
    setPalette(colours);
    setAutoFillBackground(true);
}

void ShellWindow::keyPressEvent(QKeyEvent* event)
{
    if (m_cancel && event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_cancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}
