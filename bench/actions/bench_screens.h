// The screens of the image search benchmarks: a 1920 × 1080 desktop with a gradient
// background, windows with title bars, white client areas, lines of text and buttons, and a
// 32 × 32 round icon near the bottom right on white. The picture is the icon cut out of the
// screen, so its first pixel is the white that most of the screen shows.
#pragma once

#include <cmath>
#include <cstdint>
#include <random>

#include "platform/picture.h"

namespace plumo::bench {

constexpr int32_t kScreenWidth = 1920, kScreenHeight = 1080, kIconSide = 32;
constexpr int32_t kIconX = 1850, kIconY = 1010;
constexpr uint32_t kWhite = 0xFFFFFF, kPink = 0xFF00FF;

inline void Fill(Picture& p, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t pixel) {
  for (int32_t y = std::max(y0, 0); y < std::min(y1, p.height()); ++y)
    for (int32_t x = std::max(x0, 0); x < std::min(x1, p.width()); ++x) p.Row(y)[x] = pixel;
}

inline Picture Desktop() {
  Picture s = *Picture::Allocate(kScreenWidth, kScreenHeight);
  for (int32_t y = 0; y < s.height(); ++y) Fill(s, 0, y, s.width(), y + 1, static_cast<uint32_t>(0x203060 + (y * 0x50 / s.height())));
  std::mt19937 rng(7);
  auto rnd = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  struct Win {
    int32_t x, y, w, h;
  } windows[] = {{40, 30, 900, 640}, {700, 200, 1000, 700}, {120, 600, 800, 460}, {1300, 520, 610, 540}};
  for (const Win& w : windows) {
    Fill(s, w.x, w.y, w.x + w.w, w.y + w.h, 0xC0C0C0);
    for (int32_t x = 0; x < w.w; ++x) Fill(s, w.x + x, w.y, w.x + x + 1, w.y + 22, static_cast<uint32_t>(0x000080 + x * 0x7F / w.w));
    Fill(s, w.x + 4, w.y + 26, w.x + w.w - 4, w.y + w.h - 40, kWhite);
    // Lines of text: short dark strokes in rows of 16 pixels.
    for (int32_t line = w.y + 34; line + 12 < w.y + w.h - 60; line += 16)
      for (int32_t x = w.x + 12; x < w.x + w.w - 60; x += rnd(4, 9))
        if (rnd(0, 9)) Fill(s, x, line + rnd(0, 3), x + rnd(1, 3), line + rnd(6, 11), 0x202020);
    for (int32_t b = 0; b < 3; ++b) {
      const int32_t bx = w.x + w.w - 300 + b * 95, by = w.y + w.h - 34;
      Fill(s, bx, by, bx + 85, by + 26, 0x404040);
      Fill(s, bx + 1, by + 1, bx + 84, by + 25, 0xE0E0E0);
    }
  }
  Fill(s, kIconX - 20, kIconY - 20, kIconX + kIconSide + 20, kIconY + kIconSide + 20, kWhite);
  for (int32_t y = 0; y < kIconSide; ++y)
    for (int32_t x = 0; x < kIconSide; ++x) {
      const double d = std::hypot(x - 15.5, y - 15.5);
      if (d < 15) s.Row(kIconY + y)[kIconX + x] = d < 13 ? static_cast<uint32_t>(0x3060A0 + x * 0x020100 + y * 0x000302) : 0x102040;
    }
  return s;
}

// The icon as cut out of the screen; with `masked`, its white corners are pink.
inline Picture Icon(const Picture& screen, bool masked) {
  Picture p = *Picture::Allocate(kIconSide, kIconSide);
  for (int32_t y = 0; y < kIconSide; ++y)
    for (int32_t x = 0; x < kIconSide; ++x) {
      const uint32_t c = screen.At(kIconX + x, kIconY + y);
      p.Row(y)[x] = masked && c == kWhite ? kPink : c;
    }
  return p;
}

// Everything the key colour (white) but the icon.
inline Picture WhiteDesktop(const Picture& icon) {
  Picture s = *Picture::Allocate(kScreenWidth, kScreenHeight);
  Fill(s, 0, 0, s.width(), s.height(), kWhite);
  for (int32_t y = 0; y < kIconSide; ++y)
    for (int32_t x = 0; x < kIconSide; ++x) s.Row(kIconY + y)[kIconX + x] = icon.At(x, y);
  return s;
}

}  // namespace plumo::bench
