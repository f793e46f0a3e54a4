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

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/syscall.h>

#include <chrono>
#include <fstream>
#include <iterator>
#include <thread>

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

namespace {

OsError Errno(const char* call, int err) { return OsError(call, static_cast<uint32_t>(err), strerror(err)); }

// A command line read as Windows programs read theirs: blanks part the words, double quotes
// group them, a backslash escapes a quote.
std::vector<std::string> CommandWords(const std::string& line) {
  std::vector<std::string> words;
  size_t i = 0;
  while (i < line.size()) {
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r' || line[i] == '\n')) ++i;
    if (i >= line.size()) break;
    std::string word;
    bool quoted = false;
    for (; i < line.size(); ++i) {
      const char ch = line[i];
      if (!quoted && (ch == ' ' || ch == '\t' || ch == '\r' || ch == '\n')) break;
      if (ch == '\\') {
        size_t n = 0;
        while (i + n < line.size() && line[i + n] == '\\') ++n;
        if (i + n < line.size() && line[i + n] == '"') {
          word.append(n / 2, '\\');
          i += n;
          if (n % 2) word.push_back('"');
          else quoted = !quoted;
        } else {
          word.append(n, '\\');
          i += n - 1;
        }
      } else if (ch == '"') {
        quoted = !quoted;
      } else {
        word.push_back(ch);
      }
    }
    words.push_back(std::move(word));
  }
  return words;
}

bool Executable(const std::string& path) {
  struct stat st{};
  return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

int ExitCodeOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  // As a shell reports a program a signal ended.
  return WIFSIGNALED(status) ? 128 + WTERMSIG(status) : 1;
}

class PosixStartedProgram : public StartedProgram {
 public:
  explicit PosixStartedProgram(pid_t pid) : pid_(pid) {
    fd_ = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
  }
  ~PosixStartedProgram() override {
    if (fd_ >= 0) close(fd_);
    if (exit_) return;
    int status = 0;
    if (waitpid(pid_, &status, WNOHANG) != 0) return;
    // The program goes on; someone must collect its end so that it leaves no zombie behind.
    std::thread([pid = pid_] {
      int s = 0;
      waitpid(pid, &s, 0);
    }).detach();
  }
  uint32_t Id() override { return static_cast<uint32_t>(pid_); }
  bool WaitUntilReady(uint32_t) override { return true; }
  std::optional<uint32_t> WaitForExit(uint32_t timeoutMs) override {
    if (exit_) return exit_;
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
      int status = 0;
      const pid_t got = waitpid(pid_, &status, WNOHANG);
      if (got == pid_ || (got < 0 && errno == ECHILD)) {
        exit_ = got == pid_ ? static_cast<uint32_t>(ExitCodeOf(status)) : 0u;
        return exit_;
      }
      const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
      if (left.count() <= 0) return std::nullopt;
      if (fd_ >= 0) {
        pollfd p{fd_, POLLIN, 0};
        (void)poll(&p, 1, static_cast<int>(left.count()));
      } else {
        usleep(1000);
      }
    }
  }
  OsError Terminate(uint32_t) override {
    if (exit_) return OsError::Ok();
    if (kill(pid_, SIGKILL) != 0) return Errno("kill", errno);
    (void)WaitForExit(StartedProgram::kNoLimit);
    return OsError::Ok();
  }

 private:
  pid_t pid_;
  int fd_ = -1;
  std::optional<uint32_t> exit_;
};

}  // namespace

namespace {

// The program gets a process group of its own, so that a stop signal of the terminal reaches
// the runner alone. 0 with *err set when it could not start.
pid_t Spawn(std::vector<std::string> words, const std::string& folder, bool noInput, int* err) {
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  if (noInput) posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawnattr_t attr;
  posix_spawnattr_init(&attr);
  posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETPGROUP);
  pid_t pid = 0;
  *err = posix_spawnp(&pid, argv[0], &actions, &attr, argv.data(), environ);
  posix_spawnattr_destroy(&attr);
  posix_spawn_file_actions_destroy(&actions);
  return *err ? 0 : pid;
}

}  // namespace

std::unique_ptr<StartedProgram> PosixProcesses::Start(const std::string& commandLine, const std::string& folder,
                                                       bool, OsError* error) {
  std::vector<std::string> words = CommandWords(commandLine);
  int err = ENOENT;
  const pid_t pid = words.empty() || words[0].empty() ? 0 : Spawn(std::move(words), folder, false, &err);
  if (!pid) {
    *error = Errno("posix_spawnp", err);
    return nullptr;
  }
  return std::make_unique<PosixStartedProgram>(pid);
}

std::string PosixProcesses::FindOnPath(const std::string& program) {
  if (program.empty()) return "";
  if (program.find('/') != std::string::npos) return Executable(program) ? program : "";
  const char* path = getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  size_t start = 0;
  while (start <= dirs.size()) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    std::string dir = dirs.substr(start, end - start);
    if (dir.empty()) dir = ".";
    const std::string candidate = dir + "/" + program;
    if (Executable(candidate)) return candidate;
    start = end + 1;
  }
  return "";
}

bool PosixProcesses::BareProgramNames() { return true; }

OsError PosixProcesses::ShellOpen(const std::string& file, const std::string& parameters, bool) {
  // A document or a folder goes to the desktop's opener; a program starts on its own.
  std::vector<std::string> words;
  struct stat st{};
  if (stat(file.c_str(), &st) == 0 && !Executable(file)) {
    words = {"xdg-open", file};
  } else {
    const std::string program = FindOnPath(file);
    if (program.empty()) return OsError("ShellOpen", oscode::kFileNotFound, "The system cannot find the file specified.");
    words = CommandWords(parameters);
    words.insert(words.begin(), program);
  }
  int err = 0;
  const pid_t pid = Spawn(std::move(words), "", true, &err);
  if (!pid) return Errno("posix_spawnp", err);
  PosixStartedProgram reaped(pid);  // collects its end when it comes
  return OsError::Ok();
}

std::string PosixProcesses::AssociatedProgram(const std::string&) { return ""; }

OsError PosixProcesses::ControlService(const std::string&, ServiceRequest) {
  return OsError("ControlService", oscode::kNotSupported, "services are not available on this system");
}

uint32_t PosixProcesses::CurrentProcessId() { return static_cast<uint32_t>(getpid()); }

OsError PosixProcesses::Terminate(uint32_t processId, uint32_t) {
  if (kill(static_cast<pid_t>(processId), SIGKILL) != 0) return OsError("kill", static_cast<uint32_t>(errno), strerror(errno));
  return OsError::Ok();
}

}  // namespace plumo
