// The Web port on WinINet.
#pragma once

#include "platform/web.h"

namespace plumo {

class WinInetWeb : public Web {
 public:
  OsError Request(const WebRequest& request, std::string* status, const WebSink& sink) override;
  OsError Download(const WebRequest& request, const std::string& path, std::string* status,
                   const std::function<bool(const std::string&)>& keep,
                   const std::function<bool(uint64_t)>& progress) override;
  bool Connected() override;
  std::unique_ptr<FtpConnection> ConnectFtp(const FtpLogin& login, OsError* error) override;
};

}  // namespace plumo
