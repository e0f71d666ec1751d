#include "windowdata.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "compiledcopy.h"
#include "connectiondescription.h"
#include "direction.h"
#include "textfile.h"
#include "storefactory.h"

namespace {

Result<ConnectionDescription> readDescription(const Direction& direction, const QString& dataDirectory)
{
    if (!QFileInfo(dataDirectory).isDir())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the data directory ") + dataDirectory };
    QString path = TextFile::findCaseInsensitive(dataDirectory, direction.connectionFile);
    if (path.isEmpty())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the connection file ") + QDir(dataDirectory).filePath(direction.connectionFile) };
    auto description = ConnectionDescription::read(path, dataDirectory);
    if (description)
        description->searchField = direction.searchField;
    return description;
}

} // namespace

WindowData WindowData::openForLookUp(const Direction& direction, const QString& dataDirectory)
{
    const std::string tables = CompiledCopy::directoryFor(QFile::encodeName(dataDirectory).toStdString(), QFile::encodeName(direction.connectionFile).constData());
    return open(direction, QFile::decodeName(tables.c_str()));
}

WindowData WindowData::open(const Direction& direction, const QString& dataDirectory)
{
    WindowData data;
    data.letterStarts = direction.letterStarts;
    auto description = readDescription(direction, dataDirectory);
    auto store = description ? openStore(*description) : Result<std::shared_ptr<Store>>(description.failure());
    if (!store) {
        data.browse = std::make_unique<Cursor>(store.failure());
        data.lookup = std::make_unique<Cursor>(store.failure());
        data.loadFailure = store.failure();
        return data;
    }
    if (description->letterStarts) {
        if (auto table = LetterStarts::parse(*description->letterStarts, description->file))
            data.letterStarts = *table;
        else
            data.loadFailure = table.failure();
    }
    (*store)->setIndexedColumns({ direction.searchField });
    data.store = *store;
    data.browse = std::make_unique<Cursor>(*store);
    data.lookup = std::make_unique<Cursor>(*store);
    data.browse->setRecordSource(direction.browseSource);
    data.lookup->setRecordSource(direction.lookupSource);
    for (Cursor* cursor : { data.browse.get(), data.lookup.get() }) {
        if (auto done = cursor->refresh(); !done && !data.loadFailure)
            data.loadFailure = done.failure();
    }
    return data;
}

Result<WindowData::Rows> WindowData::rows(const Direction& direction, const QString& dataDirectory, const QString& recordSource)
{
    auto description = readDescription(direction, dataDirectory);
    if (!description)
        return description.failure();
    auto store = openStore(*description);
    if (!store)
        return store.failure();
    auto result = (*store)->execute(recordSource);
    if (!result)
        return result.failure();
    return Rows { std::move(*result), description->file };
}

