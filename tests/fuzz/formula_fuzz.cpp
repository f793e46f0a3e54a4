// Fuzz target: Evaluate, the Condition test and the constant names on any bytes; results stay
// within 4095 characters unless the text was no formula and came back unchanged.
#include <cstddef>
#include <cstdint>
#include <string>

#include "vars/condition.h"
#include "vars/constants.h"
#include "vars/formula_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static plumo::FormulaWorld* world = new plumo::FormulaWorld();
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string out;
  world->engine.Evaluate(text, &out);
  if (out.size() > 4095 && out != text) __builtin_trap();
  plumo::ConditionTest(world->engine, world->locale, text);
  plumo::ReplaceConstants(text, world->engine);
  return 0;
}
