// INI files as users and other programs leave them: every read answers, and a write or a
// delete keeps the rest of the file and reads back.
#include <cstdint>
#include <string>

#include "actions/integration/data/ini_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  plumo::IniText ini(text);
  const auto sections = ini.Sections();
  for (const std::string& section : sections)
    for (const std::string& key : ini.Keys(section))
      if (!ini.Read(section, key)) __builtin_trap();  // a listed key is found
  const std::string section = sections.empty() ? "S" : sections.front();
  if (!plumo::IniText::CheckWrite(section, "fuzzkey", "value")) {
    ini.Write(section, "fuzzkey", "value");
    if (ini.Read(section, "fuzzkey") != "value") __builtin_trap();
    if (!ini.DeleteKey(section, "fuzzkey")) __builtin_trap();
  }
  ini.DeleteSection(section);
  return 0;
}
