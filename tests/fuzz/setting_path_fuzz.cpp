// Setting paths with printf-style conversions, as callers and stored names hand them over.
#include <cstdint>
#include <string>

#include "settings/setting_path.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string path(reinterpret_cast<const char*>(data), size);
  auto loc = plumo::ResolveSettingPath(path, {42, "text%s"}, size % 2 ? "Other" : "");
  if (loc && (loc->full.size() > plumo::kMaxSettingPath + plumo::kMaxKeyOverride || loc->name.size() > loc->full.size()))
    __builtin_trap();
  return 0;
}
