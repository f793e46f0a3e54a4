#include "studio/run_tracking.h"

#include <algorithm>

namespace plumo {
namespace {

int32_t NumberOr(SettingsStore& store, const char* path, int32_t missing) {
  return store.Probe(path) == 0 ? missing : store.ReadNumber(path);
}

}  // namespace

TrackingLook ReadTrackingLook(SettingsStore& store, int screenWidth) {
  TrackingLook look;
  look.x = NumberOr(store, "*\\RunTrackingX", screenWidth - 280);
  look.y = NumberOr(store, "*\\RunTrackingY", look.y);
  look.width = NumberOr(store, "*\\RunTrackingWidth", look.width);
  look.alphaPercent = std::clamp(NumberOr(store, "*\\RunTrackingAlpha", look.alphaPercent), 0, 100);
  look.timeoutMs = static_cast<uint32_t>(NumberOr(store, "*\\RunTrackingTimeout", static_cast<int32_t>(look.timeoutMs)));
  if (uint32_t fill = static_cast<uint32_t>(store.ReadNumber("*\\Colors\\ResultSuccessFill")) & 0xFFFFFF) look.fill = fill;
  return look;
}

}  // namespace plumo
