// The formula language as data: names and their one-byte codes in search order, precedence,
// argument counts, and the limits of the working storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace plumo {

namespace formula {

constexpr size_t kMaxTokens = 128;
constexpr size_t kMaxOperators = 63;
constexpr size_t kMaxValues = 9;
constexpr size_t kMaxText = 4095;  // longest text a value holds

// Codes of the functions the evaluator treats specially.
enum Code : uint8_t {
  kIf = '?',
  kGetTickCount = 0x83,
  kTopWindow = 0xAA,
  kMod = 0xBA,
  kLcm = 0xBC,
  kGcd = 0xBD,
  kIsKeyPressed = 0xBF,
  kTrimWhite = 0xA2,
  kCloseWindow = 0xA3,
  kGetPixel = 0xA5,
  kFileExist = 0xC6,
  kTypeOf = 0xA1,
  kStrRev = 0xE0,
  kIsWindow = 0xE1,
  kNum2Words = 0xE2,
  kPad = 0xE4,
  kReplace = 0xE5,
  kDaysInYear = 0xE6,
  kDaysInMonth = 0xE7,
  kHex2Dec = 0xE8,
  kProper = 0xE9,
  kDayOfYear = 0xEA,
  kDec2Hex = 0xEB,
  kChop = 0xEC,
  kFindWindow = 0xED,
  kRandBetween = 0xEE,
  kIsOdd = 0xEF,
  kRun = 0xF1,
  kFileNameClean = 0xF2,
  kSetFocus = 0xF3,
  kFolderExist = 0xF4,
  kFileSize = 0xF6,
  kMsgBox = 0xFA,
  kInfo = 0xFB,
};

}  // namespace formula

struct FormulaName {
  std::string_view name;
  uint8_t code;
};

// Multi-character operators first, then the functions; aliases share a code.
std::span<const FormulaName> FormulaNames();

struct OperatorInfo {
  uint8_t precedence = 0;  // 0: not an operator
  uint8_t arity = 1;
  bool rightAssociative = false;
  bool function = false;   // written as NAME(...)
};
const OperatorInfo& OperatorOf(uint8_t code);

// Indexes into FormulaNames of the names that begin with the letter (upper case) or sign, in
// table order: the search at each position of a formula looks only at these.
std::span<const uint8_t> NamesStartingWith(char first);

// The name shown in error messages: the first name of the code, or the code itself.
std::string_view WrittenName(uint8_t code, char* oneChar);

}  // namespace plumo
