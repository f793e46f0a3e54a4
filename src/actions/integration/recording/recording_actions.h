// The "Recording" Step of the Hardware category (15): plays the recording its text holds.
#pragma once

namespace plumo {

class Session;

void RegisterRecordingActions(Session& session);

}  // namespace plumo
