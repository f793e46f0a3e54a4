// Closing another program's window, however it resists: a close request it must answer in
// time, else its process ends; then a posted close, destruction, and Alt+F4.
#pragma once

#include <cstdint>

namespace plumo {

class Session;

// The shortest wait for a close request to be handled.
constexpr uint32_t kCloseGraceMs = 250;

// Always true.
bool CloseProgramWindow(Session& session, uint32_t window, uint32_t timeoutMs);

}  // namespace plumo
