// Serial ports on Linux through termios.
#pragma once

#include "platform/serial_port.h"

namespace plumo {

class PosixSerialPorts : public SerialPorts {
 public:
  std::unique_ptr<SerialPort> Open(const std::string& name, const SerialSettings& settings, OsError* error) override;
};

// The device of a port name: "COM3:" is /dev/ttyS2; a path stays as it is.
std::string SerialDevicePath(const std::string& name);

}  // namespace plumo
