#include "actions/desktop/inline_pattern.h"

#include <vector>

#include "base/text.h"

namespace plumo {
namespace {

constexpr size_t kMaxEntries = size_t{kMaxPatternSide} * kMaxPatternSide;
constexpr long kMaxRepeat = 4096;

bool Reject(std::string* error, std::string text) {
  *error = std::move(text);
  return false;
}

// Appends the entry's pixels (at most up to kMaxEntries).
bool AddEntry(std::string_view entry, std::vector<uint32_t>* pixels, std::string* error) {
  long repeat = 1;
  if (size_t star = entry.find('*'); star != std::string_view::npos) {
    const std::string_view count = Trim(entry.substr(star + 1));
    repeat = 0;
    for (char c : count) {
      if (c < '0' || c > '9' || repeat > kMaxRepeat) return Reject(error, "bad repeat count in pattern entry '" + std::string(entry) + "'");
      repeat = repeat * 10 + (c - '0');
    }
    if (repeat < 1 || repeat > kMaxRepeat) return Reject(error, "bad repeat count in pattern entry '" + std::string(entry) + "'");
    entry = Trim(entry.substr(0, star));
  }
  int rgb[3];
  if (entry.size() != 3) return Reject(error, "pattern entry '" + std::string(entry) + "' is not three hexadecimal digits");
  for (int i = 0; i < 3; ++i)
    if ((rgb[i] = HexDigitValue(entry[static_cast<size_t>(i)])) < 0)
      return Reject(error, "pattern entry '" + std::string(entry) + "' is not three hexadecimal digits");
  const uint32_t pixel = static_cast<uint32_t>(rgb[0] * 16) << 16 | static_cast<uint32_t>(rgb[1] * 16) << 8 |
                         static_cast<uint32_t>(rgb[2] * 16);
  for (long i = 0; i < repeat && pixels->size() < kMaxEntries; ++i) pixels->push_back(pixel);
  return true;
}

}  // namespace

bool IsInlinePattern(std::string_view entry) {
  const bool shaped = (entry.size() > 3 && entry[3] == ',') || entry.find('*') != std::string_view::npos;
  return shaped && entry.find('.') == std::string_view::npos && entry.find('\\') == std::string_view::npos;
}

std::optional<Picture> ReadInlinePattern(std::string_view pattern, std::string* error) {
  std::vector<uint32_t> pixels;
  size_t from = 0;
  while (from <= pattern.size() && pixels.size() < kMaxEntries) {
    size_t comma = pattern.find(',', from);
    if (comma == std::string_view::npos) comma = pattern.size();
    const std::string_view entry = Trim(pattern.substr(from, comma - from));
    if (!entry.empty() && !AddEntry(entry, &pixels, error)) return std::nullopt;
    from = comma + 1;
  }
  int32_t side = 0;
  while (static_cast<size_t>(side + 1) * static_cast<size_t>(side + 1) <= pixels.size()) ++side;
  std::optional<Picture> picture = Picture::Allocate(side, side);
  if (!picture) {
    *error = "not enough memory for the pattern";
    return std::nullopt;
  }
  picture->bitsPerPixel = 12;
  for (int32_t y = 0; y < side; ++y)
    for (int32_t x = 0; x < side; ++x) picture->Row(y)[x] = pixels[static_cast<size_t>(y * side + x)];
  return picture;
}

}  // namespace plumo
