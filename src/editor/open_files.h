// The open files of the studio, one tab each, in tab order, and which one is current.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "editor/document.h"

namespace plumo {

class OpenFiles {
 public:
  explicit OpenFiles(ScriptSlots& slots) : slots_(slots) {}

  struct Opened {
    std::optional<size_t> tab;
    std::string error;  // TooManyScriptsMessage() (caption kWarningCaption); nothing changed
  };
  // Adds a tab behind the others and makes it current.
  Opened Open(Script script);
  // False for a running file; the tab in front of it becomes current.
  bool Close(size_t tab);

  size_t Count() const { return tabs_.size(); }
  // Asked before a file is read, so that a ninth is refused without reading it.
  bool Full() const { return !slots_.FreeSlot(); }
  Document& At(size_t tab) { return tabs_[tab]; }
  std::optional<size_t> Current() const { return current_; }
  Document* CurrentDocument() { return current_ ? &tabs_[*current_] : nullptr; }
  bool SetCurrent(size_t tab);

 private:
  ScriptSlots& slots_;
  std::vector<Document> tabs_;
  std::optional<size_t> current_;
};

}  // namespace plumo
