// The Hardware actions' own rules, over the session's fake System.
#include "actions/integration/hardware/hardware_test_support.h"

namespace plumo {
namespace {

class NoHardware : public Hardware {
 public:
  OsError Processor(ProcessorInfo*) override { return OsError::Ok(); }
  OsError Video(VideoInfo* v) override {
    *v = VideoInfo{1280, 1024, 24, 60, 2, "Wine"};
    return OsError::Ok();
  }
  OsError Drives(std::vector<std::string>* roots) override {
    *roots = {"C:\\", "D:\\"};
    return OsError::Ok();
  }
  OsError DriveSpace(const std::string& root, uint64_t* total, uint64_t* free) override {
    asked = root;
    *total = 500107862016ull;
    *free = 100000000000ull;
    return OsError::Ok();
  }
  OsError Names(SystemNames* n) override {
    *n = SystemNames{"Windows 7 Professional", "Service Pack 1", "DESK"};
    return OsError::Ok();
  }
  OsError PlaySoundFile(const std::string&, bool) override { return OsError::Ok(); }
  OsError Tone(uint32_t, uint32_t) override { return OsError::Ok(); }
  OsError ChangeDisplay(const DisplayMode& m) override {
    mode = m;
    return OsError::Ok();
  }
  OsError SetScreenSaverActive(bool) override { return OsError::Ok(); }
  std::string asked;
  DisplayMode mode;
};

class NoSerial : public SerialPorts {
 public:
  std::unique_ptr<SerialPort> Open(const std::string&, const SerialSettings&, OsError* e) override {
    *e = OsError("CreateFileA", 2, "The system cannot find the file specified.");
    return nullptr;
  }
};

class HardwareActionsTest : public HardwareTest {
 protected:
  HardwareActionsTest() { Register(hardware, serial); }
  NoHardware hardware;
  NoSerial serial;
};

TEST_F(HardwareActionsTest, DetailsByTheirOptionWords) {
  const std::pair<HardwareRow, const char*> cases[] = {
      {{"Memory Details", "Total Memory"}, "4294967296"},
      {{"Memory Details", "Free Memory,Megabyte (MB)"}, "1024"},
      {{"Memory Details", "Used Memory,Gigabyte (GB)"}, "3"},
      {{"Memory Details", "Percentage % Used"}, "75"},
      {{"Memory Details", "Percentage % Remaining"}, "25"},
      {{"Operating System Details"}, "Windows 7"},
      {{"Operating System Details", "Version"}, "6.1"},
      {{"Operating System Details", "Build Number"}, "7601"},
      {{"Operating System Details", "Service Packs"}, "Service Pack 1"},
      {{"Operating System Details", "Description"}, "Windows 7 Professional"},
      {{"Video Details"}, "1280 x 1024"},
      {{"Video Details", "Number of Monitors"}, "2"},
      {{"Video Details", "Color Depth"}, "24"},
      {{"Storage Details"}, "C:\\,D:\\"},
      {{"Storage Details", "Total Size,Gigabyte (GB) - SI", "C:"}, "500.11"},
      {{"Storage Details", "Used Space,Gigabyte (GB)", "C:"}, "372.63"},
  };
  for (const auto& [row, expected] : cases) EXPECT_EQ(Do(row), expected) << row.action << " " << row.options;
  EXPECT_EQ(hardware.asked, "C:\\");
  system.version = OsVersion{5, 2, 3790, false, true};
  EXPECT_EQ(Do({"Operating System Details", "Name"}), "Windows Server 2003");
}

TEST_F(HardwareActionsTest, DisplayModeAndFailures) {
  Step display = StepOf({"Change Display Settings"});
  display.value1 = "1024";
  display.value2 = "768";
  EXPECT_EQ(Result(display), "<absent>");
  EXPECT_EQ(hardware.mode.width, 1024u);
  EXPECT_EQ(hardware.mode.bitsPerPixel, 0u);  // kept as it is
  display.value3 = "lots";
  EXPECT_EQ(Result(display), "FAIL: \"lots\" is not a whole number");
  Step send = StepOf({"Serial Port Send", "", "hello", "COM9:"});
  EXPECT_EQ(Result(send), "FAIL: Serial port COM9:: The system cannot find the file specified.");
  send.value4 = "Sometimes";
  EXPECT_EQ(Result(send), "FAIL: \"Sometimes\" is not a parity (None, Even or Odd)");
}

}  // namespace
}  // namespace plumo
