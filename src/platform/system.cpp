#include "platform/system.h"

#include "base/text.h"

namespace plumo {

void SplitCommand(const std::string& command, std::string* file, std::string* params) {
  std::string_view s = Trim(command);
  if (!s.empty() && s.front() == '"') {
    size_t end = s.find('"', 1);
    if (end != std::string_view::npos) {
      *file = std::string(s.substr(1, end - 1));
      *params = std::string(Trim(s.substr(end + 1)));
      return;
    }
    s.remove_prefix(1);
  }
  *file = std::string(s);
  params->clear();
}

}  // namespace plumo
