#include "direction.h"

#include "querytexts.h"

namespace {

Direction fromTexts(const QueryTexts::Direction& texts, bool newSearchMovesCursors, const LetterStartTable& letterStarts)
{
    return {
        .texts = texts,
        .connectionFile = QString::fromUtf8(texts.connectionFile),
        .browseSource = QString::fromUtf8(texts.browseSource),
        .lookupSource = QString::fromUtf8(texts.lookupSource),
        .searchField = QString::fromUtf8(texts.searchField),
        .newSearchMovesCursors = newSearchMovesCursors,
        .letterStarts = letterStarts,
        .fromFrench = &texts == &QueryTexts::frenchToEnglish,
    };
}

} // namespace

const Direction& Direction::frenchToEnglish()
{
    static const Direction direction = fromTexts(QueryTexts::frenchToEnglish, true,
        { 0,    3677, 3777, 3877, 3977, 4077, 4177, 4277, 4376, 4474, 4574, 4673, 4773,
          4873, 4973, 5072, 5172, 5270, 5370, 5470, 5570, 5685, 5784, 5804, 5828, 5837 });
    return direction;
}

const Direction& Direction::englishToFrench()
{
    static const Direction direction = fromTexts(QueryTexts::englishToFrench, false,
        { 0,    5109, 5209, 5309, 5409, 5509, 5609, 5709, 5809, 5909, 6009, 6109, 6209,
          6309, 6409, 6509, 6609, 6638, 6738, 6838, 6938, 7038, 7138, 7238, 7266, 7276 });
    return direction;
}
