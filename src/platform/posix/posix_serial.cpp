#include "platform/posix/posix_serial.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <string.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>

namespace plumo {
namespace {

OsError Errno(const char* call, const std::string& what) {
  const int e = errno;
  return OsError(call, e == ENOENT ? 2u : e == EACCES ? 5u : static_cast<uint32_t>(e), std::string(strerror(e)) + ": " + what);
}

struct Speed {
  uint32_t baud;
  speed_t constant;
};
constexpr Speed kSpeeds[] = {{50, B50},       {110, B110},     {150, B150},       {200, B200},       {300, B300},
                             {600, B600},     {1200, B1200},   {2400, B2400},     {4800, B4800},     {9600, B9600},
                             {19200, B19200}, {38400, B38400}, {57600, B57600},   {115200, B115200}, {230400, B230400}};

class PosixSerialPort : public SerialPort {
 public:
  PosixSerialPort(int fd, std::string device) : fd_(fd), device_(std::move(device)) {}
  ~PosixSerialPort() override { close(fd_); }

  OsError Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      const ssize_t n = write(fd_, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Errno("write", device_);
      bytes.remove_prefix(static_cast<size_t>(n));
    }
    if (tcdrain(fd_) != 0 && errno != ENOTTY && errno != EINVAL) return Errno("tcdrain", device_);
    return OsError::Ok();
  }

  OsError Read(uint32_t waitMs, std::string* out) override {
    out->clear();
    struct pollfd p = {fd_, POLLIN, 0};
    int ready;
    do ready = poll(&p, 1, static_cast<int>(waitMs));
    while (ready < 0 && errno == EINTR);
    if (ready < 0) return Errno("poll", device_);
    if (ready == 0) return OsError::Ok();
    char buffer[4096];
    const ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n < 0 && errno != EAGAIN) return Errno("read", device_);
    if (n > 0) out->assign(buffer, static_cast<size_t>(n));
    return OsError::Ok();
  }

 private:
  int fd_;
  std::string device_;
};

}  // namespace

std::string SerialDevicePath(const std::string& name) {
  std::string n = name;
  if (!n.empty() && n.back() == ':') n.pop_back();
  if (n.size() > 3 && (n[0] == 'C' || n[0] == 'c') && (n[1] == 'O' || n[1] == 'o') && (n[2] == 'M' || n[2] == 'm')) {
    char* end = nullptr;
    const long number = std::strtol(n.c_str() + 3, &end, 10);
    if (end && *end == '\0' && number >= 1 && number <= 256) return "/dev/ttyS" + std::to_string(number - 1);
  }
  return name;
}

std::unique_ptr<SerialPort> PosixSerialPorts::Open(const std::string& name, const SerialSettings& s, OsError* error) {
  const std::string device = SerialDevicePath(name);
  speed_t speed = 0;
  for (const Speed& sp : kSpeeds)
    if (sp.baud == s.baud) speed = sp.constant;
  if (!speed) {
    *error = OsError("cfsetspeed", 87, std::to_string(s.baud) + " baud is not available on this system");
    return nullptr;
  }
  const int fd = open(device.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *error = Errno("open", device);
    return nullptr;
  }
  struct termios t;
  if (tcgetattr(fd, &t) != 0) {
    *error = Errno("tcgetattr", device);
    close(fd);
    return nullptr;
  }
  cfmakeraw(&t);
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  t.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  t.c_cflag |= CLOCAL | CREAD;
  t.c_cflag |= s.dataBits == 5 ? CS5 : s.dataBits == 6 ? CS6 : s.dataBits == 7 ? CS7 : CS8;
  if (s.parity != Parity::kNone) t.c_cflag |= PARENB | (s.parity == Parity::kOdd ? PARODD : 0);
  if (s.stopBits == 2) t.c_cflag |= CSTOPB;
  if (s.flow == FlowControl::kHardware) t.c_cflag |= CRTSCTS;
  t.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
  if (s.flow == FlowControl::kXonXoff) t.c_iflag |= IXON | IXOFF;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  if (tcsetattr(fd, TCSANOW, &t) != 0) {
    *error = Errno("tcsetattr", device);
    close(fd);
    return nullptr;
  }
  *error = OsError::Ok();
  return std::make_unique<PosixSerialPort>(fd, device);
}

}  // namespace plumo
