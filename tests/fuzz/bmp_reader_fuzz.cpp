// Any file as a .bmp: a clear refusal or a picture no larger than the file can describe,
// which writes and reads back to the same pixels.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "actions/desktop/bmp_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto picture = plumo::ReadBmp(file, &error);
  if (!picture) {
    if (error.empty()) std::abort();
    return 0;
  }
  const int64_t pixels = int64_t{picture->width()} * picture->height();
  // One bit per pixel at least, rows padded: a file of `size` bytes holds at most 8 × size.
  if (picture->width() <= 0 || picture->height() <= 0 || pixels > 8 * static_cast<int64_t>(size)) std::abort();
  if (pixels > 4096) return 0;
  const auto back = plumo::ReadBmp(plumo::WriteBmp(*picture), &error);
  if (!back || back->width() != picture->width() || back->height() != picture->height()) std::abort();
  for (int32_t y = 0; y < picture->height(); ++y)
    for (int32_t x = 0; x < picture->width(); ++x)
      if (back->At(x, y) != picture->At(x, y)) std::abort();
  return 0;
}
