// The For loop the step-loop benchmarks time on both builds: each pass a formula into a
// variable and an IF, over the real variable store and expansion.
#pragma once

#include "scripts/script.h"

namespace plumo {

inline Step BenchStep(const char* action, int category, const char* text, const char* v1 = "", const char* v2 = "",
                      const char* out = "") {
  Step s;
  s.action = action;
  s.category = category;
  s.text = text;
  s.value1 = v1;
  s.value2 = v2;
  if (*out) {
    s.output = "Variable";
    s.outputValue = out;
  }
  return s;
}

inline constexpr const char* kForLoopEndValue = "200001";  // %x after the last of 100,000 passes

inline Script ForLoopScript(const char* passes = "100000") {
  Script script;
  script.steps = {BenchStep("Start 'For' Loop", 13, passes, "1", "1", "%i"),
                  BenchStep("Set Variable", 16, "=%i*2+1", "", "", "%x"),
                  BenchStep("IF Expression", 14, "%x > 100"),
                  BenchStep("END IF", 14, ""),
                  BenchStep("NEXT LOOP", 13, "")};
  return script;
}

}  // namespace plumo
