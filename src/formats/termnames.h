#pragma once

#include <QString>

namespace TermRecord
{
struct Side;
}

// The words a reader sees for a record's codes, in the reader's language: the entry view and
// the dictionaries written for other programs say them alike.
namespace TermNames
{

// "n.f.", "adj.", "loc." in French; "n. (feminine)", "phr." in English; empty when unknown.
QString grammar(const TermRecord::Side& side, bool french);
QString subfieldName(const QString& code, bool french);
QString relationName(const QString& relation, bool french);

} // namespace TermNames
