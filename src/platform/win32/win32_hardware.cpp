#include "platform/win32/win32_hardware.h"

#include <windows.h>
#include <mmsystem.h>

#include <cstdlib>
#include <cstring>

#include "platform/win32/win32_error.h"

namespace plumo {
namespace {

constexpr const char* kProcessorKey = "HARDWARE\\DESCRIPTION\\System\\CentralProcessor\\0";
constexpr const char* kVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::string MachineText(const char* key, const char* name) {
  char buffer[256] = {};
  DWORD size = sizeof buffer - 1, type = 0;
  UniqueHkey h;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, key, 0, KEY_READ, h.out()) != ERROR_SUCCESS) return {};
  if (RegQueryValueExA(h.get(), name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS) return {};
  if (type == REG_DWORD) return std::to_string(*reinterpret_cast<DWORD*>(buffer));
  std::string text(buffer);
  const size_t start = text.find_first_not_of(' ');
  return start == std::string::npos ? std::string() : text.substr(start);
}

struct DisplayChangeText {
  LONG code;
  const char* text;
};
constexpr DisplayChangeText kDisplayChanges[] = {
    {DISP_CHANGE_BADMODE, "The display does not support this mode"},
    {DISP_CHANGE_RESTART, "The display mode takes effect after a restart"},
    {DISP_CHANGE_FAILED, "The display driver refused the mode"},
    {DISP_CHANGE_BADFLAGS, "The display mode request was not valid"},
    {DISP_CHANGE_BADPARAM, "The display mode request was not valid"},
    {DISP_CHANGE_NOTUPDATED, "The display mode could not be kept in the registry"},
};

}  // namespace

OsError Win32Hardware::Processor(ProcessorInfo* out) {
  *out = ProcessorInfo();
  SYSTEM_INFO si = {};
  GetNativeSystemInfo(&si);
  out->count = si.dwNumberOfProcessors;
  switch (si.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL: out->architecture = "x86"; break;
    case PROCESSOR_ARCHITECTURE_AMD64: out->architecture = "x64"; break;
    case PROCESSOR_ARCHITECTURE_IA64: out->architecture = "IA64"; break;
    case 12: out->architecture = "ARM64"; break;
    case PROCESSOR_ARCHITECTURE_ARM: out->architecture = "ARM"; break;
    default: out->architecture = "unknown"; break;
  }
  out->name = MachineText(kProcessorKey, "ProcessorNameString");
  out->vendor = MachineText(kProcessorKey, "VendorIdentifier");
  out->mhz = static_cast<uint32_t>(std::strtoul(MachineText(kProcessorKey, "~MHz").c_str(), nullptr, 10));
  return OsError::Ok();
}

OsError Win32Hardware::Video(VideoInfo* out) {
  *out = VideoInfo();
  HDC dc = GetDC(nullptr);
  if (!dc) return LastWin32Error("GetDC");
  out->width = static_cast<uint32_t>(GetDeviceCaps(dc, HORZRES));
  out->height = static_cast<uint32_t>(GetDeviceCaps(dc, VERTRES));
  out->bitsPerPixel = static_cast<uint32_t>(GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES));
  out->refreshHz = static_cast<uint32_t>(GetDeviceCaps(dc, VREFRESH));
  ReleaseDC(nullptr, dc);
  out->monitors = static_cast<uint32_t>(GetSystemMetrics(SM_CMONITORS));
  DISPLAY_DEVICEA device = {};
  device.cb = sizeof device;
  for (DWORD i = 0; EnumDisplayDevicesA(nullptr, i, &device, 0); ++i) {
    if (device.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) {
      out->adapter = device.DeviceString;
      break;
    }
  }
  return OsError::Ok();
}

OsError Win32Hardware::Drives(std::vector<std::string>* roots) {
  roots->clear();
  char buffer[1024] = {};
  const DWORD n = GetLogicalDriveStringsA(sizeof buffer - 1, buffer);
  if (n == 0 || n >= sizeof buffer) return LastWin32Error("GetLogicalDriveStringsA");
  for (const char* p = buffer; *p; p += std::strlen(p) + 1) roots->emplace_back(p);
  return OsError::Ok();
}

OsError Win32Hardware::DriveSpace(const std::string& root, uint64_t* total, uint64_t* free) {
  ULARGE_INTEGER available = {}, size = {}, totalFree = {};
  if (!GetDiskFreeSpaceExA(root.c_str(), &available, &size, &totalFree)) return LastWin32Error("GetDiskFreeSpaceExA");
  *total = size.QuadPart;
  *free = available.QuadPart;
  return OsError::Ok();
}

OsError Win32Hardware::Names(SystemNames* out) {
  *out = SystemNames();
  out->description = MachineText(kVersionKey, "ProductName");
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
  if (GetVersionExA(&info)) out->servicePack = info.szCSDVersion;
  char name[MAX_COMPUTERNAME_LENGTH + 1] = {};
  DWORD size = sizeof name;
  if (GetComputerNameA(name, &size)) out->computerName.assign(name, size);
  return OsError::Ok();
}

OsError Win32Hardware::PlaySoundFile(const std::string& path, bool wait) {
  if (GetFileAttributesA(path.c_str()) == INVALID_FILE_ATTRIBUTES) return LastWin32Error("PlaySoundA");
  const DWORD flags = SND_FILENAME | SND_NODEFAULT | (wait ? SND_SYNC : SND_ASYNC);
  if (!PlaySoundA(path.c_str(), nullptr, flags))
    return OsError("PlaySoundA", 0, "The sound \"" + path + "\" could not be played (no sound device, or not a wave file)");
  return OsError::Ok();
}

OsError Win32Hardware::Tone(uint32_t hz, uint32_t ms) {
  if (!Beep(hz, ms)) return LastWin32Error("Beep");
  return OsError::Ok();
}

OsError Win32Hardware::ChangeDisplay(const DisplayMode& mode) {
  DEVMODEA dm = {};
  dm.dmSize = sizeof dm;
  if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &dm)) return LastWin32Error("EnumDisplaySettingsA");
  dm.dmFields = 0;
  if (mode.width) dm.dmPelsWidth = mode.width, dm.dmFields |= DM_PELSWIDTH;
  if (mode.height) dm.dmPelsHeight = mode.height, dm.dmFields |= DM_PELSHEIGHT;
  if (mode.bitsPerPixel) dm.dmBitsPerPel = mode.bitsPerPixel, dm.dmFields |= DM_BITSPERPEL;
  if (mode.refreshHz) dm.dmDisplayFrequency = mode.refreshHz, dm.dmFields |= DM_DISPLAYFREQUENCY;
  const LONG rc = ChangeDisplaySettingsA(&dm, 0);
  if (rc == DISP_CHANGE_SUCCESSFUL) return OsError::Ok();
  for (const DisplayChangeText& t : kDisplayChanges)
    if (t.code == rc) return OsError("ChangeDisplaySettingsA", static_cast<uint32_t>(rc), t.text);
  return OsError("ChangeDisplaySettingsA", static_cast<uint32_t>(rc), "The display mode could not be changed");
}

OsError Win32Hardware::SetScreenSaverActive(bool active) {
  if (!SystemParametersInfoA(SPI_SETSCREENSAVEACTIVE, active ? TRUE : FALSE, nullptr, SPIF_UPDATEINIFILE | SPIF_SENDWININICHANGE))
    return LastWin32Error("SystemParametersInfoA");
  return OsError::Ok();
}

}  // namespace plumo
