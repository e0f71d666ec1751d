#pragma once

#include <QColor>
#include <QList>
#include <QRect>
#include <QString>

// A banded report layout, as data: bands in order (report header, page header, detail, page
// footer, report footer), each with its controls in stored order. Positions in twips within
// the band.
struct ReportControl final {
    enum class Kind { Label, Field, Rule };

    Kind kind = Kind::Label;
    QString name;
    QRect twips;    // a rule: left, top and length as width
    QString text;   // a label's caption; a field's column name
    QString family = QStringLiteral("Arial");
    qreal points = 9;
    bool bold = false;
    QColor colour = Qt::black;
};

struct ReportBand final {
    QString name;
    int height = 0;
    QList<ReportControl> controls;
};

struct ReportLayout final {
    enum Band { ReportHeader, PageHeader, Detail, PageFooter, ReportFooter };

    QString name;
    int width = 0;
    QList<ReportBand> bands;

    // The English-to-French report and the French-to-English one.
    static ReportLayout prEng1();
    static ReportLayout prFrensh();
};

// The preview window's caption.
QString reportPreviewCaption();
