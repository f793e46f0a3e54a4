#include "platform/posix/posix_processes.h"

#include <dirent.h>
#include <errno.h>
#include <limits.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <spawn.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>

extern char** environ;

namespace plumo {

uint32_t PosixProcesses::PriorityClass() {
  int policy = 0;
  sched_param param{};
  if (pthread_getschedparam(pthread_self(), &policy, &param) != 0) return priority::kNormal;
  return policy == SCHED_IDLE ? priority::kIdle : priority::kNormal;
}

OsError PosixProcesses::SetPriorityClass(uint32_t cls) {
  sched_param param{};
  int err = pthread_setschedparam(pthread_self(), cls == priority::kIdle ? SCHED_IDLE : SCHED_OTHER, &param);
  if (err) return OsError("pthread_setschedparam", static_cast<uint32_t>(err), strerror(err));
  return OsError::Ok();
}

namespace {

std::string BaseName(const std::string& path) {
  size_t cut = path.find_last_of('/');
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string ProgramName(const std::string& dir) {
  char target[PATH_MAX];
  ssize_t n = readlink((dir + "/exe").c_str(), target, sizeof target - 1);
  if (n > 0) {
    std::string name = BaseName(std::string(target, static_cast<size_t>(n)));
    // A program replaced while it runs.
    const std::string deleted = " (deleted)";
    if (name.size() > deleted.size() && name.compare(name.size() - deleted.size(), deleted.size(), deleted) == 0)
      name.resize(name.size() - deleted.size());
    return name;
  }
  std::ifstream cmdline(dir + "/cmdline", std::ios::binary);
  std::string first;
  std::getline(cmdline, first, '\0');
  if (!first.empty()) return BaseName(first);
  std::ifstream comm(dir + "/comm");
  std::string name;
  std::getline(comm, name);
  return name;
}

}  // namespace

OsError PosixProcesses::List(std::vector<ProcessEntry>* out) {
  out->clear();
  DIR* proc = opendir("/proc");
  if (!proc) return OsError("opendir", static_cast<uint32_t>(errno), strerror(errno));
  while (dirent* entry = readdir(proc)) {
    char* end = nullptr;
    unsigned long id = strtoul(entry->d_name, &end, 10);
    if (*end != '\0' || end == entry->d_name) continue;
    std::string name = ProgramName(std::string("/proc/") + entry->d_name);
    // Gone between the listing and the reading.
    if (name.empty()) continue;
    out->push_back(ProcessEntry{static_cast<uint32_t>(id), name});
  }
  closedir(proc);
  return OsError::Ok();
}

OsError PosixProcesses::RunAndWait(const std::string& commandLine, uint32_t timeoutMs) {
  const char* argv[] = {"/bin/sh", "-c", commandLine.c_str(), nullptr};
  pid_t pid = 0;
  const int err = posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char**>(argv), environ);
  if (err) return OsError("posix_spawn", static_cast<uint32_t>(err), strerror(err));
  constexpr uint32_t kPollMs = 10;
  for (uint32_t waited = 0; waited < timeoutMs; waited += kPollMs) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) != 0) break;
    usleep(kPollMs * 1000);
  }
  return OsError::Ok();
}

OsError PosixProcesses::ImagePath(uint32_t processId, std::string* path) {
  char buf[PATH_MAX];
  const std::string link = "/proc/" + std::to_string(processId) + "/exe";
  const ssize_t n = readlink(link.c_str(), buf, sizeof buf);
  if (n < 0) return OsError("readlink", static_cast<uint32_t>(errno), strerror(errno));
  path->assign(buf, static_cast<size_t>(n));
  return OsError::Ok();
}

uint32_t PosixProcesses::CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

OsError PosixProcesses::Terminate(uint32_t processId, uint32_t) {
  if (kill(static_cast<pid_t>(processId), SIGKILL) != 0) return OsError("kill", static_cast<uint32_t>(errno), strerror(errno));
  return OsError::Ok();
}

}  // namespace plumo
