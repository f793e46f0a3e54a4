#include "platform/posix/posix_hardware.h"

#include <errno.h>
#include <string.h>
#include <sys/statvfs.h>
#include <sys/utsname.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>

namespace plumo {
namespace {

OsError NotAvailable(const char* call, const std::string& what) {
  return OsError(call, 50, what + " is not available on this system");
}

// "key : value" lines of /proc/cpuinfo and the like.
std::string ValueOf(const std::string& line) {
  const size_t colon = line.find(':');
  if (colon == std::string::npos) return {};
  size_t start = line.find_first_not_of(" \t", colon + 1);
  return start == std::string::npos ? std::string() : line.substr(start);
}

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// The file systems that are storage, not the kernel's own views (a container's overlay root
// is storage too).
bool IsStorage(const std::string& type) {
  static const std::set<std::string> kVirtual = {"proc", "sysfs", "devtmpfs", "devpts", "tmpfs", "cgroup", "cgroup2",
                                                 "securityfs", "pstore", "debugfs", "tracefs", "mqueue", "hugetlbfs",
                                                 "configfs", "fusectl", "bpf", "autofs", "binfmt_misc", "rpc_pipefs",
                                                 "nsfs", "ramfs", "efivarfs", "squashfs", "fuse.portal", "fuse.gvfsd-fuse"};
  return !kVirtual.count(type);
}

}  // namespace

OsError PosixHardware::Processor(ProcessorInfo* out) {
  *out = ProcessorInfo();
  std::ifstream in("/proc/cpuinfo");
  if (!in) return OsError("open", static_cast<uint32_t>(errno), "/proc/cpuinfo cannot be read");
  std::string line;
  double mhz = 0;
  while (std::getline(in, line)) {
    if (StartsWith(line, "processor")) ++out->count;
    else if (StartsWith(line, "model name") && out->name.empty()) out->name = ValueOf(line);
    else if (StartsWith(line, "vendor_id") && out->vendor.empty()) out->vendor = ValueOf(line);
    else if (StartsWith(line, "cpu MHz") && mhz == 0) mhz = std::atof(ValueOf(line).c_str());
  }
  out->mhz = static_cast<uint32_t>(mhz + 0.5);
  if (out->mhz == 0) {
    std::ifstream max("/sys/devices/system/cpu/cpu0/cpufreq/cpuinfo_max_freq");
    unsigned long khz = 0;
    if (max >> khz) out->mhz = static_cast<uint32_t>(khz / 1000);
  }
  struct utsname u;
  if (uname(&u) == 0) {
    const std::string machine = u.machine;
    out->architecture = machine == "x86_64" ? "x64" : machine == "aarch64" ? "ARM64" : (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86") ? "x86" : machine;
  }
  if (out->count == 0) out->count = static_cast<uint32_t>(sysconf(_SC_NPROCESSORS_ONLN));
  return OsError::Ok();
}

OsError PosixHardware::Video(VideoInfo*) { return NotAvailable("Video", "A display"); }

OsError PosixHardware::Drives(std::vector<std::string>* roots) {
  roots->clear();
  std::ifstream in("/proc/self/mounts");
  if (!in) return OsError("open", static_cast<uint32_t>(errno), "/proc/self/mounts cannot be read");
  std::string device, mountPoint, type, rest;
  std::set<std::string> seen;
  while (in >> device >> mountPoint >> type && std::getline(in, rest)) {
    if (IsStorage(type) && seen.insert(mountPoint).second) roots->push_back(mountPoint);
  }
  return OsError::Ok();
}

OsError PosixHardware::DriveSpace(const std::string& root, uint64_t* total, uint64_t* free) {
  struct statvfs st;
  if (statvfs(root.c_str(), &st) != 0) {
    const int e = errno;
    return OsError("statvfs", e == ENOENT ? 2u : static_cast<uint32_t>(e), std::string(strerror(e)) + ": " + root);
  }
  *total = static_cast<uint64_t>(st.f_blocks) * st.f_frsize;
  *free = static_cast<uint64_t>(st.f_bavail) * st.f_frsize;
  return OsError::Ok();
}

OsError PosixHardware::Names(SystemNames* out) {
  *out = SystemNames();
  std::ifstream release("/etc/os-release");
  std::string line;
  while (std::getline(release, line)) {
    if (!StartsWith(line, "PRETTY_NAME=")) continue;
    std::string value = line.substr(12);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    out->description = value;
  }
  struct utsname u;
  if (uname(&u) == 0) {
    if (out->description.empty()) out->description = std::string(u.sysname) + " " + u.release;
    out->computerName = u.nodename;
  }
  return OsError::Ok();
}

OsError PosixHardware::PlaySoundFile(const std::string&, bool) { return NotAvailable("PlaySound", "Playing sounds"); }
OsError PosixHardware::Tone(uint32_t, uint32_t) { return NotAvailable("Beep", "A speaker for tones"); }
OsError PosixHardware::ChangeDisplay(const DisplayMode&) { return NotAvailable("ChangeDisplaySettings", "A display"); }
OsError PosixHardware::SetScreenSaverActive(bool) { return NotAvailable("SystemParametersInfo", "A screen saver"); }

}  // namespace plumo
