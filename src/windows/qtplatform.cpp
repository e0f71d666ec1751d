#include "qtplatform.h"

#include <QApplication>
#include <QFont>
#include <QMessageBox>
#include <QSettings>

void QtMessagePresenter::showMessage(const QString& text)
{
    QMessageBox box(QMessageBox::NoIcon, QStringLiteral("eVelmoraEFs"), text, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

void QtBusyPointer::setHourglass()
{
    if (QGuiApplication::overrideCursor())
        QGuiApplication::changeOverrideCursor(Qt::WaitCursor);
    else
        QGuiApplication::setOverrideCursor(Qt::WaitCursor);
}

void QtBusyPointer::setDefault()
{
    while (QGuiApplication::overrideCursor())
        QGuiApplication::restoreOverrideCursor();
}

void discardToolkitSettings()
{
    // A settings file is made inside this "folder", which is not one and cannot become one.
    QSettings::setPath(QSettings::defaultFormat(), QSettings::UserScope, QStringLiteral("/dev/null"));
}

void installFontSubstitutions()
{
    QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Arial"), QStringLiteral("Liberation Sans"));
    QFont::insertSubstitution(QStringLiteral("Times New Roman"), QStringLiteral("Liberation Serif"));
    QFont::insertSubstitution(QStringLiteral("Andalus"), QStringLiteral("Noto Naskh Arabic"));
}
