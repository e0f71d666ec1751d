#include "testservices.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

Result<qint64> RecordingStarter::startDetached(const QString& program)
{
    started.append(program);
    if (refuse)
        return Failure { FailureNumber::NoSuchFile, QStringLiteral("cannot start ") + program };
    return qint64(4242);
}

TestServices::TestServices(const QString& dataDirectory, const QString& programDirectory)
    : windows {
        .presenter = presenter,
        .busyPointer = busy,
        .helpFile = helpFile,
        .terms = terms,
        .reportViewer = viewer,
        .helpViewer = help,
        .makePlayer = silentPlayer,
        .makeFileDialog = noDialog,
        .dataDirectory = dataDirectory,
        .programDirectory = programDirectory,
        .buttonPointer = QCursor(),
    }
{
}

QWidget* visibleWindow(const QString& name)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->objectName() == name)
            return widget;
    }
    return nullptr;
}

void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &release);
    }
}
