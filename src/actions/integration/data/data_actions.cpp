#include "actions/integration/data/data_actions.h"

#include "scripts/action_catalog.h"

namespace plumo {

void RegisterDataActions(Session& session) {
  RegisterRows(session, category::kData, TextActionRows());
  RegisterRows(session, category::kData, RegistryActionRows());
  RegisterRows(session, category::kData, IniActionRows());
  RegisterRows(session, category::kData, OlderTextActionRows());
}

}  // namespace plumo
