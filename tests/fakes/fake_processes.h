// A priority class that only remembers what it was set to, a list of processes the test
// keeps, and programs that start (or not) as the test says, every attempt written down.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <vector>

#include "platform/processes.h"

namespace plumo {

class FakeStartedProgram : public StartedProgram {
 public:
  FakeStartedProgram(uint32_t id, std::optional<uint32_t> exitCode, std::vector<uint32_t>* terminated)
      : id_(id), exit_(exitCode), terminated_(terminated) {}
  uint32_t Id() override { return id_; }
  bool WaitUntilReady(uint32_t) override { return true; }
  std::optional<uint32_t> WaitForExit(uint32_t) override { return exit_; }
  OsError Terminate(uint32_t code) override {
    terminated_->push_back(id_);
    exit_ = code;
    return OsError::Ok();
  }

 private:
  uint32_t id_;
  std::optional<uint32_t> exit_;
  std::vector<uint32_t>* terminated_;
};

class FakeProcesses : public Processes {
 public:
  static constexpr uint32_t kThisProcess = 4242;
  uint32_t PriorityClass() override { return cls; }
  OsError SetPriorityClass(uint32_t c) override {
    cls = c;
    return OsError::Ok();
  }
  OsError List(std::vector<ProcessEntry>* out) override {
    *out = running;
    return OsError::Ok();
  }
  OsError RunAndWait(const std::string& commandLine, uint32_t timeoutMs) override {
    started.push_back(commandLine);
    lastTimeoutMs = timeoutMs;
    return OsError::Ok();
  }
  OsError ImagePath(uint32_t processId, std::string* path) override {
    auto it = paths.find(processId);
    if (it == paths.end()) return OsError("OpenProcess", oscode::kInvalidParameter, "no such process");
    *path = it->second;
    return OsError::Ok();
  }
  uint32_t CurrentProcessId() override { return kThisProcess; }
  OsError Terminate(uint32_t processId, uint32_t) override {
    terminated.push_back(processId);
    return OsError::Ok();
  }
  // Each attempt as "start:COMMAND|FOLDER", "search:NAME", "shell:FILE|PARAMETERS", "assoc:DOCUMENT".
  std::unique_ptr<StartedProgram> Start(const std::string& commandLine, const std::string& folder, bool hidden,
                                        OsError* error) override {
    attempts.push_back("start:" + commandLine + "|" + folder);
    lastHidden = hidden;
    auto it = programs.find(commandLine);
    if (it == programs.end()) {
      *error = OsError("CreateProcessA", oscode::kFileNotFound, "The system cannot find the file specified.");
      return nullptr;
    }
    return std::make_unique<FakeStartedProgram>(nextId++, it->second, &terminated);
  }
  std::string FindOnPath(const std::string& program) override {
    attempts.push_back("search:" + program);
    auto it = onPath.find(program);
    return it == onPath.end() ? "" : it->second;
  }
  bool BareProgramNames() override { return bareNames; }
  OsError ShellOpen(const std::string& file, const std::string& parameters, bool) override {
    attempts.push_back("shell:" + file + "|" + parameters);
    if (shellOpens.count(file)) return OsError::Ok();
    return OsError("ShellExecuteA", oscode::kFileNotFound, "The system cannot find the file specified.");
  }
  std::string AssociatedProgram(const std::string& document) override {
    attempts.push_back("assoc:" + document);
    auto it = associations.find(document);
    return it == associations.end() ? "" : it->second;
  }
  OsError ControlService(const std::string& name, ServiceRequest request) override {
    services.emplace_back(name, request);
    return serviceError;
  }

  // Command lines that start, with the exit code they end with (none: they never end).
  std::map<std::string, std::optional<uint32_t>> programs;
  std::map<std::string, std::string> onPath;
  std::set<std::string> shellOpens;
  std::map<std::string, std::string> associations;
  std::vector<std::string> attempts;
  std::vector<std::pair<std::string, ServiceRequest>> services;
  OsError serviceError;
  bool bareNames = false;
  bool lastHidden = false;
  uint32_t nextId = 700;
  uint32_t cls = priority::kNormal;
  std::vector<std::string> started;
  uint32_t lastTimeoutMs = 0;
  std::vector<ProcessEntry> running;
  std::map<uint32_t, std::string> paths;
  std::vector<uint32_t> terminated;
};

}  // namespace plumo
