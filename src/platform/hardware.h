// Hardware port: facts about the processor, the display, the drives and the operating system,
// and the machine's sound, display mode and screen saver. Where the system has no such thing
// (the Linux runner has no display), the call fails with a reason.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/os_error.h"

namespace plumo {

struct ProcessorInfo {
  std::string name;          // "Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz"
  std::string vendor;        // "GenuineIntel"
  std::string architecture;  // "x86", "x64", "ARM64", ...
  uint32_t count = 0;        // logical processors
  uint32_t mhz = 0;
};

struct VideoInfo {
  uint32_t width = 0, height = 0;
  uint32_t bitsPerPixel = 0;
  uint32_t refreshHz = 0;
  uint32_t monitors = 0;
  std::string adapter;
};

struct SystemNames {
  std::string description;  // the system's own long name ("Debian GNU/Linux 12 (bookworm)")
  std::string servicePack;  // "Service Pack 1"; empty when none
  std::string computerName;
};

// Width, height, colour bits and refresh rate; 0 keeps the current value.
struct DisplayMode {
  uint32_t width = 0, height = 0, bitsPerPixel = 0, refreshHz = 0;
};

class Hardware {
 public:
  virtual ~Hardware() = default;
  virtual OsError Processor(ProcessorInfo* out) = 0;
  virtual OsError Video(VideoInfo* out) = 0;
  // The roots of the drives ("C:\", or mount points on Linux), in the system's order.
  virtual OsError Drives(std::vector<std::string>* roots) = 0;
  virtual OsError DriveSpace(const std::string& root, uint64_t* total, uint64_t* free) = 0;
  virtual OsError Names(SystemNames* out) = 0;
  // A sound file; with wait, returns when it has played.
  virtual OsError PlaySoundFile(const std::string& path, bool wait) = 0;
  virtual OsError Tone(uint32_t hz, uint32_t ms) = 0;
  virtual OsError ChangeDisplay(const DisplayMode& mode) = 0;
  virtual OsError SetScreenSaverActive(bool active) = 0;
};

}  // namespace plumo
