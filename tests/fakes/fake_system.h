// A Windows 7 workstation with fixed memory and folder; programs it is asked to open are
// remembered, not started.
#pragma once

#include <vector>

#include "platform/system.h"

namespace plumo {

class FakeSystem : public System {
 public:
  OsVersion Version() override { return version; }
  MemoryStatus Memory() override { return memory; }
  std::string CurrentDirectory() override { return directory; }
  OsError ShellOpen(const std::string& command, uint32_t* result = nullptr) override {
    opened.push_back(command);
    if (result) *result = shellResult;
    return shellResult > 32 ? OsError::Ok() : OsError("ShellExecuteA", shellResult, "The system cannot find the file specified.");
  }
  std::string CommandLine() override { return commandLine; }
  std::string SystemFolder() override { return "C:\\WINDOWS\\system32"; }
  std::string WindowsFolder() override { return "C:\\WINDOWS"; }
  std::string UserName() override { return userName; }
  int32_t TimeZoneBias() override { return timeZoneBias; }
  void AnnounceEnvironmentChange() override { ++announcements; }
  bool StartsRunEntriesAtBoot() override { return startsRunEntries; }
  void DebugOutput(const std::string& text) override { debugOutput += text; }
  OsError EndSession(SessionEnd how) override {
    ended.push_back(how);
    return endSessionError;
  }

  OsError MapDrive(const std::string& letter, const std::string& share, const std::string& user,
                   const std::string& password) override {
    mappedDrives.push_back(letter + "=" + share + (user.empty() ? "" : " as " + user + "/" + password));
    return mapDriveError;
  }
  OsError MapDrivePrompt() override {
    ++drivePrompts;
    return mapDriveError;
  }

  OsVersion version{6, 1, 7601, true, true};
  std::vector<std::string> mappedDrives;
  int drivePrompts = 0;
  OsError mapDriveError = OsError::Ok();
  MemoryStatus memory{4294967296ull, 1073741824ull};
  std::string directory = "C:\\Work\\";
  uint32_t shellResult = 42;
  bool startsRunEntries = true;
  std::string debugOutput;
  std::vector<SessionEnd> ended;
  OsError endSessionError = OsError::Ok();
  std::vector<std::string> opened;
  std::string commandLine = "\"C:\\Program Files\\Plumo\\Plumo.exe\" -r test.vxm";
  std::string userName = "Tester";
  int32_t timeZoneBias = -60;
  int announcements = 0;
};

}  // namespace plumo
