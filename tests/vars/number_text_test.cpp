#include "vars/number_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "fakes/fake_locale.h"

namespace plumo {
namespace {

TEST(NumberToText, WritesSignificantDigitsTheSameOnEveryPlatform) {
  struct Case {
    double value;
    int digits;
    const char* text;
  } cases[] = {
      {3, 15, "3"},
      {0.1 + 0.2, 15, "0.3"},
      {12345678, 7, "1.234568e+007"},
      {1e10, 7, "1.000000e+010"},
      {-12345678, 7, "-1.234568e+007"},
      {1e100, 15, "1.00000000000000e+100"},
      {1.5e-300, 15, "0"},  // too small for fifteen decimals
      {0, 15, "0"},
      {1.0 / 3, 15, "0.333333333333333"},
      {-2.5, 15, "-2.5"},
      {123456789012345.0, 15, "123456789012345"},
      {1234567890123456.0, 15, "1.23456789012346e+015"},
      {1000, 15, "1000"},
      {0.05, 15, "0.05"},
      {42.5, 7, "42.5"},
      {1234567, 7, "1234567"},
      {99.999, 2, "100"},  // at least two digits
      {123.4, 2, "1.2e+002"},
      {std::numeric_limits<double>::infinity(), 15, "inf"},
      {-std::numeric_limits<double>::infinity(), 15, "-inf"},
      {std::nan(""), 15, "nan"},
  };
  for (const Case& c : cases) EXPECT_EQ(NumberToText(c.value, c.digits), c.text) << c.value;
}

TEST(NumberToText, NeverExceedsThirtyCharacters) {
  for (double v : {1e308, -1e308, 1.23456789e-5, 98765.4321, -0.000123})
    for (int digits : {2, 7, 15, 40}) EXPECT_LE(NumberToText(v, digits).size(), 30u) << v << " " << digits;
}

TEST(LeadingNumber, ReadsDecimalsOnly) {
  struct Case {
    const char* text;
    double value;
  } cases[] = {
      {"12.5abc", 12.5}, {"  -3", -3}, {"+4.", 4}, {".5", 0.5}, {"abc", 0}, {"", 0},
      {"0x1A", 0},       {"1e5", 1},   {"1.2.3", 1.2}, {"-", 0}, {".", 0},
  };
  for (const Case& c : cases) EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << c.text;
}

TEST(WholePart, StaysInRangeForAnyDouble) {
  EXPECT_EQ(WholePart(-2.9), -2);
  EXPECT_EQ(WholePart(std::nan("")), 0);
  EXPECT_GT(WholePart(1e300), 0);
  EXPECT_LT(WholePart(-1e300), 0);
  EXPECT_EQ(Bits32(-1), 0xFFFFFFFFu);
  EXPECT_EQ(Bits32(4294967296.0 + 5), 5u);
}

TEST(LocaleSeparators, ConvertBetweenLocaleAndCanonicalForms) {
  LocaleValues de = GermanLocaleValues(), en = EnglishLocaleValues();
  struct Case {
    const LocaleValues* locale;
    const char* text;
    unsigned flags;
    const char* out;
  } cases[] = {
      {&de, "1.234,5", kToCanonical, "1234.5"},
      {&de, "1.234.567,89", kToCanonical, "1234567.89"},
      {&de, "(3,5)", kToCanonical, "(3.5)"},
      {&de, "Satz 1.2", kToCanonical, "Satz 1.2"},    // no thousands group behind the point
      {&de, "a,b", kToCanonical, "a,b"},              // no digit after the comma
      {&de, "12,", kToCanonical, "12."},
      {&en, "1,234.5", kToCanonical, "1234.5"},
      {&en, "no separators", kToCanonical, "no separators"},
      {&de, "1234.5", kToLocaleDecimal, "1234,5"},
      {&de, "1234567.5", kInsertThousands | kToLocaleDecimal, "1.234.567,5"},
      {&en, "-1234567", kInsertThousands, "-1,234,567"},
      {&en, "999", kInsertThousands, "999"},
      {&en, "1234.5678", kInsertThousands, "1,234.5678"},
  };
  for (const Case& c : cases) EXPECT_EQ(LocaleSeparators(c.text, c.flags, *c.locale), c.out) << c.text;
}

}  // namespace
}  // namespace plumo
