#include "settings/setting_path.h"

#include <cstdio>
#include <cstring>

#include "base/text.h"

namespace plumo {
namespace {

struct RootPrefix {
  std::string_view prefix;
  RegRoot root;
};

// Matched in order; the forms without the leading "H" are accepted where the system does.
constexpr RootPrefix kRootPrefixes[] = {
    {"HKEY_CLASSES_ROOT\\", RegRoot::kClassesRoot},     {"KEY_CLASSES_ROOT\\", RegRoot::kClassesRoot},
    {"HKEY_LOCAL_MACHINE\\", RegRoot::kLocalMachine},   {"KEY_LOCAL_MACHINE\\", RegRoot::kLocalMachine},
    {"HKEY_CURRENT_CONFIG\\", RegRoot::kCurrentConfig}, {"KEY_CURRENT_CONFIG\\", RegRoot::kCurrentConfig},
    {"HKEY_USERS\\", RegRoot::kUsers},                  {"HKEY_CURRENT_USER\\", RegRoot::kCurrentUser},
    {"KEY_CURRENT_USER\\", RegRoot::kCurrentUser},
};

template <typename T>
void AppendPrintf(std::string& out, const std::string& fmt, T value) {
  int n = std::snprintf(nullptr, 0, fmt.c_str(), value);
  if (n <= 0) return;
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(n) + 1);
  std::snprintf(out.data() + at, static_cast<size_t>(n) + 1, fmt.c_str(), value);
  out.resize(at + static_cast<size_t>(n));
}

// Appends one conversion; head is "%" with its flags, width and precision, without the letter.
void AppendConversion(std::string& out, std::string head, char conv, const PathArg& arg) {
  if (conv == 's' || arg.isText()) {
    std::string text = arg.isText() ? arg.text() : std::to_string(arg.number());
    AppendPrintf(out, head + 's', text.c_str());
  } else if (conv == 'c') {
    AppendPrintf(out, head + 'c', static_cast<int>(static_cast<unsigned char>(arg.number())));
  } else {
    AppendPrintf(out, head + "ll" + conv, static_cast<long long>(arg.number()));
  }
}

}  // namespace

std::string FormatSettingPath(std::string_view pattern, PathArgs args) {
  std::string out;
  out.reserve(pattern.size() + 32);
  const PathArg* next = args.begin();
  size_t i = 0;
  while (i < pattern.size()) {
    char c = pattern[i];
    if (c != '%') {
      out.push_back(c);
      ++i;
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
      out.push_back('%');
      i += 2;
      continue;
    }
    // flags, width, precision (no '*'), then length modifiers, then the conversion
    size_t j = i + 1;
    while (j < pattern.size() && std::strchr("-+ #0", pattern[j])) ++j;
    for (int digits = 0; j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && digits < 3; ++digits) ++j;
    if (j < pattern.size() && pattern[j] == '.') {
      ++j;
      for (int digits = 0; j < pattern.size() && pattern[j] >= '0' && pattern[j] <= '9' && digits < 3; ++digits) ++j;
    }
    std::string head(pattern.substr(i, j - i));
    while (j < pattern.size() && (pattern[j] == 'l' || pattern[j] == 'h')) ++j;
    char conv = j < pattern.size() ? pattern[j] : '\0';
    if (!conv || !std::strchr("diuxXcs", conv) || next == args.end()) {
      out.push_back('%');
      ++i;
      continue;
    }
    AppendConversion(out, head, conv, *next++);
    i = j + 1;
  }
  return out;
}

std::string_view RootName(RegRoot root) {
  for (const auto& p : kRootPrefixes)
    if (p.root == root) return p.prefix.substr(0, p.prefix.size() - 1);
  return "HKEY_CURRENT_USER";
}

std::optional<SettingLocation> ResolveSettingPath(std::string_view path, PathArgs args,
                                                  std::string_view keyOverride) {
  std::string text;
  if (path.size() < kFormatPathBelow && path.find('%') != std::string_view::npos)
    text = FormatSettingPath(path, args);
  else
    text.assign(path);
  if (text.empty() || text.size() > kMaxSettingPath) return std::nullopt;

  if (text.compare(0, kProgramKeyShorthand.size(), kProgramKeyShorthand) == 0)
    text = std::string(kProgramKey) + text.substr(kProgramKeyShorthand.size());
  if (!keyOverride.empty()) {
    size_t at = FindNoCase(text, "\\Plumo\\");
    if (at != std::string::npos)
      text.replace(at + 1, 5, Bounded(keyOverride, kMaxKeyOverride + 1));
  }

  SettingLocation loc;
  loc.full = text;
  std::string_view rest = text;
  for (const auto& p : kRootPrefixes) {
    if (StartsWithNoCase(rest, p.prefix)) {
      loc.root = p.root;
      rest.remove_prefix(p.prefix.size());
      break;
    }
  }
  // The value name follows the last backslash that is not one of a doubled pair.
  size_t sep = std::string_view::npos;
  for (size_t i = 0; i < rest.size(); ++i) {
    if (rest[i] != '\\') continue;
    if (i + 1 < rest.size() && rest[i + 1] == '\\') {
      ++i;
      continue;
    }
    sep = i;
  }
  std::string_view rawName = sep == std::string_view::npos ? rest : rest.substr(sep + 1);
  if (sep != std::string_view::npos) loc.key.assign(rest.substr(0, sep));
  for (size_t i = 0; i < rawName.size(); ++i) {
    loc.name.push_back(rawName[i]);
    if (rawName[i] == '\\' && i + 1 < rawName.size() && rawName[i + 1] == '\\') ++i;
  }
  loc.namesKey = sep != std::string_view::npos && sep + 1 == rest.size();
  return loc;
}

}  // namespace plumo
