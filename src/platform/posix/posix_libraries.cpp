#include "platform/posix/posix_libraries.h"

#include <dlfcn.h>
#include <errno.h>
#include <setjmp.h>
#include <signal.h>
#include <stdio.h>
#include <string.h>

#include <iterator>
#include <mutex>

namespace plumo {
namespace {

class PosixLibrary : public Library {
 public:
  PosixLibrary(void* handle, bool resident) : handle_(handle), resident_(resident) {}
  ~PosixLibrary() override { dlclose(handle_); }
  void* Find(const std::string& name) override { return dlsym(handle_, name.c_str()); }
  bool Resident() override { return resident_; }

 private:
  void* handle_;
  bool resident_;
};

// The recovery point of the call this thread is making; null outside one.
struct CallGuard {
  sigjmp_buf jump;
  int signal = 0;
  uintptr_t address = 0;
};
thread_local CallGuard* tGuard = nullptr;

constexpr int kFaultSignals[] = {SIGSEGV, SIGBUS, SIGILL, SIGFPE};
struct sigaction gPrevious[std::size(kFaultSignals)];

// A fault outside a guarded call goes to whoever handled it before (the default: the
// process ends as it would have).
void OnFault(int signal, siginfo_t* info, void* context) {
  if (CallGuard* guard = tGuard) {
    guard->signal = signal;
    guard->address = reinterpret_cast<uintptr_t>(info->si_addr);
    siglongjmp(guard->jump, 1);
  }
  for (size_t i = 0; i < std::size(kFaultSignals); ++i) {
    if (kFaultSignals[i] != signal) continue;
    const struct sigaction& previous = gPrevious[i];
    if (previous.sa_flags & SA_SIGINFO) return previous.sa_sigaction(signal, info, context);
    if (previous.sa_handler != SIG_IGN && previous.sa_handler != SIG_DFL) return previous.sa_handler(signal);
    sigaction(signal, &previous, nullptr);  // the fault comes again on return and is not caught
  }
}

void InstallFaultHandlers() {
  struct sigaction action = {};
  action.sa_sigaction = OnFault;
  action.sa_flags = SA_SIGINFO | SA_NODEFER;
  sigemptyset(&action.sa_mask);
  for (size_t i = 0; i < std::size(kFaultSignals); ++i) sigaction(kFaultSignals[i], &action, &gPrevious[i]);
}

__attribute__((noinline)) NativeCallResult GuardedCall(void* function, const uintptr_t* args, int count) {
  static std::once_flag installed;
  std::call_once(installed, InstallFaultHandlers);
  CallGuard guard;
  CallGuard* const outer = tGuard;
  tGuard = &guard;
  NativeCallResult r;
  // SA_NODEFER leaves the signal mask as it was: no need to save it (a system call per call).
  if (sigsetjmp(guard.jump, 0) == 0) {
    r = CallNative(function, args, count);
  } else {
    char text[96];
    snprintf(text, sizeof text, "%s at address 0x%llX", strsignal(guard.signal),
             static_cast<unsigned long long>(guard.address));
    r.fault = text;
  }
  tGuard = outer;
  return r;
}

}  // namespace

std::unique_ptr<Library> PosixLibraries::Load(const std::string& name) {
  if (void* loaded = dlopen(name.c_str(), RTLD_NOW | RTLD_NOLOAD)) return std::make_unique<PosixLibrary>(loaded, true);
  void* handle = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) return nullptr;
  return std::make_unique<PosixLibrary>(handle, false);
}

std::vector<std::string> PosixLibraries::SystemLibraries() { return {"libc.so.6", "libm.so.6"}; }

NativeCallResult PosixLibraries::Call(void* function, const uintptr_t* args, int count) {
  errno = 0;
  NativeCallResult r = GuardedCall(function, args, count);
  r.lastError = r.fault.empty() ? static_cast<uint32_t>(errno) : 0;
  return r;
}

std::string PosixLibraries::ErrorMessage(uint32_t code) { return strerror(static_cast<int>(code)); }

}  // namespace plumo
