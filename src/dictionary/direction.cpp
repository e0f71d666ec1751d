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
    };
    return direction;
}
