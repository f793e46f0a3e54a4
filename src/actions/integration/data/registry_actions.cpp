// Read, Write, Copy and Delete Registry: paths as the settings use them
// ("HKEY_CURRENT_USER\SOFTWARE\Tree\Value"; a trailing backslash names a key and its default
// value), through the Registry port: the Windows registry, or the Linux runner's own.
#include <algorithm>

#include "actions/integration/action_context.h"
#include "actions/integration/data/data_actions.h"
#include "base/text.h"
#include "engine/session.h"
#include "settings/setting_path.h"

namespace plumo {
namespace {

constexpr uint32_t kQwordKind = 11;  // REG_QWORD, which other programs write

std::optional<SettingLocation> Locate(ActionContext& c, const std::string& path) {
  return ResolveSettingPath(path, {}, c.session.settings().keyOverride());
}

std::string KeyPath(const SettingLocation& at) { return std::string(RootName(at.root)) + "\\" + at.key; }

std::string ValueText(const RegValue& v) {
  switch (static_cast<uint32_t>(v.kind)) {
    case static_cast<uint32_t>(RegKind::kNumber): return std::to_string(v.AsNumber());
    case static_cast<uint32_t>(RegKind::kBinary): return v.data;
    case kQwordKind: {
      uint64_t n = 0;
      for (size_t i = std::min<size_t>(v.data.size(), 8); i-- > 0;) n = (n << 8) | static_cast<unsigned char>(v.data[i]);
      return std::to_string(n);
    }
    case static_cast<uint32_t>(RegKind::kMultiString): {
      std::string items = v.AsText();
      std::replace(items.begin(), items.end(), '\0', '\n');
      ReplaceAllNoCase(items, "\n", "\r\n");
      return items;
    }
    default: return v.AsText();
  }
}

int ReadRegistry(ActionContext& c) {
  const std::string path = c.Expand(c.step.value1);
  const auto at = Locate(c, path);
  if (!at) return c.Fail("No registry path given");
  RegValue value;
  if (OsError e = c.session.registry().ReadValue(at->root, at->key, at->name, &value); !e)
    return c.Fail("Unable to read registry value", path, e);
  return c.Store(ValueText(value));
}

struct KindName {
  std::string_view name;
  RegKind kind;
};
constexpr KindName kKinds[] = {
    {"REG_SZ", RegKind::kString},       {"REG_MULTI_SZ", RegKind::kMultiString}, {"REG_EXPAND_SZ", RegKind::kExpandString},
    {"REG_DWORD", RegKind::kNumber},    {"REG_BINARY", RegKind::kBinary},
};

// A REG_DWORD: decimal (a negative one as its 32-bit pattern) or hexadecimal after "0x".
std::optional<uint32_t> DwordOf(std::string_view text) {
  text = Trim(text);
  if (StartsWithNoCase(text, "0x") && text.size() > 2 && text.size() <= 10) {
    uint32_t n = 0;
    for (char ch : text.substr(2)) {
      const int d = ch >= '0' && ch <= '9' ? ch - '0' : (ch | 0x20) >= 'a' && (ch | 0x20) <= 'f' ? (ch | 0x20) - 'a' + 10 : -1;
      if (d < 0) return std::nullopt;
      n = n * 16 + static_cast<uint32_t>(d);
    }
    return n;
  }
  const std::optional<int64_t> n = WholeNumber(text);
  if (!n || *n < -2147483648LL || *n > 4294967295LL) return std::nullopt;
  return static_cast<uint32_t>(*n);
}

int WriteRegistry(ActionContext& c) {
  const std::string path = c.Expand(c.step.value1);
  const auto at = Locate(c, path);
  if (!at) return c.Fail("No registry path given");
  const std::string text = c.Expand(c.step.text);
  const std::string typeName(Trim(c.step.value2.str()));
  std::optional<RegKind> kind;
  for (const KindName& k : kKinds)
    if (EqualsNoCase(typeName, k.name)) kind = k.kind;
  Registry& registry = c.session.registry();
  if (!kind) {
    // Let Plumo decide: an existing value keeps its kind; a new one is text.
    RegValue old;
    const bool exists = registry.ReadValue(at->root, at->key, at->name, &old).ok();
    kind = exists ? old.kind : RegKind::kString;
  }
  RegValue value;
  switch (*kind) {
    case RegKind::kNumber: {
      const std::optional<uint32_t> n = DwordOf(text);
      if (!n) return c.Fail("\"" + text + "\" is no number for a REG_DWORD value");
      value = RegValue::Number(*n);
      break;
    }
    case RegKind::kBinary: value = RegValue::Binary(text); break;
    case RegKind::kMultiString: {
      std::string items = text;
      ReplaceAllNoCase(items, "\r\n", "\n");
      std::replace(items.begin(), items.end(), '\n', '\0');
      value = RegValue::Text(items, RegKind::kMultiString);
      break;
    }
    default: value = RegValue::Text(text, *kind); break;
  }
  if (OsError e = registry.WriteValue(at->root, at->key, at->name, value); !e)
    return c.Fail("Unable to write registry value", path, e);
  return result::kSuccess;
}

// A key as named by a path, whether or not it ends in a backslash.
std::optional<SettingLocation> KeyOf(ActionContext& c, std::string path) {
  while (!path.empty() && path.back() == '\\') path.pop_back();
  return Locate(c, path + "\\");
}

OsError CopyKey(Registry& registry, RegRoot fromRoot, const std::string& from, RegRoot toRoot, const std::string& to) {
  if (OsError e = registry.CreateKey(toRoot, to); !e) return e;
  std::vector<std::string> names;
  if (OsError e = registry.ListValues(fromRoot, from, &names); !e) return e;
  for (const std::string& name : names) {
    RegValue v;
    if (OsError e = registry.ReadValue(fromRoot, from, name, &v); !e) return e;
    if (OsError e = registry.WriteValue(toRoot, to, name, v); !e) return e;
  }
  names.clear();
  if (OsError e = registry.ListSubkeys(fromRoot, from, &names); !e) return e;
  for (const std::string& name : names)
    if (OsError e = CopyKey(registry, fromRoot, from + "\\" + name, toRoot, to + "\\" + name); !e) return e;
  return OsError::Ok();
}

bool Inside(const SettingLocation& key, const SettingLocation& folder) {
  return key.root == folder.root &&
         (EqualsNoCase(key.key, folder.key) || StartsWithNoCase(key.key, folder.key + "\\") || folder.key.empty());
}

int CopyRegistry(ActionContext& c) {
  const auto from = KeyOf(c, c.Expand(c.step.value1));
  const auto to = KeyOf(c, c.Expand(c.step.text));
  if (!from || !to || from->key.empty() || to->key.empty()) return c.Fail("Copy Registry needs a key to copy and a key to copy to");
  Registry& registry = c.session.registry();
  if (!registry.KeyExists(from->root, from->key))
    return c.Fail("Unable to copy registry key '" + KeyPath(*from) + "': the key does not exist");
  if (Inside(*to, *from)) return c.Fail("Unable to copy registry key '" + KeyPath(*from) + "' into itself");
  if (OsError e = CopyKey(registry, from->root, from->key, to->root, to->key); !e)
    return c.Fail("Unable to copy registry key", KeyPath(*from), e);
  return result::kSuccess;
}

int DeleteRegistry(ActionContext& c) {
  const std::string path = c.Expand(c.step.value1);
  const auto at = Locate(c, path);
  if (!at) return c.Fail("No registry path given");
  Registry& registry = c.session.registry();
  RegValue existing;
  if (!at->namesKey && registry.ReadValue(at->root, at->key, at->name, &existing).ok()) {
    if (OsError e = registry.DeleteValue(at->root, at->key, at->name); !e)
      return c.Fail("Unable to delete registry value", path, e);
    return result::kSuccess;
  }
  const auto key = KeyOf(c, path);
  if (key->key.empty()) return c.Fail("A whole registry root is never deleted: '" + path + "'");
  if (!registry.KeyExists(key->root, key->key))
    return c.Fail("Unable to delete '" + path + "': no such registry key or value");
  if (OsError e = registry.DeleteKeyTree(key->root, key->key); !e) return c.Fail("Unable to delete registry key", path, e);
  return result::kSuccess;
}

constexpr ActionRow kRegistryRows[] = {
    {"Read Registry", ReadRegistry},
    {"Write Registry", WriteRegistry},
    {"Copy Registry", CopyRegistry},
    {"Delete Registry", DeleteRegistry},
};

}  // namespace

std::span<const ActionRow> RegistryActionRows() { return kRegistryRows; }

}  // namespace plumo
