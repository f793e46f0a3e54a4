// The Web port on WinINet: one session (agent "Plumo") per request or FTP connection.
#include "platform/win32/wininet_web.h"

#include <windows.h>
#include <wininet.h>

#include <algorithm>
#include <cstdlib>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

constexpr const char* kAgent = "Plumo";
constexpr DWORD kPiece = 64 * 1024;
constexpr INTERNET_PORT kFtpPort = 21;

// WinINet's own codes have their texts in wininet.dll; the server's last reply says more.
OsError InternetError(const char* call) {
  const DWORD code = GetLastError();
  std::string message;
  char* text = nullptr;
  if (FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_IGNORE_INSERTS,
                     GetModuleHandleA("wininet.dll"), code, 0, reinterpret_cast<char*>(&text), 0, nullptr) &&
      text)
    message = text;
  if (text) LocalFree(text);
  if (message.empty()) message = Win32Message(code);
  DWORD detail = 0, length = 0;
  InternetGetLastResponseInfoA(&detail, nullptr, &length);
  if (length > 0) {
    std::string reply(length + 1, '\0');
    if (InternetGetLastResponseInfoA(&detail, reply.data(), &length)) {
      reply.resize(length);
      message += (message.empty() ? "" : ": ") + reply;
    }
  }
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
    message.pop_back();
  if (message.empty()) message = "WinINet error " + std::to_string(code);
  return OsError(call, code, message);
}

class Handle {
 public:
  explicit Handle(HINTERNET h = nullptr) : h_(h) {}
  ~Handle() { reset(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HINTERNET get() const { return h_; }
  explicit operator bool() const { return h_ != nullptr; }
  void reset(HINTERNET h = nullptr) {
    if (h_) InternetCloseHandle(h_);
    h_ = h;
  }
  // Closes now; false when closing failed (an upload that did not complete).
  bool Close() {
    const BOOL ok = h_ ? InternetCloseHandle(h_) : TRUE;
    h_ = nullptr;
    return ok != FALSE;
  }

 private:
  HINTERNET h_;
};

void SetTimeouts(HINTERNET h, DWORD connectMs, DWORD receiveMs, DWORD retries) {
  InternetSetOptionA(h, INTERNET_OPTION_CONNECT_TIMEOUT, &connectMs, sizeof connectMs);
  InternetSetOptionA(h, INTERNET_OPTION_SEND_TIMEOUT, &receiveMs, sizeof receiveMs);
  InternetSetOptionA(h, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
  InternetSetOptionA(h, INTERNET_OPTION_CONTROL_RECEIVE_TIMEOUT, &receiveMs, sizeof receiveMs);
  InternetSetOptionA(h, INTERNET_OPTION_CONNECT_RETRIES, &retries, sizeof retries);
}

OsError ReadAll(HINTERNET h, const WebSink& sink) {
  std::string buffer(kPiece, '\0');
  for (;;) {
    DWORD read = 0;
    if (!InternetReadFile(h, buffer.data(), kPiece, &read)) return InternetError("InternetReadFile");
    if (read == 0) return OsError::Ok();
    if (!sink(std::string_view(buffer.data(), read)))
      return OsError("InternetReadFile", ERROR_CANCELLED, "The transfer was stopped");
  }
}

// "host" or "host:port".
void SplitServer(const std::string& server, std::string* host, INTERNET_PORT* port) {
  const size_t colon = server.rfind(':');
  *host = server.substr(0, colon);
  *port = colon == std::string::npos ? kFtpPort : static_cast<INTERNET_PORT>(std::atoi(server.c_str() + colon + 1));
}

class WinInetFtp : public FtpConnection {
 public:
  OsError Open(const FtpLogin& login) {
    session_.reset(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session_) return InternetError("InternetOpenA");
    SetTimeouts(session_.get(), login.connectTimeoutMs, login.receiveTimeoutMs, static_cast<DWORD>(login.connectRetries));
    std::string host;
    INTERNET_PORT port = kFtpPort;
    SplitServer(login.server, &host, &port);
    connection_.reset(InternetConnectA(session_.get(), host.c_str(), port, login.user.empty() ? nullptr : login.user.c_str(),
                                       login.user.empty() ? nullptr : login.password.c_str(), INTERNET_SERVICE_FTP,
                                       INTERNET_FLAG_PASSIVE, 0));
    if (!connection_) return InternetError("InternetConnectA");
    char folder[MAX_PATH] = "";
    DWORD length = sizeof folder;
    if (FtpGetCurrentDirectoryA(connection_.get(), folder, &length)) home_ = folder;
    return OsError::Ok();
  }

  OsError List(const std::string& folder, std::vector<std::string>* names) override {
    // Servers differ in what LIST makes of a pattern: the folder is made current and listed whole.
    if (!folder.empty() && !FtpSetCurrentDirectoryA(connection_.get(), folder.c_str()))
      return InternetError("FtpSetCurrentDirectoryA");
    WIN32_FIND_DATAA found;
    Handle find(FtpFindFirstFileA(connection_.get(), nullptr, &found, INTERNET_FLAG_RELOAD, 0));
    OsError result;
    if (!find) {
      if (GetLastError() != ERROR_NO_MORE_FILES) result = InternetError("FtpFindFirstFileA");
    } else {
      do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names->push_back(name);
      } while (InternetFindNextFileA(find.get(), &found));
      if (GetLastError() != ERROR_NO_MORE_FILES) result = InternetError("InternetFindNextFileA");
    }
    find.reset();
    if (!folder.empty() && !home_.empty()) FtpSetCurrentDirectoryA(connection_.get(), home_.c_str());
    return result;
  }

  OsError Download(const std::string& remote, const WebSink& sink) override {
    Handle file(FtpOpenFileA(connection_.get(), remote.c_str(), GENERIC_READ,
                             FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0));
    if (!file) return InternetError("FtpOpenFileA");
    return ReadAll(file.get(), sink);
  }

  OsError Upload(const std::string& remote, std::string_view data) override {
    Handle file(FtpOpenFileA(connection_.get(), remote.c_str(), GENERIC_WRITE, FTP_TRANSFER_TYPE_BINARY, 0));
    if (!file) return InternetError("FtpOpenFileA");
    while (!data.empty()) {
      DWORD written = 0;
      const DWORD n = static_cast<DWORD>(std::min<size_t>(data.size(), kPiece));
      if (!InternetWriteFile(file.get(), data.data(), n, &written) || written == 0)
        return InternetError("InternetWriteFile");
      data.remove_prefix(written);
    }
    if (!file.Close()) return InternetError("InternetCloseHandle");
    return OsError::Ok();
  }

  OsError RemoveFile(const std::string& remote) override {
    return FtpDeleteFileA(connection_.get(), remote.c_str()) ? OsError::Ok() : InternetError("FtpDeleteFileA");
  }
  OsError MakeFolder(const std::string& remote) override {
    return FtpCreateDirectoryA(connection_.get(), remote.c_str()) ? OsError::Ok() : InternetError("FtpCreateDirectoryA");
  }
  OsError RemoveFolder(const std::string& remote) override {
    return FtpRemoveDirectoryA(connection_.get(), remote.c_str()) ? OsError::Ok() : InternetError("FtpRemoveDirectoryA");
  }

 private:
  Handle session_;
  Handle connection_;
  std::string home_;
};

// Query text of the status code of an HTTP request handle.
std::string StatusOf(HINTERNET request) {
  char text[32] = "";
  DWORD length = sizeof text - 1;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, text, &length, nullptr)) return {};
  return std::string(text, length);
}

}  // namespace

OsError WinInetWeb::Request(const WebRequest& request, std::string* status, const WebSink& sink) {
  Handle session(InternetOpenA(kAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
  if (!session) return InternetError("InternetOpenA");
  SetTimeouts(session.get(), request.timeoutMs, request.timeoutMs, static_cast<DWORD>(request.connectRetries));
  const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_NO_UI;
  Handle connection, handle;
  if (!request.post) {
    handle.reset(InternetOpenUrlA(session.get(), request.url.c_str(), nullptr, 0, flags, 0));
    if (!handle) return InternetError("InternetOpenUrlA");
  } else {
    char host[INTERNET_MAX_HOST_NAME_LENGTH] = "", path[INTERNET_MAX_PATH_LENGTH] = "", extra[INTERNET_MAX_PATH_LENGTH] = "";
    URL_COMPONENTSA parts{};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    parts.lpszExtraInfo = extra;
    parts.dwExtraInfoLength = sizeof extra;
    if (!InternetCrackUrlA(request.url.c_str(), 0, 0, &parts)) return InternetError("InternetCrackUrlA");
    connection.reset(InternetConnectA(session.get(), host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!connection) return InternetError("InternetConnectA");
    const std::string object = std::string(path) + extra;
    const DWORD secure = parts.nScheme == INTERNET_SCHEME_HTTPS ? INTERNET_FLAG_SECURE : 0;
    handle.reset(HttpOpenRequestA(connection.get(), "POST", object.empty() ? "/" : object.c_str(), nullptr, nullptr,
                                  nullptr, flags | secure, 0));
    if (!handle) return InternetError("HttpOpenRequestA");
    static const char kForm[] = "Content-Type: application/x-www-form-urlencoded\r\n";
    if (!HttpSendRequestA(handle.get(), kForm, static_cast<DWORD>(-1L), const_cast<char*>(request.form.data()),
                          static_cast<DWORD>(request.form.size())))
      return InternetError("HttpSendRequestA");
  }
  *status = StatusOf(handle.get());
  if (!sink) return OsError::Ok();
  return ReadAll(handle.get(), sink);
}

OsError WinInetWeb::Download(const WebRequest& request, const std::string& path, std::string* status,
                             const std::function<bool(const std::string&)>& keep,
                             const std::function<bool(uint64_t)>& progress) {
  const size_t slash = path.find_last_of("\\/");
  const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  char temp[MAX_PATH];
  if (!GetTempFileNameA(folder.c_str(), "plu", 0, temp)) return LastWin32Error("CreateFile");
  HANDLE file = CreateFileA(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    OsError e = LastWin32Error("CreateFile");
    DeleteFileA(temp);
    return e;
  }
  uint64_t bytes = 0;
  OsError written;
  OsError e = Request(request, status, [&](std::string_view piece) {
    DWORD n = 0;
    if (!WriteFile(file, piece.data(), static_cast<DWORD>(piece.size()), &n, nullptr) || n != piece.size()) {
      written = LastWin32Error("WriteFile");
      return false;
    }
    bytes += n;
    return progress(bytes);
  });
  if (!CloseHandle(file) && written) written = LastWin32Error("WriteFile");
  if (!written) e = written;
  if (e && keep(*status)) {
    if (MoveFileExA(temp, path.c_str(), MOVEFILE_REPLACE_EXISTING)) return e;
    e = LastWin32Error("CreateFile");
  }
  DeleteFileA(temp);
  return e;
}

bool WinInetWeb::Connected() {
  DWORD flags = 0;
  return InternetGetConnectedState(&flags, 0) != FALSE;
}

std::unique_ptr<FtpConnection> WinInetWeb::ConnectFtp(const FtpLogin& login, OsError* error) {
  auto ftp = std::make_unique<WinInetFtp>();
  *error = ftp->Open(login);
  if (!*error) return nullptr;
  return ftp;
}

}  // namespace plumo
