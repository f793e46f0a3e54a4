// A loopback server of servers.py in a child process: started on construction (its ports read
// from its first lines), stopped when its standard input closes on destruction.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

extern char** environ;

namespace plumo {

class ServerProcess {
 public:
  explicit ServerProcess(const std::vector<std::string>& args) {
    int in[2], out[2];
    if (pipe(in) || pipe(out)) throw std::runtime_error("pipe");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> all{PLUMO_TEST_PYTHON, PLUMO_SERVERS_PY};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    const int err = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    if (err) throw std::runtime_error("cannot start " + all[1]);
    FILE* lines = fdopen(out[0], "r");
    char line[256];
    while (std::fgets(line, sizeof line, lines)) {
      std::string text(line);
      if (text.rfind("READY", 0) == 0) break;
      const size_t blank = text.find(' ');
      if (blank != std::string::npos) values_[text.substr(0, blank)] = std::stoi(text.substr(blank + 1));
    }
    std::fclose(lines);
    if (!values_.count("PORT")) throw std::runtime_error("the server did not start: " + args[0]);
  }
  ~ServerProcess() {
    close(input_);
    int status = 0;
    for (int i = 0; i < 200 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(25000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  ServerProcess(const ServerProcess&) = delete;
  ServerProcess& operator=(const ServerProcess&) = delete;

  int port() const { return values_.at("PORT"); }
  int sslPort() const { return values_.at("SSLPORT"); }
  std::string address() const { return "127.0.0.1:" + std::to_string(port()); }

 private:
  pid_t pid_ = 0;
  int input_ = -1;
  std::map<std::string, int> values_;
};

}  // namespace plumo
