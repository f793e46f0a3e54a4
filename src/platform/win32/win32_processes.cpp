#include "platform/win32/win32_processes.h"

#include <windows.h>
#include <shellapi.h>
#include <tlhelp32.h>

#include "platform/win32/win32_error.h"

namespace plumo {

uint32_t Win32Processes::PriorityClass() { return GetPriorityClass(GetCurrentProcess()); }

OsError Win32Processes::SetPriorityClass(uint32_t cls) {
  return ::SetPriorityClass(GetCurrentProcess(), cls) ? OsError::Ok() : LastWin32Error("SetPriorityClass");
}

OsError Win32Processes::List(std::vector<ProcessEntry>* out) {
  out->clear();
  UniqueHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.valid()) return LastWin32Error("CreateToolhelp32Snapshot");
  PROCESSENTRY32 entry{};
  entry.dwSize = sizeof entry;
  for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry))
    out->push_back(ProcessEntry{entry.th32ProcessID, entry.szExeFile});
  return OsError::Ok();
}

OsError Win32Processes::RunAndWait(const std::string& commandLine, uint32_t timeoutMs) {
  std::string line = commandLine;  // CreateProcessA may write into it
  STARTUPINFOA si{};
  si.cb = sizeof si;
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
    return LastWin32Error("CreateProcessA");
  UniqueHandle process(pi.hProcess), thread(pi.hThread);
  WaitForSingleObject(process.get(), timeoutMs);
  return OsError::Ok();
}

namespace {

// The module-name call of the process API, found where the system keeps it: kernel32 has it
// under its own name only on old systems, psapi everywhere.
using ModuleFileNameFn = DWORD(WINAPI*)(HANDLE, HMODULE, LPSTR, DWORD);
ModuleFileNameFn FindModuleFileNameEx() {
  for (const char* dll : {"KERNEL32.DLL", "PSAPI.DLL"}) {
    HMODULE module = GetModuleHandleA(dll);
    if (!module) module = LoadLibraryA(dll);
    if (!module) continue;
    if (FARPROC fn = GetProcAddress(module, "GetModuleFileNameExA"))
      return reinterpret_cast<ModuleFileNameFn>(reinterpret_cast<void*>(fn));
  }
  return nullptr;
}

}  // namespace

OsError Win32Processes::ImagePath(uint32_t processId, std::string* path) {
  static const ModuleFileNameFn moduleFileName = FindModuleFileNameEx();
  if (!moduleFileName) return OsError("GetProcAddress", ERROR_PROC_NOT_FOUND, "no GetModuleFileNameExA");
  UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
  if (!process.valid()) return LastWin32Error("OpenProcess");
  char buf[MAX_PATH] = {};
  const DWORD n = moduleFileName(process.get(), nullptr, buf, MAX_PATH);
  if (n == 0) return LastWin32Error("GetModuleFileNameExA");
  path->assign(buf, n);
  return OsError::Ok();
}

uint32_t Win32Processes::CurrentProcessId() { return GetCurrentProcessId(); }

OsError Win32Processes::Terminate(uint32_t processId, uint32_t exitCode) {
  UniqueHandle process(OpenProcess(PROCESS_TERMINATE, FALSE, processId));
  if (!process.valid()) return LastWin32Error("OpenProcess");
  return TerminateProcess(process.get(), exitCode) ? OsError::Ok() : LastWin32Error("TerminateProcess");
}

namespace {

constexpr DWORD kReadyPollMs = 5;

class Win32StartedProgram : public StartedProgram {
 public:
  explicit Win32StartedProgram(const PROCESS_INFORMATION& pi) : process_(pi.hProcess), thread_(pi.hThread), id_(pi.dwProcessId) {}
  uint32_t Id() override { return id_; }
  bool WaitUntilReady(uint32_t timeoutMs) override {
    // WAIT_FAILED for a program without a message queue (a console program): nothing to wait
    // for. A program that ends is ready too; Wine keeps a console program's wait going.
    const uint32_t start = GetTickCount();
    for (;;) {
      if (WaitForInputIdle(process_.get(), 0) != WAIT_TIMEOUT) return true;
      if (WaitForSingleObject(process_.get(), kReadyPollMs) == WAIT_OBJECT_0) return true;
      if (timeoutMs != kNoLimit && GetTickCount() - start >= timeoutMs) return false;
    }
  }
  std::optional<uint32_t> WaitForExit(uint32_t timeoutMs) override {
    if (WaitForSingleObject(process_.get(), timeoutMs == kNoLimit ? INFINITE : timeoutMs) != WAIT_OBJECT_0)
      return std::nullopt;
    DWORD code = 0;
    if (!GetExitCodeProcess(process_.get(), &code)) return std::nullopt;
    return static_cast<uint32_t>(code);
  }
  OsError Terminate(uint32_t exitCode) override {
    if (!TerminateProcess(process_.get(), exitCode)) return LastWin32Error("TerminateProcess");
    WaitForSingleObject(process_.get(), 5000);
    return OsError::Ok();
  }

 private:
  UniqueHandle process_, thread_;
  DWORD id_;
};

class UniqueService {
 public:
  explicit UniqueService(SC_HANDLE h) : h_(h) {}
  ~UniqueService() {
    if (h_) CloseServiceHandle(h_);
  }
  UniqueService(const UniqueService&) = delete;
  UniqueService& operator=(const UniqueService&) = delete;
  SC_HANDLE get() const { return h_; }

 private:
  SC_HANDLE h_;
};

}  // namespace

std::unique_ptr<StartedProgram> Win32Processes::Start(const std::string& commandLine, const std::string& folder,
                                                       bool hidden, OsError* error) {
  std::string line = commandLine;  // CreateProcessA may write into it
  STARTUPINFOA si{};
  si.cb = sizeof si;
  si.dwFlags = STARTF_USESHOWWINDOW;
  si.wShowWindow = hidden ? SW_HIDE : SW_SHOWDEFAULT;
  const DWORD flags = NORMAL_PRIORITY_CLASS | (hidden ? CREATE_NO_WINDOW : 0);
  PROCESS_INFORMATION pi{};
  if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, flags, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &si, &pi)) {
    *error = LastWin32Error("CreateProcessA");
    return nullptr;
  }
  return std::make_unique<Win32StartedProgram>(pi);
}

std::string Win32Processes::FindOnPath(const std::string& program) {
  char buf[MAX_PATH + 1] = {};
  const DWORD n = ::SearchPathA(nullptr, program.c_str(), ".exe", sizeof buf, buf, nullptr);
  return n == 0 || n >= sizeof buf ? std::string() : std::string(buf, n);
}

bool Win32Processes::BareProgramNames() { return false; }

OsError Win32Processes::ShellOpen(const std::string& file, const std::string& parameters, bool hidden) {
  HINSTANCE r = ShellExecuteA(nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(), nullptr,
                              hidden ? SW_HIDE : SW_SHOWNORMAL);
  const auto value = static_cast<uint32_t>(reinterpret_cast<uintptr_t>(r));
  return value > 32 ? OsError::Ok() : Win32Error("ShellExecuteA", value == 0 ? ERROR_NOT_ENOUGH_MEMORY : value);
}

std::string Win32Processes::AssociatedProgram(const std::string& document) {
  char buf[MAX_PATH + 1] = {};
  HINSTANCE r = FindExecutableA(document.c_str(), nullptr, buf);
  return reinterpret_cast<uintptr_t>(r) > 32 ? std::string(buf) : std::string();
}

OsError Win32Processes::ControlService(const std::string& name, ServiceRequest request) {
  UniqueService manager(OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT));
  if (!manager.get()) return LastWin32Error("OpenSCManagerA");
  const bool configure = request != ServiceRequest::kStart && request != ServiceRequest::kStop;
  UniqueService service(OpenServiceA(manager.get(), name.c_str(),
                                     configure ? SERVICE_CHANGE_CONFIG : SERVICE_START | SERVICE_STOP | SERVICE_QUERY_STATUS));
  if (!service.get()) return LastWin32Error("OpenServiceA");
  switch (request) {
    case ServiceRequest::kStart:
      return StartServiceA(service.get(), 0, nullptr) ? OsError::Ok() : LastWin32Error("StartServiceA");
    case ServiceRequest::kStop: {
      SERVICE_STATUS status{};
      return ::ControlService(service.get(), SERVICE_CONTROL_STOP, &status) ? OsError::Ok() : LastWin32Error("ControlService");
    }
    default: {
      const DWORD type = request == ServiceRequest::kAutomatic ? SERVICE_AUTO_START
                         : request == ServiceRequest::kManual  ? SERVICE_DEMAND_START
                                                               : SERVICE_DISABLED;
      return ChangeServiceConfigA(service.get(), SERVICE_NO_CHANGE, type, SERVICE_NO_CHANGE, nullptr, nullptr, nullptr,
                                  nullptr, nullptr, nullptr, nullptr)
                 ? OsError::Ok()
                 : LastWin32Error("ChangeServiceConfigA");
    }
  }
}

namespace {

class Win32Worker : public Worker {
 public:
  explicit Win32Worker(std::function<void()> body) : body_(std::move(body)) {
    HANDLE h = CreateThread(nullptr, 0, &Win32Worker::Main, this, 0, &id_);
    handle_ = std::make_unique<UniqueHandle>(h);
  }
  ~Win32Worker() override { Join(); }
  OsError Terminate() override {
    return TerminateThread(handle_->get(), 1) ? OsError::Ok() : LastWin32Error("TerminateThread");
  }
  void Join() override {
    // The run thread may drop its own worker at its very end; it finishes on its own then.
    if (handle_->valid() && id_ != GetCurrentThreadId())
      WaitForSingleObject(handle_->get(), INFINITE);
  }

 private:
  static DWORD WINAPI Main(void* self) {
    static_cast<Win32Worker*>(self)->body_();
    return 0;
  }
  std::function<void()> body_;
  std::unique_ptr<UniqueHandle> handle_;
  DWORD id_ = 0;
};

}  // namespace

std::unique_ptr<Worker> Win32Threads::Start(std::function<void()> body) {
  return std::make_unique<Win32Worker>(std::move(body));
}

}  // namespace plumo
