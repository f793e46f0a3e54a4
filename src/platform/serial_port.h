// Serial port port: a communications port opened with its line settings, written to and read
// from with a time-out (the Win32 comm API on Windows, termios on Linux).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/os_error.h"

namespace plumo {

enum class Parity { kNone, kEven, kOdd };
enum class FlowControl { kNone, kHardware, kXonXoff };

struct SerialSettings {
  uint32_t baud = 9600;
  uint32_t dataBits = 8;  // 5 to 8
  Parity parity = Parity::kNone;
  uint32_t stopBits = 1;  // 1 or 2
  FlowControl flow = FlowControl::kHardware;
  bool operator==(const SerialSettings&) const = default;
};

class SerialPort {
 public:
  virtual ~SerialPort() = default;
  virtual OsError Write(std::string_view bytes) = 0;
  // Waits at most waitMs for bytes and gives what has arrived (empty when nothing did).
  virtual OsError Read(uint32_t waitMs, std::string* out) = 0;
};

class SerialPorts {
 public:
  virtual ~SerialPorts() = default;
  // "COM1:" (also "COM1"); on Linux COMn is /dev/ttyS(n-1), and a path is taken as it is.
  virtual std::unique_ptr<SerialPort> Open(const std::string& name, const SerialSettings& settings, OsError* error) = 0;
};

}  // namespace plumo
