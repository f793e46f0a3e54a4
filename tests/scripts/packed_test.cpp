#include "scripts/packed.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "scripts/packed_reference.h"
#include "scripts/sample_data.h"

namespace plumo {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string s;
  for (int b : bytes) s.push_back(static_cast<char>(b));
  return s;
}

std::string Header(uint32_t length, uint8_t windowUnits) {
  return Bytes({static_cast<int>(length & 0xFF), static_cast<int>((length >> 8) & 0xFF),
                static_cast<int>((length >> 16) & 0xFF), static_cast<int>(length >> 24),
                windowUnits});
}

// Writes tokens by hand, least significant bit first.
struct HandStream {
  std::string bytes;
  size_t bits = 0;
  void Put(uint64_t v, int k) {
    for (int i = 0; i < k; ++i, ++bits) {
      if (bits % 8 == 0) bytes.push_back(0);
      if ((v >> i) & 1) bytes.back() = static_cast<char>(bytes.back() | (1 << (bits % 8)));
    }
  }
};

std::string PackOrFail(std::string_view data, uint32_t window) {
  auto packed = Pack(data, window);
  EXPECT_TRUE(packed.has_value());
  return packed.value_or("");
}

TEST(PackedData, HundredEqualBytesAreOneRunTokenOfElevenBytes) {
  const std::string packed = PackOrFail(std::string(100, 'A'), 4096);
  EXPECT_EQ(packed, Bytes({0x64, 0, 0, 0, 4, 0xFF, 0x9F, 0x0C, 0x00, 0x20, 0x08}));
  EXPECT_EQ(Unpack(packed), std::string(100, 'A'));
}

TEST(PackedData, RunsStartAtThirtyTwoEqualBytes) {
  for (size_t n : {31u, 32u, 33u}) {
    const std::string data = "xy" + std::string(n, 'q') + "z";
    bool hasRun = false;
    for (const auto& t : DecodeTokens(PackOrFail(data, 4096)))
      if (t.kind == PackedToken::kRun) {
        hasRun = true;
        EXPECT_EQ(t.count, n);
        EXPECT_EQ(t.value, static_cast<uint32_t>('q'));
      }
    EXPECT_EQ(hasRun, n >= 32) << n;
  }
}

TEST(PackedData, LongestRunIsSplitAtItsCountLimit) {
  const std::string data(0xFFFFFF + 40, '\0');
  const auto tokens = DecodeTokens(PackOrFail(data, 4096));
  ASSERT_EQ(tokens.size(), 2u);
  EXPECT_EQ(tokens[0].count, 0xFFFFFFu);
  EXPECT_EQ(tokens[1].kind, PackedToken::kRun);
  EXPECT_EQ(tokens[1].count, 40u);
}

TEST(PackedData, RunsDoNotEnterTheWindow) {
  // After the run the window still holds "abc" at its end, not zeros.
  const std::string data = "abc" + std::string(40, 'z') + "abc";
  const auto tokens = DecodeTokens(PackOrFail(data, 4096));
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_EQ(tokens[4].kind, PackedToken::kMatch);
  EXPECT_EQ(tokens[4].value, 4096u - 3);
  EXPECT_EQ(tokens[4].count, 3u);
}

TEST(PackedData, TiesGoToTheLowestWindowPosition) {
  // The zero-filled window matches four zeros everywhere: position 0 wins.
  const auto tokens = DecodeTokens(PackOrFail(Bytes({0, 0, 0, 0, 7}), 4096));
  ASSERT_GE(tokens.size(), 1u);
  EXPECT_EQ(tokens[0].kind, PackedToken::kMatch);
  EXPECT_EQ(tokens[0].value, 0u);
  EXPECT_EQ(tokens[0].count, 4u);
}

TEST(PackedData, MatchesStopAtTheWindowsEnd) {
  // "abab..." would overlap itself; the window holds only "ab" when the third byte is packed.
  const auto tokens = DecodeTokens(PackOrFail("ababababab", 1024));
  ASSERT_GE(tokens.size(), 3u);
  EXPECT_EQ(tokens[2].kind, PackedToken::kMatch);
  EXPECT_EQ(tokens[2].value, 1024u - 2);
  EXPECT_EQ(tokens[2].count, 2u);
}

TEST(PackedData, MatchesAreCappedAtMinimumPlusFifteen) {
  std::string unit = sample::RandomBytes(5, 40);
  for (uint32_t window : {1024u, 4096u}) {
    const uint32_t cap = (window >= 4096 ? 3 : 2) + 15;
    uint32_t longest = 0;
    for (const auto& t : DecodeTokens(PackOrFail(unit + unit, window))) {
      if (t.kind == PackedToken::kMatch) longest = std::max(longest, t.count);
    }
    EXPECT_EQ(longest, cap) << window;
  }
}

TEST(PackedData, WindowByteZeroMeansTenBitPositionsAndPairs) {
  HandStream s;
  s.Put(0, 1), s.Put('a', 8);
  s.Put(0, 1), s.Put('b', 8);
  s.Put(1, 1), s.Put(1022, 10), s.Put(0, 4);  // "ab", two bytes: M is 2
  const std::string block = Header(4, 0) + s.bytes;
  EXPECT_EQ(Unpack(block), "abab");
  EXPECT_EQ(Unpack(Header(4, 1) + s.bytes), "abab");
}

TEST(PackedData, PackedLengthIsWholeBytesPlusOne) {
  // One literal: 40 + 9 bits -> 7 bytes. Eight literals of 9 bits: 40 + 72 = 112 bits, a
  // whole number of bytes, so a zero byte follows.
  EXPECT_EQ(PackOrFail("Q", 4096).size(), 7u);
  const std::string packed = PackOrFail(sample::RandomBytes(9, 8), 4096);
  ASSERT_EQ(DecodeTokens(packed).size(), 8u);
  EXPECT_EQ(packed.size(), 112u / 8 + 1);
  EXPECT_EQ(packed.back(), '\0');
}

TEST(PackedData, NothingForEmptyDataOrUnusableWindows) {
  EXPECT_FALSE(Pack("", 4096));
  for (uint32_t window : {0u, 512u, 3072u, 4095u, 262144u}) EXPECT_FALSE(Pack("abc", window)) << window;
  EXPECT_TRUE(Pack("abc", 131072));
}

struct Corpus {
  std::string name;
  std::string data;
};

std::vector<Corpus> VariedInputs() {
  std::vector<Corpus> c;
  for (size_t n : {1u, 2u, 3u, 17u, 18u, 19u, 1023u, 1024u, 1025u, 4095u, 4096u, 4097u, 8193u}) {
    c.push_back({"random" + std::to_string(n), sample::RandomBytes(static_cast<uint32_t>(n), n)});
    c.push_back({"text" + std::to_string(n), sample::Text(static_cast<uint32_t>(n), n)});
  }
  c.push_back({"exe", sample::ExecutableLike(1, 20000)});
  c.push_back({"runs", sample::Runs(2, 20000)});
  c.push_back({"mixed", sample::Mixed(3, 40000)});
  c.push_back({"zeros", std::string(5000, '\0')});
  c.push_back({"period3", [] { std::string s; for (int i = 0; i < 6000; ++i) s += "abc"[i % 3]; return s; }()});
  c.push_back({"nearRuns", [] { std::string s; for (int i = 0; i < 300; ++i) s += std::string(31, 'x') + "y"; return s; }()});
  return c;
}

TEST(PackedData, FastSearchMakesTheReferencesChoices) {
  for (const auto& input : VariedInputs())
    for (uint32_t window : {1024u, 4096u}) {
      const std::string fast = PackOrFail(input.data, window);
      EXPECT_EQ(fast, ReferencePack(input.data, window)) << input.name << " window " << window;
      EXPECT_EQ(Unpack(fast), input.data) << input.name << " window " << window;
    }
}

TEST(PackedData, RoundTripsRandomlyShapedInputs) {
  std::mt19937 rng(77);
  for (int round = 0; round < 300; ++round) {
    // Splice pieces of every kind so that matches cross their borders.
    std::string data;
    const int pieces = 1 + static_cast<int>(rng() % 6);
    for (int k = 0; k < pieces; ++k) {
      const size_t n = rng() % 3000;
      const uint32_t seed = rng();
      switch (rng() % 5) {
        case 0: data += sample::RandomBytes(seed, n); break;
        case 1: data += sample::Text(seed, n); break;
        case 2: data += sample::ExecutableLike(seed, n); break;
        case 3: data += sample::Runs(seed, n); break;
        default: data += data.substr(0, n); break;
      }
    }
    if (data.empty()) data = "x";
    const uint32_t window = 1024u << (rng() % 3);
    const std::string packed = PackOrFail(data, window);
    ASSERT_EQ(Unpack(packed), data) << "round " << round;
    if (round % 10 == 0 && window <= 4096) {
      ASSERT_EQ(packed, ReferencePack(data, window)) << round;
    }
  }
}

TEST(PackedData, TruncatedBlocksGiveAPrefixOfTheData) {
  const std::string data = sample::Mixed(8, 3000) + std::string(100, 'r') + sample::Text(9, 500);
  const std::string packed = PackOrFail(data, 4096);
  size_t lastSize = 0;
  for (size_t cut = kPackedHeaderSize; cut < packed.size(); ++cut) {
    const auto got = Unpack(std::string_view(packed).substr(0, cut));
    ASSERT_TRUE(got.has_value()) << cut;
    ASSERT_LT(got->size(), data.size()) << cut;
    ASSERT_EQ(*got, data.substr(0, got->size())) << cut;
    ASSERT_GE(got->size(), lastSize);
    lastSize = got->size();
  }
  EXPECT_EQ(Unpack(packed), data);
}

TEST(PackedData, UnpackRefusesBlocksItCannotTrust) {
  const std::string stream = PackOrFail("hello", 4096).substr(kPackedHeaderSize);
  struct Case {
    const char* what;
    std::string block;
  } cases[] = {
      {"empty", ""},
      {"short header", Header(5, 4).substr(0, 4)},
      {"zero length", Header(0, 4) + stream},
      {"absurd length", Header(kMaxUnpackedLength + 1, 4) + stream},
      {"window of three units", Header(5, 3) + stream},
      {"window of 255 units", Header(5, 255) + stream},
  };
  for (const auto& c : cases) EXPECT_FALSE(Unpack(c.block)) << c.what;
  EXPECT_EQ(Unpack(Header(5, 4) + stream), "hello");
}

TEST(PackedData, OutputNeverExceedsTheAnnouncedLength) {
  HandStream s;
  s.Put(1, 1), s.Put(4095, 12), s.Put(100 | (uint32_t{'r'} << 24), 32);
  EXPECT_EQ(Unpack(Header(10, 4) + s.bytes), std::string(10, 'r'));
  // A huge announcement over a tiny block produces what the block holds, nothing more.
  EXPECT_EQ(Unpack(Header(400u << 20, 4) + s.bytes), std::string(100, 'r'));
}

TEST(PackedData, HostileMatchPastTheWindowsEndCopiesForward) {
  HandStream s;
  s.Put(0, 1), s.Put('a', 8);
  s.Put(0, 1), s.Put('b', 8);
  s.Put(1, 1), s.Put(1022, 10), s.Put(3, 4);  // five bytes from two window bytes
  EXPECT_EQ(Unpack(Header(7, 1) + s.bytes), "abababa");
}

TEST(PackedData, CorruptedBlocksStayInsideTheirBuffers) {
  const std::string good = PackOrFail(sample::Mixed(4, 6000), 4096);
  std::mt19937 rng(11);
  for (int round = 0; round < 2000; ++round) {
    std::string bad = good;
    const int flips = 1 + static_cast<int>(rng() % 8);
    for (int k = 0; k < flips; ++k) {
      const size_t at = kPackedHeaderSize + rng() % (bad.size() - kPackedHeaderSize);
      bad[at] = static_cast<char>(bad[at] ^ (1 << (rng() % 8)));
    }
    bad.resize(kPackedHeaderSize + rng() % (bad.size() - kPackedHeaderSize + 1));
    const auto got = Unpack(bad);
    ASSERT_TRUE(got.has_value());
    ASSERT_LE(got->size(), 6000u);
  }
}

}  // namespace
}  // namespace plumo
