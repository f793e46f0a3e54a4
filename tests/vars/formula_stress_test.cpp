// Formulas far outside what people write: huge, deeply nested, long, and random ones. They
// must finish with some result and never read or write out of bounds.
#include <gtest/gtest.h>

#include <random>

#include "vars/condition.h"
#include "vars/constants.h"
#include "vars/formula_world.h"

namespace plumo {
namespace {

void ExpectBounded(const std::string& formula, const std::string& out) {
  EXPECT_TRUE(out.size() <= 4095 || out == formula) << formula.substr(0, 200);
}

TEST(FormulaStress, HundredKilobyteFormulas) {
  FormulaWorld w;
  std::string out;
  std::string sum = "=1";
  while (sum.size() < 100000) sum += "+1";
  w.engine.Evaluate(sum, &out);  // only the first 128 tokens count
  ExpectBounded(sum, out);

  std::string text = "=(\"" + std::string(100000, 'a') + "\")";
  EXPECT_EQ(w.Text(text), "Parameter too big");

  std::string keys = "=";
  while (keys.size() < 100000) keys += "{Enter}+";
  keys += "1";
  w.engine.Evaluate(keys, &out);
  ExpectBounded(keys, out);

  std::string words = "=IF(1, " + std::string(100000, 'w') + ", 2)";
  EXPECT_EQ(w.Text(words), "Parameter too big");
}

TEST(FormulaStress, DeepParenthesesReportTheNesting) {
  FormulaWorld w;
  std::string deep = "=" + std::string(200, '(') + "1" + std::string(200, ')');
  EXPECT_EQ(w.Text(deep), kTooManyNested);
  std::string unbalanced = "=" + std::string(200, ')') + "1+2" + std::string(50, '(');
  EXPECT_EQ(w.Text(unbalanced), "3");
  std::string functions;
  for (int i = 0; i < 200; ++i) functions += "ABS(";
  functions = "=" + functions + "1" + std::string(200, ')');
  EXPECT_EQ(w.Text(functions), kTooManyNested);
}

TEST(FormulaStress, TokensBeyondTheQueueAreDropped) {
  FormulaWorld w;
  // 65 numbers and 64 operators: 129 tokens; the last '+' falls off and leaves two values.
  std::string f = "=1";
  for (int i = 0; i < 64; ++i) f += "+1";
  EXPECT_EQ(w.Text(f), "64");
  std::string g = "=1";
  for (int i = 0; i < 63; ++i) g += "+1";
  EXPECT_EQ(w.Text(g), "64");
}

TEST(FormulaStress, RandomFormulasFinish) {
  FormulaWorld w;
  static const char* const kPieces[] = {
      "1", "2.5", "0", "-", "+", "*", "/", "^", "%", "&", "|", "~", "<", ">", "<=", ">=", "==", "!=", "&&",
      "||", "!", "++", "--", "(", ")", ",", "\"a\"", "\"\"", "'x'", "\x02", "abc", " ", "IF(", "MID(",
      "REPT(", "SUBSTITUTE(", "LEN(", "TEXT(", "DATE(", "TIME(", "ROUND(", "PAD(", "CHOOSE(", "REPLACE(",
      "LTRIM(", "RTRIM(", "MSGBOX(", "RUN(", "SETFOCUS(", "FINDWINDOW(", "INFO(", "NUM2WORDS(",
      "DATEVALUE(", "TIMEVALUE(", "HEX2DEC(", "VALUE(", "LCM(", "GCD(", "RANDBETWEEN(", "\"yyyy-mm-dd\"",
      "\"#,##0.00\"", "1e308", "4095", "99999999", "{Enter}", "TRUE()", "=", ";", "_", "#", "`", "$",
  };
  std::mt19937 rng(12345);
  std::uniform_int_distribution<size_t> piece(0, std::size(kPieces) - 1), length(1, 40);
  std::string out;
  for (int i = 0; i < 20000; ++i) {
    std::string f = "=";
    for (size_t n = length(rng); n > 0; --n) f += kPieces[piece(rng)];
    w.engine.Evaluate(f, &out);
    ExpectBounded(f, out);
    ConditionTest(w.engine, w.locale, f.substr(1));
  }
}

TEST(FormulaStress, RandomBytesFinish) {
  FormulaWorld w;
  std::mt19937 rng(777);
  std::uniform_int_distribution<int> byte(0, 255), length(0, 300);
  std::string out;
  for (int i = 0; i < 20000; ++i) {
    std::string f(static_cast<size_t>(length(rng)), '\0');
    for (char& c : f) c = static_cast<char>(byte(rng));
    if (i % 2) f.insert(f.begin(), '=');
    w.engine.Evaluate(f, &out);
    ExpectBounded(f, out);
    ConditionTest(w.engine, w.locale, f);
    ReplaceConstants(f, w.engine);
  }
}

}  // namespace
}  // namespace plumo
