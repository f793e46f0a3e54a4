// Numbers to text and back: the significant-digits rule of every numeric result, the reading
// of decimal numbers, and the locale's separators.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/locale.h"

namespace plumo {

// At most 30 characters: fixed form without trailing zeros, or the exponent form with a sign
// and three exponent digits (1.234568e+007) when the number has more integer digits than
// max(2, digits). The same text on every platform.
void NumberToText(double value, int digits, std::string& out);
std::string NumberToText(double value, int digits);

// The leading decimal number of a text: blanks, a sign, digits and one point. 0 when none.
double LeadingNumber(std::string_view text);

// A double cut toward zero and held within 64 bits (NaN gives 0); the integer of every
// operation that works on whole numbers.
int64_t WholePart(double value);
// The low 32 bits of the whole part, as bitwise operations and "%lu" see a number.
uint32_t Bits32(double value);

// Flags of LocaleSeparators.
enum : unsigned {
  kToCanonical = 1,       // locale number text to the '.' form
  kToLocaleDecimal = 2,   // the '.' to the locale's decimal separator
  kInsertThousands = 4,   // thousands separators in the whole part
};
std::string LocaleSeparators(std::string_view text, unsigned flags, const LocaleValues& locale);

}  // namespace plumo
