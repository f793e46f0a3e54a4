// Colours written as text in Steps: a name ("Light Gray"), or six hexadecimal digits red,
// green, blue ("#ff8000", "FF8000", "0xFF8000").
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

// The Windows colour value (red in the low byte); 0 (black) for a text that is neither.
uint32_t ColorFromText(std::string_view text);

// "#RRGGBB" of a Windows colour value.
std::string ColorText(uint32_t color);

}  // namespace plumo
