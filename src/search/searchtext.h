#pragma once

#include <QString>
#include <QStringList>

// The words of a text as a search compares them: case, accents and ligatures (œ, æ) left out,
// French elisions (l', d', qu' …) dropped, and a final plural -s or -x taken off, so that
// "L'Œdème" and "oedemes" are the same word. Index and query go through the same folding.
namespace SearchText {

QStringList words(const QString& text);
// The words joined by blanks, as the index stores them.
QString folded(const QString& text);

} // namespace SearchText
