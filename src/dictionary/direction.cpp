#include "direction.h"

const Direction& Direction::frenchToEnglish()
{
    static const Direction direction {
        QStringLiteral("d0.UDL"),
        QStringLiteral("select * from PS order by Frensh"),
        QStringLiteral("select * from PS order by Frensh"),
        QStringLiteral("Frensh"),
        QStringLiteral("select * from Ps where [Frensh] = "),
        QStringLiteral(" order by frensh "),
        QStringLiteral("select * from Ps where [Frensh] Between "),
        QStringLiteral(" order by Frensh ASC "),
        true,
        { 0,    3677, 3777, 3877, 3977, 4077, 4177, 4277, 4376, 4474, 4574, 4673, 4773,
          4873, 4973, 5072, 5172, 5270, 5370, 5470, 5570, 5685, 5784, 5804, 5828, 5837 },
    };
    return direction;
}

const Direction& Direction::englishToFrench()
{
    static const Direction direction {
        QStringLiteral("d2.UDL"),
        QStringLiteral("PS"),
        QStringLiteral("select * from PS "),
        QStringLiteral("English"),
        QStringLiteral("select * from Ps where [English] = "),
        QString(),
        QStringLiteral("select * from Ps where [English] Between "),
        QStringLiteral(" order by English ASC "),
        false,
        { 0,    5109, 5209, 5309, 5409, 5509, 5609, 5709, 5809, 5909, 6009, 6109, 6209,
          6309, 6409, 6509, 6609, 6638, 6738, 6838, 6938, 7038, 7138, 7238, 7266, 7276 },
    };
    return direction;
}
