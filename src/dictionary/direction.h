#pragma once

#include <QString>

#include "letterstarttable.h"
#include "querytexts.h"

// What sets the two translation directions apart in the dictionary operations.
struct Direction final {
    QueryTexts::Direction texts; // the same texts without Qt, for the search plan
    QString connectionFile;   // in the data directory
    QString browseSource;     // record source of the browse cursor Adodc1
    QString lookupSource;     // record source of the lookup cursor Adodc2 at load
    QString searchField;
    bool newSearchMovesCursors = false;
    LetterStartTable letterStarts {}; // the product's own, used when the connection file gives none
    bool fromFrench = false;          // the French term is the one searched

    bool isFrenchToEnglish() const { return fromFrench; }

    static const Direction& frenchToEnglish();
    static const Direction& englishToFrench();
};
