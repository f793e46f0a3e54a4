// The browser registered for ".htm", the default mail client, the shell's handlers of
// addresses, and Simple MAPI from MAPI32.DLL loaded at run time; and the Internet port bundle.
#include <windows.h>
#include <mapi.h>
#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "platform/win32/win32_error.h"
#include "platform/win32/win32_internet_port.h"

namespace plumo {
namespace {

std::string RegistryText(HKEY root, const std::string& key, const char* value) {
  char text[2048];
  DWORD size = sizeof text;
  if (RegGetValueA(root, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
    return {};
  return text;
}

// The "open" command of a document type ("\"C:\\...\\browser.exe\" -nohome \"%1\"").
std::string OpenCommand(const char* type) {
  char command[2048];
  DWORD size = sizeof command;
  if (AssocQueryStringA(ASSOCF_NOTRUNCATE, ASSOCSTR_COMMAND, type, "open", command, &size) != S_OK) return {};
  return command;
}

// The browser's command line for the address: "%1" takes it, or it goes at the end.
std::string WithAddress(std::string command, const std::string& url) {
  for (const char* mark : {"\"%1\"", "%1"}) {
    const size_t at = command.find(mark);
    if (at == std::string::npos) continue;
    command.replace(at, std::strlen(mark), url.empty() ? std::string() : "\"" + url + "\"");
    return command;
  }
  return url.empty() ? command : command + " \"" + url + "\"";
}

OsError Start(std::string command) {
  char expanded[4096];
  if (ExpandEnvironmentStringsA(command.c_str(), expanded, sizeof expanded) > 0) command = expanded;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return LastWin32Error("CreateProcessA");
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return OsError::Ok();
}

// Internet Explorer where the system keeps it, when no browser is registered for ".htm".
std::string ExplorerCommand() {
  std::string path = RegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.EXE", nullptr);
  if (path.empty()) {
    char folder[MAX_PATH] = "";
    if (ExpandEnvironmentStringsA("%ProgramFiles%\\Internet Explorer\\IEXPLORE.EXE", folder, sizeof folder)) path = folder;
  }
  if (path.empty() || GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return {};
  return "\"" + path + "\"";
}

constexpr FLAGS kMapiUseDefault = 0x00000040;  // kMapiUseDefault, which mingw's mapi.h lacks

template <typename F>
F Function(HMODULE module, const char* name) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

using Logon = ULONG(WINAPI*)(ULONG_PTR, LPSTR, LPSTR, FLAGS, ULONG, LPLHANDLE);
using Logoff = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, FLAGS, ULONG);
using SendMail = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, lpMapiMessage, FLAGS, ULONG);
using ResolveName = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, LPSTR, FLAGS, ULONG, lpMapiRecipDesc*);
using FreeBuffer = ULONG(WINAPI*)(LPVOID);

}  // namespace

OsError Win32WebPrograms::StartBrowser(const std::string& url) {
  std::string command = OpenCommand(".htm");
  if (command.empty()) command = ExplorerCommand();
  if (command.empty()) return OsError("AssocQueryStringA", ERROR_NO_ASSOCIATION, "No web browser is registered");
  return Start(WithAddress(command, url));
}

OsError Win32WebPrograms::StartMailProgram() {
  const std::string client = RegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail", nullptr);
  const std::string command =
      client.empty() ? std::string()
                     : RegistryText(HKEY_LOCAL_MACHINE, "SOFTWARE\\Clients\\Mail\\" + client + "\\shell\\open\\command", nullptr);
  if (command.empty()) return OsError("RegGetValueA", ERROR_FILE_NOT_FOUND, "No e-mail program is registered");
  return Start(command);
}

uint32_t Win32WebPrograms::OpenAddress(const std::string& url) {
  return static_cast<uint32_t>(
      reinterpret_cast<uintptr_t>(ShellExecuteA(nullptr, "open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL)));
}

OsError Win32WebPrograms::SendMapiMail(const MapiMail& message) {
  HMODULE mapi = LoadLibraryA("MAPI32.DLL");
  if (!mapi) return LastWin32Error("LoadLibrary");
  struct Unload {
    HMODULE h;
    ~Unload() { FreeLibrary(h); }
  } unload{mapi};
  auto logon = Function<Logon>(mapi, "MAPILogon");
  auto logoff = Function<Logoff>(mapi, "MAPILogoff");
  auto send = Function<SendMail>(mapi, "MAPISendMail");
  auto resolve = Function<ResolveName>(mapi, "MAPIResolveName");
  auto free = Function<FreeBuffer>(mapi, "MAPIFreeBuffer");
  if (!logon || !logoff || !send || !resolve || !free)
    return OsError("LoadLibrary", ERROR_PROC_NOT_FOUND, "MAPI32.DLL lacks the Simple MAPI functions");

  LHANDLE session = 0;
  if (ULONG rc = logon(0, nullptr, nullptr, kMapiUseDefault, 0, &session); rc != SUCCESS_SUCCESS)
    return OsError("MAPILogon", rc, "MAPILogon failed");
  // Names the address book knows become its entries; others go as SMTP addresses.
  std::vector<std::string> names(message.recipients), addresses;
  addresses.reserve(names.size());  // the entries point into it
  std::vector<MapiRecipDesc> recipients;
  std::vector<lpMapiRecipDesc> resolved;
  for (std::string& name : names) {
    lpMapiRecipDesc found = nullptr;
    if (resolve(session, 0, name.data(), 0, 0, &found) == SUCCESS_SUCCESS && found) {
      resolved.push_back(found);
      recipients.push_back(*found);
    } else {
      addresses.push_back("SMTP:" + name);
      MapiRecipDesc r{};
      r.lpszName = name.data();
      r.lpszAddress = addresses.back().data();
      recipients.push_back(r);
    }
    recipients.back().ulRecipClass = MAPI_TO;
  }
  std::string subject = message.subject, body = message.body;
  ::MapiMessage mail{};
  mail.lpszSubject = subject.data();
  mail.lpszNoteText = body.data();
  mail.nRecipCount = static_cast<ULONG>(recipients.size());
  mail.lpRecips = recipients.data();
  ULONG rc = send(session, 0, &mail, 0, 0);
  if (rc != SUCCESS_SUCCESS) rc = send(session, 0, &mail, 0, 0);  // a second attempt, as the profile may be waking up
  for (lpMapiRecipDesc r : resolved) free(r);
  logoff(session, 0, 0, 0);
  if (rc != SUCCESS_SUCCESS) return OsError("MAPISendMail", rc, "MAPISendMail failed");
  return OsError::Ok();
}

std::shared_ptr<InternetPort> MakeNativeInternetPort() { return std::make_shared<Win32InternetPort>(); }

}  // namespace plumo
