#include "scripts/markup.h"

#include <gtest/gtest.h>

namespace plumo {
namespace {

TEST(Markup, EscapesAmpersandAndAnglesButNotQuotes) {
  std::string out = "x";
  AppendEscaped(out, "a&b<c>d\"e'");
  EXPECT_EQ(out, "xa&amp;b&lt;c&gt;d\"e'");
  out.clear();
  AppendEscapedAttribute(out, "a&\"<>");
  EXPECT_EQ(out, "a&amp;&quot;&lt;&gt;");
}

TEST(Markup, UnescapesEveryEntityOnceWithoutRegardToCase) {
  struct Case {
    const char* in;
    const char* out;
  } cases[] = {
      {"&amp;&#038;", "&&"},
      {"&lt;&#060;&#60;", "<<<"},
      {"&gt;&#062;&#62;", ">>>"},
      {"&apos;&#039;&#39;", "'''"},
      {"&quot;&#034;&#34;", "\"\"\""},
      {"&AMP;&Lt;&QUOT;", "&<\""},
      // Written for a text that held "&lt;": it reads back as that text, not as "<".
      {"&amp;lt;", "&lt;"},
      {"&amp;amp;", "&amp;"},
      {"& &x; &#61; &", "& &x; &#61; &"},
      {"&lt", "&lt"},
      {"no entities", "no entities"},
  };
  for (const auto& c : cases) EXPECT_EQ(Unescape(c.in), c.out) << c.in;
}

TEST(Markup, BoundedUnescapeKeepsAFullFieldWhateverItsEscapes) {
  const std::string field(259, '&');
  std::string escaped;
  AppendEscaped(escaped, field);
  EXPECT_EQ(UnescapeBounded(escaped, 260), field);
  EXPECT_EQ(UnescapeBounded(escaped + "&amp;", 260), field);
  EXPECT_EQ(UnescapeBounded(std::string(300, 'x'), 260), std::string(259, 'x'));
  EXPECT_EQ(UnescapeBounded("abc", 1), "");
}

Tag Find(std::string_view element, std::string_view name) {
  static std::string lower;
  lower.assign(element);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return FindTag({element, lower}, name);
}

TEST(Markup, FindsTheFirstStartTagAndTheFirstEndTagOfTheElement) {
  struct Case {
    const char* element;
    const char* name;
    bool found;
    const char* start;
    const char* content;
  } cases[] = {
      {"<text>Hi</text>", "text", true, "<text", "Hi"},
      {"<TEXT>Hi</Text>", "text", true, "<TEXT", "Hi"},
      {"<text>Hi", "text", true, "<text", "Hi"},                            // no end tag: to the end
      {"<options>a</options><text>b</text>", "text", true, "<text", "b"},
      {"<textual>a</textual><text>b</text>", "text", true, "<textual", "a</textual><text>b"},  // "<name" anywhere
      {"</text><text>b</text>", "text", true, "<text", ""},                 // end searched from the start
      {"<output value=\"v\">Variable</output>", "output", true, "<output value=\"v\"", "Variable"},
      {"<text", "text", false, "", ""},
      {"<action>Type</action>", "text", false, "", ""},
  };
  for (const auto& c : cases) {
    const Tag t = Find(c.element, c.name);
    EXPECT_EQ(t.found, c.found) << c.element;
    EXPECT_EQ(t.start, c.start) << c.element;
    EXPECT_EQ(t.content, c.content) << c.element;
  }
}

TEST(Markup, StartTagsHaveAnUpperBound) {
  const std::string justFits = "<output value=\"" + std::string(kMaxStartTag - 17, 'v') + "\">x</output>";
  EXPECT_TRUE(Find(justFits, "output").found);
  const std::string tooLong = "<output value=\"" + std::string(kMaxStartTag - 16, 'v') + "\">x</output>";
  EXPECT_FALSE(Find(tooLong, "output").found);
}

TEST(Markup, AttributesAreFoundOutsideQuotedValues) {
  const std::string_view tag = "<onfail value=\"Catalog image\" image=\"3\" log=\"-2\"";
  EXPECT_EQ(FindAttribute(tag, "value"), "Catalog image");
  EXPECT_EQ(FindAttribute(tag, "image"), "3");
  EXPECT_EQ(FindAttribute(tag, "log"), "-2");
  EXPECT_EQ(FindAttribute("<output VALUE=\"%x\"", "value"), "%x");
  EXPECT_EQ(FindAttribute("<output value=\"unterminated", "value"), "unterminated");
  EXPECT_EQ(FindAttribute("<output", "value"), "");
  EXPECT_EQ(FindAttribute("<output value", "value"), "");
  EXPECT_EQ(FindAttribute("<output valued=\"x\"", "value"), "");  // two characters skipped, as written
}

TEST(Markup, NumbersAreTheFirstRunOfDigits) {
  struct Case {
    const char* in;
    int32_t out;
  } cases[] = {{"12", 12},          {" x-7y", -7},        {"a1b2", 1},        {"", 0},
               {"--3", -3},         {"99999999999", INT32_MAX}, {"-99999999999", INT32_MIN}, {"+5", 5}};
  for (const auto& c : cases) EXPECT_EQ(FirstNumber(c.in), c.out) << c.in;
  struct Hex {
    const char* in;
    uint32_t out;
  } hex[] = {{"0x1001", 0x1001}, {"0X1a", 0x1a}, {"ff", 0xff}, {" 0x3 ", 3}, {"0x", 0},
             {"zz", 0},          {"0x123456789", 0xFFFFFFFFu}, {"10g", 0x10}};
  for (const auto& c : hex) EXPECT_EQ(HexNumber(c.in), c.out) << c.in;
}

}  // namespace
}  // namespace plumo
