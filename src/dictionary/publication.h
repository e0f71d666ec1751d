#pragma once

#include <QString>

#include "publish.h"

// A data directory's dictionary put on a server: both tables read as the windows read them,
// then handed to the server's loader.
namespace Publication {

Result<Publish::Published> publish(const QString& dataDirectory, const QString& connectionString);

} // namespace Publication
