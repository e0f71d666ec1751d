#pragma once

#include <QString>

#include "failure.h"

// The product's particulars shown by the welcome and about windows, read from content.json
// in the program directory.
struct ProductContent final {
    QString companyLatin;
    QString companyArabic;
    QString author;
    QString legalNotice;

    static Result<ProductContent> read(const QString& programDirectory);
};
