// The programs the Internet actions hand over to: the browser, the mail program, the shell's
// handler of an address (mailto:), and Simple MAPI.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

struct MapiMail {
  std::vector<std::string> recipients;
  std::string subject;
  std::string body;
};

class WebPrograms {
 public:
  virtual ~WebPrograms() = default;
  // Starts the registered browser, on the address when one is given.
  virtual OsError StartBrowser(const std::string& url) = 0;
  // Starts the registered mail program.
  virtual OsError StartMailProgram() = 0;
  // Opens the address with the shell's handler of its scheme. Like ShellExecute: above 32
  // when it started, else an error code.
  virtual uint32_t OpenAddress(const std::string& url) = 0;
  // Sends through Simple MAPI with the default profile; the error names the failing call
  // ("LoadLibrary" when there is no MAPI at all).
  virtual OsError SendMapiMail(const MapiMail& message) = 0;
};

}  // namespace plumo
