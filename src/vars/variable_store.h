// User variables and the nine memory slots.
//
// A user variable is a value under SOFTWARE\Plumo\UserVariables, reached through the settings
// store so that the key-name override applies; it outlives the process and every program on
// the same registry key shares it. Reads on the hot path come from a cache that is checked
// against the registry's change stamp, so nothing touches the disk while nothing changed and a
// value another process wrote is seen by the next read.
#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "platform/registry.h"
#include "settings/settings_store.h"

namespace plumo {

inline constexpr size_t kMaxVariableName = 63;
inline constexpr std::string_view kVariablePath = "SOFTWARE\\Plumo\\UserVariables\\%s";

// The stored name: a leading '%' removed, at most 63 characters.
std::string VariableName(std::string_view name);

// A value holding any of the bytes 1 to 8 or 255 is shown and logged as binary.
bool IsBinaryValue(std::string_view value);

// Names the program keeps for itself, which the Variables palette does not show.
bool IsHiddenVariable(std::string_view name);

class VariableStore {
 public:
  VariableStore(SettingsStore& settings, Registry& registry);

  // The whole value (spill files included) without trailing NUL bytes; nullopt when absent.
  std::optional<std::string> Read(std::string_view name);
  // Stored size in bytes, 0 when absent.
  size_t Probe(std::string_view name);
  // The number of values in the key, whatever their names.
  size_t Count();
  // Their names as the registry lists them; read afresh, for the Variables palette.
  std::vector<std::string> Names();
  // Stores the bytes exactly as given, as a registry string. Returns the bytes stored, 0
  // when the registry refused them.
  size_t Write(std::string_view name, std::string_view bytes);
  // True when a value was deleted (with its spill file).
  bool Delete(std::string_view name);
  // The whole key with its subkeys.
  void DeleteAll();

  // The length of the longest prefix of candidate that names an existing variable, 0 for none.
  size_t LongestExistingPrefix(std::string_view candidate);

 private:
  // Drops what was derived from the registry when it changed; call with mu_ held.
  void Refresh();
  // After this store's own write or delete (value nullopt): the cache takes the change and the
  // registry's new change stamp, so a loop's own writes do not make it read everything again.
  void KeepOwnChange(const std::string& name, std::optional<std::string_view> value);

  SettingsStore& settings_;
  Registry& registry_;
  std::mutex mu_;
  uint64_t stamp_ = 0;
  std::string override_;  // the key override the names were listed under
  bool fresh_ = false;
  // Upper-case names of the values in the key, and which name lengths occur.
  std::unordered_set<std::string> names_;
  std::bitset<kMaxVariableName + 2> lengths_;
  size_t count_ = 0;
  // Values read since the last change, by upper-case name.
  std::unordered_map<std::string, std::string> values_;
  size_t cachedBytes_ = 0;
  // Refreshes since a stamp was taken after an own change. Another program's change that lands
  // between the check before the write and the stamp after it is hidden by that stamp; listing
  // again after a bounded number of refreshes shows it.
  uint32_t refreshesSinceOwnChange_ = 0;
  bool ownChangeStamp_ = false;
};

// Nine unnamed buffers "{1}" to "{9}" that live as long as the process.
class MemorySlots {
 public:
  static constexpr int kCount = 9;

  // Slot n (1 to 9) receives max(text length, length) bytes of value; a buffer that has room
  // is zeroed and reused, otherwise a new one of max(4096, size + 65536) bytes is made.
  void Store(int n, std::string_view value, size_t length);
  // The slot's text up to its first NUL; nullopt when the slot has no buffer.
  std::optional<std::string_view> Text(int n) const;
  // The size of the slot's buffer, 0 when it has none.
  size_t Capacity(int n) const;
  void Free(int n);
  void FreeAll();

 private:
  std::array<std::string, kCount> buffers_;
};

// "{N}" with N from 1 to 9: N; otherwise 0.
int SlotNumber(std::string_view name);

}  // namespace plumo
