#pragma once

#include <map>

#include <QPointer>

#include "printing.h"

class QPrintPreviewDialog;

// Reports in Qt's print preview: zoom, pages, and a print button with the printer dialog
// (which prints to a PDF file as well).
class QtReportViewer final : public ReportViewer {
public:
    void discard(const QString& reportName) override;
    Outcome show(const ReportDocument& document) override;

private:
    std::map<QString, QPointer<QPrintPreviewDialog>> m_previews;
};
