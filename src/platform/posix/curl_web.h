// The Web port on libcurl.
#pragma once

#include <memory>
#include <mutex>

#include "platform/web.h"

namespace plumo {

class CurlHandle;

class CurlWeb : public Web {
 public:
  // Construct before other threads use libcurl (its global set-up is not thread-safe).
  CurlWeb();
  ~CurlWeb() override;
  OsError Request(const WebRequest& request, std::string* status, const WebSink& sink) override;
  bool Connected() override;
  std::unique_ptr<FtpConnection> ConnectFtp(const FtpLogin& login, OsError* error) override;

 private:
  std::mutex mu_;
  std::unique_ptr<CurlHandle> handle_;
};

}  // namespace plumo
