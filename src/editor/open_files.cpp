#include "editor/open_files.h"

namespace plumo {

OpenFiles::Opened OpenFiles::Open(Script script) {
  const std::optional<int> slot = slots_.Open(std::move(script));
  if (!slot) return {std::nullopt, TooManyScriptsMessage()};
  tabs_.emplace_back(slots_, *slot);
  current_ = tabs_.size() - 1;
  return {current_, ""};
}

bool OpenFiles::Close(size_t tab) {
  if (tab >= tabs_.size() || !slots_.Close(tabs_[tab].slot())) return false;
  tabs_.erase(tabs_.begin() + static_cast<std::ptrdiff_t>(tab));
  if (tabs_.empty())
    current_.reset();
  else if (*current_ >= tab && *current_ > 0)
    --*current_;
  return true;
}

bool OpenFiles::SetCurrent(size_t tab) {
  if (tab >= tabs_.size()) return false;
  current_ = tab;
  return true;
}

}  // namespace plumo
