#include "actions/programs/process_search.h"

#include "base/text.h"
#include "engine/session.h"

namespace plumo {

int64_t SearchProcesses(Session& session, std::string_view target, ProcessSearch mode, std::string* list, size_t listSize,
                        uint32_t* window) {
  target = Trim(target);
  const bool byId = AllDigits(target);
  const uint32_t id = byId ? static_cast<uint32_t>(std::strtoul(std::string(target).c_str(), nullptr, 10)) : 0;
  if (!byId) target = NamePart(target);
  if (list) list->clear();
  std::vector<ProcessEntry> processes;
  if (!session.processes().List(&processes).ok()) return 0;
  int64_t seen = 0;
  for (const ProcessEntry& p : processes) {
    ++seen;
    const bool match = byId ? p.id == id : EqualsNoCase(p.name, target);
    if (match && mode != ProcessSearch::kCount) {
      if (mode == ProcessSearch::kEnd) return session.processes().Terminate(p.id, 0).ok() ? seen : 0;
      if (!byId && window) *window = MainWindowOfProcess(session, p.id);
      return p.id;
    }
    if (list) {
      std::string line = p.name + "|" + std::to_string(p.id) + "\n";
      if (list->size() + line.size() + 8 <= listSize) *list += line;
    }
  }
  return mode == ProcessSearch::kCount ? seen : 0;
}

uint32_t MainWindowOfProcess(Session& session, uint32_t processId) {
  Desktop& desktop = session.desktop();
  uint32_t hiddenOne = 0;
  for (uint32_t window : desktop.EnumWindows()) {
    uint32_t owner = 0;
    desktop.GetWindowThreadProcessId(window, &owner);
    if (owner != processId) continue;
    if (desktop.IsWindowVisible(window)) return window;
    if (!hiddenOne) hiddenOne = window;
  }
  return hiddenOne;
}

}  // namespace plumo
