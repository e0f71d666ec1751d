#include "termnames.h"

#include <array>
#include <initializer_list>

#include <QStringList>

#include "termrecord.h"

namespace TermNames
{

namespace
{

QString named(const QString& code, bool french, std::initializer_list<std::array<const char16_t*, 3>> names)
{
    for (const auto& name : names) {
        if (code == QStringView(name[0]))
            return QString::fromUtf16(french ? name[1] : name[2]);
    }
    return code;
}

} // namespace

QString grammar(const TermRecord::Side& side, bool french)
{
    const QString& pos = side.partOfSpeech;
    if (pos.isEmpty())
        return {};
    QString text = named(pos, french,
        { { u"noun", u"n.", u"n." }, { u"adjective", u"adj.", u"adj." }, { u"verb", u"v.", u"v." },
            { u"adverb", u"adv.", u"adv." }, { u"phrase", u"loc.", u"phr." },
            { u"abbreviation", u"abrév.", u"abbr." } });
    if (french) {
        // French dictionaries run the gender into the noun's abbreviation: n.m., n.f.
        const QString gender = side.gender == u"m" ? QStringLiteral("m.")
            : side.gender == u"f"                  ? QStringLiteral("f.")
            : side.gender == u"mf"                 ? QStringLiteral("m. et f.")
                                                   : QString();
        if (!gender.isEmpty())
            text += pos == u"noun" ? gender : u' ' + gender;
        if (side.plural)
            text += QStringLiteral(" pl.");
    } else {
        QStringList spelled;
        if (!side.gender.isEmpty())
            spelled << (side.gender == u"m" ? QStringLiteral("masculine")
                    : side.gender == u"f"   ? QStringLiteral("feminine")
                                            : QStringLiteral("masculine or feminine"));
        if (side.plural)
            spelled << QStringLiteral("plural");
        if (!spelled.isEmpty())
            text += QStringLiteral(" (") + spelled.join(QStringLiteral(", ")) + u')';
    }
    return text;
}

QString subfieldName(const QString& code, bool french)
{
    return named(code, french,
        { { u"clinical", u"psychologie clinique", u"clinical psychology" },
            { u"biological", u"psychologie biologique", u"biological psychology" },
            { u"cognitive", u"psychologie cognitive", u"cognitive psychology" },
            { u"methods", u"méthodologie", u"research methods" },
            { u"social", u"psychologie sociale", u"social psychology" },
            { u"psychoanalysis", u"psychanalyse", u"psychoanalysis" },
            { u"developmental", u"psychologie du développement", u"developmental psychology" },
            { u"therapy", u"psychothérapie", u"psychotherapy" }, { u"learning", u"apprentissage", u"learning" },
            { u"personality", u"personnalité", u"personality" }, { u"emotion", u"émotion", u"emotion" },
            { u"perception", u"perception", u"perception" }, { u"work", u"psychologie du travail", u"work psychology" },
            { u"health", u"psychologie de la santé", u"health psychology" },
            { u"educational", u"psychologie de l'éducation", u"educational psychology" },
            { u"forensic", u"psychologie légale", u"forensic psychology" } });
}

QString relationName(const QString& relation, bool french)
{
    return named(relation, french,
        { { u"abbreviation", u"abréviation", u"abbreviation" }, { u"full-form", u"forme développée", u"full form" },
            { u"former-name", u"ancien nom", u"former name" }, { u"current-name", u"nom actuel", u"current name" },
            { u"spelling-variant", u"variante orthographique", u"spelling variant" },
            { u"synonym", u"synonyme", u"synonym" }, { u"broader", u"terme générique", u"broader term" },
            { u"narrower", u"terme spécifique", u"narrower term" }, { u"related", u"voir aussi", u"see also" } });
}

} // namespace TermNames
