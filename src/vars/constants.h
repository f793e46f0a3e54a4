// Windows constant names (MB_YESNO, WM_CLOSE, ...) turned into their numbers, with
// combinations joined by '|' folded into one number.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "vars/formula.h"

namespace plumo {

struct WindowsConstant {
  std::string_view name;
  uint32_t value;  // negative constants as their two's-complement pattern
};

// In table order: a name that begins a longer name comes after it.
std::span<const WindowsConstant> WindowsConstants();

// For each name in table order, its first occurrence is replaced by the value in decimal; then,
// when anything was replaced, each run of digits, blanks and '|' around a '|' is evaluated as a
// bitwise OR, until a run without digits. Returns the number of names replaced.
size_t ReplaceConstants(std::string& text, FormulaEngine& engine);

}  // namespace plumo
