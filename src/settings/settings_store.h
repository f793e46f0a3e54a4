// The settings store: every setting and the other registry data of the system (user
// variables, hand-over slots, the last failed step) tested, read, written and deleted by a
// textual path (see setting_path.h). Values the registry refuses that are longer than 512
// bytes go to a spill file in the temporary folder; the registry then holds "FILE::" and the
// file's path, and reads and probes follow it.
//
//   SettingsStore store(port.registry(), port.environment(), port.files());
//   store.WriteNumber("*\\InterStepDelay", 250);
//   int delay = store.ReadNumber("*\\InterStepDelay");
//   std::string key = store.ReadText("*\\Accelerators\\%s", 64, {"Find Next"});
//
// The store keeps no state between calls but the key-name override; callers that share a value
// across threads hold their own lock around it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/environment.h"
#include "platform/files.h"
#include "platform/registry.h"
#include "settings/setting_path.h"

namespace plumo {

inline constexpr size_t kSpillAbove = 512;
inline constexpr std::string_view kSpillReference = "FILE::";

// A value as read: texts without their terminating NUL, multi-line text with CR LF between
// the lines, numbers as their four little-endian bytes, binary data as stored.
struct SettingData {
  RegKind kind = RegKind::kString;
  std::string bytes;
};

class SettingsStore {
 public:
  SettingsStore(Registry& registry, Environment& environment, Files& files);

  // The start-up INI's "UserRegistryKey": replaces the product word in every path ("" for none).
  void SetKeyOverride(std::string_view word);
  const std::string& keyOverride() const { return keyOverride_; }

  // The four requests. Each returns 0 for an empty or over-long path.
  // Stored size in bytes (for a spilled value the file's size), 0 when absent; a path ending
  // in a backslash gives 1 when the key exists.
  size_t Probe(std::string_view path, PathArgs args = {});
  // Stores data of the kind: a text without its NUL (multi-line text with CR LF or LF between
  // its lines), a number as four little-endian bytes, binary data as it is. Returns the bytes
  // stored, 0 on failure.
  size_t Write(std::string_view path, RegKind kind, std::string_view data, PathArgs args = {});
  // Stores the bytes exactly as given, as a registry string that holds NUL bytes where they
  // hold them and no terminating NUL that they lack. Spills like Write.
  size_t WriteExactText(std::string_view path, std::string_view bytes, PathArgs args = {});
  // Fills *out when the value fits in a buffer of capacity bytes (texts with their NUL) and
  // returns that size; 0 and an empty *out when absent or too large.
  size_t Read(std::string_view path, size_t capacity, SettingData* out, PathArgs args = {});
  // A key (the path opens as one) goes with all its subkeys; otherwise the value, and its
  // spill file when it has one. 1 on success, 0 otherwise.
  int Delete(std::string_view path, PathArgs args = {});

  // A number value as stored, any other kind read as decimal text; 0 when absent.
  int32_t ReadNumber(std::string_view path, PathArgs args = {});
  // The value as a C caller's buffer of capacity bytes would hold it: up to its first NUL (a
  // number's bytes included); "" when absent or too large.
  std::string ReadText(std::string_view path, size_t capacity, PathArgs args = {});
  size_t WriteText(std::string_view path, std::string_view text, PathArgs args = {});
  size_t WriteNumber(std::string_view path, uint32_t number, PathArgs args = {});

  // Where a value of this path spills: the temporary folder, the path with every backslash
  // (and every other character a file name cannot hold) made '_', and ".dat".
  std::string SpillFilePath(const SettingLocation& loc);

 private:
  std::optional<SettingLocation> Resolve(std::string_view path, PathArgs args) const;
  // The value with a "FILE::" reference replaced by the file's content; false when absent or
  // when the file cannot be read within limit bytes.
  bool Fetch(const SettingLocation& loc, size_t limit, RegValue* value, bool* spilled);
  // Writes the value, or spills it when the registry refuses it; spill is what the file
  // holds ("" for the value's own bytes).
  size_t Store(const SettingLocation& loc, const RegValue& value, std::string spill);

  Registry& registry_;
  Environment& environment_;
  Files& files_;
  std::string keyOverride_;
};

// Multi-line text as the registry holds it, and back: CR LF, then any lone CR or LF, becomes a
// NUL separator; two NULs end the data.
std::string LinesToMultiString(std::string_view text);
std::string MultiStringToLines(std::string_view data);

}  // namespace plumo
