// The loops of the image scans, written once over a "vector" of pixels. A vector type V
// provides kLanes, Vec, Load, Splat, Ones, Zero, InRange (lanes whose three colour bytes lie
// in [lo, hi]), And, AndNot, Add, Sub, CmpGt, Bits (one bit per lane) and LoadCounts (kLanes
// 16-bit counts widened to lanes).
//
// Only the kernel files include this, each once: everything here has internal linkage, so
// that code compiled for AVX2 never stands in for another file's copy at link time.
#pragma once

#include <bit>
#include <cstdint>
#include <optional>
#include <vector>

#include "actions/desktop/image_scan_kernel.h"

namespace plumo::scan {
namespace {

// One lane: the portable build, and the tails of rows that fill no whole vector.
struct ScalarVec {
  static constexpr int kLanes = 1;
  using Vec = int32_t;  // -1 true, 0 false
  static Vec Load(const uint32_t* p) { return static_cast<int32_t>(*p); }
  static Vec Splat(uint32_t v) { return static_cast<int32_t>(v); }
  static Vec Ones() { return -1; }
  static Vec Zero() { return 0; }
  static Vec InRange(Vec s, Vec lo, Vec hi) {
    const uint32_t v = static_cast<uint32_t>(s), l = static_cast<uint32_t>(lo), h = static_cast<uint32_t>(hi);
    for (int shift = 0; shift < 24; shift += 8) {
      const uint32_t b = (v >> shift) & 0xFF;
      if (b < ((l >> shift) & 0xFF) || b > ((h >> shift) & 0xFF)) return 0;
    }
    return -1;
  }
  static Vec And(Vec a, Vec b) { return a & b; }
  static Vec AndNot(Vec a, Vec b) { return ~a & b; }
  static Vec Add(Vec a, Vec b) { return a + b; }
  static Vec Sub(Vec a, Vec b) { return a - b; }
  static Vec CmpGt(Vec a, Vec b) { return a > b ? -1 : 0; }
  static unsigned Bits(Vec m) { return m ? 1u : 0u; }
  static Vec LoadCounts(const uint16_t* p) { return *p; }
};

template <class V>
typename V::Vec KeyMatch(const Candidates& c, const uint32_t* at) {
  if (c.keyAnywhere) return V::Ones();
  return V::InRange(V::Load(at), V::Splat(c.key.lo), V::Splat(c.key.hi));
}

// Lanes of `alive` (candidates at `at`, `at` + 1, ...) whose misses stay within the allowance.
template <class V>
typename V::Vec Qualify(const ImageJob& j, const uint32_t* at, typename V::Vec alive) {
  using Vec = typename V::Vec;
  if (j.allowed == 0) {
    for (size_t i = 0; i < j.probeCount; ++i) {
      const Probe& p = j.probes[i];
      alive = V::And(alive, V::InRange(V::Load(at + p.offset), V::Splat(p.range.lo), V::Splat(p.range.hi)));
      if (!V::Bits(alive)) break;
    }
    return alive;
  }
  // Minus the matches of each lane; misses = probes seen + this.
  Vec negMatches = V::Zero();
  const unsigned want = V::Bits(alive);
  for (size_t i = 0; i < j.probeCount; ++i) {
    const Probe& p = j.probes[i];
    negMatches = V::Add(negMatches, V::InRange(V::Load(at + p.offset), V::Splat(p.range.lo), V::Splat(p.range.hi)));
    if ((i & 3) == 3) {
      const Vec rejected = V::CmpGt(negMatches, V::Splat(static_cast<uint32_t>(j.allowed - static_cast<int>(i + 1))));
      if (!(want & ~V::Bits(rejected))) return V::Zero();
    }
  }
  const int limit = j.allowed - static_cast<int>(j.probeCount);
  return V::AndNot(V::CmpGt(negMatches, V::Splat(static_cast<uint32_t>(limit))), alive);
}

// For each screen row, how many pixels from the candidates' left edge up to each column lie
// within the tolerance of the key colour. Rows y to y + picture height - 1 are kept; each
// screen row is counted once.
template <class V>
class KeyCounts {
 public:
  explicit KeyCounts(const ImageJob& j)
      : c_(j.at), height_(j.height), span_(c_.x1 - c_.x0 + j.width + 1), next_(c_.y0),
        counts_(static_cast<size_t>(height_) * static_cast<size_t>(span_)), rows_(static_cast<size_t>(height_)) {}

  // The rows of candidates on screen row y, by picture row; y only grows.
  const uint16_t* const* RowsFor(int32_t y) {
    for (int32_t r = 0; r < height_; ++r) {
      while (next_ <= y + r) Count(next_++);
      rows_[static_cast<size_t>(r)] = Slot(y + r);
    }
    return rows_.data();
  }

 private:
  uint16_t* Slot(int32_t y) { return counts_.data() + static_cast<size_t>(y % height_) * static_cast<size_t>(span_); }
  void Count(int32_t y) {
    const uint32_t* row = c_.screen + y * c_.stride + c_.x0;
    uint16_t* out = Slot(y);
    const int32_t pixels = span_ - 1;
    uint16_t total = 0;
    out[0] = 0;
    int32_t x = 0;
    for (; x + V::kLanes <= pixels; x += V::kLanes)
      for (unsigned bits = V::Bits(KeyMatch<V>(c_, row + x)), k = 0; k < V::kLanes; ++k)
        out[x + static_cast<int32_t>(k) + 1] = total = static_cast<uint16_t>(total + ((bits >> k) & 1));
    for (; x < pixels; ++x) out[x + 1] = total = static_cast<uint16_t>(total + ScalarVec::Bits(KeyMatch<ScalarVec>(c_, row + x)));
  }

  const Candidates& c_;
  int32_t height_, span_;
  int32_t next_;
  std::vector<uint16_t> counts_;
  std::vector<const uint16_t*> rows_;
};

// Lanes of `alive` whose certain misses (key-coloured screen pixels under the segments) do
// not exceed the allowance; `col` is the first lane's column from the candidates' left edge.
template <class V>
typename V::Vec WithinCertainMisses(const ImageJob& j, const uint16_t* const* rows, int32_t col, typename V::Vec alive) {
  using Vec = typename V::Vec;
  const Vec limit = V::Splat(static_cast<uint32_t>(j.allowed));
  const unsigned want = V::Bits(alive);
  Vec certain = V::Zero();
  for (size_t i = 0; i < j.segmentCount; ++i) {
    const Segment& s = j.segments[i];
    const uint16_t* counts = rows[s.row] + col;
    certain = V::Add(certain, V::Sub(V::LoadCounts(counts + s.end), V::LoadCounts(counts + s.begin)));
    if ((i & 1) && !(want & ~V::Bits(V::CmpGt(certain, limit)))) return V::Zero();
  }
  return V::AndNot(V::CmpGt(certain, limit), alive);
}

template <class V>
std::optional<ScanPoint> FindImageRows(const ImageJob& j) {
  const Candidates& c = j.at;
  const bool filter = j.segmentCount > 0 && !c.keyAnywhere;
  std::optional<KeyCounts<V>> keyCounts;
  if (filter) keyCounts.emplace(j);
  for (int32_t y = c.y0; y <= c.y1; ++y) {
    const uint32_t* row = c.screen + y * c.stride;
    const uint16_t* const* counts = filter ? keyCounts->RowsFor(y) : nullptr;
    int32_t x = c.x0;
    for (; x + V::kLanes - 1 <= c.x1; x += V::kLanes) {
      typename V::Vec alive = KeyMatch<V>(c, row + x);
      if (!V::Bits(alive)) continue;
      if (filter && !V::Bits(alive = WithinCertainMisses<V>(j, counts, x - c.x0, alive))) continue;
      if (const unsigned hit = V::Bits(Qualify<V>(j, row + x, alive)))
        return ScanPoint{x + std::countr_zero(hit), y};
    }
    for (; x <= c.x1; ++x)
      if (ScalarVec::Bits(Qualify<ScalarVec>(j, row + x, KeyMatch<ScalarVec>(c, row + x)))) return ScanPoint{x, y};
  }
  return std::nullopt;
}

template <class V>
std::optional<ScanPoint> FindPixelRows(const PixelJob& j) {
  const typename V::Vec lo = V::Splat(j.range.lo), hi = V::Splat(j.range.hi);
  for (int32_t y = j.y0; y <= j.y1; ++y) {
    const uint32_t* row = j.screen + y * j.stride;
    int32_t x = y == j.y0 ? j.startX : j.x0;
    for (; x + V::kLanes - 1 <= j.x1; x += V::kLanes)
      if (const unsigned hit = V::Bits(V::InRange(V::Load(row + x), lo, hi))) return ScanPoint{x + std::countr_zero(hit), y};
    for (; x <= j.x1; ++x)
      if (ScalarVec::InRange(ScalarVec::Load(row + x), ScalarVec::Splat(j.range.lo), ScalarVec::Splat(j.range.hi)))
        return ScanPoint{x, y};
  }
  return std::nullopt;
}

// One candidate compared in row order, a few pixels at a time.
class RowOrderTally {
 public:
  RowOrderTally(int allowed, int required) : allowed_(allowed), required_(required < 1 ? 1 : required) {}

  // `hits` has bit i set when pixel `first` + i matched, for `count` pixels. False once the
  // candidate is decided.
  bool Feed(unsigned hits, int count, int first) {
    const unsigned all = count >= 32 ? ~0u : (1u << count) - 1;
    const unsigned misses = ~hits & all;
    const int missCount = std::popcount(misses);
    if (misses_ + missCount > allowed_) {
      // Stop at the miss that exceeds the allowance.
      unsigned m = misses;
      for (int k = allowed_ - misses_; k > 0; --k) m &= m - 1;
      Take(hits & ((1u << std::countr_zero(m)) - 1), first);
      decided_ = true;
      return false;
    }
    const int hitCount = std::popcount(hits);
    if (matches_ + hitCount >= required_) {
      // Stop at the match that reaches the requirement.
      unsigned h = hits;
      for (int k = required_ - matches_ - 1; k > 0; --k) h &= h - 1;
      const int last = std::countr_zero(h);
      Take(hits & (last == 31 ? ~0u : (2u << last) - 1), first);
      found_ = decided_ = true;
      return false;
    }
    misses_ += missCount;
    Take(hits, first);
    return true;
  }
  bool found() const { return found_; }
  int matches() const { return matches_; }
  int lastMatch() const { return lastMatch_; }

 private:
  void Take(unsigned hits, int first) {
    matches_ += std::popcount(hits);
    if (hits) lastMatch_ = first + 31 - std::countl_zero(hits);
  }
  int allowed_, required_;
  int matches_ = 0, misses_ = 0, lastMatch_ = -1;
  bool found_ = false, decided_ = false;
};

template <class V>
RowOrderTally CompareInRowOrder(const ExplainJob& j, const uint32_t* at) {
  const int n = j.width * j.height;
  RowOrderTally tally(j.allowed, n - j.allowed);
  for (int32_t r = 0; r < j.height; ++r) {
    const uint32_t* s = at + r * j.at.stride;
    const uint32_t* lo = j.lo + r * j.width;
    const uint32_t* hi = j.hi + r * j.width;
    int32_t c = 0;
    for (; c + V::kLanes <= j.width; c += V::kLanes) {
      const unsigned hits = V::Bits(V::InRange(V::Load(s + c), V::Load(lo + c), V::Load(hi + c)));
      if (!tally.Feed(hits, V::kLanes, r * j.width + c)) return tally;
    }
    for (; c < j.width; ++c) {
      const unsigned hit = ScalarVec::Bits(ScalarVec::InRange(ScalarVec::Load(s + c), ScalarVec::Load(lo + c),
                                                              ScalarVec::Load(hi + c)));
      if (!tally.Feed(hit, 1, r * j.width + c)) return tally;
    }
  }
  return tally;
}

template <class V>
ScanReport ExplainRows(const ExplainJob& j) {
  const Candidates& c = j.at;
  ScanReport best;
  auto consider = [&](int32_t x, int32_t y) {
    RowOrderTally t = CompareInRowOrder<V>(j, c.screen + y * c.stride + x);
    if (t.found()) {
      best = {true, {x, y}, t.matches(), t.lastMatch()};
      return true;
    }
    if (t.matches() > best.matches) best = {false, {x, y}, t.matches(), t.lastMatch()};
    return false;
  };
  for (int32_t y = c.y0; y <= c.y1; ++y) {
    const uint32_t* row = c.screen + y * c.stride;
    int32_t x = c.x0;
    for (; x + V::kLanes - 1 <= c.x1; x += V::kLanes)
      for (unsigned key = V::Bits(KeyMatch<V>(c, row + x)); key; key &= key - 1)
        if (consider(x + std::countr_zero(key), y)) return best;
    for (; x <= c.x1; ++x)
      if (ScalarVec::Bits(KeyMatch<ScalarVec>(c, row + x)) && consider(x, y)) return best;
  }
  return best;
}

template <class V>
constexpr ScanKernels KernelsOf(const char* name) {
  return {name, FindImageRows<V>, FindPixelRows<V>, ExplainRows<V>};
}

}  // namespace
}  // namespace plumo::scan
