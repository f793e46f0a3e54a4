// Setting paths: "*\\Palettes\\Output\\Font", "HKEY_LOCAL_MACHINE\\SOFTWARE\\X\\Name",
// "SOFTWARE\\Plumo\\RecentFile%d" with its arguments. A path names a root, a key and a value
// (or, ending in a backslash, a key alone).
#pragma once

#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>

#include "platform/registry.h"

namespace plumo {

// One argument of a path's printf-style conversions: a number or a text.
class PathArg {
 public:
  PathArg(int v) : number_(v) {}
  PathArg(long v) : number_(v) {}
  PathArg(long long v) : number_(v) {}
  PathArg(unsigned v) : number_(v) {}
  PathArg(unsigned long v) : number_(static_cast<int64_t>(v)) {}
  PathArg(const char* s) : text_(s ? s : ""), isText_(true) {}
  PathArg(const std::string& s) : text_(s), isText_(true) {}
  PathArg(std::string_view s) : text_(s), isText_(true) {}

  bool isText() const { return isText_; }
  int64_t number() const { return number_; }
  const std::string& text() const { return text_; }

 private:
  int64_t number_ = 0;
  std::string text_;
  bool isText_ = false;
};
using PathArgs = std::initializer_list<PathArg>;

inline constexpr size_t kMaxSettingPath = 511;
// Paths this long or longer are taken as written, '%' and all.
inline constexpr size_t kFormatPathBelow = 480;
inline constexpr size_t kMaxKeyOverride = 128;
inline constexpr std::string_view kProgramKeyShorthand = "*\\";
inline constexpr std::string_view kProgramKey = "HKEY_CURRENT_USER\\SOFTWARE\\Plumo\\";

// printf-style formatting of %d %i %u %x %X %c %s %% with flags, width and precision. A
// conversion without an argument left, or of an unknown kind, stays as written; a text given
// to a number conversion is printed as text and a number given to %s as a decimal.
std::string FormatSettingPath(std::string_view pattern, PathArgs args);

struct SettingLocation {
  RegRoot root = RegRoot::kCurrentUser;
  std::string key;   // below the root, without a trailing backslash
  std::string name;  // the value name, doubled backslashes made single
  bool namesKey = false;  // the path ended in a backslash
  std::string full;  // the formatted path with the shorthand expanded and the override applied
};

// Formats the path (when shorter than 480 characters and holding '%'), expands "*\\", puts
// keyOverride in place of the product word of the first "\\Plumo\\", removes the root
// prefix and splits off the value name. nullopt for an empty path or one longer than 511
// characters after formatting.
std::optional<SettingLocation> ResolveSettingPath(std::string_view path, PathArgs args,
                                                  std::string_view keyOverride);

// The printable name of a root, as a path prefix would spell it ("HKEY_CURRENT_USER").
std::string_view RootName(RegRoot root);

}  // namespace plumo
