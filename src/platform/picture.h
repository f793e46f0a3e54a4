// A picture: width × height pixels, row-major, top row first. A pixel is 0x??RRGGBB, the
// layout of a 32-bit DIB (blue in the low byte); the top byte means nothing and every
// reader ignores it. Windows colour values (red in the low byte) become pixels through
// PixelOfColor. Copies share the pixels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

namespace plumo {

constexpr uint32_t kPixelColourBits = 0x00FFFFFF;

constexpr uint32_t PixelOfColor(uint32_t color) {
  return ((color & 0xFF) << 16) | (color & 0xFF00) | ((color >> 16) & 0xFF);
}
constexpr uint32_t ColorOfPixel(uint32_t pixel) { return PixelOfColor(pixel & kPixelColourBits); }

// Screen coordinates; right and bottom lie outside, as in a Windows RECT.
struct ScreenRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int32_t Width() const { return right - left; }
  int32_t Height() const { return bottom - top; }
  bool operator==(const ScreenRect&) const = default;
};

class Picture {
 public:
  // 64 M pixels (256 MB): more than any screen, and a bound that no file header can raise.
  static constexpr int64_t kMaxPixels = int64_t{1} << 26;

  Picture() = default;
  // Pixels that live elsewhere (a DIB section), kept alive by `keeper`; stride in pixels.
  Picture(int32_t width, int32_t height, ptrdiff_t stride, uint32_t* pixels, std::shared_ptr<void> keeper)
      : width_(width), height_(height), stride_(stride), pixels_(pixels), keeper_(std::move(keeper)) {}

  // A picture of its own, every pixel 0; nullopt when the size is negative, above
  // kMaxPixels or the memory is not there.
  static std::optional<Picture> Allocate(int32_t width, int32_t height);

  int32_t width() const { return width_; }
  int32_t height() const { return height_; }
  ptrdiff_t stride() const { return stride_; }
  bool empty() const { return width_ <= 0 || height_ <= 0; }
  const uint32_t* Row(int32_t y) const { return pixels_ + y * stride_; }
  uint32_t* Row(int32_t y) { return pixels_ + y * stride_; }
  uint32_t At(int32_t x, int32_t y) const { return Row(y)[x] & kPixelColourBits; }

  // Where pixel (0, 0) lies on the screen (captures), and the colour depth of the source
  // (the screen, or the file a picture was read from).
  int32_t left = 0, top = 0;
  uint16_t bitsPerPixel = 32;

 private:
  int32_t width_ = 0, height_ = 0;
  ptrdiff_t stride_ = 0;
  uint32_t* pixels_ = nullptr;
  std::shared_ptr<void> keeper_;
};

inline std::optional<Picture> Picture::Allocate(int32_t width, int32_t height) {
  if (width < 0 || height < 0 || int64_t{width} * height > kMaxPixels) return std::nullopt;
  const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
  std::shared_ptr<uint32_t[]> pixels(new (std::nothrow) uint32_t[count > 0 ? count : 1]());
  if (!pixels) return std::nullopt;
  uint32_t* raw = pixels.get();
  return Picture(width, height, width, raw, std::move(pixels));
}

}  // namespace plumo
