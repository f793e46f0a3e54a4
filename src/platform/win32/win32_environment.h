#pragma once

#include "platform/environment.h"

namespace plumo {

class Win32Environment : public Environment {
 public:
  std::optional<std::string> Get(const std::string& name) override;
  OsError Set(const std::string& name, const std::optional<std::string>& value) override;
  std::string ExpandStrings(const std::string& text) override;
  std::string TempFolder() override;
  std::string DocumentsFolder() override;
  std::string AppDataFolder() override;
  std::string DesktopFolder() override;
  std::string StartMenuFolder() override;
  std::string ProgramPath() override;
};

}  // namespace plumo
