#include "compiler/win32/win32_program_resources.h"

#include <windows.h>

#include <algorithm>

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

ResourceName NameOf(LPCSTR name) {
  if (IS_INTRESOURCE(name)) return ResourceName::Number(static_cast<uint32_t>(reinterpret_cast<ULONG_PTR>(name)));
  return ResourceName{0, name};
}

struct FirstLanguageFound {
  bool found = false;
  WORD language = 0;
};

BOOL CALLBACK FirstLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param) {
  auto* first = reinterpret_cast<FirstLanguageFound*>(param);
  first->found = true;
  first->language = language;
  return FALSE;
}

BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR names) {
  reinterpret_cast<std::vector<ResourceName>*>(names)->push_back(NameOf(name));
  return TRUE;
}

// Every item of a file, types by name or number, so that a file can be written anew.
struct Item {
  ResourceName type, name;
  WORD language;
  std::string bytes;
};

struct Collector {
  HMODULE module;
  std::vector<Item>* items;
  ResourceName type, name;
};

BOOL CALLBACK CollectLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param) {
  auto* c = reinterpret_cast<Collector*>(param);
  HRSRC info = FindResourceExA(module, type, name, language);
  HGLOBAL loaded = info ? LoadResource(module, info) : nullptr;
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (bytes)
    c->items->push_back(Item{c->type, c->name, language,
                             std::string(static_cast<const char*>(bytes), SizeofResource(module, info))});
  return TRUE;
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) {
  auto* c = reinterpret_cast<Collector*>(param);
  c->name = NameOf(name);
  EnumResourceLanguagesA(module, type, name, &CollectLanguage, param);
  return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR param) {
  auto* c = reinterpret_cast<Collector*>(param);
  c->type = NameOf(type);
  EnumResourceNamesA(module, type, &CollectName, param);
  return TRUE;
}

OsError Write(const std::string& file, const std::vector<Item>& items, bool deleteExisting) {
  HANDLE update = BeginUpdateResourceA(file.c_str(), deleteExisting);
  if (!update) return LastWin32Error("BeginUpdateResourceA");
  for (const Item& i : items) {
    if (!UpdateResourceA(update, NameArg(i.type), NameArg(i.name), i.language, const_cast<char*>(i.bytes.data()),
                         static_cast<DWORD>(i.bytes.size()))) {
      const DWORD code = GetLastError();
      EndUpdateResourceA(update, TRUE);
      return Win32Error("UpdateResourceA", code);
    }
  }
  if (!EndUpdateResourceA(update, FALSE)) return LastWin32Error("EndUpdateResourceA");
  return OsError::Ok();
}

// What the file is to hold. Taking an item out is done by writing all the others anew: not
// every system's UpdateResource removes one.
OsError ApplyOnce(const std::string& file, const std::vector<ResourceChange>& changes) {
  const bool removes = std::any_of(changes.begin(), changes.end(), [](const ResourceChange& c) { return c.remove; });
  std::vector<Item> items;
  if (removes) {
    DataModule module(file);
    if (!module.get()) return LastWin32Error("LoadLibraryExA");
    Collector collector{module.get(), &items, {}, {}};
    EnumResourceTypesA(module.get(), &CollectType, reinterpret_cast<LONG_PTR>(&collector));
  }
  for (const ResourceChange& c : changes) {
    const ResourceName type = ResourceName::Number(c.type);
    std::erase_if(items, [&](const Item& i) { return i.type == type && i.name == c.name && i.language == c.language; });
    if (!c.remove) items.push_back(Item{type, c.name, c.language, c.bytes});
  }
  return Write(file, items, removes);
}

}  // namespace

std::optional<FoundResource> Win32ProgramResources::Find(const std::string& file, uint32_t type,
                                                         const ResourceName& name) {
  DataModule module(file);
  if (!module.get()) return std::nullopt;
  // Stopping the enumeration at the first language makes it return FALSE as a failure would.
  FirstLanguageFound first;
  EnumResourceLanguagesA(module.get(), MAKEINTRESOURCEA(type), NameArg(name), &FirstLanguage,
                         reinterpret_cast<LONG_PTR>(&first));
  if (!first.found) return std::nullopt;
  HRSRC info = FindResourceExA(module.get(), MAKEINTRESOURCEA(type), NameArg(name), first.language);
  if (!info) return std::nullopt;
  HGLOBAL loaded = LoadResource(module.get(), info);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  if (!bytes) return std::nullopt;
  return FoundResource{std::string(static_cast<const char*>(bytes), SizeofResource(module.get(), info)),
                       first.language};
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
