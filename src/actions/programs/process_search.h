// Finding, counting and ending processes by file name or PID, and the main window of a
// process: shared by the Run actions, the process IF and the process loop.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace plumo {

class Session;

enum class ProcessSearch { kFind = 1, kEnd = 2, kCount = 3 };

// kFind: the PID of the first match (and, matched by name, its main window in *window when
// given); kEnd: non-zero when the first match was ended; kCount: every process seen. No
// match: 0 (kCount: the count). Processes that are not the answer go to *list as
// "name|PID\n" lines while they fit in listSize less 8.
int64_t SearchProcesses(Session& session, std::string_view target, ProcessSearch mode, std::string* list = nullptr,
                        size_t listSize = 0, uint32_t* window = nullptr);

// The first top-level window of the process, a visible one before others; 0 when none.
uint32_t MainWindowOfProcess(Session& session, uint32_t processId);

}  // namespace plumo
