#include "base/text.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(Text, BoundedFieldsKeepWidthMinusOneCharacters) {
  struct Case {
    std::string in;
    size_t width;
    std::string out;
  } cases[] = {
      {"abcdef", 4, "abc"},
      {"abc", 4, "abc"},
      {"abcd", 4, "abc"},
      {"abc", 1, ""},
      {"abc", 0, ""},
      {std::string(300, 'x'), 260, std::string(259, 'x')},
  };
  for (const auto& c : cases) EXPECT_EQ(Bounded(c.in, c.width), c.out) << c.in << " " << c.width;
}

TEST(Text, CaseFoldingCoversAnsiLettersOnly) {
  EXPECT_EQ(ToUpperAnsi("abc xyz 123"), "ABC XYZ 123");
  EXPECT_EQ(ToUpperAnsi("\xe9\xe0\xfe\xff"), "\xc9\xc0\xde\x9f");  // é à þ ÿ
  EXPECT_EQ(ToUpperAnsi("\xf7\xdf"), "\xf7\xdf");  // ÷ and ß have no upper case here
  EXPECT_EQ(ToLowerAnsi("\xc9\x8a\xd7"), "\xe9\x9a\xd7");  // É Š ×
}

// The whole text is lowered eight bytes at a time where it can be: every byte, at every place
// in a word and next to ASCII and non-ASCII neighbours, folds as it does alone.
TEST(Text, LowerCaseOfATextFoldsEachByteAsAlone) {
  for (const char neighbour : {'@', 'Z', '[', '\xc0'})
    for (size_t offset = 0; offset < 9; ++offset) {
      std::string text(offset, neighbour);
      for (int c = 0; c < 256; ++c) text += {static_cast<char>(c), neighbour};
      const std::string lower = ToLowerAnsi(text);
      ASSERT_EQ(lower.size(), text.size());
      for (size_t i = 0; i < text.size(); ++i)
        ASSERT_EQ(lower[i], ToLowerAnsi(text[i])) << "byte " << int(static_cast<unsigned char>(text[i])) << " at " << i;
    }
}

TEST(Text, FindByteFindsTheFirstAtOrAfterItsStart) {
  std::string text(40, 'a');
  text[3] = text[17] = text[39] = '<';
  text[10] = '\x3d';  // '<' + 1, and a borrow into the next byte must not count as a find
  text[11] = '\xbc';  // '<' with the high bit set
  for (size_t from = 0; from <= text.size() + 1; ++from)
    EXPECT_EQ(FindByte(text, '<', from), std::string_view(text).find('<', from)) << from;
  EXPECT_EQ(FindByte(text, '\xbc'), 11u);
  EXPECT_EQ(FindByte("", '<'), std::string_view::npos);
  EXPECT_EQ(FindByte(text, '<', std::string_view::npos), std::string_view::npos);
}

TEST(Text, CompareNoCaseOrdersLikeLstrcmpi) {
  struct Case {
    const char* a;
    const char* b;
    int sign;
  } cases[] = {
      {"Use Window", "use window", 0}, {"a", "B", -1}, {"b", "A", 1}, {"abc", "ab", 1},
      {"", "", 0}, {"", "a", -1}, {"\xc9t\xe9", "\xe9T\xc9", 0},
  };
  for (const auto& c : cases) {
    int r = CompareNoCase(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign) << c.a << " vs " << c.b;
  }
  EXPECT_TRUE(EqualsNoCase("GOTO", "goto"));
  EXPECT_FALSE(EqualsNoCase("GOTO", "goto "));
}

TEST(Text, FindNoCase) {
  struct Case {
    const char* hay;
    const char* needle;
    size_t from;
    size_t at;
  } cases[] = {
      {"Partial Title,Activate", "ACTIVATE", 0, 14},
      {"abcABC", "abc", 1, 3},
      {"abc", "", 2, 2},
      {"abc", "", 4, std::string_view::npos},
      {"ab", "abc", 0, std::string_view::npos},
      {"aaab", "aab", 0, 1},
      {"", "a", 0, std::string_view::npos},
  };
  for (const auto& c : cases) EXPECT_EQ(FindNoCase(c.hay, c.needle, c.from), c.at) << c.hay << "/" << c.needle;
  EXPECT_TRUE(StartsWithNoCase("{Enter}", "{ENT"));
  EXPECT_TRUE(EndsWithNoCase("script.VXM", ".vxm"));
  EXPECT_FALSE(EndsWithNoCase("vxm", ".vxm"));
}

TEST(Text, TrimRemovesBlanksAtBothEnds) {
  EXPECT_EQ(Trim(" \t Use Window \r\n"), "Use Window");
  EXPECT_EQ(Trim(" \r\n"), "");
  EXPECT_EQ(Trim("a b"), "a b");
}

}  // namespace
}  // namespace plumo
