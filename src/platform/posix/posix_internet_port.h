// The Internet ports of Linux.
#pragma once

#include "platform/internet_port.h"
#include "platform/posix/curl_web.h"
#include "platform/posix/posix_network.h"

namespace plumo {

class XdgWebPrograms : public WebPrograms {
 public:
  OsError StartBrowser(const std::string& url) override;
  OsError StartMailProgram() override;
  uint32_t OpenAddress(const std::string& url) override;
  OsError SendMapiMail(const MapiMail& message) override;
};

class PosixInternetPort : public InternetPort {
 public:
  Web& web() override { return web_; }
  Network& network() override { return network_; }
  WebPrograms& programs() override { return programs_; }

 private:
  CurlWeb web_;
  PosixNetwork network_;
  XdgWebPrograms programs_;
};

}  // namespace plumo
