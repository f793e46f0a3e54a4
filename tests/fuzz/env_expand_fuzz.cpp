// %NAME% expansion of environment strings: any text, any variables.
#include <cstdint>
#include <string>

#include "platform/environment.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string out = plumo::ExpandPercentNames(text, [](const std::string& name) -> std::optional<std::string> {
    if (name.size() % 3 == 0) return std::nullopt;
    return std::string(name.size() % 5, '%');
  });
  // Expansion never loses text that names no variable.
  if (text.find('%') == std::string::npos && out != text) __builtin_trap();
  return 0;
}
