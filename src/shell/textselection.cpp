#include "textselection.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QProcess>
#include <QStandardPaths>

using namespace Qt::StringLiterals;

Result<QString> DesktopSelection::text(bool clipboard)
{
    if (QGuiApplication::platformName().startsWith(u"wayland"_s)) {
        if (const QString paste = QStandardPaths::findExecutable(u"wl-paste"_s); !paste.isEmpty()) {
            QProcess process;
            QStringList arguments { u"--no-newline"_s, u"--type"_s, u"text"_s };
            if (!clipboard)
                arguments << u"--primary"_s;
            process.start(paste, arguments);
            if (!process.waitForFinished(3000)) {
                process.kill();
                process.waitForFinished(1000);
                return Failure { .number = FailureNumber::DeviceUnavailable,
                    .description = u"wl-paste did not answer"_s };
            }
            // It fails when nothing is selected: nothing to look up, not an error.
            return process.exitCode() == 0 ? QString::fromUtf8(process.readAllStandardOutput()) : QString();
        }
    }
    QClipboard* board = QGuiApplication::clipboard();
    if (!clipboard && !board->supportsSelection())
        return Failure {
            .number = FailureNumber::DeviceUnavailable,
            .description
            = u"this desktop gives no primary selection to the program: install wl-paste (package wl-clipboard), or copy the word and use --clipboard"_s
        };
    return board->text(clipboard ? QClipboard::Clipboard : QClipboard::Selection);
}
