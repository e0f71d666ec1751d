#pragma once

#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

#include "failure.h"
#include "reportlayout.h"

class QPagedPaintDevice;
class QPainter;

// A report instance ready to render: its layout with the captions set, the rows of its
// detail band, and the date its footer shows.
struct ReportDocument final {
    ReportLayout layout;
    QStringList detailRows;
    QString date;
};

// Where a band's controls land once texts wider than their controls have wrapped: each
// grown control pushes down the controls below it, and the band grows with them.
struct PlacedBand final {
    struct Placed {
        const ReportControl* control;
        QRect twips;
        QString text;
    };
    QList<Placed> controls;
    int height = 0;
};

// `texts` gives each label's and field's text by position in the band; `painter` measures.
PlacedBand placeBand(const ReportBand& band, const QStringList& texts, QPainter& painter, qreal dpiY);

// Renders the report onto the device, page by page, inside the device's margins.
Outcome renderReport(const ReportDocument& document, QPagedPaintDevice& device);

// The page layout the reports are designed for: one inch (1440 twips) on every side.
void setReportMargins(QPagedPaintDevice& device);
