#include "platform/win32/win32_processes.h"

#include <windows.h>
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
