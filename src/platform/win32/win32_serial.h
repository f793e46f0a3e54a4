// Serial ports on Windows through the comm API.
#pragma once

#include "platform/serial_port.h"

namespace plumo {

class Win32SerialPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialPort> Open(const std::string& name, const SerialSettings& settings, OsError* error) override;
};

}  // namespace plumo
