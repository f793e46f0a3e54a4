// Window and menu handles as the port passes them: 32-bit numbers. Win64 keeps user handles
// within 32 bits and sign-extends them.
#pragma once

#include <windows.h>

#include <cstdint>

namespace plumo {

inline HWND ToHwnd(uint32_t h) { return reinterpret_cast<HWND>(static_cast<intptr_t>(static_cast<int32_t>(h))); }
inline uint32_t FromHwnd(HWND h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }
inline HMENU ToHmenu(uint32_t h) { return reinterpret_cast<HMENU>(static_cast<intptr_t>(static_cast<int32_t>(h))); }
inline uint32_t FromHmenu(HMENU h) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(h)); }

}  // namespace plumo
