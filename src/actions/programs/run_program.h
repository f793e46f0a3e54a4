// Starting a program or document, trying one way after another until one works, and waiting
// for it: what the Run actions, the studio and the program builder share.
#pragma once

#include <cstdint>
#include <string>

namespace plumo {

class Session;

namespace runresult {
constexpr int kStarted = 1;  // not waited for
constexpr int kNotStarted = -12349;
constexpr int kStillRunning = -12348;
}  // namespace runresult

struct RunRequest {
  std::string command;
  bool hidden = false;
  // 0: do not wait; negative: wait without limit.
  int64_t waitMs = 0;
  bool log = false;
};

// kStarted, the exit code when waited for, kNotStarted or kStillRunning. A stop of the run
// ends the wait (the program goes on) with kStillRunning.
int RunProgram(Session& session, const RunRequest& request);

}  // namespace plumo
