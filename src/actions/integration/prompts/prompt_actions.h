// The User Prompts actions (category 8): message boxes, entry prompts and file and folder
// choosers over the Dialogs port. Every prompt is shown on the main thread; the run thread
// waits for it and closes it when the run is asked to stop.
#pragma once

namespace plumo {

class Session;

void RegisterPromptActions(Session& session);

// The setting that makes every prompt answer its default at once (unattended runs).
inline constexpr char kUnattendedSetting[] = "*\\UnattendedPrompts";

}  // namespace plumo
