// Find and Replace over the texts a Step shows, and the Find history kept in the settings.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "scripts/step.h"

namespace plumo {

class SettingsStore;

struct FindOptions {
  std::string text;
  bool matchCase = false;
  bool wholeWord = false;
  bool up = false;
  bool wrap = true;
};

// Where the text occurs in s at or after from, by the options; npos when it does not.
size_t FindMatch(std::string_view s, const FindOptions& options, size_t from = 0);
// Any of the Step's searched texts holds a match.
bool StepMatches(const Step& step, const FindOptions& options);
// Replaces every match in the Step's replaceable texts (all but the action, whose name ties
// the Step to the catalogue); the number of replacements.
size_t ReplaceInStep(Step& step, const FindOptions& options, std::string_view with);

// *\FindHistory: entries separated by kFindHistorySeparator, newest first, no duplicates,
// at most kFindHistoryBytes.
inline constexpr char kFindHistorySeparator = '\xA6';
inline constexpr size_t kFindHistoryBytes = 65280;
inline constexpr size_t kFindTextWidth = 256;

std::vector<std::string> ReadFindHistory(SettingsStore& store);
// Makes text the last search (*\Find) and the newest history entry.
void RememberFind(SettingsStore& store, std::string_view text);
// The last search with its choices: *\Find (its start-up default "0" read as none),
// *\FindDirection (1 up), *\FindMatchCase, *\FindWholeWord. Wrapping is always on.
FindOptions ReadFindOptions(SettingsStore& store);
// Remembers the text as RememberFind does, and the choices.
void RememberFindOptions(SettingsStore& store, const FindOptions& options);
// The last replacement text (*\Replace).
void RememberReplace(SettingsStore& store, std::string_view text);
// The history list with text in front, its older copy dropped and the oldest entries cut
// to fit; joined by the separator.
std::string AddToFindHistory(std::string_view history, std::string_view text);

}  // namespace plumo
