// The Hardware actions under Windows (Wine), checked against what the system reports by other
// calls and in the registry.
#include <windows.h>

#include <cmath>

#include "actions/integration/hardware/hardware_test_support.h"
#include "platform/win32/win32_hardware.h"
#include "platform/win32/win32_serial.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

std::string Env(const char* name) {
  char buffer[256] = {};
  const DWORD n = GetEnvironmentVariableA(name, buffer, sizeof buffer);
  return n && n < sizeof buffer ? std::string(buffer, n) : std::string();
}

std::string ScreenSaveActive() {
  char buffer[16] = {};
  DWORD size = sizeof buffer;
  RegGetValueA(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveActive", RRF_RT_REG_SZ, nullptr, buffer, &size);
  return buffer;
}

class Win32HardwareTest : public HardwareTest {
 protected:
  Win32HardwareTest() { Register(hardware, serial); }
  Win32Hardware hardware;
  Win32SerialPorts serial;
};

TEST_F(Win32HardwareTest, DetailsAgreeWithOtherCalls) {
  EXPECT_EQ(Do({"Processor (CPU) Details", "Number of Processors"}), Env("NUMBER_OF_PROCESSORS"));
  EXPECT_EQ(Do({"Processor (CPU) Details", "Architecture"}), Env("PROCESSOR_ARCHITECTURE") == "AMD64" ? "x64" : "x86");
  EXPECT_FALSE(Do({"Processor (CPU) Details", "Name"}).empty());
  EXPECT_EQ(Do({"Operating System Details", "Computer Name"}), Env("COMPUTERNAME"));
  EXPECT_EQ(Do({"Video Details", "Screen Width"}), std::to_string(GetSystemMetrics(SM_CXSCREEN)));
  EXPECT_EQ(Do({"Video Details", "Number of Monitors"}), std::to_string(GetSystemMetrics(SM_CMONITORS)));
  DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
  ASSERT_TRUE(GetDiskFreeSpaceA("C:\\", &sectors, &bytes, &freeClusters, &clusters));
  const double total = double(sectors) * bytes * clusters;
  EXPECT_EQ(Do({"Storage Details", "Total Size,Megabyte (MB)", "C:"}), NumberToText(std::round(total / 1048576 * 100) / 100, 15));
  const std::string drives = "," + Do({"Storage Details", "List of Drives"}) + ",";
  EXPECT_NE(drives.find(",C:\\,"), std::string::npos) << drives;
}

TEST_F(Win32HardwareTest, ScreenSaverIsSwitchedForTheUser) {
  const std::string before = ScreenSaveActive();
  ASSERT_EQ(Do({"Disable Screen Saver"}), "<absent>");
  BOOL active = TRUE;
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  EXPECT_FALSE(active);
  EXPECT_EQ(ScreenSaveActive(), "0");
  ASSERT_EQ(Do({"Enable Screen Saver"}), "<absent>");
  SystemParametersInfoA(SPI_GETSCREENSAVEACTIVE, 0, &active, 0);
  EXPECT_TRUE(active);
  EXPECT_EQ(ScreenSaveActive(), "1");
  if (before == "0") Do({"Disable Screen Saver"});
}

TEST_F(Win32HardwareTest, DisplaySoundAndPortsThatCannotBe) {
  Step display = StepOf({"Change Display Settings"});
  display.value1 = "12345";
  display.value2 = "7";
  EXPECT_EQ(Result(display), "FAIL: The display does not support this mode");
  const std::string sound = Do({"Play Sound", "Synchronous", "C:\\no\\such.wav"});
  EXPECT_EQ(sound.rfind("FAIL: Sound \"C:\\no\\such.wav\": ", 0), 0u) << sound;  // then the system's message
  Step send = StepOf({"Serial Port Send", "", "x", "COM99:"});
  EXPECT_EQ(Result(send).rfind("FAIL: Serial port COM99:: ", 0), 0u) << Result(send);
}

}  // namespace
}  // namespace plumo
