#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include "failure.h"

// Compression that a reader can open at any place: gzip as dictzip writes it, the text cut into
// chunks compressed each on its own and their sizes listed in the header, so that a DICT server
// or a StarDict reader inflates only the chunk holding the entry asked for. Any gzip reader
// reads it whole.
namespace Dictzip
{

// `name` is the file's name without ".dz", as gzip keeps it; `modified` the time it records.
// Refused beyond the 1.9 GB whose chunks the header can list.
Result<QByteArray> compress(QByteArrayView data, const QByteArray& name, quint32 modified);

} // namespace Dictzip
