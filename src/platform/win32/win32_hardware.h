// The hardware port on Windows.
#pragma once

#include "platform/hardware.h"

namespace plumo {

class Win32Hardware : public Hardware {
 public:
  OsError Processor(ProcessorInfo* out) override;
  OsError Video(VideoInfo* out) override;
  OsError Drives(std::vector<std::string>* roots) override;
  OsError DriveSpace(const std::string& root, uint64_t* total, uint64_t* free) override;
  OsError Names(SystemNames* out) override;
  OsError PlaySoundFile(const std::string& path, bool wait) override;
  OsError Tone(uint32_t hz, uint32_t ms) override;
  OsError ChangeDisplay(const DisplayMode& mode) override;
  OsError SetScreenSaverActive(bool active) override;
};

}  // namespace plumo
