#pragma once

#include <QString>
#include <QStringList>

#include "failure.h"

// The product's particulars shown by the welcome and about windows, read from content.json
// in the program directory.
struct ProductContent final {
    QString companyLatin;
    QString companyArabic;
    QString author;
    QString legalNotice;

    struct Publisher {
        QString name;
        QString technicalDirector;
        QStringList address;
        QString email;
        QString phone;
        QString fax;
        QString development;
        QStringList secretaries;
    } publisher;

    struct Writer {
        QString name;
        QString professionEnglish;
        QString professionFrench;
        QStringList affiliationsEnglish;
        QStringList affiliationsFrench;
        QStringList address;
        QString email;
        QString phone;
        QString fax;
        QString mobile;
    } writer;

    static Result<ProductContent> read(const QString& programDirectory);
};
