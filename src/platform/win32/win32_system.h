#pragma once

#include "platform/system.h"

namespace plumo {

class Win32System : public System {
 public:
  OsVersion Version() override;
  MemoryStatus Memory() override;
  std::string CurrentDirectory() override;
  OsError ShellOpen(const std::string& command, uint32_t* shellResult = nullptr) override;
  std::string CommandLine() override;
  std::string SystemFolder() override;
  std::string WindowsFolder() override;
  std::string UserName() override;
  int32_t TimeZoneBias() override;
  void AnnounceEnvironmentChange() override;
  bool StartsRunEntriesAtBoot() override { return true; }
  void DebugOutput(const std::string& text) override;
  // Enables the shutdown privilege first.
  OsError EndSession(SessionEnd how) override;
  OsError MapDrive(const std::string& letter, const std::string& share, const std::string& user,
                   const std::string& password) override;
  OsError MapDrivePrompt() override;
};

}  // namespace plumo
