// The command line of Plumo.exe and plumo: switches, start request, user variables.
#include <cstdint>
#include <string>

#include "studio/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string line(reinterpret_cast<const char*>(data), size);
  plumo::StartRequest r = plumo::ParseStartRequest(line);
  if (r.file.size() >= plumo::kStartFileWidth || r.startStep < 0) __builtin_trap();
  std::string value;
  int n = plumo::FindSwitch(line, "-r", &value, 16);
  if (n < 0 || value.size() > 15 || (n > 1 && static_cast<size_t>(n) != value.size())) __builtin_trap();
  for (const auto& [name, v] : plumo::CommandLineVariables(line))
    if (name.empty() || name.size() > 63 || v.size() > line.size()) __builtin_trap();
  return 0;
}
