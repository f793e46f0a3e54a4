#include "actions/integration/action_context.h"

#include "base/text.h"
#include "engine/session.h"

namespace plumo {

std::string ActionContext::Expand(std::string_view field, unsigned flags) const {
  return session.ExpandStep(field, slot, index, flags);
}

int ActionContext::Fail(std::string_view reason) const { return session.Fail(reason); }

int ActionContext::Fail(std::string_view what, std::string_view path, const OsError& error) const {
  std::string reason(what);
  reason += " '";
  reason += path;
  reason += "': ";
  reason += error.message().empty() ? error.ToString() : error.message();
  return session.Fail(reason);
}

int ActionContext::Store(std::string_view value) const {
  session.StoreOutput(slot, index, value, value.size());
  return result::kSuccess;
}

std::optional<int64_t> WholeNumber(std::string_view text) {
  text = Trim(text);
  const bool negative = !text.empty() && text.front() == '-';
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) text.remove_prefix(1);
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  return negative ? -value : value;
}

const ActionRow* FindRow(std::span<const ActionRow> rows, std::string_view action) {
  for (const ActionRow& row : rows)
    if (EqualsNoCase(row.name, action)) return &row;
  return nullptr;
}

int RunRow(const ActionRow& row, Session& session, int slot, int index) {
  ActionContext c{session, slot, index, session.scripts.At(slot)->steps[static_cast<size_t>(index)]};
  return row.action(c);
}

void RegisterRows(Session& session, int category, std::span<const ActionRow> rows) {
  for (const ActionRow& row : rows)
    session.executors.RegisterAction(category, row.name, [&row](Session& s, int slot, int index, bool) {
      return RunRow(row, s, slot, index);
    });
}

}  // namespace plumo
