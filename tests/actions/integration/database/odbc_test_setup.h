// A private ODBC configuration for the database tests: odbcinst.ini naming the SQLite driver
// and odbc.ini with the data source "PlumoTest" on a database file, in a folder named by the
// ODBCSYSINI variable (set by the test when absent), never in /etc.
#pragma once

#include <string>

namespace plumo {

struct OdbcTestSetup {
  std::string dataSource = "PlumoTest";
  std::string databaseFile;  // as the driver (on the host) sees it
};

// Writes the configuration and removes an old database file; the file is made by the first
// statement that writes to it.
OdbcTestSetup PrepareOdbc(const std::string& name);

}  // namespace plumo
