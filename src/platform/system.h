// System port: the operating system's version, memory, current directory, and starting a
// program or document through the system's shell.
#pragma once

#include <cstdint>
#include <string>

#include "platform/os_error.h"

namespace plumo {

struct OsVersion {
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  bool workstation = true;
  bool windows = false;  // the numbers are Windows version numbers
};

enum class SessionEnd { kLogoff, kReboot, kShutdown };

struct MemoryStatus {
  uint64_t total = 0;
  uint64_t available = 0;
};

class System {
 public:
  virtual ~System() = default;
  virtual OsVersion Version() = 0;
  virtual MemoryStatus Memory() = 0;
  virtual std::string CurrentDirectory() = 0;
  // Opens the program or document (a leading quoted part is the file, the rest its
  // parameters). *shellResult, when given, gets what ShellExecute answers: above 32 when it
  // started, else the error code.
  virtual OsError ShellOpen(const std::string& command, uint32_t* shellResult = nullptr) = 0;

  // The command line the process was started with.
  virtual std::string CommandLine() = 0;
  // The system's own folders without a trailing separator; "" where the system has none.
  virtual std::string SystemFolder() = 0;
  virtual std::string WindowsFolder() = 0;
  virtual std::string UserName() = 0;
  // UTC minus local time in minutes.
  virtual int32_t TimeZoneBias() = 0;
  // Tells the other programs that the environment in the registry changed (on Windows the
  // setting-change broadcast to every top-level window, hung ones passed over after 5 s).
  virtual void AnnounceEnvironmentChange() = 0;
  // Whether the system starts the commands of the Run key at boot (Windows does; the Linux
  // runner keeps the key in its own registry, which nothing reads at boot).
  virtual bool StartsRunEntriesAtBoot() = 0;
  // Text for a debugger watching the process (OutputDebugString); Linux has no such channel
  // and drops it.
  virtual void DebugOutput(const std::string& text) = 0;
  // Logs the user off, or restarts or shuts down the machine, forced; the system's refusal
  // (a missing privilege or permission) comes back as the error.
  virtual OsError EndSession(SessionEnd how) = 0;
  // Connects a drive letter ("H:") to a network share ("\\server\share"); empty user and
  // password are those of the session. Linux has no drive letters and refuses.
  virtual OsError MapDrive(const std::string& letter, const std::string& share, const std::string& user,
                           const std::string& password) = 0;
  // The system's own dialog that lets the user connect a drive; oscode::kCancelled when the
  // user cancels it.
  virtual OsError MapDrivePrompt() = 0;
};

// Splits "\"C:\\a b\\x.exe\" -p" into file and parameters; an unquoted text is all file.
void SplitCommand(const std::string& command, std::string* file, std::string* params);

}  // namespace plumo
