#include "engine/executor.h"

#include "base/text.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {

void ExecutorTable::Register(int category, Executor executor) {
  if (ValidCategory(category)) byCategory_[static_cast<size_t>(category)] = std::move(executor);
}

void ExecutorTable::RegisterAction(int category, std::string_view action, Executor executor) {
  for (Named& named : byAction_) {
    if (named.category == category && EqualsNoCase(named.action, action)) {
      named.executor = std::move(executor);
      return;
    }
  }
  byAction_.push_back({category, std::string(action), std::move(executor)});
}

const Executor* ExecutorTable::Find(int category) const {
  if (!ValidCategory(category)) return nullptr;
  const Executor& e = byCategory_[static_cast<size_t>(category)];
  return e ? &e : nullptr;
}

const Executor* ExecutorTable::Find(int category, std::string_view action) const {
  for (const Named& named : byAction_)
    if (named.category == category && EqualsNoCase(named.action, action)) return &named.executor;
  return Find(category);
}

void ConditionTable::Register(std::string_view keyword, ConditionCheck test) {
  rows_.emplace_back(std::string(keyword), std::move(test));
}

const ConditionCheck* ConditionTable::Find(std::string_view action) const {
  for (const auto& [keyword, test] : rows_)
    if (ContainsNoCase(action, keyword)) return &test;
  return nullptr;
}

namespace {

// Category and notification code of the categories whose Steps may run on the main thread.
struct ForwardRow {
  int category;
  int notifyCode;
};
constexpr ForwardRow kForwardRows[] = {{category::kUserPrompts, 1}, {category::kRun, 2}, {category::kSystem, 3}};

}  // namespace

int ForwardParameter(int slot, int index) { return slot * kForwardSlotFactor + index; }

int ForwardNotifyCode(int category) {
  for (const auto& row : kForwardRows)
    if (row.category == category) return row.notifyCode;
  return 0;
}

int ForwardCategory(int notifyCode) {
  for (const auto& row : kForwardRows)
    if (row.notifyCode == notifyCode) return row.category;
  return 0;
}

int ForwardToMainThread(Session& session, int category, int slot, int index) {
  const int code = ForwardNotifyCode(category);
  const int parameter = ForwardParameter(slot, index);
  return session.mainQueue().Call([&session, code, parameter] { return RunForwardedCommand(session, code, parameter); });
}

int RunForwardedCommand(Session& session, int notifyCode, int parameter) {
  const int category = ForwardCategory(notifyCode);
  const int slot = (parameter >> 20) & 0xF;
  const int index = parameter & 0xFFFFF;
  const Script* script = session.scripts.At(slot);
  const bool known = script && index < static_cast<int>(script->steps.size());
  const Executor* executor = known ? session.executors.Find(category, script->steps[static_cast<size_t>(index)].action.str())
                                   : session.executors.Find(category);
  if (!executor) return -1;
  return (*executor)(session, slot, index, true);
}

}  // namespace plumo
