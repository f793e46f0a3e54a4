// Variable expansion: every reference in a Step's text replaced by its value, in a fixed order
// of passes (escapes, memory slots, loop counters, environment, user variables, parameters,
// constants, system variables, clipboard, a whole-text formula, binary characters).
//
//   Expander expander(ports, sources);
//   size_t length = 0;
//   std::string text = expander.Expand("Total: %total {\\41}", file, step, 0, &length);
//
// One lock, owned by the expander, covers each expansion; Store output takes the same lock for
// its whole duration, so a palette on the main thread and the run thread never interleave.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

#include "vars/expander.h"
#include "vars/formula.h"
#include "vars/system_variables.h"
#include "vars/variable_host.h"
#include "vars/variable_store.h"

namespace plumo {

// Mode flags of Expand.
namespace expansion {
constexpr unsigned kNone = 1;        // the text as it is
constexpr unsigned kKeepBinary = 2;  // "{\XX}" stays as written
constexpr unsigned kSingle = 4;      // no system variables, no escapes, no formula
}  // namespace expansion

class Expander : public TextExpander {
 public:
  Expander(const ExpansionPorts& ports, const ExpansionSources& sources);

  // The text as the Step stepIndex of the file fileIndex sees it. *length, when given, gets
  // the number of bytes, which differs from the text length only where "{\00}" made NULs.
  // When memory runs out the result is empty.
  std::string Expand(std::string_view text, int fileIndex, int stepIndex, unsigned flags, size_t* length = nullptr);
  // Full expansion cut to size - 1 bytes, for callers that fill a bounded field.
  std::string ExpandInto(std::string_view text, int fileIndex, int stepIndex, size_t size);
  // Full expansion, for the formula helpers.
  std::string Expand(std::string_view text, int fileIndex, int stepIndex) override;

  // The lock around every expansion and every Store output.
  std::recursive_mutex& lock() { return lock_; }

 private:
  void Run(std::string& w, std::string_view text, int file, int step, unsigned flags, size_t* length);
  void LoopCounterPass(std::string& w, int file);
  void UserVariablePass(std::string& w);
  void ParameterPass(std::string& w);
  void FormulaPass(std::string& w);
  void LogCut(std::string_view prefix, std::string_view text);

  ExpansionPorts ports_;
  ExpansionSources sources_;
  FormulaEngine engine_;
  SystemVariables system_;
  std::recursive_mutex lock_;
};

// Each "{\XX}" with two hexadecimal digits made the byte it names; the others stay.
std::string BinaryCharacters(std::string_view text);

}  // namespace plumo
