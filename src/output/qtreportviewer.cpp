#include "qtreportviewer.h"

#include <tuple>

#include <QBuffer>
#include <QFile>
#include <QPaintEngine>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "pdffile.h"
#include "platform.h"

namespace {

// A PDF the writer finished ends with its end-of-file marker.
Outcome checkWrittenPdf(const QString& reportName, const QString& path)
{
    if (const QString reason = PdfFile::whyIncomplete(path); !reason.isEmpty())
        return Failure { FailureNumber::PathFileAccess, QStringLiteral("the report %1 was not written to %2: %3").arg(reportName, path, reason) };
    return {};
}

} // namespace

Outcome printReport(const ReportDocument& document, QPrinter& printer)
{
    if (auto done = renderReport(document, printer); !done) {
        if (!printer.outputFileName().isEmpty())
            done.failure().description += QStringLiteral(" (%1)").arg(printer.outputFileName());
        return done;
    }
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return checkWrittenPdf(document.layout.name, printer.outputFileName());
    return {};
}

void QtReportViewer::discard(const QString& reportName)
{
    const auto found = m_previews.find(reportName);
    if (found == m_previews.end())
        return;
    if (found->second) {
        found->second->close();
        delete found->second.data();
    }
    m_previews.erase(found);
}

Outcome QtReportViewer::show(const ReportDocument& document)
{
    // The preview draws later, where a failure could no longer be reported: render once first.
    QBuffer trial;
    trial.open(QIODevice::WriteOnly);
    QPdfWriter writer(&trial);
    setReportMargins(writer);
    if (auto done = renderReport(document, writer); !done)
        return done;

    auto* preview = new QPrintPreviewDialog();
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setObjectName(document.layout.name);
    preview->setWindowTitle(reportPreviewCaption());
    preview->resize(11880 / 15, 8595 / 15);
    setReportMargins(*preview->printer());
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [this, document](QPrinter* printer) {
        // The preview draws its pages through a picture engine; anything else is a real print.
        if (printer->paintEngine() && printer->paintEngine()->type() == QPaintEngine::Picture) {
            // On screen the preview shows whatever could be drawn.
            std::ignore = renderReport(document, *printer);
        } else if (auto done = printReport(document, *printer); !done) {
            m_presenter.showMessage(failureMessage(done.failure(), QStringLiteral("Imprimer")));
        }
    });
    preview->setModal(false);
    preview->show();
    m_previews[document.layout.name] = preview;
    return {};
}
