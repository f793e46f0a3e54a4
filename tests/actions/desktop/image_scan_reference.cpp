#include "actions/desktop/image_scan_reference.h"

#include <cstdlib>

namespace plumo {
namespace {

bool Matches(uint32_t screen, uint32_t wanted, int tolerance) {
  screen &= kPixelColourBits;
  if (tolerance == 0) return screen == wanted;
  for (int shift = 0; shift < 24; shift += 8)
    if (std::abs(static_cast<int>((screen >> shift) & 0xFF) - static_cast<int>((wanted >> shift) & 0xFF)) > tolerance)
      return false;
  return true;
}

uint32_t ScreenAt(const Picture& screen, int32_t x, int32_t y) { return screen.At(x - screen.left, y - screen.top); }

}  // namespace

std::optional<ScanPoint> ReferenceFindPixel(const Picture& screen, const ScreenRect& area, uint32_t pixel,
                                            int tolerance, std::optional<ScanPoint> start) {
  for (int32_t y = area.top; y < area.bottom; ++y)
    for (int32_t x = area.left; x < area.right; ++x) {
      if (start && (y < start->y || (y == start->y && x < start->x))) continue;
      if (Matches(ScreenAt(screen, x, y), pixel, tolerance)) return ScanPoint{x, y};
    }
  return std::nullopt;
}

ReferenceSearch ReferenceFindImage(const Picture& screen, const ScreenRect& area, const Picture& picture,
                                   const ImageScan& scan) {
  ReferenceSearch r;
  const int w = picture.width(), h = picture.height(), n = w * h;
  if (area.Width() < w || area.Height() < h) return r;
  const uint32_t key = picture.At(0, 0);
  const bool keyIsMask = scan.maskPixel && *scan.maskPixel == key;
  ScanPoint from{area.left, area.top};
  for (;;) {
    // The next candidate: a key-coloured position, or any position when the key is masked.
    std::optional<ScanPoint> c;
    if (keyIsMask) {
      if (from.x >= area.right) from = {area.left, from.y + 1};
      if (from.y < area.bottom) c = from;
    } else {
      c = ReferenceFindPixel(screen, area, key, scan.tolerance, from);
    }
    if (!c) return r;
    if (c->x + w > area.right) {
      from = {area.left, c->y + 1};
      continue;
    }
    if (c->y + h > area.bottom) return r;
    int matches = 0, misses = 0, last = -1;
    for (int i = 0; i < n; ++i) {
      const uint32_t p = picture.At(i % w, i / w);
      if ((scan.maskPixel && p == *scan.maskPixel) || Matches(ScreenAt(screen, c->x + i % w, c->y + i / w), p, scan.tolerance)) {
        ++matches;
        last = i;
        if (matches + scan.allowedMisses >= n) {
          r.found = true;
          r.at = r.best = *c;
          r.bestMatches = matches;
          r.bestLastMatch = last;
          return r;
        }
      } else {
        ++misses;
        if (matches > r.bestMatches) {
          r.best = *c;
          r.bestMatches = matches;
          r.bestLastMatch = last;
        }
        if (misses > scan.allowedMisses) break;
      }
    }
    from = {c->x + 1, c->y};
  }
}

}  // namespace plumo
