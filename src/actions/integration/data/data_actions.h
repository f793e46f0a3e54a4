// The Data actions (category 12) apart from the databases: registry, INI files and text.
// Each is registered by its name, so that the database actions of the same category can be
// registered beside them.
#pragma once

#include <span>

#include "actions/integration/action_context.h"

namespace plumo {

class Session;

void RegisterDataActions(Session& session);

std::span<const ActionRow> TextActionRows();
std::span<const ActionRow> RegistryActionRows();
std::span<const ActionRow> IniActionRows();
std::span<const ActionRow> OlderTextActionRows();

}  // namespace plumo
