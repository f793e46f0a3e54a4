// Synthetic input through SendInput, found in user32 by name when first used, so that a
// system without it gets a clear error instead of a program that does not start.
#pragma once

#include <windows.h>

#include "platform/os_error.h"

namespace plumo {

OsError SendOneInput(INPUT& input);

}  // namespace plumo
