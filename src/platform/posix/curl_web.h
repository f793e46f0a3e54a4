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
  OsError Download(const WebRequest& request, const std::string& path, std::string* status,
                   const std::function<bool(const std::string&)>& keep,
                   const std::function<bool(uint64_t)>& progress) override;
  bool Connected() override;
  std::unique_ptr<FtpConnection> ConnectFtp(const FtpLogin& login, OsError* error) override;

 private:
  std::mutex mu_;
  std::unique_ptr<CurlHandle> handle_;
};

}  // namespace plumo
