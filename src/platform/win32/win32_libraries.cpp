#include "platform/win32/win32_libraries.h"

#include <windows.h>

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
  NativeCallResult r = CallNative(function, args, count);
  r.lastError = GetLastError();
  return r;
}

std::string Win32Libraries::ErrorMessage(uint32_t code) { return Win32Message(code); }

}  // namespace plumo
