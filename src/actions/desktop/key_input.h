// Key events as the desktop actions send them: each with the layout's scan code, and the
// extended flag for the keys that carry it.
#pragma once

#include <cstdint>

#include "platform/desktop.h"

namespace plumo {

// Page Up to Delete (33-46), Control and the Windows and menu keys (91-93).
bool IsExtendedKey(uint32_t vk);

OsError SendKey(Desktop& desktop, uint32_t vk, bool up);

// Down and up.
OsError TapKey(Desktop& desktop, uint32_t vk);

}  // namespace plumo
