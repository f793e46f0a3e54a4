// The Internet ports of Windows.
#pragma once

#include "platform/internet_port.h"
#include "platform/win32/wininet_web.h"
#include "platform/win32/winsock_network.h"

namespace plumo {

class Win32WebPrograms : public WebPrograms {
 public:
  OsError StartBrowser(const std::string& url) override;
  OsError StartMailProgram() override;
  uint32_t OpenAddress(const std::string& url) override;
  OsError SendMapiMail(const MapiMail& message) override;
};

class Win32InternetPort : public InternetPort {
 public:
  Web& web() override { return web_; }
  Network& network() override { return network_; }
  WebPrograms& programs() override { return programs_; }

 private:
  WinInetWeb web_;
  WinsockNetwork network_;
  Win32WebPrograms programs_;
};

}  // namespace plumo
