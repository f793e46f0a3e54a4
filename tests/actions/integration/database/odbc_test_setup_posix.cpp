#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>

#include <gtest/gtest.h>

#include "actions/integration/database/odbc_test_setup.h"

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
                                          "Driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so\n";
  std::ofstream(getenv("ODBCINI")) << "[PlumoTest]\nDescription=Plumo test data\nDriver=SQLite3\nDatabase="
                                   << setup.databaseFile << "\n";
  return setup;
}

}  // namespace plumo
