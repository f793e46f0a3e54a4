#include "platform/os_error.h"

namespace plumo {

std::string OsError::ToString() const {
  if (!failed_) return "OK";
  std::string s = call_ + " failed (" + std::to_string(code_) + ")";
  if (!message_.empty()) s += ": " + message_;
  return s;
}

}  // namespace plumo
