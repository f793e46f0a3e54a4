#include "vars/condition.h"

#include <algorithm>
#include <string>

#include "base/text.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

constexpr std::string_view kNumericChars = "0123456789()<>=., \r\n\t+-*/^%";

bool OnlyOf(std::string_view s, std::string_view set) { return s.find_first_not_of(set) == std::string_view::npos; }

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// The first run of digits, negative when a '-' stands directly before it.
int32_t FirstInteger(std::string_view s) {
  size_t start = s.find_first_of("0123456789");
  if (start == std::string_view::npos) return 0;
  int64_t v = 0;
  for (size_t i = start; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i)
    v = std::min<int64_t>(v * 10 + (s[i] - '0'), INT64_C(1) << 40);
  return Clamp32(start > 0 && s[start - 1] == '-' ? -v : v);
}

enum class Op { kEqual, kLess, kLessEqual, kGreater, kGreaterEqual, kNotEqual };
constexpr struct {
  std::string_view text;
  Op op;
} kComparisons[] = {
    {"=", Op::kEqual},        {"==", Op::kEqual},     {"<", Op::kLess},     {"<=", Op::kLessEqual},
    {">", Op::kGreater},      {">=", Op::kGreaterEqual}, {"!=", Op::kNotEqual}, {"<>", Op::kNotEqual},
    {"><", Op::kNotEqual},
};

// True when something other than blanks and '0' remains.
bool TruthTest(std::string_view clause) { return clause.find_first_not_of(" \t\r\n0") != std::string_view::npos; }

bool Clause(FormulaEngine& engine, Locale& locale, std::string_view text) {
  std::string clause(text);
  size_t equals = static_cast<size_t>(std::count(clause.begin(), clause.end(), '='));
  while (equals % 2 == 1 && equals > 1) {
    clause.erase(clause.find('='), 1);
    clause.erase(clause.rfind('='), 1);
    equals -= 2;
  }
  if (clause.find_first_of("=<>") == std::string::npos) return TruthTest(clause);

  size_t start = std::string::npos;
  for (size_t i = 0; i < clause.size() && start == std::string::npos; ++i) {
    char c = clause[i];
    if (c == '<' || c == '>' || (c == '!' && i + 1 < clause.size() && clause[i + 1] == '=') || (c == '=' && i > 0))
      start = i;
  }
  if (start == std::string::npos) return false;
  size_t end = start;
  while (end < clause.size() && end - start < 8 && std::string_view("=><!").find(clause[end]) != std::string_view::npos)
    ++end;
  std::string_view op = std::string_view(clause).substr(start, end - start);
  std::string_view left = Trim(std::string_view(clause).substr(0, start));
  std::string_view right = Trim(std::string_view(clause).substr(end));

  std::string leftText, rightText;
  double l = engine.Evaluate(left, &leftText), r = engine.Evaluate(right, &rightText);
  if (leftText.empty()) leftText = left;
  if (rightText.empty()) rightText = right;
  bool numeric = (OnlyOf(left, kNumericChars) && OnlyOf(right, kNumericChars)) ||
                 (!left.empty() && left[0] == '%' && left.find_first_of("0123456789") == std::string_view::npos &&
                  OnlyOf(right, kNumericChars));
  int cmp = numeric ? (l < r ? -1 : l > r ? 1 : 0) : locale.CompareText(leftText, rightText);
  for (const auto& o : kComparisons) {
    if (o.text != op) continue;
    switch (o.op) {
      case Op::kEqual: return cmp == 0;
      case Op::kLess: return cmp < 0;
      case Op::kLessEqual: return cmp <= 0;
      case Op::kGreater: return cmp > 0;
      case Op::kGreaterEqual: return cmp >= 0;
      case Op::kNotEqual: return numeric ? l != r : !EqualsNoCase(leftText, rightText);
    }
  }
  return false;
}

}  // namespace

int ConditionTest(FormulaEngine& engine, Locale& locale, std::string_view condition) {
  std::string_view joiner = condition.find("||") != std::string_view::npos   ? "||"
                            : condition.find("&&") != std::string_view::npos ? "&&"
                                                                             : "";
  if (joiner.empty()) return Clause(engine, locale, condition);
  bool any = joiner == "||";
  int result = 0;
  for (size_t pos = 0;;) {
    size_t end = condition.find(joiner, pos);
    std::string_view clause = condition.substr(pos, end == std::string_view::npos ? end : end - pos);
    if (Trim(clause).empty()) break;
    result = Clause(engine, locale, clause);
    if (any == (result != 0)) return result;
    if (end == std::string_view::npos) break;
    pos = end + joiner.size();
  }
  return result;
}

std::pair<int32_t, int32_t> NumberPair(FormulaEngine& engine, TextExpander& expander, std::string_view text,
                                       int fileIndex, int stepIndex) {
  std::string t = expander.Expand(text, fileIndex, stepIndex);
  size_t comma = t.find(',');
  std::string_view first = std::string_view(t).substr(0, comma);
  std::string_view second = comma == std::string::npos ? std::string_view() : std::string_view(t).substr(comma + 1);
  auto arithmetic = [](std::string_view part) {
    return OnlyOf(part, "0123456789 .*/+-()\t\r\n") && part.find_first_of("*/+-") != std::string_view::npos;
  };
  auto value = [&](std::string_view part, std::string_view whole) {
    return arithmetic(part) ? Clamp32(WholePart(engine.Evaluate(part, nullptr))) : FirstInteger(whole);
  };
  return {value(first, t), value(second, second)};
}

}  // namespace plumo
