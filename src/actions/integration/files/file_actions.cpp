#include "actions/integration/files/file_actions.h"

#include "actions/integration/files/file_helpers.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"

namespace plumo {
namespace {

int FileExecutor(Session& session, int slot, int index, bool) {
  const Step& step = session.scripts.At(slot)->steps[static_cast<size_t>(index)];
  for (std::span<const ActionRow> rows : {FileContentRows(), FileManagementRows(), FileInfoRows(), FileShellRows()})
    if (const ActionRow* row = FindRow(rows, step.action)) return RunRow(*row, session, slot, index);
  return session.Fail("\"" + step.action.str() + "\" is no Files & Folders action");
}

}  // namespace

void RegisterFileActions(Session& session) { session.executors.Register(category::kFiles, FileExecutor); }

}  // namespace plumo
