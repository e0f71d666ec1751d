#include "printing.h"

#include <QDate>
#include <QFileInfo>
#include <QLocale>

#include "connectiondescription.h"
#include "cursor.h"
#include "platform.h"
#include "storefactory.h"

Result<QStringList> fetchReportRows(const QString& dataDirectory)
{
    if (!QFileInfo(dataDirectory).isDir())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the data directory ") + dataDirectory };
    ConnectionDescription connection;
    connection.file = dataDirectory;
    connection.tableDirectory = dataDirectory;
    auto store = openStore(connection);
    if (!store)
        return store.failure();
    Cursor command(*store);
    command.setRecordSource(QStringLiteral("select * from p1.txt"));
    if (auto done = command.refresh(); !done)
        return done.failure();
    QStringList rows;
    for (Outcome step = command.moveFirst(); step.ok() && command.onEntry(); step = command.moveNext()) {
        auto value = command.field(u"a1 a2 a3 ");
        if (!value)
            return value.failure();
        rows.append(value->text);
    }
    return rows;
}

Outcome DataReport_Initialize(ReportLayout& report, const PrintableTerms& terms)
{
    // Band 2, controls 1 and 2, counted from 1 in stored order.
    if (report.bands.size() < 2 || report.bands[1].controls.size() < 2)
        return Failure { FailureNumber::SubscriptOutOfRange, QStringLiteral("Subscript out of range: the page header of %1 has no controls 1 and 2").arg(report.name) };
    report.bands[1].controls[0].text = terms.terme_anglais;
    report.bands[1].controls[1].text = terms.terme_francais;
    return {};
}

PrintOperation::PrintOperation(ReportLayout (*layout)(), PrintableTerms& terms, ReportViewer& viewer, MessagePresenter& presenter,
                               BusyPointer& busyPointer, QString dataDirectory)
    : m_layout(layout)
    , m_terms(terms)
    , m_viewer(viewer)
    , m_presenter(presenter)
    , m_busyPointer(busyPointer)
    , m_dataDirectory(std::move(dataDirectory))
{
}

void PrintOperation::cmdImprimer_Click(const QString& englishBox, const QString& frenchBox)
{
    m_busyPointer.setHourglass();
    m_terms.terme_anglais = englishBox;
    m_terms.terme_francais = frenchBox;
    ReportDocument document { m_layout(), {}, QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat) };
    m_viewer.discard(document.layout.name);
    if (auto done = DataReport_Initialize(document.layout, m_terms); !done)
        m_presenter.showMessage(failureMessage(done.failure(), QStringLiteral("Initialize")));
    Outcome done;
    if (auto rows = fetchReportRows(m_dataDirectory))
        document.detailRows = *rows;
    else
        done = rows.failure();
    if (done.ok())
        done = m_viewer.show(document);
    if (!done)
        m_presenter.showMessage(failureMessage(done.failure(), QStringLiteral("Imprimer")));
    m_busyPointer.setDefault();
}
