#include "engine/executor.h"

#include "engine/session.h"

namespace plumo {

void ExecutorTable::Register(int category, Executor executor) {
  if (category >= 1 && category <= 16) byCategory_[static_cast<size_t>(category)] = std::move(executor);
}

const Executor* ExecutorTable::Find(int category) const {
  if (category < 1 || category > 16) return nullptr;
  const Executor& e = byCategory_[static_cast<size_t>(category)];
  return e ? &e : nullptr;
}

namespace {

// Category and notification code of the categories whose Steps may run on the main thread.
struct ForwardRow {
  int category;
  int notifyCode;
};
constexpr ForwardRow kForwardRows[] = {{8, 1}, {2, 2}, {16, 3}};

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
  const Executor* executor = session.executors.Find(category);
  if (!executor) return -1;
  const int slot = (parameter >> 20) & 0xF;
  const int index = parameter & 0xFFFFF;
  return (*executor)(session, slot, index, true);
}

}  // namespace plumo
