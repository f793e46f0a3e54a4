#include "actions/integration/data/data_actions.h"

namespace plumo {

constexpr int kDataCategory = 12;

void RegisterDataActions(Session& session) {
  RegisterRows(session, kDataCategory, TextActionRows());
  RegisterRows(session, kDataCategory, RegistryActionRows());
  RegisterRows(session, kDataCategory, IniActionRows());
  RegisterRows(session, kDataCategory, OlderTextActionRows());
}

}  // namespace plumo
