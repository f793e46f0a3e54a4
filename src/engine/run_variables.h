// What the run asks of the variables: expansion of Step fields, numbers, Store output and the
// variable actions. Programs attach SessionVariables (engine/session_variables.h); the engine's
// tests attach a small map. The session owns the one attached, so the run, the studio's
// Variables palette and the session share one lifetime.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace plumo {

// Expansion flags of RunVariables::ExpandStep.
namespace expandflag {
constexpr unsigned kNone = 1;
constexpr unsigned kKeepBinary = 2;
constexpr unsigned kSingle = 4;
}  // namespace expandflag

class RunVariables {
 public:
  virtual ~RunVariables() = default;
  // Variable references and formulas in a text replaced by their values.
  virtual std::string Expand(std::string_view text) = 0;
  // A field as Step `index` of `slot` sees it, with the expansion flags (1 none, 2 "{\XX}"
  // kept, 4 single); *length, when given, gets the byte count.
  virtual std::string ExpandStep(std::string_view text, int slot, int index, unsigned flags, size_t* length) = 0;
  // A parameter evaluated as a number (time-outs); empty or not a number gives 0.
  virtual double EvaluateNumber(std::string_view text) = 0;
  // Store output of Step `index`: its own `output` and `outputValue` say where.
  virtual void StoreOutput(int slot, int index, std::string_view value, size_t length) = 0;
  // Stores value through a result target given here, as Store output does; Step `index` of
  // `slot` stands for expansion and the log lines.
  virtual void StoreInto(int slot, int index, std::string_view kind, std::string_view target, std::string_view value) = 0;
  // {1} to {9}; false when the numbered variable does not exist.
  virtual bool SetNumbered(int number, std::string_view value) = 0;
  // The Variable action's Delete: "{N}", "All" or a (possibly indexed) name.
  virtual void DeleteVariable(int slot, int index, std::string_view option) = 0;
  // Bytes the persistent store holds for the user variable, 0 when it is absent.
  virtual size_t ProbeVariable(std::string_view name) = 0;
};

}  // namespace plumo
