// The formula engine: a spreadsheet-like expression ("=ROUND(12.5*3, 2)", "=IF(x>1, \"a\", \"b\")")
// is prepared into one-byte operator codes, parsed into a postfix queue and evaluated on a
// short value stack. Errors never raise: their message becomes the text result.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/dialogs.h"
#include "platform/files.h"
#include "platform/locale.h"
#include "platform/system.h"
#include "vars/formula_tables.h"

namespace plumo {

// What formulas reach outside themselves.
struct FormulaHost {
  Locale& locale;
  Clock& clock;
  Desktop& desktop;
  Dialogs& dialogs;
  Files& files;
  System& system;
};

// The messages formulas give instead of a result.
inline constexpr std::string_view kTooManyNested = "Formula Error: Too many nested parameters/calculations";
inline constexpr std::string_view kParameterTooBig = "Parameter too big";
inline constexpr std::string_view kExpressionTooBig = "Expression too big";

// The engine holds its working storage so that evaluations after the first allocate nothing;
// no result of one evaluation reaches the next. One engine serves one thread at a time.
class FormulaEngine {
 public:
  explicit FormulaEngine(const FormulaHost& host);

  // Returns the number. When out is given it receives the final value's text, or "" when the
  // number is 0, or else the number with 15 significant digits. A text with no digit, no '('
  // and no '&' is no formula: out gets it unchanged and the result is 0. A text that prepares
  // to a plain number returns it with out empty.
  double Evaluate(std::string_view formula, std::string* out);

 private:
  struct Value {
    double number = 0;
    std::string text;
  };
  struct Token {
    uint8_t code;  // operator code; a digit or '.' for a number; ' ' for a text
    double number;
    uint32_t pos, len;
  };

  void Prepare(std::string_view formula);
  bool Parse();
  void Evaluate();
  bool Apply(uint8_t code, size_t base, bool ifFollows);
  void CallFunction(uint8_t code, Value* args, bool ifFollows, Value& result);
  void PerformDeferred(Value& chosen, Value& result);
  void Fail(std::string_view message);
  const std::string& TextOf(const Value& v, std::string& scratch);
  double Random();
  uint32_t FindWindowByTitle(const std::string& title);
  void Info(const std::string& keyword, Value& result);

  FormulaHost host_;
  std::string work_, step_;
  std::array<Token, formula::kMaxTokens> queue_;
  size_t queueSize_ = 0;
  std::array<uint8_t, formula::kMaxOperators> ops_;
  size_t opsSize_ = 0;
  // Three spare values behind the stack, so that every function may name its first three
  // arguments whatever its arity.
  std::array<Value, formula::kMaxValues + 3> stack_;
  size_t stackSize_ = 0;
  Value result_;
  std::string scratch_[3];
  bool failed_ = false;
  bool hasDoubleQuote_ = false;
  uint32_t seed_ = 0;
};

// Evaluate with an engine of its own, for callers that evaluate rarely.
double EvaluateFormula(const FormulaHost& host, std::string_view formula, std::string* out);

// The name of the operating system, as INFO("osname") and the system variables give it.
std::string OsName(const OsVersion& version);

}  // namespace plumo
