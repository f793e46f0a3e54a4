// An environment held in a map, with fixed folders.
#pragma once

#include <map>

#include "base/text.h"
#include "platform/environment.h"

namespace plumo {

class FakeEnvironment : public Environment {
 public:
  std::optional<std::string> Get(const std::string& name) override {
    auto it = vars_.find(name);
    if (it == vars_.end()) return std::nullopt;
    return it->second;
  }
  OsError Set(const std::string& name, const std::optional<std::string>& value) override {
    if (name.empty() || name.find('=') != std::string::npos)
      return OsError("SetEnvironmentVariableA", oscode::kInvalidParameter, "The parameter is incorrect.");
    if (value)
      vars_[name] = *value;
    else
      vars_.erase(name);
    return OsError::Ok();
  }
  std::string ExpandStrings(const std::string& text) override {
    return ExpandPercentNames(text, [this](const std::string& n) { return Get(n); });
  }
  std::string TempFolder() override { return temp_; }
  std::string DocumentsFolder() override { return "C:\\Users\\Test\\Documents\\"; }
  std::string AppDataFolder() override { return "C:\\Users\\Test\\AppData\\Roaming\\"; }
  std::string DesktopFolder() override { return desktopFolder; }
  std::string StartMenuFolder() override { return "C:\\Users\\Test\\Start Menu\\"; }
  std::string ProgramPath() override { return "C:\\Program Files\\Plumo\\Plumo.exe"; }

  void SetTempFolder(std::string folder) { temp_ = std::move(folder); }
  std::string desktopFolder = "C:\\Users\\Test\\Desktop\\";

 private:
  // Names compare without case, as Windows does.
  std::map<std::string, std::string, LessNoCase> vars_;
  std::string temp_ = "C:\\Temp\\";
};

}  // namespace plumo
