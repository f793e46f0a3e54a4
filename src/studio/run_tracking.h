// Where and how the run tracking window stands: its place, width, opacity, time-out and fill,
// from the settings, with the defaults for the ones that are missing.
#pragma once

#include <cstdint>

#include "settings/settings_store.h"

namespace plumo {

struct TrackingLook {
  int x = 0, y = 30, width = 250;
  int alphaPercent = 85;  // 0 to 100
  uint32_t timeoutMs = 3000;
  uint32_t fill = 0xECFFEC;  // colour reference 0x00BBGGRR
};

TrackingLook ReadTrackingLook(SettingsStore& store, int screenWidth);
// Its height: two lines of the interface font and 10 pixels.
inline int TrackingHeight(int lineHeight) { return 2 * lineHeight + 10; }

}  // namespace plumo
