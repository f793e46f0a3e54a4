#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "actions/desktop/bmp_file.h"
#include "actions/desktop/colour_text.h"
#include "actions/desktop/inline_pattern.h"

namespace plumo {
namespace {

void Put(std::string& s, uint32_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A .bmp file laid out by hand: `value(x, y)` is the palette index or the raw pixel value.
struct BmpLayout {
  uint32_t headerSize = 40;
  int32_t width = 3, height = 2;  // negative height: top-down
  uint32_t bpp = 24, compression = 0;
  std::vector<uint32_t> palette;
  std::vector<uint32_t> masks;  // after a 40-byte header, or inside a larger one
  std::function<uint32_t(int32_t, int32_t)> value;
};

std::string MakeBmp(const BmpLayout& b) {
  const int32_t h = b.height < 0 ? -b.height : b.height;
  std::string header;
  Put(header, b.headerSize, 4);
  if (b.headerSize == 12) {
    Put(header, static_cast<uint32_t>(b.width), 2);
    Put(header, static_cast<uint32_t>(b.height), 2);
    Put(header, 1, 2);
    Put(header, b.bpp, 2);
  } else {
    Put(header, static_cast<uint32_t>(b.width), 4);
    Put(header, static_cast<uint32_t>(b.height), 4);
    Put(header, 1, 2);
    Put(header, b.bpp, 2);
    Put(header, b.compression, 4);
    header.append(12, '\0');
    Put(header, static_cast<uint32_t>(b.palette.size()), 4);
    Put(header, 0, 4);
    for (uint32_t m : b.masks) Put(header, m, 4);
    header.resize(b.headerSize + (b.headerSize == 40 ? 4 * b.masks.size() : 0), '\0');
  }
  for (uint32_t c : b.palette) Put(header, c, b.headerSize == 12 ? 3 : 4);
  std::string pixels;
  const size_t stride = (static_cast<size_t>(b.width) * b.bpp + 31) / 32 * 4;
  for (int32_t row = 0; row < h; ++row) {
    const int32_t y = b.height < 0 ? row : h - 1 - row;
    std::string line(stride, '\0');
    for (int32_t x = 0; x < b.width; ++x) {
      const uint32_t v = b.value(x, y);
      if (b.bpp < 8) {
        const size_t bit = static_cast<size_t>(x) * b.bpp;
        line[bit / 8] = static_cast<char>(line[bit / 8] | v << (8 - b.bpp - bit % 8));
      } else {
        for (uint32_t k = 0; k < b.bpp / 8; ++k) line[static_cast<size_t>(x) * b.bpp / 8 + k] = static_cast<char>(v >> (8 * k));
      }
    }
    pixels += line;
  }
  std::string file = "BM";
  Put(file, static_cast<uint32_t>(14 + header.size() + pixels.size()), 4);
  Put(file, 0, 4);
  Put(file, static_cast<uint32_t>(14 + header.size()), 4);
  return file + header + pixels;
}

TEST(BmpFile, ReadsEveryDepthAndLayout) {
  const std::vector<uint32_t> four = {0x000000, 0xFF0000, 0x00FF00, 0x0000FF};
  std::vector<uint32_t> many;
  for (uint32_t i = 0; i < 256; ++i) many.push_back(i * 0x010101);
  auto index = [](uint32_t mod) { return [mod](int32_t x, int32_t y) { return static_cast<uint32_t>(x + 3 * y) % mod; }; };
  struct Row {
    const char* name;
    BmpLayout layout;
    std::function<uint32_t(int32_t, int32_t)> want;
  } rows[] = {
      {"1 bit, odd width", {40, 9, 3, 1, 0, {0x000000, 0xFFFFFF}, {}, index(2)},
       [](int32_t x, int32_t y) { return (x + 3 * y) % 2 ? 0xFFFFFFu : 0u; }},
      {"2 bits", {40, 5, 2, 2, 0, four, {}, index(4)}, [&](int32_t x, int32_t y) { return four[(x + 3 * y) % 4]; }},
      {"4 bits, top-down", {40, 7, -3, 4, 0, four, {}, index(4)}, [&](int32_t x, int32_t y) { return four[(x + 3 * y) % 4]; }},
      {"8 bits, core header", {12, 5, 4, 8, 0, many, {}, index(256)},
       [&](int32_t x, int32_t y) { return many[static_cast<size_t>(x + 3 * y)]; }},
      {"16 bits 5-5-5", {40, 3, 2, 16, 0, {}, {}, [](int32_t, int32_t) { return 0x7C00u | 0x001Fu; }},
       [](int32_t, int32_t) { return 0xFF00FFu; }},
      {"16 bits 5-6-5 fields", {40, 3, 2, 16, 3, {}, {0xF800, 0x07E0, 0x001F}, [](int32_t, int32_t) { return 0x07E0u; }},
       [](int32_t, int32_t) { return 0x00FF00u; }},
      {"24 bits, top-down", {40, 5, -2, 24, 0, {}, {}, [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 40 + y); }},
       [](int32_t x, int32_t y) { return static_cast<uint32_t>(x * 40 + y); }},
      {"32 bits", {40, 4, 3, 32, 0, {}, {}, [](int32_t x, int32_t) { return 0xAB000000u | static_cast<uint32_t>(x); }},
       [](int32_t x, int32_t) { return static_cast<uint32_t>(x); }},
      {"32 bits, fields in a V5 header", {124, 2, 2, 32, 3, {}, {0xFF, 0xFF00, 0xFF0000}, [](int32_t, int32_t) { return 0x112233u; }},
       [](int32_t, int32_t) { return 0x332211u; }},
  };
  for (const Row& r : rows) {
    std::string error;
    std::optional<Picture> p = ReadBmp(MakeBmp(r.layout), &error);
    ASSERT_TRUE(p) << r.name << ": " << error;
    EXPECT_EQ(p->bitsPerPixel, r.layout.bpp) << r.name;
    ASSERT_EQ(p->width(), r.layout.width) << r.name;
    ASSERT_EQ(p->height(), std::abs(r.layout.height)) << r.name;
    for (int32_t y = 0; y < p->height(); ++y)
      for (int32_t x = 0; x < p->width(); ++x) EXPECT_EQ(p->At(x, y), r.want(x, y)) << r.name << " at " << x << "," << y;
  }
}

TEST(BmpFile, RefusesBadFilesWithAReason) {
  const std::string good = MakeBmp({40, 4, 4, 24, 0, {}, {}, [](int32_t, int32_t) { return 1u; }});
  auto with = [&](size_t at, uint32_t v, int bytes) {
    std::string f = good;
    for (int i = 0; i < bytes; ++i) f[at + static_cast<size_t>(i)] = static_cast<char>(v >> (8 * i));
    return f;
  };
  struct Row {
    std::string file;
    const char* reason;
  } rows[] = {
      {good.substr(0, good.size() - 1), "truncated"},
      {"PK" + good.substr(2), "not a bitmap"},
      {with(30, 1, 4), "RLE"},
      {with(28, 3, 2), "bits per pixel"},
      {with(18, 0, 4), "no pixels"},
      {with(18, 100000, 4), "truncated"},
      {with(18, 70000, 4) .replace(22, 4, std::string("\x70\x11\x01\x00", 4)), "larger than"},
      {with(10, 0xFFFFFF, 4), "truncated"},
      {with(14, 20, 4), "header"},
      {good.substr(0, 20), "truncated"},
      // A 48-byte header with bit fields: the masks follow it, past the end of this file.
      {[&] { std::string f = with(14, 48, 4); f[28] = 32, f[30] = 3; return f.substr(0, 63); }(), "truncated"},
  };
  for (const Row& r : rows) {
    std::string error;
    EXPECT_FALSE(ReadBmp(r.file, &error)) << r.reason;
    EXPECT_NE(error.find(r.reason), std::string::npos) << error;
  }
}

TEST(BmpFile, WrittenFilesReadBack) {
  std::optional<Picture> p = Picture::Allocate(5, 3);
  ASSERT_TRUE(p);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) p->Row(y)[x] = static_cast<uint32_t>(0x010203 * (x + 5 * y));
  std::string error;
  std::optional<Picture> back = ReadBmp(WriteBmp(*p), &error);
  ASSERT_TRUE(back) << error;
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x) EXPECT_EQ(back->At(x, y), p->At(x, y));
}

TEST(ColourText, NamesAndHexDigits) {
  struct Row {
    const char* text;
    uint32_t color;
  } rows[] = {
      {"#ff8000", 0x0080FF}, {"FF8000", 0x0080FF}, {"0xFF8000", 0x0080FF}, {" \"FF 80 00\" , 7", 0x0080FF},
      {"Light Gray", 0xC0C0C0}, {"dk gray", 0x404040}, {"RED", 0x0000FF}, {"blue", 0xFF0000},
      {"FF80", 0}, {"GG8000", 0}, {"FF80000", 0}, {"", 0},
  };
  for (const Row& r : rows) EXPECT_EQ(ColorFromText(r.text), r.color) << r.text;
  EXPECT_EQ(ColorText(0x0080FF), "#FF8000");
}

TEST(InlinePattern, EntriesFillASquareRowByRow) {
  struct Row {
    const char* text;
    int side;
    std::vector<uint32_t> firstPixels;
  } rows[] = {
      {"F00,0F0,00F,FFF", 2, {0xF00000, 0x00F000, 0x0000F0, 0xF0F0F0}},
      {" F00 , 0F0,00F,FFF,", 2, {0xF00000, 0x00F000, 0x0000F0, 0xF0F0F0}},
      {"F00*3,00F,123", 2, {0xF00000, 0xF00000, 0xF00000, 0x0000F0}},
      {"000*4096,FFF*100", 64, {0, 0}},
      {"abc", 1, {0xA0B0C0}},
  };
  for (const Row& r : rows) {
    std::string error;
    std::optional<Picture> p = ReadInlinePattern(r.text, &error);
    ASSERT_TRUE(p) << r.text << ": " << error;
    EXPECT_EQ(p->width(), r.side) << r.text;
    EXPECT_EQ(p->height(), r.side) << r.text;
    for (size_t i = 0; i < r.firstPixels.size(); ++i)
      EXPECT_EQ(p->At(static_cast<int32_t>(i) % r.side, static_cast<int32_t>(i) / r.side), r.firstPixels[i]) << r.text << " " << i;
  }
  for (const char* bad : {"F0,0F0", "F00*0,0F0", "F00*x", "F00*5000", "F00,XYZ"}) {
    std::string error;
    EXPECT_FALSE(ReadInlinePattern(bad, &error)) << bad;
    EXPECT_FALSE(error.empty()) << bad;
  }
}

TEST(InlinePattern, TellsPatternsFromFileNames) {
  for (const char* yes : {"F00,0F0", "F00*4", "abc,"}) EXPECT_TRUE(IsInlinePattern(yes)) << yes;
  for (const char* no : {"icon.bmp", "F00,0F0.png", "a\\b*", "F00", "pic"}) EXPECT_FALSE(IsInlinePattern(no)) << no;
}

}  // namespace
}  // namespace plumo
