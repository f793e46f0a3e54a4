// The Hardware actions on Linux, checked against what other programs of the system report.
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <thread>

#include "actions/integration/hardware/hardware_test_support.h"
#include "platform/posix/posix_hardware.h"
#include "platform/posix/posix_serial.h"
#include "vars/number_text.h"

extern char** environ;

namespace plumo {
namespace {

std::string Shell(const std::string& command) {
  std::string out;
  if (std::FILE* p = popen(command.c_str(), "r")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, p)) > 0) out.append(buffer, n);
    pclose(p);
  }
  while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
  return out;
}

class PosixHardwareTest : public HardwareTest {
 protected:
  PosixHardwareTest() { Register(hardware, serial); }
  PosixHardware hardware;
  PosixSerialPorts serial;
};

TEST_F(PosixHardwareTest, DetailsAgreeWithTheSystemsOwnTools) {
  EXPECT_EQ(Do({"Processor (CPU) Details", "Number of Processors"}), Shell("nproc --all"));
  EXPECT_EQ(Do({"Processor (CPU) Details"}), Shell("grep -m1 '^model name' /proc/cpuinfo | sed 's/^[^:]*: *//'"));
  EXPECT_EQ(Do({"Processor (CPU) Details", "Architecture"}), Shell("uname -m") == "x86_64" ? "x64" : Shell("uname -m"));
  EXPECT_EQ(Do({"Operating System Details", "Computer Name"}), Shell("hostname"));
  EXPECT_EQ(Do({"Storage Details", "Total Size", "/"}), Shell("df -B1 --output=size / | tail -1 | tr -d ' '"));
  EXPECT_EQ(Do({"Storage Details", "Total Size,Kilobyte (K)", "/"}),
            NumberToText(std::round(std::stod(Shell("df -B1 --output=size / | tail -1")) / 1024 * 100) / 100, 15));
  const std::string drives = "," + Do({"Storage Details", "List of Drives"}) + ",";
  EXPECT_NE(drives.find(",/,"), std::string::npos) << drives;
  EXPECT_EQ(drives.find(",/proc,"), std::string::npos) << drives;
}

TEST_F(PosixHardwareTest, WhatLinuxLacksFailsClearly) {
  const std::pair<HardwareRow, std::string> cases[] = {
      {{"Video Details"}, "A display is not available on this system"},
      {{"Play Sound", "Synchronous", "/usr/share/sounds/x.wav"}, "Sound \"/usr/share/sounds/x.wav\": Playing sounds is not available on this system"},
      {{"Play Tone", "", "440", "", "100"}, "A speaker for tones is not available on this system"},
      {{"Play Tone", "", "20", "", "100"}, "\"20\" is not a frequency from 37 to 32767 Hz"},
      {{"Disable Screen Saver"}, "A screen saver is not available on this system"},
      {{"Change Display Settings", "", "", "800"}, "A display is not available on this system"},
      {{"Change Display Settings"}, "No display setting was given"},
      {{"Storage Details", "Free Space", "/no/such/mount"}, "Drive \"/no/such/mount\": No such file or directory: /no/such/mount"},
  };
  for (const auto& [row, reason] : cases) EXPECT_EQ(Do(row), "FAIL: " + reason) << row.action;
}

// A pair of pseudo-terminals joined by socat: what one end sends, the other receives.
class SocatPair {
 public:
  SocatPair() {
    dir_ = ::testing::TempDir() + "plumo_serial_" + std::to_string(getpid());
    mkdir(dir_.c_str(), 0700);
    a = dir_ + "/a";
    b = dir_ + "/b";
    const std::string left = "pty,raw,echo=0,link=" + a, right = "pty,raw,echo=0,link=" + b;
    const char* argv[] = {"socat", left.c_str(), right.c_str(), nullptr};
    if (posix_spawnp(&pid_, "socat", nullptr, nullptr, const_cast<char**>(argv), environ) != 0) pid_ = 0;
    for (int i = 0; i < 200 && (access(a.c_str(), F_OK) != 0 || access(b.c_str(), F_OK) != 0); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  ~SocatPair() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
    unlink(a.c_str());
    unlink(b.c_str());
    rmdir(dir_.c_str());
  }
  bool ready() const { return pid_ > 0 && access(a.c_str(), F_OK) == 0 && access(b.c_str(), F_OK) == 0; }
  std::string a, b;

 private:
  std::string dir_;
  pid_t pid_ = 0;
};

Step Serial(const char* action, const std::string& port, const char* text = "", const char* timeout = "") {
  Step s = HardwareTest::StepOf({action, "", text, "", timeout});
  s.value1 = port;
  s.value2 = "9600";
  s.value3 = "8";
  s.value4 = "None";
  s.value5 = "1";
  s.value6 = "None";
  return s;
}

TEST_F(PosixHardwareTest, SerialSendAndReceiveThroughAPseudoTerminalPair) {
  SocatPair pair;
  ASSERT_TRUE(pair.ready()) << "socat is needed (tools/setup installs it)";
  OsError e;
  auto other = serial.Open(pair.b, SerialSettings{9600, 8, Parity::kNone, 1, FlowControl::kNone}, &e);
  ASSERT_TRUE(other) << e.ToString();

  ASSERT_EQ(Result(Serial("Serial Port Send", pair.a, "AT+PING\r\n")), "<absent>");
  std::string got, piece;
  for (int i = 0; i < 20 && got.size() < 9; ++i) {
    ASSERT_TRUE(other->Read(100, &piece));
    got += piece;
  }
  EXPECT_EQ(got, "AT+PING\r\n");

  ASSERT_TRUE(other->Write("OK 42"));
  EXPECT_EQ(Result(Serial("Serial Port Receive", pair.a, "", "5")), "OK 42");
  EXPECT_EQ(Result(Serial("Serial Port Receive", pair.a, "", "1")), "FAIL: No data arrived on " + pair.a + " within 1 second(s)");
}

TEST_F(PosixHardwareTest, SerialPortsThatCannotBeUsed) {
  EXPECT_EQ(Result(Serial("Serial Port Send", "/dev/ttyNOPE", "x")),
            "FAIL: Serial port /dev/ttyNOPE: No such file or directory: /dev/ttyNOPE");
  Step odd = Serial("Serial Port Send", "/dev/null", "x");
  odd.value3 = "9";
  EXPECT_EQ(Result(odd), "FAIL: \"9\" data bits: 5 to 8 are possible");
  odd = Serial("Serial Port Send", "/dev/null", "x");
  odd.value2 = "14400";
  EXPECT_EQ(Result(odd), "FAIL: Serial port /dev/null: 14400 baud is not available on this system");
  EXPECT_EQ(SerialDevicePath("COM3:"), "/dev/ttyS2");
}

}  // namespace
}  // namespace plumo
