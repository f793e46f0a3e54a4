// The tolerant reader: Steps from the text of a Script file or of the clipboard. It does not
// parse XML; it finds the tags it knows inside each Step element, without regard to case,
// skips what it does not know and brings older names up to date.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "scripts/action_catalog.h"
#include "scripts/load_conversions.h"
#include "scripts/script.h"

namespace plumo {

// Loading more Steps than this reports its progress.
constexpr size_t kLoadProgressAbove = 100;
constexpr size_t kLoadProgressEvery = 50;

// Percent done, 0 to 100.
using Progress = std::function<void(int percent)>;

struct LoadContext {
  const ActionCatalog& catalog;
  // Used only for Steps loaded as new.
  NewStepDefaults newStepDefaults = {};
  // Decides "Wait for File/Folder" (see ConvertOldActionName).
  NamesFolder namesFolder = {};
  // The icon index of a program file, for "Run" Steps whose text names one; nothing keeps the
  // catalogue's icon.
  std::function<std::optional<int32_t>(const std::string& program)> programIcon = {};
  Progress progress = {};
  // Only a compiled program's runtime reads the "<embedded_ID_n>" elements back.
  bool readEmbeddedIds = false;
};

struct LoadOutcome {
  size_t added = 0;
  // The message for the user (caption kErrorCaption). The Script is as before, except after
  // an empty action: then the Steps read before it were added.
  std::string error;
  bool stoppedAtEmptyAction = false;
};

// Reads every Step element of text and inserts the Steps at position (0 or less in front, at
// or past the end appended); asNew applies the new-Step defaults. Targets of the whole Script
// are normalised afterwards.
LoadOutcome LoadSteps(std::string_view text, Script& script, long position, bool asNew, const LoadContext& context);

// The Script's line end and indentation, from what follows the first "step>".
uint32_t DetectLayout(std::string_view text);

// "Empty <action> tag in step #%d\n\nDiscontinuing file load at step #%d".
std::string EmptyActionMessage(size_t index);

}  // namespace plumo
