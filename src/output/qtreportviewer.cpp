#include "qtreportviewer.h"

#include <QBuffer>
#include <QFile>
#include <QPaintEngine>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

#include "platform.h"

namespace {

constexpr int fileAccessFailure = 75;

// A PDF the writer finished ends with its end-of-file marker.
Outcome checkWrittenPdf(const QString& reportName, const QString& path)
{
    const auto notWritten = [&](const QString& reason) {
        return Failure { fileAccessFailure, QStringLiteral("the report %1 was not written to %2: %3").arg(reportName, path, reason) };
    };
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return notWritten(file.errorString());
    const qint64 size = file.size();
    if (size <= 0)
        return notWritten(QStringLiteral("the file is empty (is the disk full?)"));
    file.seek(std::max<qint64>(0, size - 1024));
    if (!file.read(1024).contains("%%EOF"))
        return notWritten(QStringLiteral("the file is incomplete (is the disk full?)"));
    return std::nullopt;
}

} // namespace

Outcome printReport(const ReportDocument& document, QPrinter& printer)
{
    if (auto failure = renderReport(document, printer)) {
        if (!printer.outputFileName().isEmpty())
            failure->description += QStringLiteral(" (%1)").arg(printer.outputFileName());
        return failure;
    }
    if (printer.outputFormat() == QPrinter::PdfFormat && !printer.outputFileName().isEmpty())
        return checkWrittenPdf(document.layout.name, printer.outputFileName());
    return std::nullopt;
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
    if (auto failure = renderReport(document, writer))
        return failure;

    auto* preview = new QPrintPreviewDialog();
    preview->setAttribute(Qt::WA_DeleteOnClose);
    preview->setObjectName(document.layout.name);
    preview->setWindowTitle(reportPreviewCaption());
    preview->resize(11880 / 15, 8595 / 15);
    setReportMargins(*preview->printer());
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [this, document](QPrinter* printer) {
        // The preview draws its pages through a picture engine; anything else is a real print.
        if (printer->paintEngine() && printer->paintEngine()->type() == QPaintEngine::Picture) {
            renderReport(document, *printer);
        } else if (auto failure = printReport(document, *printer)) {
            m_presenter.showMessage(failureMessage(*failure, QStringLiteral("Imprimer")));
        }
    });
    preview->setModal(false);
    preview->show();
    m_previews[document.layout.name] = preview;
    return std::nullopt;
}
