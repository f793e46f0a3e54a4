// The executor contract. Each catalogue category has at most one executor; the step loop
// calls it on the run thread with the slot and the 0-based Step index. Before the call the
// loop has set the Step's `ranFlag` to 1, raised its `runCount` and set the next-step
// override to -1. The executor reads its parameters from the Step, expands them itself,
// writes its lines through the run log, and answers:
//    1  success: the loop goes on at the next-step override when it is 0 or more
//    0  failure, with the reason left in the error text buffer (Session::Fail)
//   -1  stop the run at this Step
// An executor that waits polls Session::StopRequested at least once per round and ends its
// wait when it is true. Categories 2, 8 and 16 may hand the Step to the main thread
// (ForwardToMainThread), which calls the same executor with mainThread set.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace plumo {

class Session;

namespace result {
constexpr int kSuccess = 1;
constexpr int kFailure = 0;
constexpr int kStop = -1;
}  // namespace result

using Executor = std::function<int(Session& session, int slot, int index, bool mainThread)>;

// Category number (1 to 16) to executor; an empty entry falls under the unknown-action rule.
// Several action families share some categories (Data, Hardware, Waits), so a family may also
// take single actions of a category by their names; those go before the category's executor.
class ExecutorTable {
 public:
  void Register(int category, Executor executor);
  // `action` is the whole action name, matched without regard to case.
  void RegisterAction(int category, std::string_view action, Executor executor);
  // Null for a category without executor or outside 1 to 16.
  const Executor* Find(int category) const;
  // The executor of the action when one is registered by name, else the category's.
  const Executor* Find(int category, std::string_view action) const;

 private:
  struct Named {
    int category;
    std::string action;
    Executor executor;
  };
  std::array<Executor, 17> byCategory_;  // by number; 0 unused
  std::vector<Named> byAction_;
};

// The conditions that action families add to IF (windows, pixels, the Internet): the first
// registered keyword found in the action name decides, before the engine's own table.
// A test answers nullopt when it could not test, with the reason in the error text.
using ConditionCheck = std::function<std::optional<bool>(Session& session, int slot, int index)>;
class ConditionTable {
 public:
  void Register(std::string_view keyword, ConditionCheck test);
  // Null when no registered keyword occurs in the action name.
  const ConditionCheck* Find(std::string_view action) const;

 private:
  std::vector<std::pair<std::string, ConditionCheck>> rows_;
};

// Command 32984: the main window runs a Step's executor on its own thread. Its parameter
// carries slot and index, its notification code the category.
constexpr int kForwardCommand = 32984;
constexpr int kForwardSlotFactor = 1048576;
int ForwardParameter(int slot, int index);
// 1 User Prompts, 2 Run, 3 System; 0 for a category that is never forwarded.
int ForwardNotifyCode(int category);
int ForwardCategory(int notifyCode);

// Called by an executor on the run thread: the main thread runs the executor of the category
// with mainThread set and its answer comes back.
int ForwardToMainThread(Session& session, int category, int slot, int index);
// The main window's handler of command 32984; -1 for a code it does not know.
int RunForwardedCommand(Session& session, int notifyCode, int parameter);

}  // namespace plumo
