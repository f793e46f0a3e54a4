#include "scripts/packed_reference.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace plumo {
namespace {

struct Bits {
  std::string* out;
  size_t count = 0;
  void Put(uint64_t v, int k) {
    for (int i = 0; i < k; ++i, ++count) {
      if (count % 8 == 0) out->push_back(0);
      if ((v >> i) & 1) out->back() = static_cast<char>(out->back() | (1 << (count % 8)));
    }
  }
};

uint64_t Get(std::string_view block, size_t* bit, int k) {
  uint64_t v = 0;
  for (int i = 0; i < k; ++i, ++*bit)
    if ((static_cast<uint8_t>(block[*bit / 8]) >> (*bit % 8)) & 1) v |= uint64_t{1} << i;
  return v;
}

}  // namespace

std::string ReferencePack(std::string_view data, uint32_t W) {
  const int P = std::countr_zero(W);
  const uint32_t M = W >= 4096 ? 3 : 2;
  std::string out;
  const uint32_t n = static_cast<uint32_t>(data.size());
  for (int k = 0; k < 4; ++k) out.push_back(static_cast<char>(n >> (8 * k)));
  out.push_back(static_cast<char>(W / 1024));
  Bits bits{&out};
  std::vector<uint8_t> window(W, 0);
  size_t pos = 0;
  while (pos < data.size()) {
    size_t run = 0;
    while (pos + run < data.size() && run < 0xFFFFFF && data[pos + run] == data[pos]) ++run;
    if (run >= 32) {
      bits.Put(1, 1);
      bits.Put(W - 1, P);
      bits.Put(run | (uint64_t{static_cast<uint8_t>(data[pos])} << 24), 32);
      pos += run;
      continue;
    }
    uint32_t best = 0, bestPos = 0;
    for (uint32_t p = 0; p <= W - M; ++p) {
      uint32_t len = 0;
      while (p + len < W && pos + len < data.size() && len < M + 15 &&
             window[p + len] == static_cast<uint8_t>(data[pos + len]))
        ++len;
      if (len >= M && len > best) {
        best = len;
        bestPos = p;
        if (best == M + 15) break;
      }
    }
    size_t used = 1;
    if (best >= M) {
      bits.Put(1, 1);
      bits.Put(bestPos, P);
      bits.Put(best - M, 4);
      used = best;
    } else {
      bits.Put(0, 1);
      bits.Put(static_cast<uint8_t>(data[pos]), 8);
    }
    std::memmove(window.data(), window.data() + used, W - used);
    std::memcpy(window.data() + W - used, data.data() + pos, used);
    pos += used;
  }
  out.resize(5 + bits.count / 8 + 1);
  return out;
}

std::vector<PackedToken> DecodeTokens(std::string_view block) {
  std::vector<PackedToken> tokens;
  uint32_t length = 0;
  for (int k = 0; k < 4; ++k) length |= uint32_t{static_cast<uint8_t>(block[k])} << (8 * k);
  const uint32_t W = (block[4] ? static_cast<uint8_t>(block[4]) : 1u) * 1024u;
  const int P = std::countr_zero(W);
  const uint32_t M = W >= 4096 ? 3 : 2;
  size_t bit = 40;
  uint64_t produced = 0;
  while (produced < length) {
    if (Get(block, &bit, 1) == 0) {
      tokens.push_back({PackedToken::kLiteral, static_cast<uint32_t>(Get(block, &bit, 8)), 1});
    } else {
      const uint32_t pos = static_cast<uint32_t>(Get(block, &bit, P));
      if (pos == W - 1) {
        const uint32_t r = static_cast<uint32_t>(Get(block, &bit, 32));
        tokens.push_back({PackedToken::kRun, r >> 24, r & 0xFFFFFF});
      } else {
        tokens.push_back({PackedToken::kMatch, pos, static_cast<uint32_t>(Get(block, &bit, 4)) + M});
      }
    }
    produced += tokens.back().count;
  }
  return tokens;
}

}  // namespace plumo
