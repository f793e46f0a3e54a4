// The Web port on WinINet.
#pragma once

#include "platform/web.h"

namespace plumo {

class WinInetWeb : public Web {
 public:
  OsError Request(const WebRequest& request, std::string* status, const WebSink& sink) override;
  bool Connected() override;
  std::unique_ptr<FtpConnection> ConnectFtp(const FtpLogin& login, OsError* error) override;
};

}  // namespace plumo
