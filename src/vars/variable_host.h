// What expansion and Store output need from the run and the studio, as small interfaces the
// run engine, flow control and the studio implement.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

// The run log as variables write to it: nothing more than whole lines.
class RunLogSink {
 public:
  virtual ~RunLogSink() = default;
  // One line of the run log, without its line end.
  virtual void Line(std::string_view line) = 0;
  // Text for the debugger's output (and the debug log), line ends included.
  virtual void DebugOutput(std::string_view text) = 0;
};

// The loop counter of the current loop of a file (0 to 7), as flow control keeps it.
class LoopCounters {
 public:
  virtual ~LoopCounters() = default;
  virtual double LoopValue(int file) = 0;
};

// Window handles of the studio; 0 for the ones that do not exist.
struct StudioWindows {
  uint32_t main = 0;
  uint32_t output = 0;
  uint32_t list = 0;
  uint32_t status = 0;
  uint32_t menu = 0;
};

// The run's and the studio's state that expansion reads, and the two things Store output asks.
class VariableHost {
 public:
  virtual ~VariableHost() = default;
  // 0 off, 1 on, 2 high.
  virtual int LogLevel() = 0;
  virtual std::string LogFilePath() = 0;
  // The Script slot of the studio's current tab; its Steps are the ones {step[N].field} reads.
  virtual int CurrentFile() = 0;
  // The slot's run-repeats counter.
  virtual int32_t RunRepeats(int file) = 0;
  // The clicked-item text and the return value of the last user prompt.
  virtual std::string PromptCommand() = 0;
  virtual int32_t PromptResult() = 0;
  // The last HTTP status text.
  virtual std::string HttpStatus() = 0;
  virtual StudioWindows Windows() = 0;
  // The Current Window: chosen by the last window-finding Step, 0 for none.
  virtual uint32_t CurrentWindow() = 0;
  virtual void SetCurrentWindow(uint32_t handle) = 0;
  // Asks the run to stop (Cancel in the "Message" destination's box).
  virtual void RequestStop() = 0;
};

// How the Variables palette shows a value.
enum class ShownAs { kText, kNumber, kBinary };

// The studio's Variables palette, told of every change to the variables.
class VariablesPalette {
 public:
  virtual ~VariablesPalette() = default;
  // Whether the palette window exists; no other call is made while it does not.
  virtual bool Exists() = 0;
  // Replaces (or adds) the row of the name.
  virtual void ShowVariable(std::string_view name, std::string_view value, ShownAs kind) = 0;
  virtual void RemoveVariable(std::string_view name) = 0;
  virtual void Clear() = 0;
};

// A program without a studio has no palette.
class NoVariablesPalette : public VariablesPalette {
 public:
  bool Exists() override { return false; }
  void ShowVariable(std::string_view, std::string_view, ShownAs) override {}
  void RemoveVariable(std::string_view) override {}
  void Clear() override {}
};

}  // namespace plumo
