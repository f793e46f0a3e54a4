#pragma once

#include "platform/system.h"

namespace plumo {

class PosixSystem : public System {
 public:
  // The kernel's version numbers.
  OsVersion Version() override;
  MemoryStatus Memory() override;
  std::string CurrentDirectory() override;
  // Starts the command through /bin/sh without waiting for it: 33 when the shell started.
  OsError ShellOpen(const std::string& command, uint32_t* shellResult = nullptr) override;
  // The arguments joined by spaces, those with blanks quoted.
  std::string CommandLine() override;
  // Linux has neither: "".
  std::string SystemFolder() override { return std::string(); }
  std::string WindowsFolder() override { return std::string(); }
  std::string UserName() override;
  int32_t TimeZoneBias() override;
  // Programs read their environment at start; there is nobody to tell.
  void AnnounceEnvironmentChange() override {}
  bool StartsRunEntriesAtBoot() override { return false; }
  void DebugOutput(const std::string&) override {}
  // Asks the service manager (systemctl reboot / poweroff, loginctl terminate-session) and
  // passes its complaint on when it refuses.
  OsError EndSession(SessionEnd how) override;
  OsError MapDrive(const std::string& letter, const std::string& share, const std::string& user,
                   const std::string& password) override;
  OsError MapDrivePrompt() override;
};

}  // namespace plumo
