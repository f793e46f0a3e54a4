// Environment port: process environment variables and the well-known folders.
#pragma once

#include <optional>
#include <string>

#include "platform/os_error.h"

namespace plumo {

class Environment {
 public:
  virtual ~Environment() = default;

  // nullopt when the variable is not set (an empty value is a set variable).
  virtual std::optional<std::string> Get(const std::string& name) = 0;
  // Sets the variable for this process and the programs it starts; nullopt removes it.
  virtual OsError Set(const std::string& name, const std::optional<std::string>& value) = 0;
  // Replaces every %NAME% of a set variable by its value; unknown names stay as written.
  virtual std::string ExpandStrings(const std::string& text) = 0;

  // Folders, each with a trailing separator.
  virtual std::string TempFolder() = 0;
  virtual std::string DocumentsFolder() = 0;
  virtual std::string AppDataFolder() = 0;
  // The user's desktop folder and Start Menu; "" where the system has none.
  virtual std::string DesktopFolder() = 0;
  virtual std::string StartMenuFolder() = 0;
  // Full path of the running program's file.
  virtual std::string ProgramPath() = 0;
};

// The %NAME% rule of ExpandEnvironmentStrings, shared by the ports: a name runs to the next
// '%'; an unknown name stays as written, both '%' included, and scanning goes on after it.
template <typename Lookup>
std::string ExpandPercentNames(const std::string& text, Lookup lookup) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      out.push_back(text[i++]);
      continue;
    }
    size_t end = text.find('%', i + 1);
    if (end == std::string::npos) {
      out.append(text, i, std::string::npos);
      break;
    }
    std::optional<std::string> value;
    if (end > i + 1) value = lookup(text.substr(i + 1, end - i - 1));
    if (value) {
      out += *value;
      i = end + 1;
    } else {
      out.append(text, i, end - i + 1);
      i = end + 1;
    }
  }
  return out;
}

}  // namespace plumo
