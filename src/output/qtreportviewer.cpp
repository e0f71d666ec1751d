#include "qtreportviewer.h"

#include <QBuffer>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrinter>

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
    QObject::connect(preview, &QPrintPreviewDialog::paintRequested, preview, [document](QPrinter* printer) { renderReport(document, *printer); });
    preview->setModal(false);
    preview->show();
    m_previews[document.layout.name] = preview;
    return std::nullopt;
}
