// The Options dialog's pages: every setting of the defaults tables with its label, its kind and
// the values it takes, and the check of a typed value.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "settings/settings_store.h"

namespace plumo {

enum class OptionKind { kFlag, kNumber, kColour, kText };

struct OptionRow {
  const char* path;
  const char* label;
  OptionKind kind;
  int32_t min = 0;  // kNumber: the range; kText: max is the longest text
  int32_t max = 0;
};

struct OptionPage {
  const char* title;
  std::span<const OptionRow> rows;
};

std::span<const OptionPage> OptionPages();

// A typed value made ready to store, or why it cannot be.
struct OptionValue {
  std::string error;  // empty when the value is good
  uint32_t number = 0;
  std::string text;
};
OptionValue CheckOption(const OptionRow& row, std::string_view typed);

// The stored value as the dialog shows and edits it: numbers in decimal, colours as 0xBBGGRR,
// flags as "1" or "0".
std::string ShownOption(const OptionRow& row, SettingsStore& store);
void StoreOption(const OptionRow& row, const OptionValue& value, SettingsStore& store);

}  // namespace plumo
