// The Files & Folders actions (category 9): one executor that finds the Step's action in
// the family's tables.
#pragma once

#include <span>

#include "actions/integration/action_context.h"

namespace plumo {

class Session;

void RegisterFileActions(Session& session);

std::span<const ActionRow> FileContentRows();
std::span<const ActionRow> FileManagementRows();
std::span<const ActionRow> FileInfoRows();
std::span<const ActionRow> FileShellRows();

}  // namespace plumo
