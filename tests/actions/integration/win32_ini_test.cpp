// IniText against the Windows profile functions themselves, on the same files.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "actions/integration/data/ini_file.h"
#include "actions/integration/ini_cases.h"

namespace plumo {
namespace {

constexpr DWORD kRoom = 2 << 20;

std::string TempName(const std::string& name) {
  char temp[MAX_PATH];
  GetTempPathA(MAX_PATH, temp);
  return std::string(temp) + "plumo_ini_" + name + ".ini";
}

void Save(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // forget what was cached
}

std::string Load(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

std::string WindowsRead(const std::string& path, std::string_view section, std::string_view key) {
  std::string buffer(kRoom, '\0');
  const DWORD n = GetPrivateProfileStringA(std::string(section).c_str(), std::string(key).c_str(), "<absent>",
                                           buffer.data(), kRoom, path.c_str());
  buffer.resize(n);
  return buffer;
}

TEST(Win32Ini, ReadsAsGetPrivateProfileStringDoes) {
  int n = 0;
  for (const IniCase& c : IniReadCases()) {
    const std::string path = TempName("read" + std::to_string(n++));
    Save(path, c.file);
    EXPECT_EQ(IniText(c.file).Read(c.section, c.key).value_or("<absent>"), WindowsRead(path, c.section, c.key)) << c.name;
    DeleteFileA(path.c_str());
  }
}

// The same change made by WritePrivateProfileString and by IniText reads the same afterwards,
// for every key of the file.
TEST(Win32Ini, WritesAndDeletesReadBackAsWritePrivateProfileStringsDo) {
  struct Change {
    std::string_view name, file, section, key, value;
    bool deleteKey = false, deleteSection = false;
  };
  const std::string base = "; head\r\n[A]\r\nx = 1\r\ny=2\r\n\r\n[B]\r\nz=3";
  const Change changes[] = {
      {"replace", base, "a", "X", "9"},
      {"add a key", base, "A", "new", "v"},
      {"add to the last section", base, "B", "w", "4"},
      {"add a section", base, "C", "k", "v"},
      {"new file", "", "S", "k", "v"},
      {"delete a key", base, "A", "x", "", true},
      {"delete a section", base, "A", "", "", false, true},
      {"a key without a value gets one", "[A]\r\nx\r\n", "A", "x", "5"},
  };
  const std::pair<std::string_view, std::string_view> keys[] = {{"A", "x"}, {"A", "y"}, {"A", "new"}, {"B", "z"},
                                                                {"B", "w"}, {"C", "k"}, {"S", "k"}};
  int n = 0;
  for (const Change& c : changes) {
    const std::string theirs = TempName("theirs" + std::to_string(n)), ours = TempName("ours" + std::to_string(n++));
    Save(theirs, std::string(c.file));
    const std::string section(c.section), key(c.key), value(c.value);
    WritePrivateProfileStringA(section.c_str(), c.deleteSection ? nullptr : key.c_str(),
                               c.deleteKey || c.deleteSection ? nullptr : value.c_str(), theirs.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, theirs.c_str());
    IniText ini{std::string(c.file)};
    if (c.deleteSection) ini.DeleteSection(c.section);
    else if (c.deleteKey) ini.DeleteKey(c.section, c.key);
    else ini.Write(c.section, c.key, c.value);
    Save(ours, ini.text());
    for (const auto& [s, k] : keys) EXPECT_EQ(WindowsRead(ours, s, k), WindowsRead(theirs, s, k)) << c.name << ": " << s << "/" << k;
    // And IniText reads what Windows wrote as Windows does.
    const IniText written(Load(theirs));
    for (const auto& [s, k] : keys) EXPECT_EQ(written.Read(s, k).value_or("<absent>"), WindowsRead(theirs, s, k)) << c.name;
    DeleteFileA(theirs.c_str());
    DeleteFileA(ours.c_str());
  }
}

}  // namespace
}  // namespace plumo
