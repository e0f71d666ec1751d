#include "storefactory.h"

#include "connectiondescription.h"
#include "serverstore.h"
#include "sqlitestore.h"

Result<std::shared_ptr<Store>> openStore(const ConnectionDescription& description)
{
    if (!description.serverConnection.isEmpty())
        return ServerStore::open(description);
    return SqliteStore::open(description);
}
