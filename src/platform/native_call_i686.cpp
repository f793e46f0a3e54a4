// 32-bit x86, where a DLL's functions are stdcall (they remove their arguments) or cdecl (the
// caller does). The arguments are pushed by hand, the stack pointer is kept in a register the
// callee must preserve and put back after the call, so either convention leaves the stack
// right; how far the stack moved during the call tells which convention the function had.
#include "platform/libraries.h"

namespace plumo {

NativeCallResult CallNative(void* function, const uintptr_t* args, int count) {
  uint32_t low = 0, high = 0;
  uint32_t popped = static_cast<uint32_t>(count);
  const uintptr_t* next = args;
  // edi: the stack pointer before; esi: after the pushes. The stack is 16-byte aligned at the
  // call, as code built by newer compilers may expect.
  __asm__ volatile(
      "movl %%esp, %%edi\n\t"
      "andl $-16, %%esp\n\t"
      "leal (,%%ecx,4), %%edx\n\t"
      "negl %%edx\n\t"
      "andl $15, %%edx\n\t"
      "subl %%edx, %%esp\n\t"
      "testl %%ecx, %%ecx\n\t"
      "jz 2f\n"
      "1:\n\t"
      "pushl -4(%%esi,%%ecx,4)\n\t"
      "decl %%ecx\n\t"
      "jnz 1b\n"
      "2:\n\t"
      "movl %%esp, %%esi\n\t"
      "call *%%ebx\n\t"
      "movl %%esp, %%ecx\n\t"
      "subl %%esi, %%ecx\n\t"
      "movl %%edi, %%esp\n\t"
      : "=a"(low), "=d"(high), "+c"(popped), "+S"(next)
      : "b"(function)
      : "edi", "memory", "cc");
  NativeCallResult r;
  r.value = (static_cast<uint64_t>(high) << 32) | low;
  r.calleePopped = static_cast<int>(popped);
  return r;
}

}  // namespace plumo
