#include "reportlayout.h"

namespace {

const QColor darkGrey(64, 64, 64);

ReportControl label(const QString& name, QRect twips, const QString& text, qreal points, bool bold = false, QColor colour = Qt::black)
{
    return { ReportControl::Kind::Label, name, twips, text, QStringLiteral("Arial"), points, bold, colour };
}

ReportControl rule(const QString& name, int left, int top, int length)
{
    ReportControl control;
    control.kind = ReportControl::Kind::Rule;
    control.name = name;
    control.twips = QRect(left, top, length, 0);
    return control;
}

ReportControl* find(ReportLayout& layout, const QString& name)
{
    for (ReportBand& band : layout.bands) {
        for (ReportControl& control : band.controls) {
            if (control.name == name)
                return &control;
        }
    }
    return nullptr;
}

} // namespace

QString reportPreviewCaption()
{
    return QStringLiteral("Print eVelmora     English - French  Edition 1.0 Version");
}

ReportLayout ReportLayout::prEng1()
{
    ReportControl detail { ReportControl::Kind::Field, QStringLiteral("Text1"), { 810, 0, 1440, 240 }, QStringLiteral("a1 a2 a3 "),
                           QStringLiteral("Arial"), 8.25, false, Qt::black };
    return {
        QStringLiteral("pr_eng1"),
        8490,
        {
            { QStringLiteral("Section4"), 1380,
              { label(QStringLiteral("Label4"), { 615, 0, 4710, 375 }, QStringLiteral("eVelmora     English - French  Edition 1.0 Version"), 9, false, darkGrey),
                label(QStringLiteral("Label5"), { 1598, 450, 5305, 315 }, QStringLiteral("ELECTRONIC DICTIONARY OF PSYCHOLOGICAL SCIENCES"), 9, true,
                      QColor(0, 0, 255)),
                label(QStringLiteral("Label6"), { 3418, 750, 1665, 240 }, QStringLiteral("English  -  French  "), 8.25, true, darkGrey),
                rule(QStringLiteral("Line1"), 615, 250, 7300) } },
            { QStringLiteral("Section2"), 1185,
              { label(QStringLiteral("Label2"), { 1695, 300, 6435, 270 }, QStringLiteral("Label2"), 9.75),
                label(QStringLiteral("Label3"), { 1695, 600, 6435, 270 }, QStringLiteral("Label3"), 9.75),
                label(QStringLiteral("Label7"), { 615, 600, 945, 270 }, QStringLiteral("FRENCH"), 9, true),
                label(QStringLiteral("Label9"), { 615, 300, 1005, 270 }, QStringLiteral("ENGLISH"), 9, true) } },
            { QStringLiteral("Section1"), 240, { detail } },
            { QStringLiteral("Section3"), 360, {} },
            { QStringLiteral("Section5"), 882,
              { label(QStringLiteral("Label11"), { 5130, 165, 1680, 240 }, QStringLiteral("English  eVelmora "), 8.25),
                label(QStringLiteral("Label10"), { 6870, 150, 1440, 240 }, QStringLiteral("%d"), 8.25),
                rule(QStringLiteral("Line2"), 615, 100, 7300) } },
        },
    };
}

ReportLayout ReportLayout::prFrensh()
{
    // The same report with the French texts, and the French term on the first line.
    ReportLayout layout = prEng1();
    layout.name = QStringLiteral("pr_frensh");
    layout.width = 8500;
    layout.bands[PageHeader].height = 1155;
    find(layout, QStringLiteral("Label4"))->twips.setWidth(4860);
    *find(layout, QStringLiteral("Label5")) = label(QStringLiteral("Label5"), { 1275, 450, 5950, 315 },
                                                    QStringLiteral("DICTIONNAIRE ELECTRONIQUE DES SCIENCES PSYCHOLOGIQUES"), 9, true, QColor(0, 0, 255));
    *find(layout, QStringLiteral("Label6")) = label(QStringLiteral("Label6"), { 3448, 750, 1605, 240 }, QStringLiteral("Français - Anglais"), 8.25,
                                                    true, darkGrey);
    find(layout, QStringLiteral("Label2"))->twips.moveTop(600);
    find(layout, QStringLiteral("Label3"))->twips.moveTop(300);
    find(layout, QStringLiteral("Label7"))->text = QStringLiteral("ANGLAIS");
    find(layout, QStringLiteral("Label9"))->text = QStringLiteral("FRANCAIS");
    return layout;
}
