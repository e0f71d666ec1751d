#pragma once

#include <QString>
#include <QStringList>

#include "failure.h"
#include "reportlayout.h"
#include "reportrenderer.h"

class BusyPointer;
class MessagePresenter;

// terme_anglais and terme_francais: the pair of terms the last print copied, for the whole
// application.
struct PrintableTerms final {
    QString terme_anglais;
    QString terme_francais;
};

// Shows reports in modeless previews from which they can be printed; one preview per report.
class ReportViewer {
public:
    virtual ~ReportViewer() = default;
    // Closes the report's preview, if one is open.
    virtual void discard(const QString& reportName) = 0;
    virtual Outcome show(const ReportDocument& document) = 0;
};

// DataEnvironment1's Command1, "select * from p1.txt" on the data directory: the detail rows.
Result<QStringList> fetchReportRows(const QString& dataDirectory);

// Copies the terms into the page header's first two controls (Label2, Label3).
Outcome DataReport_Initialize(ReportLayout& report, const PrintableTerms& terms);

// cmdImprimer_Click of one dictionary window, with that window's report.
class PrintOperation final {
public:
    PrintOperation(ReportLayout (*layout)(), PrintableTerms& terms, ReportViewer& viewer, MessagePresenter& presenter,
                   BusyPointer& busyPointer, QString dataDirectory);

    void cmdImprimer_Click(const QString& englishBox, const QString& frenchBox);

private:
    ReportLayout (*m_layout)();
    PrintableTerms& m_terms;
    ReportViewer& m_viewer;
    MessagePresenter& m_presenter;
    BusyPointer& m_busyPointer;
    QString m_dataDirectory;
};
