// The database actions of Data (category 12): SQL queries over ODBC data sources, the
// catalogue's tables and columns, the data sources, the ODBC administrator; and the last
// result set, which the Dataset loop walks.
#pragma once

#include "platform/database.h"

namespace plumo {

class Session;

// At most this many columns of a row reach the Dataset loop.
constexpr size_t kDatasetColumns = 16;

void RegisterDatabaseActions(Session& session, Databases& databases);

}  // namespace plumo
