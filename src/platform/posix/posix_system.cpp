#include "platform/posix/posix_system.h"

#include <pwd.h>
#include <spawn.h>
#include <stdlib.h>
#include <time.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <cstdlib>
#include <string>

#include "platform/os_error.h"

extern char** environ;

namespace plumo {

OsVersion PosixSystem::Version() {
  OsVersion v;
  struct utsname u;
  if (uname(&u) == 0) {
    unsigned major = 0, minor = 0, build = 0;
    std::sscanf(u.release, "%u.%u.%u", &major, &minor, &build);
    v.major = major;
    v.minor = minor;
    v.build = build;
  }
  return v;
}

MemoryStatus PosixSystem::Memory() {
  MemoryStatus m;
  struct sysinfo si;
  if (sysinfo(&si) == 0) {
    m.total = static_cast<uint64_t>(si.totalram) * si.mem_unit;
    m.available = static_cast<uint64_t>(si.freeram + si.bufferram) * si.mem_unit;
  }
  return m;
}

std::string PosixSystem::CurrentDirectory() {
  char buf[4096];
  return getcwd(buf, sizeof(buf)) ? std::string(buf) : std::string();
}

OsError PosixSystem::ShellOpen(const std::string& command, uint32_t* shellResult) {
  std::string file, params;
  SplitCommand(command, &file, &params);
  auto answer = [&](uint32_t value) {
    if (shellResult) *shellResult = value;
    if (value > 32) return OsError::Ok();
    return OsError("ShellOpen", value, "The system cannot find the file specified.");
  };
  if (file.empty()) return answer(oscode::kFileNotFound);
  // The shell puts the program in the background and ends at once, so nothing is left to reap;
  // a program it cannot find ends it with 2.
  std::string script = "command -v \"$0\" >/dev/null 2>&1 || exit 2; \"$0\" $1 </dev/null >/dev/null 2>&1 &";
  const char* argv[] = {"/bin/sh", "-c", script.c_str(), file.c_str(), params.c_str(), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
    return answer(oscode::kFileNotFound);
  int status = 0;
  waitpid(pid, &status, 0);
  return answer(WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 33 : oscode::kFileNotFound);
}

std::string PosixSystem::CommandLine() {
  std::ifstream in("/proc/self/cmdline", std::ios::binary);
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::string out;
  size_t start = 0;
  while (start < all.size()) {
    size_t end = all.find('\0', start);
    if (end == std::string::npos) end = all.size();
    std::string arg = all.substr(start, end - start);
    if (!out.empty()) out.push_back(' ');
    bool quote = arg.empty() || arg.find_first_of(" \t") != std::string::npos;
    out += quote ? "\"" + arg + "\"" : arg;
    start = end + 1;
  }
  return out;
}

std::string PosixSystem::UserName() {
  if (struct passwd* pw = getpwuid(getuid())) return pw->pw_name;
  const char* user = getenv("USER");
  return user ? user : "";
}

int32_t PosixSystem::TimeZoneBias() {
  time_t now = time(nullptr);
  struct tm local;
  if (!localtime_r(&now, &local)) return 0;
  return static_cast<int32_t>(-local.tm_gmtoff / 60);
}

OsError PosixSystem::EndSession(SessionEnd how) {
  std::string command;
  switch (how) {
    case SessionEnd::kLogoff: {
      const char* session = std::getenv("XDG_SESSION_ID");
      command = std::string("loginctl terminate-session ") + (session ? session : "\"\"");
      break;
    }
    case SessionEnd::kReboot: command = "systemctl reboot"; break;
    case SessionEnd::kShutdown: command = "systemctl poweroff"; break;
  }
  // The service manager's own words when it refuses, for the run's error text.
  FILE* out = popen((command + " 2>&1 </dev/null").c_str(), "r");
  if (!out) return OsError("popen", oscode::kFileNotFound, "The service manager could not be asked.");
  std::string said;
  char buf[256];
  while (size_t n = fread(buf, 1, sizeof buf, out)) said.append(buf, n);
  const int status = pclose(out);
  if (status == 0) return OsError::Ok();
  while (!said.empty() && (said.back() == '\n' || said.back() == '\r')) said.pop_back();
  if (said.empty()) said = command + " was refused.";
  return OsError(command.c_str(), oscode::kAccessDenied, said);
}

}  // namespace plumo

namespace plumo {

OsError PosixSystem::MapDrive(const std::string&, const std::string&, const std::string&, const std::string&) {
  return OsError("WNetAddConnection2A", oscode::kNotSupported,
                 "Network drives are not available on this system: Linux mounts shares itself (mount, gio mount)");
}

OsError PosixSystem::MapDrivePrompt() { return MapDrive("", "", "", ""); }

}  // namespace plumo
