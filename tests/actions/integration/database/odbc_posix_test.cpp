#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "actions/integration/database/odbc_test_setup.h"
#include "platform/odbc/odbc_calls.h"
#include "platform/odbc/odbc_databases.h"

// The SQLite ODBC driver leaks what it allocates while reading a data source's settings at
// connect time (a plain C program shows it too); the leak checker of the sanitizer build is
// told so, and only about that. The driver is unloaded before the check, so allocations are
// traced by the slow unwinder, which sees through its frames.
extern "C" const char* __lsan_default_suppressions() { return "leak:SQLDriverConnect\n"; }
extern "C" const char* __asan_default_options() { return "fast_unwind_on_malloc=0"; }

namespace plumo {

OdbcTestSetup PrepareOdbc(const std::string& name) {
  if (!getenv("ODBCSYSINI")) {
    // One folder per test process: tests run side by side.
    const std::string dir = ::testing::TempDir() + "plumo_odbc_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    setenv("ODBCSYSINI", dir.c_str(), 1);
    setenv("ODBCINI", (dir + "/odbc.ini").c_str(), 1);
  }
  const std::string dir = getenv("ODBCSYSINI");
  OdbcTestSetup setup;
  setup.databaseFile = dir + "/plumo_" + name + ".sqlite";
  std::remove(setup.databaseFile.c_str());
  std::ofstream(dir + "/odbcinst.ini") << "[SQLite3]\nDescription=SQLite3 ODBC Driver\n"
                                          "Driver=" PLUMO_SQLITE_ODBC_DRIVER "\n";
  std::ofstream(getenv("ODBCINI")) << "[PlumoTest]\nDescription=Plumo test data\nDriver=SQLite3\nDatabase="
                                   << setup.databaseFile << "\n";
  return setup;
}

}  // namespace plumo

namespace plumo {
namespace {

// Linux drivers take statements in UTF-8; the ANSI text is converted on the way.
TEST(PosixOdbc, AnsiStatementsReachTheDriverAsUtf8) {
  OdbcDatabases databases(NativeOdbcCalls());
  OsError e;
  auto connection = databases.Connect(std::string("DRIVER=" PLUMO_SQLITE_ODBC_DRIVER ";DATABASE=:memory:"), &e);
  ASSERT_TRUE(connection) << e.ToString();
  QueryResult r;
  ASSERT_TRUE(connection->Query("SELECT 'Gr\xFC\xDF" "e \x80', length('\xFC')", 0, &r));
  EXPECT_EQ(r.Cell(0, 0), "Gr\xFC\xDF" "e \x80");
  EXPECT_EQ(r.Cell(0, 1), "1");
}

TEST(PosixOdbc, ThereIsNoAdministratorProgram) {
  EXPECT_EQ(OpenOdbcAdministrator().message(),
            "The ODBC Data Administrator is not available on this system; data sources are set up in odbc.ini "
            "(\"odbcinst -q -s\" lists them)");
}

}  // namespace
}  // namespace plumo
