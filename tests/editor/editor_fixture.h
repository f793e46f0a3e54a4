// A Script of named Steps in slot 0 with its Document, and a catalogue for Paste and Add Comment.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "editor/document.h"
#include "scripts/script_writer.h"

namespace plumo {

// The catalogue's own row for "Comment", as plain text.
inline const ActionCatalog& TestCatalog() {
  static const ActionCatalog catalog = ActionCatalog::FromResource("\nComment~16~69~N~N\n");
  return catalog;
}

inline Step Named(std::string_view action, std::string_view text = "") {
  Step s;
  s.action = action;
  s.text = text;
  return s;
}

inline Script NamedSteps(const std::vector<std::string>& actions) {
  Script s;
  for (const auto& a : actions) s.steps.push_back(Named(a, "text of " + a));
  return s;
}

// Clipboard text of Steps with these actions.
inline std::string StepsText(const std::vector<std::string>& actions) {
  Script s = NamedSteps(actions);
  return WriteSteps(s, {}).text;
}

class EditorTest : public testing::Test {
 protected:
  void Load(const std::vector<std::string>& actions) {
    slots_.Set(0, NamedSteps(actions));
    doc_ = Document(slots_, 0);
  }
  Script& script() { return *slots_.At(0); }
  std::vector<std::string> Actions() {
    std::vector<std::string> out;
    for (const Step& s : script().steps) out.push_back(s.action.str());
    return out;
  }
  void SelectRows(const std::vector<size_t>& rows) {
    doc_.ClearSelection();
    for (size_t r : rows) doc_.Toggle(r);
  }

  ScriptSlots slots_;
  Document doc_{slots_, 0};
  EditSettings settings_;
  LoadContext context_{TestCatalog()};
};

}  // namespace plumo
