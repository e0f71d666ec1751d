#pragma once

#include <map>

#include <QPointer>

#include "printing.h"

class MessagePresenter;
class QPrinter;
class QPrintPreviewDialog;

// Renders the report on the printer. When the printer writes a file, the file is read back:
// the PDF writer reports success even when the disk filled up under it.
Outcome printReport(const ReportDocument& document, QPrinter& printer);

// Reports in Qt's print preview: zoom, pages, and a print button with the printer dialog
// (which prints to a PDF file as well). A print that fails is reported under "Imprimer".
class QtReportViewer final : public ReportViewer {
public:
    explicit QtReportViewer(MessagePresenter& presenter) : m_presenter(presenter) { }

    void discard(const QString& reportName) override;
    Outcome show(const ReportDocument& document) override;

private:
    MessagePresenter& m_presenter;
    std::map<QString, QPointer<QPrintPreviewDialog>> m_previews;
};
