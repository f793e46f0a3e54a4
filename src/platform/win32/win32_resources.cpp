#include "platform/win32/win32_resources.h"

#include <optional>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

// A module mapped as a data file, so that no code of it runs.
class DataModule {
 public:
  explicit DataModule(const std::string& path)
      : h_(LoadLibraryExA(path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~DataModule() {
    if (h_) FreeLibrary(h_);
  }
  DataModule(const DataModule&) = delete;
  DataModule& operator=(const DataModule&) = delete;
  HMODULE get() const { return h_; }

 private:
  HMODULE h_;
};

}  // namespace

OsError Win32Resources::ReadData(const std::string& modulePath, uint32_t id, std::string* out) {
  std::optional<DataModule> other;
  HMODULE module = GetModuleHandleA(nullptr);
  if (!modulePath.empty()) {
    other.emplace(modulePath);
    if (!other->get()) return LastWin32Error("LoadLibraryExA");
    module = other->get();
  }
  HRSRC res = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));  // RT_RCDATA
  if (!res) return LastWin32Error("FindResourceA");
  const DWORD size = SizeofResource(module, res);
  HGLOBAL loaded = LoadResource(module, res);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return LastWin32Error("LoadResource");
  out->assign(static_cast<const char*>(bytes), size);
  return OsError::Ok();
}

}  // namespace plumo
