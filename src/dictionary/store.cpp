#include "store.h"

#include "serverstore.h"
#include "sqlitestore.h"

Result<std::shared_ptr<Store>> Store::open(const ConnectionDescription& description)
{
    if (!description.serverConnection.isEmpty())
        return ServerStore::open(description);
    return SqliteStore::open(description);
}

std::optional<QString> unsendableQueryText(const QString& sql)
{
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const QChar c = sql[i];
        if (c.isNull())
            return QStringLiteral("the query text holds a NUL character at position %1").arg(i + 1);
        if (c.isHighSurrogate() && i + 1 < sql.size() && sql[i + 1].isLowSurrogate()) {
            ++i;
            continue;
        }
        if (c.isSurrogate())
            return QStringLiteral("the query text holds an unpaired surrogate at position %1").arg(i + 1);
    }
    return {};
}
