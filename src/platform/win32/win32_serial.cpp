#include "platform/win32/win32_serial.h"

#include <windows.h>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

constexpr DWORD kWriteTimeoutMs = 10000;

class Win32SerialPort : public SerialPort {
 public:
  Win32SerialPort(HANDLE h, std::string name) : handle_(h), name_(std::move(name)) {}

  OsError Write(std::string_view bytes) override {
    while (!bytes.empty()) {
      DWORD written = 0;
      if (!WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) return LastWin32Error("WriteFile");
      if (written == 0) return OsError("WriteFile", WAIT_TIMEOUT, "The port " + name_ + " took no data (flow control holds it)");
      bytes.remove_prefix(written);
    }
    return OsError::Ok();
  }

  OsError Read(uint32_t waitMs, std::string* out) override {
    out->clear();
    // Returns as soon as a byte is there, or after waitMs without one.
    COMMTIMEOUTS t = {};
    t.ReadIntervalTimeout = MAXDWORD;
    t.ReadTotalTimeoutMultiplier = waitMs ? MAXDWORD : 0;
    t.ReadTotalTimeoutConstant = waitMs;
    t.WriteTotalTimeoutConstant = kWriteTimeoutMs;
    if (!SetCommTimeouts(handle_.get(), &t)) return LastWin32Error("SetCommTimeouts");
    char buffer[4096];
    DWORD n = 0;
    if (!ReadFile(handle_.get(), buffer, sizeof buffer, &n, nullptr)) return LastWin32Error("ReadFile");
    out->assign(buffer, n);
    return OsError::Ok();
  }

 private:
  UniqueHandle handle_;
  std::string name_;
};

}  // namespace

std::unique_ptr<SerialPort> Win32SerialPorts::Open(const std::string& name, const SerialSettings& s, OsError* error) {
  std::string device = name;
  if (!device.empty() && device.back() == ':') device.pop_back();
  if (device.rfind("\\\\", 0) != 0) device = "\\\\.\\" + device;
  HANDLE h = CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    *error = LastWin32Error("CreateFileA");
    return nullptr;
  }
  auto port = std::make_unique<Win32SerialPort>(h, name);
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(h, &dcb)) {
    *error = LastWin32Error("GetCommState");
    return nullptr;
  }
  dcb.BaudRate = s.baud;
  dcb.ByteSize = static_cast<BYTE>(s.dataBits);
  dcb.fBinary = TRUE;
  dcb.fParity = s.parity != Parity::kNone;
  dcb.Parity = s.parity == Parity::kEven ? EVENPARITY : s.parity == Parity::kOdd ? ODDPARITY : NOPARITY;
  dcb.StopBits = s.stopBits == 2 ? TWOSTOPBITS : ONESTOPBIT;
  const bool hardware = s.flow == FlowControl::kHardware, xon = s.flow == FlowControl::kXonXoff;
  dcb.fOutxCtsFlow = hardware;
  dcb.fRtsControl = hardware ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fOutX = xon;
  dcb.fInX = xon;
  if (!SetCommState(h, &dcb)) {
    *error = LastWin32Error("SetCommState");
    return nullptr;
  }
  *error = OsError::Ok();
  return port;
}

}  // namespace plumo
