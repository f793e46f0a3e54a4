#include "platform/win32/win32_registry.h"

#include "platform/win32/win32_error.h"

#include <algorithm>

namespace plumo {
namespace {

// The SDK's own constants: on x64 they are sign-extended, which a cast of the 32-bit number is not.
HKEY RootKey(RegRoot root) {
  struct Row {
    RegRoot root;
    HKEY key;
  };
  static const Row kRoots[] = {{RegRoot::kClassesRoot, HKEY_CLASSES_ROOT}, {RegRoot::kCurrentUser, HKEY_CURRENT_USER},
                               {RegRoot::kLocalMachine, HKEY_LOCAL_MACHINE}, {RegRoot::kUsers, HKEY_USERS},
                               {RegRoot::kCurrentConfig, HKEY_CURRENT_CONFIG}};
  for (const Row& row : kRoots)
    if (row.root == root) return row.key;
  return HKEY_CURRENT_USER;
}

// Reading asks only for the rights it uses, so that keys with tight ACLs still read.
constexpr REGSAM kReadAccess = KEY_QUERY_VALUE | KEY_ENUMERATE_SUB_KEYS;

OsError Open(RegRoot root, const std::string& key, REGSAM access, UniqueHkey* out) {
  LONG rc = RegOpenKeyExA(RootKey(root), key.c_str(), 0, access, out->out());
  if (rc != ERROR_SUCCESS) return Win32Error("RegOpenKeyExA", static_cast<DWORD>(rc));
  return OsError::Ok();
}

// RegDeleteTree needs Vista; delete depth first for the older systems.
LONG DeleteTree(HKEY parent, const char* name) {
  HKEY key;
  LONG rc = RegOpenKeyExA(parent, name, 0, KEY_READ | KEY_WRITE, &key);
  if (rc != ERROR_SUCCESS) return rc;
  for (;;) {
    char child[256];
    DWORD len = sizeof(child);
    rc = RegEnumKeyExA(key, 0, child, &len, nullptr, nullptr, nullptr, nullptr);
    if (rc != ERROR_SUCCESS) break;
    rc = DeleteTree(key, child);
    if (rc != ERROR_SUCCESS) break;
  }
  RegCloseKey(key);
  if (rc != ERROR_NO_MORE_ITEMS && rc != ERROR_SUCCESS) return rc;
  return RegDeleteKeyA(parent, name);
}

// Windows 2000 refuses the 64-bit view flag.
constexpr REGSAM kValueRead = KEY_QUERY_VALUE | KEY_WOW64_64KEY;
constexpr REGSAM kValueReadWindows2000 = KEY_QUERY_VALUE;

REGSAM ValueReadAccess() {
  OSVERSIONINFOA v = {};
  v.dwOSVersionInfoSize = sizeof(v);
  if (GetVersionExA(&v) && v.dwMajorVersion == 5 && v.dwMinorVersion == 0) return kValueReadWindows2000;
  return kValueRead;
}

// Counts a change when the call returns, so that no reader takes the new number with the old data.
struct ChangedOnReturn {
  std::atomic<uint64_t>& changes;
  ~ChangedOnReturn() { ++changes; }
};

}  // namespace

Win32Registry::Win32Registry() : valueReadAccess_(ValueReadAccess()) {}
Win32Registry::~Win32Registry() = default;

OsError Win32Registry::CreateKey(RegRoot root, const std::string& key) {
  const ChangedOnReturn changed(ownChanges_);
  UniqueHkey h;
  LONG rc = RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, h.out(),
                            nullptr);
  if (rc != ERROR_SUCCESS) return Win32Error("RegCreateKeyExA", static_cast<DWORD>(rc));
  return OsError::Ok();
}

bool Win32Registry::KeyExists(RegRoot root, const std::string& key) {
  UniqueHkey h;
  return Open(root, key, kReadAccess, &h).ok();
}

OsError Win32Registry::DeleteKeyTree(RegRoot root, const std::string& key) {
  const ChangedOnReturn changed(ownChanges_);
  {
    // Handles below the key would only keep deleted keys alive.
    std::lock_guard<std::mutex> lock(openMu_);
    openKeys_.clear();
  }
  LONG rc = DeleteTree(RootKey(root), key.c_str());
  if (rc != ERROR_SUCCESS) return Win32Error("RegDeleteKeyA", static_cast<DWORD>(rc));
  return OsError::Ok();
}

OsError Win32Registry::ReadValue(RegRoot root, const std::string& key, const std::string& name,
                                 RegValue* out) {
  UniqueHkey h;
  if (OsError e = Open(root, key, valueReadAccess_, &h); !e.ok()) return e;
  DWORD type = 0, size = 0;
  LONG rc = RegQueryValueExA(h.get(), name.c_str(), nullptr, &type, nullptr, &size);
  for (int attempt = 0; rc == ERROR_SUCCESS || rc == ERROR_MORE_DATA; ++attempt) {
    // The value can grow between the two calls; try again with the new size.
    std::string data(size, '\0');
    DWORD got = size;
    rc = RegQueryValueExA(h.get(), name.c_str(), nullptr, &type,
                          reinterpret_cast<BYTE*>(data.data()), &got);
    if (rc == ERROR_SUCCESS) {
      data.resize(got);
      out->kind = static_cast<RegKind>(type);
      out->data = std::move(data);
      return OsError::Ok();
    }
    if (rc != ERROR_MORE_DATA || attempt > 4) break;
    size = got;
  }
  return Win32Error("RegQueryValueExA", static_cast<DWORD>(rc));
}

struct Win32Registry::OpenKey {
  RegRoot root;
  std::string key;
  UniqueHkey hkey;
};

HKEY Win32Registry::WriteHandle(RegRoot root, const std::string& key, LONG* rc) {
  constexpr size_t kKeptOpen = 16;
  for (auto it = openKeys_.begin(); it != openKeys_.end(); ++it) {
    if ((*it)->root != root || lstrcmpiA((*it)->key.c_str(), key.c_str()) != 0) continue;
    std::rotate(it, it + 1, openKeys_.end());  // the most recent last
    return openKeys_.back()->hkey.get();
  }
  auto open = std::make_unique<OpenKey>();
  open->root = root;
  open->key = key;
  *rc = RegCreateKeyExA(RootKey(root), key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, open->hkey.out(), nullptr);
  if (*rc != ERROR_SUCCESS) return nullptr;
  if (openKeys_.size() >= kKeptOpen) openKeys_.erase(openKeys_.begin());
  openKeys_.push_back(std::move(open));
  return openKeys_.back()->hkey.get();
}

void Win32Registry::ForgetWriteHandle(RegRoot root, const std::string& key) {
  openKeys_.erase(std::remove_if(openKeys_.begin(), openKeys_.end(),
                                 [&](const auto& k) { return k->root == root && lstrcmpiA(k->key.c_str(), key.c_str()) == 0; }),
                  openKeys_.end());
}

OsError Win32Registry::WriteValue(RegRoot root, const std::string& key, const std::string& name,
                                  const RegValue& value) {
  const ChangedOnReturn changed(ownChanges_);
  std::lock_guard<std::mutex> lock(openMu_);
  for (int attempt = 0;; ++attempt) {
    LONG rc = ERROR_SUCCESS;
    HKEY h = WriteHandle(root, key, &rc);
    if (!h) return Win32Error("RegCreateKeyExA", static_cast<DWORD>(rc));
    rc = RegSetValueExA(h, name.c_str(), 0, static_cast<DWORD>(value.kind),
                        reinterpret_cast<const BYTE*>(value.data.data()), static_cast<DWORD>(value.data.size()));
    if (rc == ERROR_SUCCESS) return OsError::Ok();
    // A key deleted by another program leaves the kept handle dead: open it afresh once.
    ForgetWriteHandle(root, key);
    if (rc != ERROR_KEY_DELETED || attempt > 0) return Win32Error("RegSetValueExA", static_cast<DWORD>(rc));
  }
}

OsError Win32Registry::DeleteValue(RegRoot root, const std::string& key, const std::string& name) {
  const ChangedOnReturn changed(ownChanges_);
  UniqueHkey h;
  if (OsError e = Open(root, key, KEY_SET_VALUE, &h); !e.ok()) return e;
  LONG rc = RegDeleteValueA(h.get(), name.c_str());
  if (rc != ERROR_SUCCESS) return Win32Error("RegDeleteValueA", static_cast<DWORD>(rc));
  return OsError::Ok();
}

OsError Win32Registry::ListValues(RegRoot root, const std::string& key,
                                  std::vector<std::string>* names) {
  names->clear();
  UniqueHkey h;
  if (OsError e = Open(root, key, kReadAccess, &h); !e.ok()) return e;
  DWORD maxLen = 0;
  RegQueryInfoKeyA(h.get(), nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &maxLen,
                   nullptr, nullptr, nullptr);
  std::string buf(maxLen + 2, '\0');
  for (DWORD i = 0;; ++i) {
    DWORD len = static_cast<DWORD>(buf.size());
    LONG rc = RegEnumValueA(h.get(), i, buf.data(), &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return Win32Error("RegEnumValueA", static_cast<DWORD>(rc));
    names->emplace_back(buf.data(), len);
  }
  return OsError::Ok();
}

// A key whose changes the registry reports to an event. The notification must be asked for
// again after each report; it also reports when the asking thread ends, which only costs one
// needless re-read.
struct Win32Registry::Watch {
  Watch(RegRoot r, std::string k) : root(r), key(std::move(k)), event(CreateEventA(nullptr, FALSE, FALSE, nullptr)) {}

  RegRoot root;
  std::string key;
  UniqueHkey hkey;
  UniqueHandle event;
  uint64_t changes = 0;

  bool Arm() {
    return RegNotifyChangeKeyValue(hkey.get(), TRUE, REG_NOTIFY_CHANGE_NAME | REG_NOTIFY_CHANGE_LAST_SET, event.get(),
                                   TRUE) == ERROR_SUCCESS;
  }
};

uint64_t Win32Registry::ChangeStamp(RegRoot root, const std::string& key) {
  // A key that cannot be watched (missing, no notify right) answers a new number each time.
  constexpr uint64_t kUnwatched = uint64_t{1} << 63;
  std::lock_guard<std::mutex> lock(watchMu_);
  Watch* watch = nullptr;
  for (const auto& w : watches_)
    if (w->root == root && lstrcmpiA(w->key.c_str(), key.c_str()) == 0) watch = w.get();
  if (!watch) {
    auto w = std::make_unique<Watch>(root, key);
    if (!w->event.valid() || !Open(root, key, KEY_NOTIFY, &w->hkey).ok() || !w->Arm()) return kUnwatched | ++unwatched_;
    watches_.push_back(std::move(w));
    watch = watches_.back().get();
  } else if (WaitForSingleObject(watch->event.get(), 0) == WAIT_OBJECT_0) {
    ++watch->changes;
    if (!watch->Arm()) {
      // The key went away: look for it afresh next time.
      watches_.erase(std::find_if(watches_.begin(), watches_.end(), [&](const auto& w) { return w.get() == watch; }));
      return kUnwatched | ++unwatched_;
    }
  }
  return (ownChanges_.load() << 32) + watch->changes;
}

OsError Win32Registry::ListSubkeys(RegRoot root, const std::string& key,
                                   std::vector<std::string>* names) {
  names->clear();
  UniqueHkey h;
  if (OsError e = Open(root, key, kReadAccess, &h); !e.ok()) return e;
  for (DWORD i = 0;; ++i) {
    char buf[256];
    DWORD len = sizeof(buf);
    LONG rc = RegEnumKeyExA(h.get(), i, buf, &len, nullptr, nullptr, nullptr, nullptr);
    if (rc == ERROR_NO_MORE_ITEMS) break;
    if (rc != ERROR_SUCCESS) return Win32Error("RegEnumKeyExA", static_cast<DWORD>(rc));
    names->emplace_back(buf, len);
  }
  return OsError::Ok();
}

}  // namespace plumo
