// Under Wine, odbc32 hands the work to the host's unixODBC, which reads its configuration on
// the host: the folder ODBCSYSINI names (set by ctest) is reached through drive Z:.
#include <windows.h>

#include <cstdlib>
#include <fstream>

#include <gtest/gtest.h>

#include "actions/integration/database/odbc_test_setup.h"

namespace plumo {
namespace {

std::string OnDriveZ(std::string hostPath) {
  for (char& c : hostPath)
    if (c == '/') c = '\\';
  return "Z:" + hostPath;
}

}  // namespace

OdbcTestSetup PrepareOdbc(const std::string& name) {
  const char* dir = std::getenv("ODBCSYSINI");
  const char* ini = std::getenv("ODBCINI");
  EXPECT_TRUE(dir && ini) << "ODBCSYSINI and ODBCINI name the host's ODBC configuration (the test's ctest properties set them)";
  OdbcTestSetup setup;
  if (!dir || !ini) return setup;
  setup.databaseFile = std::string(dir) + "/plumo_" + name + ".sqlite";
  DeleteFileA(OnDriveZ(setup.databaseFile).c_str());
  std::ofstream(OnDriveZ(std::string(dir) + "/odbcinst.ini"))
      << "[SQLite3]\nDescription=SQLite3 ODBC Driver\nDriver=" PLUMO_SQLITE_ODBC_DRIVER "\n";
  std::ofstream(OnDriveZ(ini)) << "[PlumoTest]\nDescription=Plumo test data\nDriver=SQLite3\nDatabase=" << setup.databaseFile << "\n";
  return setup;
}

}  // namespace plumo
