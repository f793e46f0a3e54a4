#include "settings/settings_store.h"

#include <climits>

#include "base/text.h"

namespace plumo {
namespace {

bool IsTextKind(RegKind kind) {
  return kind == RegKind::kString || kind == RegKind::kExpandString || kind == RegKind::kMultiString;
}

// The file a "FILE::" value refers to, or "" when the value is not a reference.
std::string SpillReferenceOf(const RegValue& v) {
  if (v.kind != RegKind::kString && v.kind != RegKind::kExpandString) return std::string();
  std::string text = v.AsText();
  if (text.compare(0, kSpillReference.size(), kSpillReference) != 0) return std::string();
  return text.substr(kSpillReference.size());
}

bool ReadSpill(Files& files, const std::string& path, size_t limit, std::string* out) {
  const std::optional<uint64_t> size = files.FileSize(path);
  if (!size || *size > limit) return false;
  bool opened = false;
  return files.ReadFile(path, out, &opened).ok() && out->size() <= limit;
}

std::string_view FileNameOf(std::string_view path) {
  size_t cut = path.find_last_of("\\/");
  return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

// atoi's reading of a decimal number, saturating instead of overflowing.
int32_t DecimalOf(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  long long n = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + (text[i] - '0');
    if (n > static_cast<long long>(INT_MAX) + 1) break;
  }
  if (negative) n = -n;
  if (n > INT_MAX) return INT_MAX;
  if (n < INT_MIN) return INT_MIN;
  return static_cast<int32_t>(n);
}

}  // namespace

std::string LinesToMultiString(std::string_view text) {
  std::string out;
  out.reserve(text.size() + 2);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
      out.push_back('\0');
      ++i;
    } else {
      out.push_back(c == '\r' || c == '\n' ? '\0' : c);
    }
  }
  out.append(2, '\0');
  return out;
}

std::string MultiStringToLines(std::string_view data) {
  // The closing NULs end the data (other writers may add more); every NUL before them
  // separates two lines.
  while (!data.empty() && data.back() == '\0') data.remove_suffix(1);
  std::string out;
  out.reserve(data.size() + 16);
  for (char c : data) {
    if (c == '\0')
      out += "\r\n";
    else
      out.push_back(c);
  }
  return out;
}

SettingsStore::SettingsStore(Registry& registry, Environment& environment, Files& files)
    : registry_(registry), environment_(environment), files_(files) {}

void SettingsStore::SetKeyOverride(std::string_view word) { keyOverride_ = Bounded(word, kMaxKeyOverride + 1); }

std::optional<SettingLocation> SettingsStore::Resolve(std::string_view path, PathArgs args) const {
  return ResolveSettingPath(path, args, keyOverride_);
}

std::string SettingsStore::SpillFilePath(const SettingLocation& loc) {
  std::string name = std::string(RootName(loc.root)) + "\\" + loc.key + "\\" + loc.name;
  for (char& c : name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u < 32 || std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos) c = '_';
  }
  return environment_.TempFolder() + name + ".dat";
}

bool SettingsStore::Fetch(const SettingLocation& loc, size_t limit, RegValue* value, bool* spilled) {
  *spilled = false;
  if (!registry_.ReadValue(loc.root, loc.key, loc.name, value).ok()) return false;
  std::string file = SpillReferenceOf(*value);
  if (file.empty()) return true;
  *spilled = true;
  value->kind = RegKind::kBinary;
  return ReadSpill(files_, file, limit, &value->data);
}

size_t SettingsStore::Probe(std::string_view path, PathArgs args) {
  auto loc = Resolve(path, args);
  if (!loc) return 0;
  if (loc->namesKey) return registry_.KeyExists(loc->root, loc->key) ? 1 : 0;
  RegValue v;
  if (!registry_.ReadValue(loc->root, loc->key, loc->name, &v).ok()) return 0;
  std::string file = SpillReferenceOf(v);
  if (file.empty()) return v.data.size();
  return static_cast<size_t>(files_.FileSize(file).value_or(0));
}

size_t SettingsStore::Write(std::string_view path, RegKind kind, std::string_view data, PathArgs args) {
  auto loc = Resolve(path, args);
  if (!loc) return 0;
  RegValue value;
  std::string spill;  // what a spill file holds: the data, multi-line text in the caller's form
  switch (kind) {
    case RegKind::kNumber:
      if (data.size() != 4) return 0;
      value = RegValue::Binary(data);
      value.kind = RegKind::kNumber;
      break;
    case RegKind::kBinary:
      value = RegValue::Binary(data);
      break;
    case RegKind::kMultiString:
      value.kind = kind;
      value.data = LinesToMultiString(data);
      spill = std::string(data) + '\0';
      break;
    default:
      value = RegValue::Text(data, kind == RegKind::kExpandString ? kind : RegKind::kString);
      break;
  }
  return Store(*loc, value, std::move(spill));
}

size_t SettingsStore::WriteExactText(std::string_view path, std::string_view bytes, PathArgs args) {
  auto loc = Resolve(path, args);
  if (!loc) return 0;
  RegValue value = RegValue::Binary(bytes);
  value.kind = RegKind::kString;
  return Store(*loc, value, std::string());
}

size_t SettingsStore::Store(const SettingLocation& loc, const RegValue& value, std::string spill) {
  if (registry_.WriteValue(loc.root, loc.key, loc.name, value).ok()) return value.data.size();
  if (value.data.size() <= kSpillAbove) return 0;
  if (spill.empty()) spill = value.data;
  std::string file = SpillFilePath(loc);
  // An earlier spill of this value stays whole until the new one is.
  bool created = false;
  if (!files_.ReplaceContent(file, spill, &created).ok()) return 0;
  if (!registry_.WriteValue(loc.root, loc.key, loc.name, RegValue::Text(std::string(kSpillReference) + file)).ok()) {
    (void)files_.Delete(file);  // the registry is the failure to report
    return 0;
  }
  return spill.size();
}

size_t SettingsStore::Read(std::string_view path, size_t capacity, SettingData* out, PathArgs args) {
  out->kind = RegKind::kString;
  out->bytes.clear();
  auto loc = Resolve(path, args);
  if (!loc) return 0;
  RegValue v;
  bool spilled = false;
  if (!Fetch(*loc, capacity, &v, &spilled)) return 0;
  std::string bytes;
  size_t size;
  if (v.kind == RegKind::kMultiString) {
    bytes = MultiStringToLines(v.data);
    size = bytes.size() + 1;
  } else if (IsTextKind(v.kind)) {
    bytes = v.AsText();
    size = bytes.size() + 1;
  } else {
    bytes = std::move(v.data);
    size = bytes.size();
  }
  if (size > capacity) return 0;
  out->kind = v.kind;
  out->bytes = std::move(bytes);
  return size;
}

int SettingsStore::Delete(std::string_view path, PathArgs args) {
  auto loc = Resolve(path, args);
  if (!loc) return 0;
  std::string asKey = loc->key;
  if (!loc->namesKey && loc->name.find('\\') == std::string::npos)
    asKey += (asKey.empty() ? "" : "\\") + loc->name;
  // The roots themselves are never deleted.
  if (!asKey.empty() && registry_.KeyExists(loc->root, asKey))
    return registry_.DeleteKeyTree(loc->root, asKey).ok() ? 1 : 0;
  if (loc->namesKey) return 0;
  RegValue v;
  std::string file;
  if (registry_.ReadValue(loc->root, loc->key, loc->name, &v).ok()) file = SpillReferenceOf(v);
  if (!registry_.DeleteValue(loc->root, loc->key, loc->name).ok()) return 0;
  // Only a file this store would have spilled to goes with the value: a user's text that
  // merely starts with "FILE::" must not cost them the file it names.
  if (!file.empty() && FileNameOf(file) == FileNameOf(SpillFilePath(*loc)))
    (void)files_.Delete(file);  // the value is gone; a file left behind is only litter
  return 1;
}

int32_t SettingsStore::ReadNumber(std::string_view path, PathArgs args) {
  auto loc = Resolve(path, args);
  if (!loc) return 0;
  RegValue v;
  bool spilled = false;
  if (!Fetch(*loc, static_cast<size_t>(-1), &v, &spilled)) return 0;
  if (v.kind == RegKind::kNumber) return static_cast<int32_t>(v.AsNumber());
  std::string_view text = v.data;
  return DecimalOf(text.substr(0, text.find('\0')));
}

std::string SettingsStore::ReadText(std::string_view path, size_t capacity, PathArgs args) {
  SettingData d;
  if (Read(path, capacity, &d, args) == 0) return std::string();
  size_t nul = d.bytes.find('\0');
  if (nul != std::string::npos) d.bytes.resize(nul);
  return d.bytes;
}

size_t SettingsStore::WriteText(std::string_view path, std::string_view text, PathArgs args) {
  return Write(path, RegKind::kString, text, args);
}

size_t SettingsStore::WriteNumber(std::string_view path, uint32_t number, PathArgs args) {
  return Write(path, RegKind::kNumber, RegValue::Number(number).data, args);
}

}  // namespace plumo
