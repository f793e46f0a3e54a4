#include "vars/variable_store.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "base/text.h"

namespace plumo {
namespace {

constexpr std::string_view kVariablesKey = "SOFTWARE\\Plumo\\UserVariables\\";
// Values up to this size are kept between reads.
constexpr size_t kMaxCachedValue = 64 * 1024;
constexpr size_t kMaxCachedBytes = 8 * 1024 * 1024;
constexpr uint32_t kRelistAfterOwnChange = 1000;

constexpr std::string_view kHiddenNames[] = {"parameter", " (File=", "_loop_", "login_", "SavedMousePosition",
                                             "DLL_"};

size_t TextLength(std::string_view bytes) {
  size_t nul = bytes.find('\0');
  return nul == std::string_view::npos ? bytes.size() : nul;
}

}  // namespace

std::string VariableName(std::string_view name) {
  if (!name.empty() && name.front() == '%') name.remove_prefix(1);
  return std::string(name.substr(0, kMaxVariableName));
}

bool IsBinaryValue(std::string_view value) {
  for (char c : value) {
    auto u = static_cast<unsigned char>(c);
    if ((u >= 1 && u <= 8) || u == 255) return true;
  }
  return false;
}

bool IsHiddenVariable(std::string_view name) {
  if (!name.empty() && name.front() == '_') return true;
  return std::any_of(std::begin(kHiddenNames), std::end(kHiddenNames),
                     [&](std::string_view part) { return name.find(part) != std::string_view::npos; });
}

VariableStore::VariableStore(SettingsStore& settings, Registry& registry) : settings_(settings), registry_(registry) {}

void VariableStore::Refresh() {
  const std::optional<SettingLocation> loc = ResolveSettingPath(kVariablesKey, {}, settings_.keyOverride());
  uint64_t stamp = loc ? registry_.ChangeStamp(loc->root, loc->key) : 0;
  if (fresh_ && stamp == stamp_ && override_ == settings_.keyOverride() &&
      (!ownChangeStamp_ || ++refreshesSinceOwnChange_ < kRelistAfterOwnChange))
    return;
  ownChangeStamp_ = false;
  refreshesSinceOwnChange_ = 0;
  override_ = settings_.keyOverride();
  names_.clear();
  lengths_.reset();
  values_.clear();
  cachedBytes_ = 0;
  std::vector<std::string> names;
  if (loc) (void)registry_.ListValues(loc->root, loc->key, &names);  // no key yet: no variables
  count_ = names.size();
  for (const std::string& n : names) {
    if (n.size() > kMaxVariableName) continue;  // no reference reaches it
    lengths_.set(n.size());
    names_.insert(ToUpperAnsi(n));
  }
  stamp_ = stamp;
  fresh_ = true;
}

std::optional<std::string> VariableStore::Read(std::string_view name) {
  std::string n = VariableName(name);
  if (n.empty()) return std::nullopt;
  std::lock_guard<std::mutex> lock(mu_);
  Refresh();
  std::string folded = ToUpperAnsi(n);
  // A name with a backslash reaches into a subkey, which the listing does not show.
  bool listed = n.find('\\') == std::string::npos;
  if (listed && !names_.count(folded)) return std::nullopt;
  if (auto it = values_.find(folded); it != values_.end()) return it->second;
  SettingData d;
  if (settings_.Read(kVariablePath, static_cast<size_t>(-1), &d, {n}) == 0) return std::nullopt;
  while (!d.bytes.empty() && d.bytes.back() == '\0') d.bytes.pop_back();
  if (listed && d.bytes.size() <= kMaxCachedValue) {
    if (cachedBytes_ + d.bytes.size() > kMaxCachedBytes) {
      values_.clear();
      cachedBytes_ = 0;
    }
    cachedBytes_ += d.bytes.size();
    values_.emplace(std::move(folded), d.bytes);
  }
  return std::move(d.bytes);
}

size_t VariableStore::Probe(std::string_view name) {
  std::string n = VariableName(name);
  if (n.empty()) return 0;
  return settings_.Probe(kVariablePath, {n});
}

size_t VariableStore::Count() {
  std::lock_guard<std::mutex> lock(mu_);
  Refresh();
  return count_;
}

std::vector<std::string> VariableStore::Names() {
  std::lock_guard<std::mutex> lock(mu_);
  std::vector<std::string> names;
  if (auto loc = ResolveSettingPath(kVariablesKey, {}, settings_.keyOverride()))
    (void)registry_.ListValues(loc->root, loc->key, &names);
  return names;
}

size_t VariableStore::Write(std::string_view name, std::string_view bytes) {
  std::string n = VariableName(name);
  if (n.empty()) return 0;
  std::lock_guard<std::mutex> lock(mu_);
  Refresh();
  const size_t written = settings_.WriteExactText(kVariablePath, bytes, {n});
  if (written == 0) {
    fresh_ = false;
    return 0;
  }
  KeepOwnChange(n, bytes);
  return written;
}

bool VariableStore::Delete(std::string_view name) {
  std::string n = VariableName(name);
  if (n.empty()) return false;
  std::lock_guard<std::mutex> lock(mu_);
  Refresh();
  const bool deleted = settings_.Delete(kVariablePath, {n}) == 1;
  if (deleted) KeepOwnChange(n, std::nullopt);
  return deleted;
}

void VariableStore::KeepOwnChange(const std::string& name, std::optional<std::string_view> value) {
  std::string folded = ToUpperAnsi(name);
  // A name with a backslash reaches into a subkey, which the listing does not show.
  if (!fresh_ || name.find('\\') != std::string::npos) {
    fresh_ = false;
    return;
  }
  if (auto it = values_.find(folded); it != values_.end()) {
    cachedBytes_ -= it->second.size();
    values_.erase(it);
  }
  if (value) {
    if (names_.insert(folded).second) {
      lengths_.set(folded.size());
      ++count_;
    }
    std::string_view bytes = *value;
    while (!bytes.empty() && bytes.back() == '\0') bytes.remove_suffix(1);
    if (bytes.size() <= kMaxCachedValue && cachedBytes_ + bytes.size() <= kMaxCachedBytes) {
      cachedBytes_ += bytes.size();
      values_.emplace(folded, std::string(bytes));
    }
  } else if (names_.erase(folded)) {
    --count_;  // lengths_ may keep a length no name has now: it only narrows the search
  }
  const std::optional<SettingLocation> loc = ResolveSettingPath(kVariablesKey, {}, settings_.keyOverride());
  stamp_ = loc ? registry_.ChangeStamp(loc->root, loc->key) : 0;
  ownChangeStamp_ = true;
}

void VariableStore::DeleteAll() { settings_.Delete(kVariablesKey); }

size_t VariableStore::LongestExistingPrefix(std::string_view candidate) {
  candidate = candidate.substr(0, kMaxVariableName);
  std::lock_guard<std::mutex> lock(mu_);
  Refresh();
  if (names_.empty()) return 0;
  std::string folded = ToUpperAnsi(candidate);
  for (size_t len = folded.size(); len > 0; --len) {
    if (!lengths_.test(len)) continue;
    folded.resize(len);
    if (names_.count(folded)) return len;
  }
  return 0;
}

int SlotNumber(std::string_view name) {
  if (name.size() < 3 || name[0] != '{' || name[1] < '1' || name[1] > '9' || name[2] != '}') return 0;
  return name[1] - '0';
}

void MemorySlots::Store(int n, std::string_view value, size_t length) {
  if (n < 1 || n > kCount) return;
  std::string& buf = buffers_[n - 1];
  size_t size = std::max(TextLength(value), length);
  if (buf.size() > size) {
    std::fill(buf.begin(), buf.end(), '\0');
  } else {
    buf.assign(std::max<size_t>(4096, size + 65536), '\0');
  }
  std::memcpy(buf.data(), value.data(), std::min(size, value.size()));
}

std::optional<std::string_view> MemorySlots::Text(int n) const {
  if (n < 1 || n > kCount || buffers_[n - 1].empty()) return std::nullopt;
  const std::string& buf = buffers_[n - 1];
  return std::string_view(buf.data(), TextLength(buf));
}

size_t MemorySlots::Capacity(int n) const { return n < 1 || n > kCount ? 0 : buffers_[n - 1].size(); }

void MemorySlots::Free(int n) {
  if (n < 1 || n > kCount) return;
  std::string().swap(buffers_[n - 1]);
}

void MemorySlots::FreeAll() {
  for (int n = 1; n <= kCount; ++n) Free(n);
}

}  // namespace plumo
