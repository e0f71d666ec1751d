#include "publication.h"

#include <QFileInfo>

#include "direction.h"
#include "store.h"
#include "windowdata.h"

namespace Publication {
namespace {

Result<std::pair<WindowData::Rows, Publish::Source>> sourceOf(const Direction& direction, const QString& dataDirectory)
{
    auto table = WindowData::rows(direction, dataDirectory, QStringLiteral("PS"));
    if (!table)
        return table.failure();
    auto columns = TableColumns::of(*table->result, table->connectionFile, true);
    if (!columns)
        return columns.failure();
    Publish::Source source { .rows = table->result.get(), .columns = *columns, .byFrench = direction.isFrenchToEnglish(), .name = table->connectionFile };
    return std::pair { std::move(*table), source };
}

} // namespace

Result<Publish::Published> publish(const QString& dataDirectory, const QString& connectionString)
{
    if (!QFileInfo(dataDirectory).isDir())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("%1: no such data directory").arg(dataDirectory) };
    auto french = sourceOf(Direction::frenchToEnglish(), dataDirectory);
    if (!french)
        return french.failure();
    auto english = sourceOf(Direction::englishToFrench(), dataDirectory);
    if (!english)
        return english.failure();
    return Publish::publish(french->second, english->second, connectionString);
}

} // namespace Publication
