#include "scripts/packed.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>
#include <vector>

namespace plumo {
namespace {

static_assert(std::endian::native == std::endian::little, "the bit reader loads little-endian words");

constexpr uint32_t kRunMin = 32;
constexpr uint32_t kRunMax = 0xFFFFFF;
constexpr uint32_t kLengthBits = 4;

struct Window {
  uint32_t size;      // W
  int bits;           // P = log2(W)
  uint32_t minMatch;  // M
  uint32_t marker() const { return size - 1; }
  uint32_t maxMatch() const { return minMatch + (1u << kLengthBits) - 1; }
};

std::optional<Window> WindowOf(uint32_t size) {
  for (int p = 10; p <= 17; ++p)
    if (size == (1u << p)) return Window{size, p, size >= 4096 ? 3u : 2u};
  return std::nullopt;
}

class BitWriter {
 public:
  explicit BitWriter(std::string* out) : out_(out) {}
  // bits <= 33, so that the pending bits never overflow the accumulator.
  void Put(uint64_t value, int bits) {
    acc_ |= value << pending_;
    pending_ += bits;
    while (pending_ >= 8) {
      out_->push_back(static_cast<char>(acc_ & 0xFF));
      acc_ >>= 8;
      pending_ -= 8;
    }
  }
  // The length rule counts whole bytes plus one: a stream that fills its last byte exactly
  // still ends with a zero byte.
  void Finish() { out_->push_back(static_cast<char>(acc_ & 0xFF)); }

 private:
  std::string* out_;
  uint64_t acc_ = 0;
  int pending_ = 0;
};

// Finds, for every input position, the match the plain scan of the whole window would find:
// the longest (capped at M + 15, never past the window's end), the oldest position among
// equals. Hash chains run from the oldest window position to the newest, so the first full
// length match ends the search exactly where the plain scan stops.
class Packer {
 public:
  Packer(std::string_view data, Window w)
      : in_(reinterpret_cast<const uint8_t*>(data.data())),
        n_(data.size()),
        w_(w),
        mask_(w.size - 1),
        hashShift_(32 - (w.bits + 2)),
        hist_(w.size + data.size()),
        next_(w.size),
        head_(size_t{4} << w.bits, kNone),
        tail_(size_t{4} << w.bits, kNone) {
    histLen_ = w_.size;
    for (size_t i = 0; i + w_.minMatch <= histLen_; ++i) Insert(i);
  }

  void Emit(std::string* out) {
    BitWriter bits(out);
    const uint32_t m = w_.minMatch;
    size_t pos = 0;
    while (pos < n_) {
      const uint8_t c = in_[pos];
      const size_t runLimit = std::min<size_t>(n_ - pos, kRunMax);
      size_t run = 1;
      while (run < runLimit && in_[pos + run] == c) ++run;
      if (run >= kRunMin) {
        bits.Put(1u | (uint64_t{w_.marker()} << 1), 1 + w_.bits);
        bits.Put(run | (uint64_t{c} << 24), 32);
        pos += run;
        continue;
      }
      uint32_t bestLen = 0;
      size_t bestAt = 0;
      if (n_ - pos >= m) FindMatch(pos, &bestLen, &bestAt);
      if (bestLen >= m) {
        const uint64_t windowPos = bestAt - (histLen_ - w_.size);
        bits.Put(1u | (windowPos << 1) | (uint64_t{bestLen - m} << (1 + w_.bits)),
                 1 + w_.bits + static_cast<int>(kLengthBits));
        Consume(pos, bestLen);
        pos += bestLen;
      } else {
        bits.Put(uint64_t{c} << 1, 9);
        Consume(pos, 1);
        pos += 1;
      }
    }
    bits.Finish();
  }

 private:
  static constexpr uint32_t kNone = 0xFFFFFFFFu;

  // Four buckets per window position keep chains short without a large table to clear.
  uint32_t Hash(const uint8_t* p) const {
    uint32_t k = p[0] | (uint32_t{p[1]} << 8);
    if (w_.minMatch == 3) k |= uint32_t{p[2]} << 16;
    return (k * 2654435761u) >> hashShift_;
  }

  void Insert(size_t i) {
    const uint32_t h = Hash(&hist_[i]);
    next_[i & mask_] = kNone;
    if (head_[h] == kNone)
      head_[h] = static_cast<uint32_t>(i);
    else
      next_[tail_[h] & mask_] = static_cast<uint32_t>(i);
    tail_[h] = static_cast<uint32_t>(i);
  }

  // The position leaving the window is the oldest there, so it heads its chain.
  void RemoveOldest(size_t i) {
    const uint32_t h = Hash(&hist_[i]);
    head_[h] = next_[i & mask_];
  }

  void FindMatch(size_t pos, uint32_t* bestLen, size_t* bestAt) const {
    const uint8_t* look = in_ + pos;
    const uint32_t cap = static_cast<uint32_t>(std::min<size_t>(w_.maxMatch(), n_ - pos));
    uint32_t best = 0;
    for (uint32_t i = head_[Hash(look)]; i != kNone; i = next_[i & mask_]) {
      const uint32_t limit = static_cast<uint32_t>(std::min<size_t>(cap, histLen_ - i));
      if (limit <= best) continue;
      const uint8_t* cand = &hist_[i];
      if (cand[best] != look[best]) continue;
      uint32_t len = 0;
      while (len < limit && cand[len] == look[len]) ++len;
      if (len >= w_.minMatch && len > best) {
        best = len;
        *bestAt = i;
        if (len == cap) break;
      }
    }
    *bestLen = best;
  }

  // Moves the window over k input bytes that a literal or a match produced.
  void Consume(size_t pos, size_t k) {
    const size_t old = histLen_;
    std::memcpy(&hist_[old], in_ + pos, k);
    histLen_ += k;
    for (size_t i = old - w_.size; i < histLen_ - w_.size; ++i) RemoveOldest(i);
    for (size_t i = old - w_.minMatch + 1; i + w_.minMatch <= histLen_; ++i) Insert(i);
  }

  const uint8_t* in_;
  size_t n_;
  Window w_;
  uint32_t mask_;
  int hashShift_;
  // The window's history: W zeros, then every byte a literal or a match produced.
  std::vector<uint8_t> hist_;
  size_t histLen_ = 0;
  std::vector<uint32_t> next_;  // by history position modulo W
  std::vector<uint32_t> head_;
  std::vector<uint32_t> tail_;
};

class BitReader {
 public:
  BitReader(std::string_view block, size_t startBit)
      : in_(reinterpret_cast<const uint8_t*>(block.data())), size_(block.size()), bit_(startBit) {}

  bool Has(size_t bits) const { return bit_ + bits <= size_ * 8; }
  bool AtEnd() const { return bit_ >= size_ * 8; }
  // At least 57 valid bits from the current position; bits past the block read as zero.
  uint64_t Peek() const {
    const size_t byte = bit_ >> 3;
    uint64_t v = 0;
    if (byte + 8 <= size_) {
      std::memcpy(&v, in_ + byte, 8);
    } else {
      for (size_t k = 0; byte + k < size_; ++k) v |= uint64_t{in_[byte + k]} << (8 * k);
    }
    return v >> (bit_ & 7);
  }
  void Skip(size_t bits) { bit_ += bits; }

 private:
  const uint8_t* in_;
  size_t size_;
  size_t bit_;
};

class Unpacker {
 public:
  Unpacker(Window w, uint32_t length, size_t blockSize) : w_(w), length_(length) {
    // The header alone never decides the allocation; the output grows as tokens produce it.
    out_.resize(std::min<size_t>(length, blockSize * 9 + 4096));
    hist_.assign(w.size + kSlide, 0);
    histLen_ = w.size;
  }

  std::string Run(BitReader& r) {
    const uint32_t m = w_.minMatch;
    const int p = w_.bits;
    while (!r.AtEnd() && produced_ < length_) {
      const uint64_t v = r.Peek();
      if ((v & 1) == 0) {
        if (!r.Has(9)) break;
        r.Skip(9);
        Reserve(1);
        const uint8_t b = static_cast<uint8_t>(v >> 1);
        out_[produced_++] = static_cast<char>(b);
        Slide(1);
        hist_[histLen_++] = b;
        continue;
      }
      if (!r.Has(1 + p)) break;
      const uint32_t pos = static_cast<uint32_t>(v >> 1) & (w_.size - 1);
      if (pos == w_.marker()) {
        if (!r.Has(1 + p + 32)) break;
        r.Skip(1 + p);
        const uint32_t word = static_cast<uint32_t>(r.Peek());
        r.Skip(32);
        const size_t count = std::min<size_t>(word & kRunMax, length_ - produced_);
        Reserve(count);
        std::memset(&out_[produced_], static_cast<int>(word >> 24), count);
        produced_ += count;
        continue;
      }
      if (!r.Has(1 + p + kLengthBits)) break;
      r.Skip(1 + p + kLengthBits);
      const uint32_t len = static_cast<uint32_t>((v >> (1 + p)) & 0xF) + m;
      const size_t count = std::min<size_t>(len, length_ - produced_);
      Reserve(count);
      Slide(count);
      // A hostile position may reach past the window's end into the bytes this match is
      // producing; copying forward byte by byte keeps that defined and inside the buffer.
      uint8_t* src = &hist_[histLen_ - w_.size + pos];
      uint8_t* dst = &hist_[histLen_];
      char* out = &out_[produced_];
      for (size_t k = 0; k < count; ++k) {
        dst[k] = src[k];
        out[k] = static_cast<char>(src[k]);
      }
      histLen_ += count;
      produced_ += count;
    }
    out_.resize(produced_);
    return std::move(out_);
  }

 private:
  static constexpr size_t kSlide = 64 * 1024;

  void Reserve(size_t k) {
    if (produced_ + k <= out_.size()) return;
    out_.resize(std::min<size_t>(length_, std::max(out_.size() * 2, produced_ + k)));
  }
  void Slide(size_t k) {
    if (histLen_ + k <= hist_.size()) return;
    std::memmove(hist_.data(), hist_.data() + histLen_ - w_.size, w_.size);
    histLen_ = w_.size;
  }

  Window w_;
  uint32_t length_;
  std::string out_;
  size_t produced_ = 0;
  std::vector<uint8_t> hist_;
  size_t histLen_ = 0;
};

}  // namespace

std::optional<std::string> Pack(std::string_view data, uint32_t windowSize) {
  const auto w = WindowOf(windowSize);
  if (data.empty() || !w || data.size() > kMaxUnpackedLength) return std::nullopt;
  try {
    std::string out;
    out.reserve(data.size() / 2 + 64);
    const uint32_t n = static_cast<uint32_t>(data.size());
    for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>((n >> (8 * k)) & 0xFF));
    out.push_back(static_cast<char>(windowSize / 1024));
    Packer(data, *w).Emit(&out);
    return out;
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

std::optional<uint32_t> AnnouncedLength(std::string_view block) {
  if (block.size() < kPackedHeaderSize) return std::nullopt;
  uint32_t n = 0;
  for (int k = 0; k < 4; ++k) n |= uint32_t{static_cast<uint8_t>(block[k])} << (8 * k);
  return n;
}

std::optional<std::string> Unpack(std::string_view block) {
  const auto length = AnnouncedLength(block);
  if (!length || *length == 0 || *length > kMaxUnpackedLength) return std::nullopt;
  const uint8_t units = static_cast<uint8_t>(block[4]);
  const auto w = WindowOf(units == 0 ? 1024u : units * 1024u);
  if (!w) return std::nullopt;
  try {
    BitReader reader(block, kPackedHeaderSize * 8);
    return Unpacker(*w, *length, block.size()).Run(reader);
  } catch (const std::bad_alloc&) {
    return std::nullopt;
  }
}

}  // namespace plumo
