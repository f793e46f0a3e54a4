// Web port: HTTP requests, the connection state and FTP connections, in the terms of WinINet
// (its implementation on Windows; libcurl on Linux).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

struct WebRequest {
  std::string url;
  // POST sends `form` as application/x-www-form-urlencoded; otherwise GET.
  bool post = false;
  std::string form;
  // Connect, send and receive time-outs.
  uint32_t timeoutMs = 20000;
  int connectRetries = 3;
};

// Takes the body piece by piece; false stops the transfer (the request then fails).
using WebSink = std::function<bool(std::string_view piece)>;

struct FtpLogin {
  std::string server;  // "host" or "host:port" (21 when none)
  std::string user;
  std::string password;
  uint32_t connectTimeoutMs = 10000;
  uint32_t receiveTimeoutMs = 10000;
  int connectRetries = 10;
};

// One FTP connection in passive mode. Remote paths are as the Step gives them, relative to
// the login folder unless they begin with '/'.
class FtpConnection {
 public:
  virtual ~FtpConnection() = default;
  // The names in the folder ("" the login folder), without "." and "..", in the server's order.
  virtual OsError List(const std::string& folder, std::vector<std::string>* names) = 0;
  // The file in binary mode, piece by piece.
  virtual OsError Download(const std::string& remote, const WebSink& sink) = 0;
  virtual OsError Upload(const std::string& remote, std::string_view data) = 0;
  virtual OsError RemoveFile(const std::string& remote) = 0;
  virtual OsError MakeFolder(const std::string& remote) = 0;
  virtual OsError RemoveFolder(const std::string& remote) = 0;
};

class Web {
 public:
  virtual ~Web() = default;
  // Sends the request with reload and no cache write, following redirects; *status gets the
  // final status code as text ("200") as soon as it is known, also when the body then fails.
  // A null sink reads no body. A certificate the system does not trust is a failure.
  virtual OsError Request(const WebRequest& request, std::string* status, const WebSink& sink) = 0;
  // Streams the body into a new file beside path, which takes path's place only when the
  // whole body arrived and keep(status) agrees; otherwise path is unchanged and nothing is left
  // behind. progress is told the bytes so far and may stop the transfer. A file that cannot be
  // created or written fails with the call "CreateFile" or "WriteFile".
  virtual OsError Download(const WebRequest& request, const std::string& path, std::string* status,
                           const std::function<bool(const std::string& status)>& keep,
                           const std::function<bool(uint64_t bytes)>& progress) = 0;
  // Whether the machine has a connection to a network beyond itself.
  virtual bool Connected() = 0;
  // Null with *error when the server cannot be reached or refuses the login.
  virtual std::unique_ptr<FtpConnection> ConnectFtp(const FtpLogin& login, OsError* error) = 0;
};

}  // namespace plumo
