#include "compiler/win32/win32_program_resources.h"

#include <windows.h>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

// Ending an update fails now and then while a virus scanner or the indexer holds the file.
constexpr int kUpdateAttempts = 10;
constexpr uint32_t kUpdateRetryMs = 100;

// The file mapped as data only: none of its code runs.
class DataModule {
 public:
  explicit DataModule(const std::string& file)
      : module_(LoadLibraryExA(file.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
  ~DataModule() {
    if (module_) FreeLibrary(module_);
  }
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

LPCSTR NameArg(const ResourceName& name) {
  return name.text.empty() ? MAKEINTRESOURCEA(name.id) : name.text.c_str();
}

BOOL CALLBACK FirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR found) {
  *reinterpret_cast<WORD*>(found) = language;
  return FALSE;
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  auto* out = reinterpret_cast<std::vector<ResourceName>*>(names);
  if (IS_INTRESOURCE(name)) out->push_back(ResourceName::Number(static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(name))));
  else out->push_back(ResourceName{0, name});
  return TRUE;
}

OsError ApplyOnce(const std::string& file, const std::vector<ResourceChange>& changes) {
  HANDLE update = BeginUpdateResourceA(file.c_str(), FALSE);
  if (!update) return LastWin32Error("BeginUpdateResourceA");
  for (const ResourceChange& c : changes) {
    void* data = c.remove ? nullptr : const_cast<char*>(c.bytes.data());
    const DWORD size = c.remove ? 0 : static_cast<DWORD>(c.bytes.size());
    if (!UpdateResourceA(update, MAKEINTRESOURCEA(c.type), NameArg(c.name), c.language, data, size)) {
      const DWORD code = GetLastError();
      EndUpdateResourceA(update, TRUE);
      return Win32Error("UpdateResourceA", code);
    }
  }
  if (!EndUpdateResourceA(update, FALSE)) return LastWin32Error("EndUpdateResourceA");
  return OsError::Ok();
}

}  // namespace

std::optional<FoundResource> Win32ProgramResources::Find(const std::string& file, uint32_t type,
                                                         const ResourceName& name) {
  DataModule module(file);
  if (!module.get()) return std::nullopt;
  WORD language = 0;
  if (EnumResourceLanguagesA(module.get(), MAKEINTRESOURCEA(type), NameArg(name), &FirstLanguage,
                             reinterpret_cast<LONG_PTR>(&language)) == FALSE &&
      GetLastError() == ERROR_RESOURCE_TYPE_NOT_FOUND)
    return std::nullopt;
  HRSRC info = FindResourceExA(module.get(), MAKEINTRESOURCEA(type), NameArg(name), language);
  if (!info) return std::nullopt;
  HGLOBAL loaded = LoadResource(module.get(), info);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return FoundResource{std::string(static_cast<const char*>(bytes), SizeofResource(module.get(), info)), language};
}

std::vector<ResourceName> Win32ProgramResources::Names(const std::string& file, uint32_t type) {
  std::vector<ResourceName> names;
  DataModule module(file);
  if (module.get())
    EnumResourceNamesA(module.get(), MAKEINTRESOURCEA(type), &AddName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

OsError Win32ProgramResources::Update(const std::string& file, const std::vector<ResourceChange>& changes) {
  OsError error;
  for (int attempt = 0; attempt < kUpdateAttempts; ++attempt) {
    if (attempt > 0) clock_.Sleep(kUpdateRetryMs);
    error = ApplyOnce(file, changes);
    if (error.ok()) break;
  }
  return error;
}

}  // namespace plumo
