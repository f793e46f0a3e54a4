// The exact writer: Steps as the text of a Script file or of the clipboard, one element per
// Step, in the line end and indentation of the Script's layout.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "scripts/script.h"

namespace plumo {

// Writing more Steps than this reports its progress after every Step.
constexpr size_t kWriteProgressAbove = 50;

struct WriteOptions {
  bool withComments = true;
  // *\EncodeXML: escape the free-text fields.
  bool encodeXml = true;
  // Indices of the Steps to write, in order; null writes all.
  const std::vector<size_t>* selection = nullptr;
  std::function<void(int percent)> progress = {};
};

struct WriteOutcome {
  size_t written = 0;
  std::string text;
  std::string error;  // "Out of memory" (caption kErrorCaption); nothing is written then
};

// Normalises the Script's targets (and the "%" of "Set Variable" results) first, so the
// Script is changed as saving changes it.
WriteOutcome WriteSteps(Script& script, const WriteOptions& options);

// What the text buffer starts with: 4704 bytes per Step plus 9408, at least 4096.
size_t WriteCapacityHint(size_t steps);

}  // namespace plumo
