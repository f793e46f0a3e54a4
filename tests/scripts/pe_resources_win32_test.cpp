// The portable resource reader against the Windows loader, on this very test program.
#include <gtest/gtest.h>

#include "platform/win32/win32_environment.h"
#include "platform/win32/win32_files.h"
#include "scripts/action_catalog.h"
#include "scripts/pe_resources.h"
#include "scripts/shipped_catalog.h"

namespace plumo {
namespace {

TEST(PeResources, AgreesWithTheWindowsLoaderOnARealProgram) {
  Win32Environment environment;
  Win32Files files;
  std::string image;
  bool opened = false;
  ASSERT_TRUE(files.ReadFile(environment.ProgramPath(), &image, &opened).ok());
  const auto found = FindPeResource(image, kRcDataType, kActionCatalogResource);
  ASSERT_TRUE(found);
  EXPECT_EQ(std::string(*found), ShippedCatalogBytes());
}

}  // namespace
}  // namespace plumo
