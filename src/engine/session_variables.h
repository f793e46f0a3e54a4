// The variables of a session: the user-variable store, the nine memory slots, expansion and
// Store output, attached to Session::variables. The session answers what expansion asks of the
// run (log level, loop counters, run repeats, the current window) and takes its log lines.
//
//   Session session(ports);
//   SessionVariables variables(session, palette);  // lives as long as the session runs
#pragma once

#include "engine/session.h"
#include "vars/expansion.h"
#include "vars/store_output.h"
#include "vars/variable_host.h"
#include "vars/variable_store.h"

namespace plumo {

class SessionVariables : public VariableHost, public LoopCounters, public RunLogSink {
 public:
  SessionVariables(Session& session, VariablesPalette& palette);
  ~SessionVariables() override;

  VariableStore& store() { return store_; }
  MemorySlots& slots() { return slots_; }

  // VariableHost
  int LogLevel() override;
  std::string LogFilePath() override;
  int CurrentFile() override;
  int32_t RunRepeats(int file) override;
  std::string PromptCommand() override { return {}; }
  int32_t PromptResult() override { return 0; }
  std::string HttpStatus() override { return session_.HttpStatus(); }
  StudioWindows Windows() override { return {}; }
  uint32_t CurrentWindow() override;
  void SetCurrentWindow(uint32_t handle) override;
  void RequestStop() override;
  // LoopCounters
  float LoopValue(int file) override;
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
