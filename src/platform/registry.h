// Registry port: hierarchical keys under a few roots, values of four kinds.
// Paths are backslash-separated key paths below a root ("SOFTWARE\\Plumo\\Palettes").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

// Root keys by their Win32 handle values, so that stored paths and tables read the same on
// both builds.
enum class RegRoot : uint32_t {
  kClassesRoot = 0x80000000u,
  kCurrentUser = 0x80000001u,
  kLocalMachine = 0x80000002u,
  kUsers = 0x80000003u,
  kCurrentConfig = 0x80000005u,
};

// Value kinds by their Win32 numbers.
enum class RegKind : uint32_t {
  kString = 1,     // REG_SZ
  kExpandString = 2,  // REG_EXPAND_SZ, read as text
  kBinary = 3,     // REG_BINARY
  kNumber = 4,     // REG_DWORD
  kMultiString = 7,  // REG_MULTI_SZ
};

// A value as stored: the raw bytes exactly as the registry holds them. Texts keep their
// terminating NUL the way Win32 stores them; numbers are four little-endian bytes.
struct RegValue {
  RegKind kind = RegKind::kString;
  std::string data;

  static RegValue Text(std::string_view s, RegKind kind = RegKind::kString);
  static RegValue Number(uint32_t n);
  static RegValue Binary(std::string_view bytes);

  // The text without its terminating NULs (string kinds).
  std::string AsText() const;
  // The number (kNumber, or the first four bytes of anything else; missing bytes are zero).
  uint32_t AsNumber() const;
};

class Registry {
 public:
  virtual ~Registry() = default;

  // Creates the key and its missing parents.
  virtual OsError CreateKey(RegRoot root, const std::string& key) = 0;
  virtual bool KeyExists(RegRoot root, const std::string& key) = 0;
  // Removes the key with all its subkeys and values.
  virtual OsError DeleteKeyTree(RegRoot root, const std::string& key) = 0;

  // Fails with oscode::kFileNotFound when the key or the value is missing.
  virtual OsError ReadValue(RegRoot root, const std::string& key, const std::string& name,
                            RegValue* out) = 0;
  // Creates the key when missing.
  virtual OsError WriteValue(RegRoot root, const std::string& key, const std::string& name,
                             const RegValue& value) = 0;
  virtual OsError DeleteValue(RegRoot root, const std::string& key, const std::string& name) = 0;

  // Names in the registry's own order; fails with kFileNotFound for a missing key.
  virtual OsError ListValues(RegRoot root, const std::string& key, std::vector<std::string>* names) = 0;
  virtual OsError ListSubkeys(RegRoot root, const std::string& key, std::vector<std::string>* names) = 0;

  // A number that stays the same only while nothing under the key (its values and subkeys)
  // changed, through this object or, for a registry other programs share, through them. It
  // may also move for changes elsewhere. Cheap: callers ask on every read to decide whether
  // what they derived from the key still holds. An implementation that cannot tell answers a
  // new number each time.
  virtual uint64_t ChangeStamp(RegRoot root, const std::string& key) = 0;
};

// The command that opens documents with the extension (".txt" or "txt"), the user's classes
// first; nullopt when none is registered.
std::optional<std::string> RegisteredOpenCommand(Registry& registry, std::string extension);

}  // namespace plumo
