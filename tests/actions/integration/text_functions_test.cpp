#include "actions/integration/data/text_functions.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(SortItems, EverySortType) {
  struct Case {
    std::string_view text, delimiter, options;
    bool caseSensitive;
    std::string_view joiner, sorted;
  };
  const Case cases[] = {
      {"pear\r\nApple\r\nfig\r\n", "", "", false, "\r\n", "Apple\r\nfig\r\npear\r\n"},
      {"b\nB\na\nA", "", "Ascending (A-Z)", false, "\r\n", "a\r\nA\r\nb\r\nB"},  // equal ones keep their order
      {"b\nB\na\nA", "", "", true, "\r\n", "A\r\nB\r\na\r\nb"},
      {"b,c,a", ",", "Descending (Z-A)", false, ",", "c,b,a"},
      {"ccc,a,bb,d", ",", "Length (Shortest)", false, ",", "a,d,bb,ccc"},
      {"ccc,a,bb,d", ",", "Length (Longest)", false, ",", "ccc,bb,a,d"},
      {"dCba;zy", ";", "Characters A-Z", false, ";", "abCd;yz"},
      {"bdaC", "", "Characters Z-A", false, "\r\n", "dCba"},
      {"b,a", ",", "Column", false, "\r\n", "a\r\nb"},
      {"", ",", "", false, ",", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(SortItems(c.text, c.delimiter, SortTypeOf(c.options), c.caseSensitive, c.joiner), c.sorted)
        << c.text << " / " << c.options;
}

TEST(Obfuscation, BothSchemesRoundTripEveryByte) {
  std::string all;
  for (int i = 0; i < 256; ++i) all.push_back(static_cast<char>(i));
  for (std::string_view key : {"", "k", "a longer key \xff"}) {
    const std::string shifted = AsciiShift(all, key, false);
    EXPECT_NE(shifted, all);
    EXPECT_EQ(AsciiShift(shifted, key, true), all);
    const std::string hex = BitShiftEncrypt(all, key);
    EXPECT_EQ(hex.find_first_not_of("0123456789ABCDEF"), std::string::npos);
    EXPECT_EQ(BitShiftDecrypt(hex, key), all);
  }
  // ASCII Shift keeps printable text printable and line ends where they were.
  const std::string text = "Hello, World!\r\n~ {x}";
  const std::string shifted = AsciiShift(text, "secret", false);
  for (char c : shifted) EXPECT_TRUE((c >= 32 && c <= 126) || c == '\r' || c == '\n');
  EXPECT_EQ(shifted.substr(13, 2), "\r\n");
  EXPECT_NE(AsciiShift(text, "other", false), shifted);
  EXPECT_FALSE(BitShiftDecrypt("ABC", "k"));
  EXPECT_FALSE(BitShiftDecrypt("GG", "k"));
}

TEST(BinaryConversions, EscapesHexAndPrintable) {
  const std::string bytes("A{\\}\0\xff\t", 7);
  EXPECT_EQ(ToEscapes(bytes), "A{\\7B}{\\5C}{\\7D}{\\00}{\\FF}{\\09}");
  EXPECT_EQ(ToHex(bytes), "417B5C7D00FF09");
  EXPECT_EQ(ToPrintable(bytes), "A{\\}\t");
}

TEST(SplitItems, QuotesKeepDelimitersInside) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitItems("a,\"b,c\",d", ",", false), (V{"a", "\"b", "c\"", "d"}));
  EXPECT_EQ(SplitItems("a,\"b,c\",d", ",", true), (V{"a", "b,c", "d"}));
  EXPECT_EQ(SplitItems("\"say \"\"hi\"\"\",,", ",", true), (V{"say \"hi\"", "", ""}));
  EXPECT_EQ(SplitItems("a::b", "::", false), (V{"a", "b"}));
}

TEST(Chop, EveryMethod) {
  struct Case {
    std::string_view words, marker;
    size_t count;
    std::string_view result;
  };
  const Case cases[] = {
      {"Chop Before", "=", 1, "=value"},         {"Chop Before and Including", "=", 1, "value"},
      {"Chop After", "=", 1, "key="},            {"Chop After and Including", "=", 1, "key"},
      {"First Character", "", 1, "ey=value"},   {"Last Character", "", 3, "key=va"},
      {"Chop After", "#", 1, "key=value"},       {"Last Character", "", 99, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(Chop("key=value", c.marker, *ChopMethodOf(c.words), c.count), c.result) << c.words;
  EXPECT_FALSE(ChopMethodOf("Chop Sideways"));
}

TEST(TextSearch, CountFindAndReplace) {
  EXPECT_EQ(CountOccurrences("aAaa", "aa", false), 2u);
  EXPECT_EQ(CountOccurrences("aAaa", "aa", true), 1u);
  EXPECT_EQ(CountOccurrences("abc", "", true), 0u);
  EXPECT_EQ(FindText("xAbxab", "ab", 0, true), 4u);
  EXPECT_EQ(FindText("xAbxab", "ab", 0, false), 1u);
  std::string s = "one One one";
  EXPECT_EQ(ReplaceText(s, "one", "1", false, false), 3u);
  EXPECT_EQ(s, "1 1 1");
  s = "one One one";
  EXPECT_EQ(ReplaceText(s, "one", "one and one", true, true), 1u);
  EXPECT_EQ(s, "one and one One one");
}

TEST(RandomText, DrawsOnlyFromItsRange) {
  std::mt19937 random(7);
  for (std::string_view word : {"a-z", "A-Z", "0-9", "a-z, A-Z, 0-9, \\r\\n", "(any)"}) {
    const std::string characters = *CharacterRange(word);
    const std::string text = RandomText(500, characters, random);
    EXPECT_EQ(text.size(), 500u);
    EXPECT_EQ(text.find_first_not_of(characters), std::string::npos) << word;
  }
  EXPECT_FALSE(CharacterRange("A-z"));
}

}  // namespace
}  // namespace plumo
