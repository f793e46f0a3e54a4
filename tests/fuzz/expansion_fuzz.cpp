// Fuzz target: expansion of any text, the first byte choosing the mode flags, over fakes with a
// few variables (one that names itself), a slot and a loop counter. It must end, report the
// length of what it returns, and leave the text alone when told to.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "vars/variables_world.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static plumo::VariablesWorld* world = [] {
    auto* w = new plumo::VariablesWorld();
    w->environment.SetTempFolder((std::filesystem::temp_directory_path() / "").string());
    w->Set("name", "World");
    w->Set("total", "12");
    w->Set("i", "3");
    w->Set("a", "%a");
    w->Set("list[3]", "{step[%i].text}");
    w->slots.Store(1, "slot", 4);
    w->run.loop = 7;
    w->run.logLevel = 2;
    return w;
  }();
  if (size == 0) return 0;
  unsigned flags = data[0] & 7u;
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  size_t length = 12345;
  std::string out = world->expander.Expand(text, 0, 0, flags, &length);
  if (length != out.size()) __builtin_trap();
  if ((flags & plumo::expansion::kNone) && out != text) __builtin_trap();
  world->run.lines.clear();
  return 0;
}
