// Pictures written inline in a Step, as the pixel-capture tool writes them: entries of three
// hexadecimal digits r, g, b (the colour r×16, g×16, b×16) separated by commas, taken row by
// row into a square whose side is the integer square root of the number of entries (at most
// 64; entries beyond the square are not used). Blanks around entries and empty entries are
// passed over.
//
// Repeats: an entry "rgb*N" stands for N copies of rgb ("F00*3" is "F00,F00,F00"); N is a
// decimal number from 1 to 4096.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/picture.h"

namespace plumo {

constexpr int kMaxPatternSide = 64;

// Whether a picture-list entry is an inline pattern rather than a file name.
bool IsInlinePattern(std::string_view entry);

// nullopt with the reason in *error when an entry is not three hexadecimal digits or a
// repeat count is not a number from 1 to 4096.
std::optional<Picture> ReadInlinePattern(std::string_view pattern, std::string* error);

}  // namespace plumo
