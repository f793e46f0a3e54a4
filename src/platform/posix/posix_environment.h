#pragma once

#include "platform/environment.h"

namespace plumo {

class PosixEnvironment : public Environment {
 public:
  std::optional<std::string> Get(const std::string& name) override;
  OsError Set(const std::string& name, const std::optional<std::string>& value) override;
  std::string ExpandStrings(const std::string& text) override;
  std::string TempFolder() override;
  std::string DocumentsFolder() override;
  std::string AppDataFolder() override;
  // $XDG_DESKTOP_DIR, else ~/Desktop when it exists, else "".
  std::string DesktopFolder() override;
  // Linux has no Start Menu folder: "".
  std::string StartMenuFolder() override { return std::string(); }
  std::string ProgramPath() override;

 private:
  std::string Home();
};

}  // namespace plumo
