// The variables of a session: the user-variable store, the nine memory slots, expansion and
// Store output. The session owns them and answers what expansion asks of the run (log level,
// loop counters, run repeats, the current window) and takes their log lines.
//
//   Session session(ports);
//   session.AttachVariables(std::make_unique<SessionVariables>(session, palette));
#pragma once

#include "engine/run_variables.h"
#include "engine/session.h"
#include "vars/expansion.h"
#include "vars/store_output.h"
#include "vars/variable_host.h"
#include "vars/variable_store.h"

namespace plumo {

class SessionVariables : public RunVariables, public VariableHost, public LoopCounters, public RunLogSink {
 public:
  // The palette outlives the session.
  SessionVariables(Session& session, VariablesPalette& palette);

  VariableStore& store() { return store_; }
  MemorySlots& slots() { return slots_; }

  // RunVariables
  std::string Expand(std::string_view text) override;
  std::string ExpandStep(std::string_view text, int slot, int index, unsigned flags, size_t* length) override;
  double EvaluateNumber(std::string_view text) override;
  void StoreOutput(int slot, int index, std::string_view value, size_t length) override;
  void StoreInto(int slot, int index, std::string_view kind, std::string_view target, std::string_view value) override;
  bool SetNumbered(int number, std::string_view value) override;
  void DeleteVariable(int slot, int index, std::string_view option) override;
  size_t ProbeVariable(std::string_view name) override;
  // VariableHost
  int LogLevel() override;
  std::string LogFilePath() override;
  int CurrentFile() override;
  int32_t RunRepeats(int file) override;
  std::string PromptCommand() override { return session_.PromptCommand(); }
  int32_t PromptResult() override { return session_.PromptResult(); }
  std::string HttpStatus() override { return session_.HttpStatus(); }
  StudioWindows Windows() override { return {}; }
  uint32_t CurrentWindow() override;
  void SetCurrentWindow(uint32_t handle) override;
  void RequestStop() override;
  // LoopCounters
  double LoopValue(int file) override;
  // RunLogSink
  void Line(std::string_view line) override;
  void DebugOutput(std::string_view text) override;

 private:
  Session& session_;
  VariableStore store_;
  MemorySlots slots_;
  Expander expander_;
  OutputStore output_;
};

}  // namespace plumo
