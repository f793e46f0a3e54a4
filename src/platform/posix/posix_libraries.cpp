#include "platform/posix/posix_libraries.h"

#include <dlfcn.h>
#include <errno.h>
#include <string.h>

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
  NativeCallResult r = CallNative(function, args, count);
  r.lastError = static_cast<uint32_t>(errno);
  return r;
}

std::string PosixLibraries::ErrorMessage(uint32_t code) { return strerror(static_cast<int>(code)); }

}  // namespace plumo
