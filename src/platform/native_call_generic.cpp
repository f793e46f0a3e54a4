// One calling convention, where the caller removes the arguments (x86_64 on Windows and
// Linux, and the other 64-bit processors): every function is called as one of ten word
// arguments, and those it does not take are ignored. Integer and pointer arguments only: the
// DLL calls pass no floating-point values, which would travel in other registers.
#include "platform/libraries.h"

namespace plumo {

NativeCallResult CallNative(void* function, const uintptr_t* args, int count) {
  uintptr_t a[10] = {};
  for (int i = 0; i < count && i < 10; ++i) a[i] = args[i];
  using Fn = uintptr_t (*)(uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t, uintptr_t,
                           uintptr_t, uintptr_t);
  NativeCallResult r;
  r.value = reinterpret_cast<Fn>(function)(a[0], a[1], a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9]);
  return r;
}

}  // namespace plumo
