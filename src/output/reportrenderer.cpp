#include "reportrenderer.h"

#include <algorithm>

#include <QFont>
#include <QPagedPaintDevice>
#include <QPainter>

namespace {

constexpr int twipsPerInch = 1440;

QFont fontOf(const ReportControl& control)
{
    QFont font(control.family);
    font.setPointSizeF(control.points);
    font.setBold(control.bold);
    return font;
}

constexpr int textFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

QStringList bandTexts(const ReportBand& band, const QString& date, const QString& detail)
{
    QStringList texts;
    for (const ReportControl& control : band.controls) {
        QString text = control.kind == ReportControl::Kind::Field ? detail : control.text;
        texts.append(text.replace(QStringLiteral("%d"), date));
    }
    return texts;
}

class Renderer final {
public:
    Renderer(const ReportDocument& document, QPagedPaintDevice& device, QPainter& painter)
        : m_document(document), m_device(device), m_painter(painter), m_dpiX(device.logicalDpiX()), m_dpiY(device.logicalDpiY())
    {
        m_pageHeight = device.height() * twipsPerInch / m_dpiY;
    }

    Outcome run()
    {
        const auto& bands = m_document.layout.bands;
        const PlacedBand pageFooter = place(ReportLayout::PageFooter);
        m_bottom = m_pageHeight - pageFooter.height;
        draw(place(ReportLayout::ReportHeader));
        draw(place(ReportLayout::PageHeader));
        for (const QString& row : m_document.detailRows) {
            const PlacedBand detail = placeBand(bands[ReportLayout::Detail], bandTexts(bands[ReportLayout::Detail], m_document.date, row), m_painter, m_dpiY);
            if (!fits(detail) && !newPage(pageFooter))
                return failure();
            draw(detail);
        }
        const PlacedBand reportFooter = place(ReportLayout::ReportFooter);
        if (!fits(reportFooter) && !newPage(pageFooter))
            return failure();
        draw(reportFooter);
        drawAt(pageFooter, m_bottom);
        return {};
    }

private:
    PlacedBand place(ReportLayout::Band band) const
    {
        const ReportBand& source = m_document.layout.bands[band];
        return placeBand(source, bandTexts(source, m_document.date, QString()), m_painter, m_dpiY);
    }

    bool fits(const PlacedBand& band) const { return m_y == 0 || m_y + band.height <= m_bottom; }

    bool newPage(const PlacedBand& pageFooter)
    {
        drawAt(pageFooter, m_bottom);
        if (!m_device.newPage())
            return false;
        m_y = 0;
        draw(place(ReportLayout::PageHeader));
        return true;
    }

    void draw(const PlacedBand& band)
    {
        drawAt(band, m_y);
        m_y += band.height;
    }

    int px(int twips, qreal dpi) const { return static_cast<int>(twips * dpi / twipsPerInch); }

    void drawAt(const PlacedBand& band, int top)
    {
        for (const auto& placed : band.controls) {
            const ReportControl& control = *placed.control;
            const QRect r(px(placed.twips.x(), m_dpiX), px(top + placed.twips.y(), m_dpiY), px(placed.twips.width(), m_dpiX),
                          px(placed.twips.height(), m_dpiY));
            if (control.kind == ReportControl::Kind::Rule) {
                m_painter.setPen(QPen(Qt::black, std::max(1, px(15, m_dpiY))));
                m_painter.drawLine(r.left(), r.top(), r.left() + r.width(), r.top());
                continue;
            }
            m_painter.setFont(fontOf(control));
            m_painter.setPen(control.colour);
            m_painter.drawText(r, textFlags, placed.text);
        }
    }

    Failure failure() const
    {
        return { FailureNumber::PrinterError, QStringLiteral("cannot render the report %1: the printer took no new page").arg(m_document.layout.name) };
    }

    const ReportDocument& m_document;
    QPagedPaintDevice& m_device;
    QPainter& m_painter;
    qreal m_dpiX;
    qreal m_dpiY;
    int m_pageHeight = 0;
    int m_bottom = 0;
    int m_y = 0;
};

} // namespace

PlacedBand placeBand(const ReportBand& band, const QStringList& texts, QPainter& painter, qreal dpiY)
{
    PlacedBand placed;
    struct Growth {
        int top;
        int bottom;
        int offset = 0;
        int grown = 0;
    };
    QList<Growth> growth;
    for (qsizetype i = 0; i < band.controls.size(); ++i) {
        const ReportControl& control = band.controls[i];
        Growth g { control.twips.top(), control.twips.top() + control.twips.height() };
        if (control.kind != ReportControl::Kind::Rule && !texts[i].isEmpty()) {
            painter.setFont(fontOf(control));
            const int widthPx = static_cast<int>(control.twips.width() * painter.device()->logicalDpiX() / qreal(twipsPerInch));
            const QRect needed = painter.boundingRect(QRect(0, 0, widthPx, 1 << 20), textFlags | Qt::TextWrapAnywhere, texts[i]);
            const int neededTwips = static_cast<int>(needed.height() * twipsPerInch / dpiY) + 1;
            g.grown = std::max(0, neededTwips - control.twips.height());
        }
        growth.append(g);
    }
    // A control moves down by what grew above it, and by what moved that: taken in order of
    // their tops, every control above has settled before the ones below it.
    QList<qsizetype> order;
    for (qsizetype i = 0; i < growth.size(); ++i)
        order.append(i);
    std::stable_sort(order.begin(), order.end(), [&growth](qsizetype a, qsizetype b) { return growth[a].top < growth[b].top; });
    for (const qsizetype j : order) {
        for (const qsizetype i : order) {
            if (i != j && growth[i].bottom <= growth[j].top && growth[i].top < growth[j].top)
                growth[j].offset = std::max(growth[j].offset, growth[i].offset + growth[i].grown);
        }
    }
    int extra = 0;
    for (qsizetype i = 0; i < band.controls.size(); ++i) {
        const ReportControl& control = band.controls[i];
        QRect twips = control.twips.translated(0, growth[i].offset);
        twips.setHeight(control.twips.height() + growth[i].grown);
        placed.controls.append({ &control, twips, texts[i] });
        extra = std::max(extra, growth[i].offset + growth[i].grown);
    }
    placed.height = band.height + extra;
    return placed;
}

void setReportMargins(QPagedPaintDevice& device)
{
    device.setPageMargins(QMarginsF(1, 1, 1, 1), QPageLayout::Inch);
}

Outcome renderReport(const ReportDocument& document, QPagedPaintDevice& device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return Failure { FailureNumber::PrinterError, QStringLiteral("cannot render the report %1: the printer or file cannot be opened").arg(document.layout.name) };
    Renderer renderer(document, device, painter);
    Outcome outcome = renderer.run();
    if (!painter.end() && outcome.ok())
        outcome = Failure { FailureNumber::PrinterError, QStringLiteral("cannot finish the report %1").arg(document.layout.name) };
    return outcome;
}
