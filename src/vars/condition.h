// Conditions of IF and loop Steps, and coordinate pairs, on top of the formula engine.
#pragma once

#include <cstdint>
#include <string_view>
#include <utility>

#include "vars/expander.h"
#include "vars/formula.h"

namespace plumo {

// 1 when the (already expanded) condition holds: clauses joined by "||" or else by "&&",
// each a truth test or a comparison of two sides that may be formulas.
int ConditionTest(FormulaEngine& engine, Locale& locale, std::string_view condition);

// Two integers from "x, y": parts that are arithmetic are evaluated, others read as their
// leading integers. The text is expanded first.
std::pair<int32_t, int32_t> NumberPair(FormulaEngine& engine, TextExpander& expander, std::string_view text,
                                       int fileIndex, int stepIndex);

}  // namespace plumo
