#pragma once

#include <QString>

// What sets the two translation directions apart in the dictionary operations.
struct Direction final {
    QString connectionFile;   // in the data directory
    QString browseSource;     // record source of the browse cursor Adodc1
    QString lookupSource;     // record source of the lookup cursor Adodc2 at load
    QString searchField;
    QString exactStart;
    QString exactEnd;
    QString prefixStart;
    QString prefixEnd;
    bool newSearchMovesCursors = false;

    static const Direction& frenchToEnglish();
    static const Direction& englishToFrench();
};
