// The shipped Windows programs carry what the program builder and start-up rely on: a real
// version resource with room in "Copyright" and "Description", and the option block in data.
#include <gtest/gtest.h>
#include <windows.h>

#include <fstream>
#include <iterator>
#include <string>

#include "compiler/version_info.h"
#include "fakes/win32_built_program.h"

namespace plumo {
namespace {

std::string ProgramPath(const char* name) { return BuiltProgramPath(name); }

std::string VersionString(const std::string& block, const char* name) {
  char* value = nullptr;
  UINT len = 0;
  std::string query = std::string("\\StringFileInfo\\040904e4\\") + name;
  if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &len) || !value)
    return std::string();
  return std::string(value);
}

class ProgramFile : public testing::TestWithParam<const char*> {};

TEST_P(ProgramFile, CarriesVersion776WithEditableStrings) {
  std::string path = ProgramPath(GetParam());
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
  ASSERT_GT(size, 0u) << path;
  std::string block(size, '\0');
  ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, block.data()));

  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, (7u << 16) | 76u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0u);

  // The builder overwrites these in place, so they must exist with room to spare.
  EXPECT_GE(VersionString(block, "Copyright").size(), 64u);
  EXPECT_GE(VersionString(block, "Description").size(), 64u);
}

TEST_P(ProgramFile, CarriesTheOptionBlock) {
  std::ifstream in(ProgramPath(GetParam()), std::ios::binary);
  ASSERT_TRUE(in) << ProgramPath(GetParam());
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  // The tag alone also stands in x64 code, as an immediate operand of the search for it.
  EXPECT_NE(bytes.find("~BUFFER~7.76"), std::string::npos);
}

// The builder's patch, on the real resource as the resource compiler wrote it, reads back
// through the version API.
TEST_P(ProgramFile, VersionResourcePatchReadsBackThroughTheVersionApi) {
  HMODULE module = LoadLibraryExA(ProgramPath(GetParam()).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_TRUE(module);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(16));
  ASSERT_TRUE(found);
  const char* data = static_cast<const char*>(LockResource(LoadResource(module, found)));
  std::string block(data, SizeofResource(module, found));
  FreeLibrary(module);

  uint16_t language = 0;
  ASSERT_TRUE(PatchVersionInfo(block, {{2, 5, 1, 0}, "(c) Tester", "Demo program"}, &language));
  EXPECT_EQ(language, 0x409);
  block.resize(block.size() * 3, '\0');  // room for the version API's ANSI copy
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT len = 0;
  ASSERT_TRUE(VerQueryValueA(block.data(), "\\", reinterpret_cast<void**>(&fixed), &len));
  EXPECT_EQ(fixed->dwFileVersionMS, (2u << 16) | 5u);
  EXPECT_EQ(fixed->dwFileVersionLS, 1u << 16);
  EXPECT_EQ(fixed->dwProductVersionMS, (2u << 16) | 5u);
  EXPECT_EQ(VersionString(block, "Copyright"), "(c) Tester");
  EXPECT_EQ(VersionString(block, "Description"), "Demo program");
  EXPECT_EQ(VersionString(block, "ProductName"), "Plumo");
}

INSTANTIATE_TEST_SUITE_P(Shipped, ProgramFile, testing::Values("Plumo.exe", "Plumo.com", "PlumoRes.DLL"));

}  // namespace
}  // namespace plumo
