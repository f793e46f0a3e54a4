// What an action of the Files & Folders and Data families works with: its Step, the session's
// expansion and Store output, and failure with a reason. A family is a table of rows (action
// name, function).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "engine/executor.h"
#include "platform/os_error.h"
#include "scripts/step.h"

namespace plumo {

class Session;

struct ActionContext {
  Session& session;
  int slot;
  int index;
  Step& step;

  // A field with variables expanded and "{\XX}" made bytes.
  std::string Expand(std::string_view field, unsigned flags = 0) const;
  // An option word of the Step, matched whole.
  bool Option(std::string_view word) const { return HasOption(step.options, word); }
  int Fail(std::string_view reason) const;
  // "<what> '<path>': <the system's message>"
  int Fail(std::string_view what, std::string_view path, const OsError& error) const;
  // Store output of the value, byte for byte; success.
  int Store(std::string_view value) const;
};

using StepAction = int (*)(ActionContext& c);

struct ActionRow {
  std::string_view name;
  StepAction action;
};

// A whole number written with an optional sign and blanks around it; nullopt for anything
// else, and for numbers beyond 18 digits.
std::optional<int64_t> WholeNumber(std::string_view text);

// The row of the Step's action; null when the table has none.
const ActionRow* FindRow(std::span<const ActionRow> rows, std::string_view action);
int RunRow(const ActionRow& row, Session& session, int slot, int index);
// Each row as an action of the category by its name.
void RegisterRows(Session& session, int category, std::span<const ActionRow> rows);

}  // namespace plumo
