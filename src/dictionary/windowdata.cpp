#include "windowdata.h"

#include <QDir>
#include <QFileInfo>

#include "connectiondescription.h"
#include "direction.h"
#include "textfile.h"

namespace {

Result<std::shared_ptr<Store>> openStore(const Direction& direction, const QString& dataDirectory)
{
    if (!QFileInfo(dataDirectory).isDir())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the data directory ") + dataDirectory };
    QString path = TextFile::findCaseInsensitive(dataDirectory, direction.connectionFile);
    if (path.isEmpty())
        return Failure { FailureNumber::FileNotFound, QStringLiteral("cannot find the connection file ") + QDir(dataDirectory).filePath(direction.connectionFile) };
    auto description = ConnectionDescription::read(path, dataDirectory);
    if (!description)
        return description.failure();
    return Store::open(*description);
}

} // namespace

WindowData WindowData::open(const Direction& direction, const QString& dataDirectory)
{
    WindowData data;
    auto store = openStore(direction, dataDirectory);
    if (!store) {
        data.browse = std::make_unique<Cursor>(store.failure());
        data.lookup = std::make_unique<Cursor>(store.failure());
        data.loadFailure = store.failure();
        return data;
    }
    data.browse = std::make_unique<Cursor>(*store);
    data.lookup = std::make_unique<Cursor>(*store);
    data.browse->setRecordSource(direction.browseSource);
    data.lookup->setRecordSource(direction.lookupSource);
    data.loadFailure = data.browse->refresh();
    if (auto failure = data.lookup->refresh(); failure && !data.loadFailure)
        data.loadFailure = failure;
    return data;
}
