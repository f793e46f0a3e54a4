#include "engine/session_variables.h"

#include "engine/run_log.h"

namespace plumo {
namespace {

ExpansionPorts PortsOf(Session& s) {
  return ExpansionPorts{s.environment(), s.clock(), s.locale(), s.desktop(), s.dialogs(), s.files(), s.system(), s.clipboard()};
}

}  // namespace

SessionVariables::SessionVariables(Session& session, VariablesPalette& palette)
    : session_(session),
      store_(session.settings(), session.registry()),
      expander_(PortsOf(session), ExpansionSources{session.settings(), store_, slots_, session.scripts, *this, *this, *this}),
      output_(expander_, ExpansionSources{session.settings(), store_, slots_, session.scripts, *this, *this, *this}, palette,
              OutputPorts{session.environment(), session.clipboard(), session.dialogs(), session.system(), session.clock(),
                          session.files()}) {
  output_.workbookWriter = [this](const std::string& path, std::string_view value) {
    return session_.writeWorkbook ? session_.writeWorkbook(session_, path, value)
                                  : std::string("the Excel actions are not part of this program");
  };
}

std::string SessionVariables::Expand(std::string_view text) { return expander_.Expand(text, session_.run.slot, 0, 0); }

std::string SessionVariables::ExpandStep(std::string_view text, int slot, int index, unsigned flags, size_t* length) {
  return expander_.Expand(text, slot, index, flags, length);
}

// Time-outs and other numbers: plain numbers as they are, formulas evaluated.
double SessionVariables::EvaluateNumber(std::string_view text) { return session_.formulas.Evaluate(text, nullptr); }

void SessionVariables::StoreOutput(int slot, int index, std::string_view value, size_t length) {
  output_.StoreOutput(slot, index, value, length);
}

void SessionVariables::StoreInto(int slot, int index, std::string_view kind, std::string_view target,
                                 std::string_view value) {
  output_.StoreInto(slot, index, kind, target, value, value.size());
}

bool SessionVariables::SetNumbered(int number, std::string_view value) {
  std::lock_guard<std::recursive_mutex> lock(expander_.lock());
  if (!slots_.Text(number)) return false;
  slots_.Store(number, value, value.size());
  return true;
}

void SessionVariables::DeleteVariable(int slot, int index, std::string_view option) { output_.Delete(slot, index, option); }

size_t SessionVariables::ProbeVariable(std::string_view name) { return store_.Probe(name); }

int SessionVariables::LogLevel() { return session_.run.logLevel; }
std::string SessionVariables::LogFilePath() { return plumo::LogFilePath(session_); }

int SessionVariables::CurrentFile() {
  const int tab = session_.view().CurrentTab();
  return tab >= 0 ? tab : session_.run.slot.load();
}

int32_t SessionVariables::RunRepeats(int file) {
  if (file < 0 || file >= ScriptSlots::kCount) return 0;
  return session_.slots[static_cast<size_t>(file)].runRepeats;
}

uint32_t SessionVariables::CurrentWindow() { return session_.currentWindow; }
void SessionVariables::SetCurrentWindow(uint32_t handle) { session_.currentWindow = handle; }
void SessionVariables::RequestStop() { session_.RequestStop(); }

double SessionVariables::LoopValue(int file) {
  if (file < 0 || file >= ScriptSlots::kCount) return 0;
  return session_.flowState.shownLoop[static_cast<size_t>(file)].load(std::memory_order_relaxed);
}

void SessionVariables::Line(std::string_view line) { LogLine(session_, line); }
void SessionVariables::DebugOutput(std::string_view text) { session_.system().DebugOutput(std::string(text)); }

}  // namespace plumo
