#include "vars/formula_tables.h"

#include <array>

namespace plumo {
namespace {

using namespace formula;

struct FunctionRow {
  FormulaName name;
  uint8_t arity;
};

constexpr FunctionRow kNames[] = {
    {{"++", '#'}, 1}, {{"--", '`'}, 1}, {{">=", '}'}, 2}, {{"<=", '{'}, 2}, {{"<>", '$'}, 2},
    {{"!=", '$'}, 2}, {{"==", '='}, 2}, {{"&&", ';'}, 2}, {{"||", ':'}, 2},
    {{"RANDBETWEEN", kRandBetween}, 2}, {{"PI", 'P'}, 0}, {{"NOW", 'n'}, 0}, {{"TODAY", 'a'}, 0},
    {{"RAND", 'Z'}, 0}, {{"GETTICKCOUNT", kGetTickCount}, 0}, {{"TOPWINDOW", kTopWindow}, 0},
    {{"ABS", 'A'}, 1}, {{"CEILING", 'C'}, 1}, {{"CEIL", 'C'}, 1}, {{"FLOOR", 'F'}, 1},
    {{"INT", 'i'}, 1}, {{"SQRT", 'S'}, 1}, {{"SQR", 'S'}, 1}, {{"SIN", 'I'}, 1}, {{"COS", 'O'}, 1},
    {{"TAN", 'G'}, 1}, {{"ATAN", 'B'}, 1}, {{"DECIMAL", 'J'}, 1}, {{"LEN", 'L'}, 1},
    {{"CHAR", 'H'}, 1}, {{"CHR", 'H'}, 1}, {{"CODE", 'K'}, 1}, {{"ASC", 'K'}, 1}, {{"TRIM", 'x'}, 1},
    {{"TRIMWHITE", kTrimWhite}, 1}, {{"RUN", kRun}, 1}, {{"ISKEYPRESSED", kIsKeyPressed}, 1},
    {{"ISWINDOW", kIsWindow}, 1}, {{"FINDWINDOW", kFindWindow}, 1}, {{"SETFOCUS", kSetFocus}, 1},
    {{"CLOSEWINDOW", kCloseWindow}, 1}, {{"VALUE", 'V'}, 1}, {{"UPPER", 'u'}, 1},
    {{"LOWER", 'w'}, 1}, {{"PROPER", kProper}, 1}, {{"YEAR", 'g'}, 1}, {{"MONTH", 'm'}, 1},
    {{"DAY", 'd'}, 1}, {{"DAYOFYEAR", kDayOfYear}, 1}, {{"DAYSINYEAR", kDaysInYear}, 1},
    {{"DAYSINMONTH", kDaysInMonth}, 1}, {{"MONTHLEN", kDaysInMonth}, 1}, {{"DATEVALUE", 'v'}, 1},
    {{"TIMEVALUE", 'j'}, 1}, {{"WEEKDAY", 'k'}, 1}, {{"HOUR", 'h'}, 1}, {{"MINUTE", 'e'}, 1},
    {{"SECOND", 'o'}, 1}, {{"NUM2WORDS", kNum2Words}, 1}, {{"STRREV", kStrRev}, 1},
    {{"DEC2HEX", kDec2Hex}, 1}, {{"HEX2DEC", kHex2Dec}, 1}, {{"ISODD", kIsOdd}, 1},
    {{"FILEEXIST", kFileExist}, 1}, {{"FOLDEREXIST", kFolderExist}, 1}, {{"FILESIZE", kFileSize}, 1},
    {{"FILENAMECLEAN", kFileNameClean}, 1}, {{"INFO", kInfo}, 1}, {{"TYPE", kTypeOf}, 1},
    {{"TEXT", 'T'}, 2}, {{"MAX", 'X'}, 2}, {{"MIN", 'N'}, 2}, {{"QUOTIENT", 'Q'}, 2},
    {{"ROUND", 'R'}, 2}, {{"TRUNC", 'U'}, 2}, {{"GCD", kGcd}, 2}, {{"LCM", kLcm}, 2},
    {{"LTRIM", 'b'}, 2}, {{"RTRIM", 'c'}, 2}, {{"CHOP", kChop}, 2}, {{"GETPIXEL", kGetPixel}, 2},
    {{"MSGBOX", kMsgBox}, 2}, {{"LEFT", 'l'}, 2}, {{"RIGHT", 'r'}, 2}, {{"FIND", 'f'}, 2},
    {{"SEARCH", 's'}, 2}, {{"REPT", 'q'}, 2}, {{"COUNTIF", 'W'}, 2}, {{"MOD", kMod}, 2},
    {{"MID", 'M'}, 3}, {{"SUBSTITUTE", 'Y'}, 3}, {{"SUBSTITUTEI", 'y'}, 3}, {{"IF", kIf}, 3},
    {{"DATE", 'D'}, 3}, {{"TIME", 't'}, 3}, {{"PAD", kPad}, 3}, {{"CHOOSE", 'z'}, 3},
    {{"REPLACE", kReplace}, 4},
};
constexpr size_t kOperatorNames = 9;

// Single-character operators: code, precedence, arity, right-associative.
struct OperatorRow {
  uint8_t code, precedence, arity;
  bool right;
};
constexpr OperatorRow kOperators[] = {
    {'#', 7, 1, false}, {'`', 7, 1, false}, {'_', 7, 1, false}, {'!', 7, 1, true},
    {'^', 6, 2, true},  {'*', 5, 2, false}, {'/', 5, 2, false}, {'%', 5, 2, true},
    {'+', 4, 2, false}, {'-', 4, 2, false}, {'&', 3, 2, false}, {'|', 3, 2, false},
    {'~', 3, 2, false}, {'<', 2, 2, false}, {'>', 2, 2, false}, {'}', 2, 2, false},
    {'{', 2, 2, false}, {'$', 2, 2, false}, {'=', 2, 2, false}, {';', 1, 2, false},
    {':', 1, 2, false},
};
constexpr uint8_t kFunctionPrecedence = 8;

constexpr unsigned char UpperAscii(char c) {
  return static_cast<unsigned char>(c >= 'a' && c <= 'z' ? c - 32 : c);
}

struct Tables {
  std::array<FormulaName, std::size(kNames)> names{};
  std::array<OperatorInfo, 256> ops{};
  // Names grouped by their first character, each group in table order.
  std::array<uint8_t, std::size(kNames)> byFirst{};
  std::array<uint16_t, 257> firstBegin{};
  constexpr Tables() {
    for (size_t i = 0; i < std::size(kNames); ++i) names[i] = kNames[i].name;
    for (const FunctionRow& r : kNames) ++firstBegin[UpperAscii(r.name.name[0]) + 1];
    for (size_t c = 1; c < firstBegin.size(); ++c) firstBegin[c] += firstBegin[c - 1];
    std::array<uint16_t, 256> fill{};
    for (size_t i = 0; i < std::size(kNames); ++i) {
      unsigned char c = UpperAscii(kNames[i].name.name[0]);
      byFirst[firstBegin[c] + fill[c]++] = static_cast<uint8_t>(i);
    }
    for (const OperatorRow& r : kOperators) ops[r.code] = OperatorInfo{r.precedence, r.arity, r.right, false};
    for (size_t i = kOperatorNames; i < std::size(kNames); ++i)
      ops[kNames[i].name.code] = OperatorInfo{kFunctionPrecedence, kNames[i].arity, false, true};
  }
};
constexpr Tables kTables;

}  // namespace

std::span<const FormulaName> FormulaNames() { return kTables.names; }

const OperatorInfo& OperatorOf(uint8_t code) { return kTables.ops[code]; }

std::span<const uint8_t> NamesStartingWith(char first) {
  unsigned char c = UpperAscii(first);
  return std::span<const uint8_t>(kTables.byFirst).subspan(kTables.firstBegin[c],
                                                           kTables.firstBegin[c + 1] - kTables.firstBegin[c]);
}

std::string_view WrittenName(uint8_t code, char* oneChar) {
  for (const FormulaName& n : kTables.names)
    if (n.code == code) return n.name;
  *oneChar = static_cast<char>(code);
  return std::string_view(oneChar, 1);
}

}  // namespace plumo
