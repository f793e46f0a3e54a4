// Serial Port Send and Receive under Wine through COM7, whose data arrives on COM8 (a socat
// pseudo-terminal pair mapped by with-pty-ports); COM8 is read and written with the plain
// comm API, so the other side is not Plumo's own code.
#include <windows.h>

#include "actions/integration/hardware/hardware_test_support.h"
#include "platform/win32/win32_hardware.h"
#include "platform/win32/win32_serial.h"

namespace plumo {
namespace {

class SerialUnderWine : public HardwareTest {
 protected:
  SerialUnderWine() {
    Register(hardware, serial);
    other = CreateFileA("\\\\.\\COM8", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    COMMTIMEOUTS t = {MAXDWORD, MAXDWORD, 2000, 0, 2000};
    if (other != INVALID_HANDLE_VALUE) SetCommTimeouts(other, &t);
  }
  ~SerialUnderWine() override {
    if (other != INVALID_HANDLE_VALUE) CloseHandle(other);
  }
  Step Port(const char* action, const char* text = "", const char* timeout = "") {
    Step s = StepOf({action, "", text, "COM7:", timeout});
    s.value2 = "9600";
    s.value3 = "8";
    s.value4 = "None";
    s.value5 = "1";
    s.value6 = "None";
    return s;
  }
  Win32Hardware hardware;
  Win32SerialPorts serial;
  HANDLE other = INVALID_HANDLE_VALUE;
};

TEST_F(SerialUnderWine, SendReceiveAndTimeOut) {
  ASSERT_NE(other, INVALID_HANDLE_VALUE) << "COM8 is mapped by with-pty-ports";
  ASSERT_EQ(Result(Port("Serial Port Send", "AT+PING\r")), "<absent>");
  std::string got;
  char buffer[64];
  DWORD n = 0;
  for (int i = 0; i < 10 && got.size() < 8 && ReadFile(other, buffer, sizeof buffer, &n, nullptr); ++i) got.append(buffer, n);
  EXPECT_EQ(got, "AT+PING\r");

  DWORD written = 0;
  ASSERT_TRUE(WriteFile(other, "OK 42", 5, &written, nullptr));
  EXPECT_EQ(Result(Port("Serial Port Receive", "", "5")), "OK 42");
  EXPECT_EQ(Result(Port("Serial Port Receive", "", "1")), "FAIL: No data arrived on COM7: within 1 second(s)");
}

}  // namespace
}  // namespace plumo
