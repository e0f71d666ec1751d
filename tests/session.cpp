// A whole session with the program's own services, driven as a user would: for running
// under a tracer that watches what the program writes.
//   session DATA_DIRECTORY PROGRAM_DIRECTORY PDF_PATH
// Messages go to standard output, one per line; the exit status is 0 when every step ran.

#include <QApplication>
#include <QLineEdit>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstdio>

#include "programservices.h"
#include "qtplatform.h"
#include "standins.h"
#include "testservices.h"
#include "windowflow.h"

namespace {

bool click(const QString& window, const QString& button)
{
    QWidget* top = visibleWindow(window);
    auto* control = top ? top->findChild<QPushButton*>(button) : nullptr;
    if (!control) {
        std::fprintf(stderr, "no button %s in %s\n", qPrintable(button), qPrintable(window));
        return false;
    }
    QTest::mouseClick(control, Qt::LeftButton);
    return true;
}

bool typeAndSearch(const QString& window, const QString& box, const QString& text)
{
    QWidget* top = visibleWindow(window);
    auto* edit = top ? top->findChild<QLineEdit*>(box) : nullptr;
    if (!edit)
        return false;
    edit->setFocus();
    edit->clear();
    typeText(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
    return true;
}

// The preview's printer set to a PDF file, then its print.
bool printPreviewTo(const QString& path)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        auto* preview = qobject_cast<QPrintPreviewDialog*>(widget);
        if (!preview || !preview->isVisible())
            continue;
        preview->printer()->setOutputFormat(QPrinter::PdfFormat);
        preview->printer()->setOutputFileName(path);
        preview->findChild<QPrintPreviewWidget*>()->print();
        preview->close();
        return true;
    }
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: session DATA_DIRECTORY PROGRAM_DIRECTORY PDF_PATH\n");
        return 2;
    }
    installFontSubstitutions();
    discardToolkitSettings();
    const QString dataDirectory = QString::fromLocal8Bit(argv[1]);
    const QString programDirectory = QString::fromLocal8Bit(argv[2]);
    const QString pdf = QString::fromLocal8Bit(argv[3]);

    RecordingPresenter presenter;
    presenter.echo = true;
    ProgramServices program(app, dataDirectory, programDirectory, &presenter);
    WindowFlow flow(program.windows(), program.presentations());

    // Modal windows (bibliography, about boxes, the music file dialog) are closed as they open.
    QTimer closer;
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* modal = QApplication::activeModalWidget())
            modal->close();
    });
    closer.start(20);

    flow.start();
    bool ok = click(QStringLiteral("demarage"), QStringLiteral("cmdVelmora"))
        && click(QStringLiteral("choix"), QStringLiteral("Command1"))
        && typeAndSearch(QStringLiteral("f1"), QStringLiteral("Text_fr"), QStringLiteral("anxiété"));
    for (const char* button : { "cmdAvance", "cmdRecule", "cmdPremier", "cmdDernier", "cmdM", "cmdAvanceRapidement",
                                "cmdReculeRapidement", "cmdImprimer" })
        ok = ok && click(QStringLiteral("f1"), QString::fromLatin1(button));
    ok = ok && printPreviewTo(pdf);
    for (const char* button : { "cmdHelp", "cmdPlay", "cmdStop", "cmdParcourir", "cmdBibliography", "cmdPublisher", "CmdWriter" })
        ok = ok && click(QStringLiteral("f1"), QString::fromLatin1(button));
    if (ok) {
        QTest::keyClick(visibleWindow(QStringLiteral("f1")), Qt::Key_F1);
        QApplication::processEvents();
    }
    ok = ok && click(QStringLiteral("f1"), QStringLiteral("cmdAnglais"))
        && typeAndSearch(QStringLiteral("eng2"), QStringLiteral("Text_eng"), QStringLiteral("fear"));
    for (const char* button : { "cmdT", "cmdBibliography", "cmdPublisher", "CmdWriter", "cmdImprimer", "cmdSortir" })
        ok = ok && click(QStringLiteral("eng2"), QString::fromLatin1(button));
    for (QWidget* widget : QApplication::topLevelWidgets())
        widget->close();
    QApplication::processEvents();
    return ok ? 0 : 1;
}
