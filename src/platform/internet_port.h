// The ports of the Internet actions, bundled; programs that carry those actions build the
// native one, tests their own.
#pragma once

#include <memory>

#include "platform/network.h"
#include "platform/web.h"
#include "platform/web_programs.h"

namespace plumo {

class InternetPort {
 public:
  virtual ~InternetPort() = default;
  virtual Web& web() = 0;
  virtual Network& network() = 0;
  virtual WebPrograms& programs() = 0;
};

// WinINet, Winsock and the shell on Windows; libcurl, BSD sockets, OpenSSL and xdg-open on Linux.
std::shared_ptr<InternetPort> MakeNativeInternetPort();

}  // namespace plumo
