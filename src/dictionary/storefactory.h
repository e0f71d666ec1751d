#pragma once

#include <memory>

#include "failure.h"

class Store;
struct ConnectionDescription;

// The one place that knows every kind of store: the one a connection file names, opened.
Result<std::shared_ptr<Store>> openStore(const ConnectionDescription& description);
