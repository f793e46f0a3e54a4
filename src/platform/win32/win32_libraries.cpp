#include "platform/win32/win32_libraries.h"

#include <windows.h>

#include <cstdio>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

class Win32Library : public Library {
 public:
  Win32Library(HMODULE module, bool owned) : module_(module), owned_(owned) {}
  ~Win32Library() override {
    if (owned_) FreeLibrary(module_);
  }
  bool Resident() override { return !owned_; }
  void* Find(const std::string& name) override {
    return reinterpret_cast<void*>(GetProcAddress(module_, name.c_str()));
  }

 private:
  HMODULE module_;
  bool owned_;
};

// The recovery point of the call this thread is making; null outside one.
struct CallGuard {
  void* jump[5] = {};  // __builtin_setjmp's buffer
  uintptr_t frame = 0;  // an address in the guarding frame: the callee's frames lie below it
  DWORD code = 0;
  uintptr_t at = 0;      // the faulting instruction
  uintptr_t access = 0;  // access violations: 0 read, 1 write, 8 execute
  uintptr_t address = 0; // and the address it could not use
};
thread_local CallGuard* tGuard = nullptr;

struct FaultName {
  DWORD code;
  const char* name;
};
constexpr FaultName kFaults[] = {
    {EXCEPTION_ACCESS_VIOLATION, "access violation"},
    {EXCEPTION_ILLEGAL_INSTRUCTION, "illegal instruction"},
    {EXCEPTION_PRIV_INSTRUCTION, "privileged instruction"},
    {EXCEPTION_INT_DIVIDE_BY_ZERO, "integer division by zero"},
    {EXCEPTION_INT_OVERFLOW, "integer overflow"},
    {EXCEPTION_IN_PAGE_ERROR, "in-page error"},
    {EXCEPTION_DATATYPE_MISALIGNMENT, "misaligned data"},
    {EXCEPTION_ARRAY_BOUNDS_EXCEEDED, "array bounds exceeded"},
};

const char* FaultNameOf(DWORD code) {
  for (const FaultName& f : kFaults)
    if (f.code == code) return f.name;
  return nullptr;
}

[[noreturn]] void BackToGuard() { __builtin_longjmp(tGuard->jump, 1); }

// An exception registration in the thread's list between the fault's stack pointer and the
// guard: the callee's (i686, and Wine's own handlers on x86_64).
bool RegisteredBetween(uintptr_t low, uintptr_t high) {
  // The TEB's own address, read as NtCurrentTeb does (its header version warns under -O2).
  const NT_TIB* tib = nullptr;
#if defined(__x86_64__)
  asm("movq %%gs:0x30, %0" : "=r"(tib));
#else
  asm("movl %%fs:0x18, %0" : "=r"(tib));
#endif
  const auto stackLow = reinterpret_cast<uintptr_t>(tib->StackLimit);
  const auto stackHigh = reinterpret_cast<uintptr_t>(tib->StackBase);
  for (auto* record = tib->ExceptionList;;) {
    const auto at = reinterpret_cast<uintptr_t>(record);
    if (at < stackLow || at >= stackHigh || at >= high) return false;
    if (at >= low) return true;
    record = record->Next;  // the dispatcher's own, below the fault
  }
}

// A fault that a frame of the callee would handle itself (a function that probes addresses
// under its own exception handler) is left to it: the vectored handler sees it first.
bool CalleeHandles(const CONTEXT& fault, const CallGuard& guard) {
#if defined(__x86_64__)
  if (RegisteredBetween(fault.Rsp, guard.frame)) return true;
  HMODULE self = nullptr;
  GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                     reinterpret_cast<LPCSTR>(&BackToGuard), &self);
  CONTEXT c = fault;
  for (int depth = 0; depth < 64 && c.Rip != 0 && c.Rsp < guard.frame; ++depth) {
    DWORD64 base = 0;
    PRUNTIME_FUNCTION entry = RtlLookupFunctionEntry(c.Rip, &base, nullptr);
    if (!entry) {  // a leaf, or no code at all: the return address is on top of the stack
      c.Rip = *reinterpret_cast<const DWORD64*>(c.Rsp);
      c.Rsp += 8;
      continue;
    }
    if (base == reinterpret_cast<DWORD64>(self)) return false;  // back in the caller
    void* data = nullptr;
    DWORD64 establisher = 0;
    if (RtlVirtualUnwind(UNW_FLAG_EHANDLER, base, c.Rip, entry, &c, &data, &establisher, nullptr)) return true;
  }
  return false;
#else
  return RegisteredBetween(fault.Esp, guard.frame);
#endif
}

// Ends the exception's dispatch by resuming on the callee's stack in BackToGuard, which
// jumps to the recovery point without unwinding the callee's frames.
LONG CALLBACK OnFault(EXCEPTION_POINTERS* info) {
  CallGuard* guard = tGuard;
  const EXCEPTION_RECORD& e = *info->ExceptionRecord;
  if (!guard || !FaultNameOf(e.ExceptionCode) || CalleeHandles(*info->ContextRecord, *guard))
    return EXCEPTION_CONTINUE_SEARCH;
  guard->code = e.ExceptionCode;
  guard->at = reinterpret_cast<uintptr_t>(e.ExceptionAddress);
  if (e.ExceptionCode == EXCEPTION_ACCESS_VIOLATION && e.NumberParameters >= 2) {
    guard->access = e.ExceptionInformation[0];
    guard->address = e.ExceptionInformation[1];
  }
  CONTEXT& c = *info->ContextRecord;
#if defined(__x86_64__)
  c.Rsp = ((c.Rsp - 512) & ~DWORD64{15}) - 8;  // as at a function's entry
  c.Rip = reinterpret_cast<DWORD64>(&BackToGuard);
#else
  c.Esp = ((c.Esp - 512) & ~DWORD{15}) - 4;
  c.Eip = reinterpret_cast<DWORD>(&BackToGuard);
#endif
  return EXCEPTION_CONTINUE_EXECUTION;
}

std::string FaultText(const CallGuard& g) {
  std::string text = FaultNameOf(g.code);
  char buffer[96];
  if (g.code == EXCEPTION_ACCESS_VIOLATION) {
    const char* verb = g.access == 1 ? "writing" : g.access == 8 ? "executing" : "reading";
    snprintf(buffer, sizeof buffer, " %s address 0x%llX", verb, static_cast<unsigned long long>(g.address));
    text += buffer;
  }
  snprintf(buffer, sizeof buffer, ", exception 0x%08lX at 0x%llX", static_cast<unsigned long>(g.code),
           static_cast<unsigned long long>(g.at));
  return text + buffer;
}

__attribute__((noinline)) NativeCallResult GuardedCall(void* function, const uintptr_t* args, int count) {
  static const PVOID handler = AddVectoredExceptionHandler(1, OnFault);
  (void)handler;
  CallGuard guard;
  guard.frame = reinterpret_cast<uintptr_t>(&guard);
  CallGuard* const outer = tGuard;
  tGuard = &guard;
  NativeCallResult r;
  if (__builtin_setjmp(guard.jump) == 0) r = CallNative(function, args, count);
  else r.fault = FaultText(guard);
  tGuard = outer;
  return r;
}

}  // namespace

std::unique_ptr<Library> Win32Libraries::Load(const std::string& name) {
  // A library this process has loaded anyway (the system's) is used as it is: loading and
  // releasing it around every call would cost more than the call.
  if (HMODULE loaded = GetModuleHandleA(name.c_str())) return std::make_unique<Win32Library>(loaded, false);
  // No "cannot find" box from the system for a missing library.
  const UINT mode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
  HMODULE module = LoadLibraryA(name.c_str());
  SetErrorMode(mode);
  if (!module) return nullptr;
  return std::make_unique<Win32Library>(module, true);
}

std::vector<std::string> Win32Libraries::SystemLibraries() {
  return {"USER32.DLL", "GDI32.DLL",    "KERNEL32.DLL", "SHELL32.DLL", "COMCTL32.DLL", "COMDLG32.DLL",
          "ADVAPI32.DLL", "WSOCK32.DLL", "WS2_32.DLL",  "WININET.DLL", "ODBC32.DLL",   "OLE32.DLL",
          "OLEAUT32.DLL", "MPR.DLL",     "WINMM.DLL",   "MFC40.DLL"};
}

NativeCallResult Win32Libraries::Call(void* function, const uintptr_t* args, int count) {
  SetLastError(0);
  NativeCallResult r = GuardedCall(function, args, count);
  r.lastError = r.fault.empty() ? GetLastError() : 0;
  return r;
}

std::string Win32Libraries::ErrorMessage(uint32_t code) { return Win32Message(code); }

}  // namespace plumo
