#include "platform/posix/posix_system.h"

#include <spawn.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>

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

uint32_t PosixSystem::ShellOpen(const std::string& command) {
  std::string file, params;
  SplitCommand(command, &file, &params);
  if (file.empty()) return oscode::kFileNotFound;
  // The shell puts the program in the background and ends at once, so nothing is left to reap;
  // a program it cannot find ends it with 2.
  std::string script = "command -v \"$0\" >/dev/null 2>&1 || exit 2; \"$0\" $1 </dev/null >/dev/null 2>&1 &";
  const char* argv[] = {"/bin/sh", "-c", script.c_str(), file.c_str(), params.c_str(), nullptr};
  pid_t pid;
  if (posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
    return oscode::kFileNotFound;
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? 33 : oscode::kFileNotFound;
}

}  // namespace plumo
