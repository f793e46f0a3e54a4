#include "scripts/shipped_catalog.h"

#include <windows.h>
#include <gtest/gtest.h>

#include "platform/win32/win32_resources.h"
#include "scripts/action_catalog.h"

namespace plumo {

std::string ShippedCatalogBytes() {
  std::string bytes;
  const OsError e = Win32Resources().ReadData("", kActionCatalogResource, &bytes);
  EXPECT_TRUE(e.ok()) << e.ToString();
  return bytes;
}

namespace {

std::string OwnPath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}

TEST(Win32Resources, ReadsAnotherModuleMappedAsData) {
  std::string fromFile;
  const OsError e = Win32Resources().ReadData(OwnPath(), kActionCatalogResource, &fromFile);
  ASSERT_TRUE(e.ok()) << e.ToString();
  EXPECT_EQ(fromFile, ShippedCatalogBytes());
}

TEST(Win32Resources, BothProgramsCarryTheSameCatalogue) {
  std::string dir = OwnPath();
  dir.resize(dir.find_last_of('\\') + 1);
  for (const char* program : {"Plumo.exe", "Plumo.com"}) {
    std::string bytes;
    const OsError e = Win32Resources().ReadData(dir + "..\\..\\bin\\" + program, kActionCatalogResource, &bytes);
    ASSERT_TRUE(e.ok()) << program << ": " << e.ToString();
    EXPECT_EQ(bytes, ShippedCatalogBytes()) << program;
  }
}

TEST(Win32Resources, MissingModulesAndResourcesFail) {
  std::string bytes;
  EXPECT_FALSE(Win32Resources().ReadData("", 4242, &bytes).ok());
  EXPECT_FALSE(Win32Resources().ReadData("C:\\no such folder\\none.dll", kActionCatalogResource, &bytes).ok());
}

}  // namespace
}  // namespace plumo
