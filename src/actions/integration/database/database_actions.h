// The database actions of Data (category 12): SQL queries over ODBC data sources, the
// catalogue's tables and columns, the data sources, the ODBC administrator; and the last
// result set, which the Dataset loop walks.
#pragma once

#include <string>
#include <string_view>

#include "platform/database.h"

namespace plumo {

class Session;

// At most this many columns of a row reach the Dataset loop.
constexpr size_t kDatasetColumns = 16;

void RegisterDatabaseActions(Session& session, Databases& databases);

// A result set as Execute SQL Query stores it: cells between column separators, rows between
// row separators, NULL as nothing, the column names first when asked.
std::string ResultText(const QueryResult& r, std::string_view columnSeparator, std::string_view rowSeparator,
                       bool columnNames);

}  // namespace plumo
