#include "actions/integration/hardware/hardware_actions.h"

#include <cmath>
#include <cstdlib>
#include <memory>

#include "base/text.h"
#include "engine/run_log.h"
#include "engine/session.h"
#include "scripts/action_catalog.h"
#include "scripts/step.h"
#include "vars/number_text.h"

namespace plumo {
namespace {

constexpr int kCategory = category::kHardware;
constexpr uint32_t kSliceMs = 250;      // a wait polls the stop request this often
constexpr uint32_t kQuietMs = 200;      // a received message ends after this much silence
constexpr size_t kMaxReceived = 1 << 20;
constexpr uint32_t kMinTone = 37, kMaxTone = 32767;

struct SerialState {
  std::string name;
  SerialSettings settings;
  std::unique_ptr<SerialPort> port;
};

struct Context {
  Session& session;
  int slot;
  int index;
  Step& step;
  Hardware& hardware;
  SerialPorts& serialPorts;
  SerialState& serial;

  std::string Expand(std::string_view field) { return session.ExpandStep(field, slot, index); }
  int Store(const std::string& value) {
    session.StoreOutput(slot, index, value);
    return result::kSuccess;
  }
  int Fail(const std::string& reason) { return session.Fail(reason); }
};

// The first row whose option word the Step's options hold, else the first row.
template <typename Row, size_t N>
const Row& Chosen(const Row (&rows)[N], std::string_view options) {
  for (const Row& row : rows)
    if (HasOption(options, row.word)) return row;
  return rows[0];
}

std::string Number(double v) { return NumberToText(v, 15); }

// ---- Processor, video, operating system ------------------------------------------------------

using ProcessorField = std::string (*)(const ProcessorInfo&);
struct ProcessorRow {
  const char* word;
  ProcessorField field;
};
constexpr ProcessorRow kProcessorRows[] = {
    {"Name", [](const ProcessorInfo& p) { return p.name; }},
    {"Vendor", [](const ProcessorInfo& p) { return p.vendor; }},
    {"Speed (MHz)", [](const ProcessorInfo& p) { return std::to_string(p.mhz); }},
    {"Number of Processors", [](const ProcessorInfo& p) { return std::to_string(p.count); }},
    {"Architecture", [](const ProcessorInfo& p) { return p.architecture; }},
};

int ProcessorDetails(Context& c) {
  ProcessorInfo info;
  if (OsError e = c.hardware.Processor(&info); !e) return c.Fail(e.message());
  return c.Store(Chosen(kProcessorRows, c.step.options).field(info));
}

using VideoField = std::string (*)(const VideoInfo&);
struct VideoRow {
  const char* word;
  VideoField field;
};
constexpr VideoRow kVideoRows[] = {
    {"Resolution", [](const VideoInfo& v) { return std::to_string(v.width) + " x " + std::to_string(v.height); }},
    {"Screen Width", [](const VideoInfo& v) { return std::to_string(v.width); }},
    {"Screen Height", [](const VideoInfo& v) { return std::to_string(v.height); }},
    {"Color Depth", [](const VideoInfo& v) { return std::to_string(v.bitsPerPixel); }},
    {"Refresh Rate", [](const VideoInfo& v) { return std::to_string(v.refreshHz); }},
    {"Number of Monitors", [](const VideoInfo& v) { return std::to_string(v.monitors); }},
    {"Adapter", [](const VideoInfo& v) { return v.adapter; }},
};

int VideoDetails(Context& c) {
  VideoInfo info;
  if (OsError e = c.hardware.Video(&info); !e) return c.Fail(e.message());
  return c.Store(Chosen(kVideoRows, c.step.options).field(info));
}

// Windows by its version numbers; later versions by their numbers.
std::string SystemName(const OsVersion& v) {
  if (!v.windows) return "Linux";
  struct Row {
    uint32_t major, minor;
    const char* workstation;
    const char* server;
  };
  static constexpr Row kNames[] = {
      {4, 0, "Windows 95", "Windows NT 4.0"}, {4, 10, "Windows 98", "Windows 98"},
      {4, 90, "Windows Me", "Windows Me"},   {5, 0, "Windows 2000", "Windows 2000 Server"},
      {5, 1, "Windows XP", "Windows XP"},    {5, 2, "Windows XP x64", "Windows Server 2003"},
      {6, 0, "Windows Vista", "Windows Server 2008"}, {6, 1, "Windows 7", "Windows Server 2008 R2"},
      {6, 2, "Windows 8", "Windows Server 2012"},     {6, 3, "Windows 8.1", "Windows Server 2012 R2"},
      {10, 0, "Windows 10", "Windows Server 2016"},
  };
  for (const Row& r : kNames)
    if (r.major == v.major && r.minor == v.minor) return v.workstation ? r.workstation : r.server;
  return "Windows " + std::to_string(v.major) + "." + std::to_string(v.minor);
}

using SystemField = std::string (*)(const OsVersion&, const SystemNames&);
struct SystemRow {
  const char* word;
  SystemField field;
};
constexpr SystemRow kSystemRows[] = {
    {"Name", [](const OsVersion& v, const SystemNames&) { return SystemName(v); }},
    {"Description", [](const OsVersion&, const SystemNames& n) { return n.description; }},
    {"Major Version", [](const OsVersion& v, const SystemNames&) { return std::to_string(v.major); }},
    {"Minor Version", [](const OsVersion& v, const SystemNames&) { return std::to_string(v.minor); }},
    {"Version", [](const OsVersion& v, const SystemNames&) { return std::to_string(v.major) + "." + std::to_string(v.minor); }},
    {"Build Number", [](const OsVersion& v, const SystemNames&) { return std::to_string(v.build); }},
    {"Service Packs", [](const OsVersion&, const SystemNames& n) { return n.servicePack; }},
    {"Computer Name", [](const OsVersion&, const SystemNames& n) { return n.computerName; }},
};

int SystemDetails(Context& c) {
  SystemNames names;
  if (OsError e = c.hardware.Names(&names); !e) return c.Fail(e.message());
  return c.Store(Chosen(kSystemRows, c.step.options).field(c.session.system().Version(), names));
}

// ---- Memory and storage ------------------------------------------------------------------------

int MemoryDetails(Context& c) {
  const MemoryStatus m = c.session.system().Memory();
  if (m.total == 0) return c.Fail("The memory of this system cannot be read");
  const uint64_t used = m.total > m.available ? m.total - m.available : 0;
  const std::string_view o = c.step.options;
  if (HasOption(o, "Percentage % Used")) return c.Store(Number(std::round(100.0 * used / m.total)));
  if (HasOption(o, "Percentage % Remaining")) return c.Store(Number(std::round(100.0 * m.available / m.total)));
  if (HasOption(o, "Free Memory")) return c.Store(SizeText(m.available, o));
  if (HasOption(o, "Used Memory")) return c.Store(SizeText(used, o));
  return c.Store(SizeText(m.total, o));
}

int StorageDetails(Context& c) {
  const std::string_view o = c.step.options;
  const bool size = HasOption(o, "Total Size"), free = HasOption(o, "Free Space"), usedSpace = HasOption(o, "Used Space");
  if (!size && !free && !usedSpace) {
    std::vector<std::string> roots;
    if (OsError e = c.hardware.Drives(&roots); !e) return c.Fail(e.message());
    std::string list;
    for (const std::string& r : roots) list += (list.empty() ? "" : ",") + r;
    return c.Store(list);
  }
  std::string drive = c.Expand(c.step.text);
  if (drive.empty()) return c.Fail("No drive was given (such as C: or /)");
  if (drive.size() == 2 && drive[1] == ':') drive += '\\';
  uint64_t total = 0, available = 0;
  if (OsError e = c.hardware.DriveSpace(drive, &total, &available); !e) return c.Fail("Drive \"" + drive + "\": " + e.message());
  return c.Store(SizeText(size ? total : free ? available : total - std::min(total, available), o));
}

// ---- Sound, display, screen saver -------------------------------------------------------------

int PlaySoundStep(Context& c) {
  const std::string file = c.Expand(c.step.text);
  if (file.empty()) return c.Fail("No sound file was given");
  if (OsError e = c.hardware.PlaySoundFile(file, HasOption(c.step.options, "Synchronous")); !e)
    return c.Fail("Sound \"" + file + "\": " + e.message());
  return result::kSuccess;
}

bool WholeNumber(const std::string& text, uint32_t* out) {
  char* end = nullptr;
  const unsigned long v = std::strtoul(text.c_str(), &end, 10);
  if (text.empty() || !end || *end != '\0' || v > 0xFFFFFFFFul) return false;
  *out = static_cast<uint32_t>(v);
  return true;
}

int PlayTone(Context& c) {
  const std::string frequency(Trim(c.Expand(c.step.text))), duration(Trim(c.Expand(c.step.timeout)));
  uint32_t hz = 0, ms = 0;
  if (!WholeNumber(frequency, &hz) || hz < kMinTone || hz > kMaxTone)
    return c.Fail("\"" + frequency + "\" is not a frequency from 37 to 32767 Hz");
  if (!WholeNumber(duration, &ms)) return c.Fail("\"" + duration + "\" is not a duration in milliseconds");
  if (OsError e = c.hardware.Tone(hz, ms); !e) return c.Fail(e.message());
  return result::kSuccess;
}

int ChangeDisplay(Context& c) {
  DisplayMode mode;
  uint32_t* fields[] = {&mode.width, &mode.height, &mode.bitsPerPixel, &mode.refreshHz};
  for (int i = 0; i < 4; ++i) {
    const std::string text(Trim(c.Expand(c.step.Value(i + 1))));
    if (!text.empty() && !WholeNumber(text, fields[i])) return c.Fail("\"" + text + "\" is not a whole number");
  }
  if (!mode.width && !mode.height && !mode.bitsPerPixel && !mode.refreshHz) return c.Fail("No display setting was given");
  if (OsError e = c.hardware.ChangeDisplay(mode); !e) return c.Fail(e.message());
  return result::kSuccess;
}

int ScreenSaver(Context& c, bool active) {
  if (OsError e = c.hardware.SetScreenSaverActive(active); !e) return c.Fail(e.message());
  return result::kSuccess;
}
int DisableScreenSaver(Context& c) { return ScreenSaver(c, false); }
int EnableScreenSaver(Context& c) { return ScreenSaver(c, true); }

// ---- Serial port -------------------------------------------------------------------------------

// The Step's line settings: baud, data bits, parity, stop bits, flow control in value2 to value6.
bool SerialSettingsOf(Context& c, SerialSettings* s) {
  const std::string baud(Trim(c.Expand(c.step.value2))), bits(Trim(c.Expand(c.step.value3))),
      parity(Trim(c.Expand(c.step.value4))), stop(Trim(c.Expand(c.step.value5))), flow(Trim(c.Expand(c.step.value6)));
  if (!baud.empty() && (!WholeNumber(baud, &s->baud) || s->baud == 0)) return c.Fail("\"" + baud + "\" is not a baud rate"), false;
  if (!bits.empty() && (!WholeNumber(bits, &s->dataBits) || s->dataBits < 5 || s->dataBits > 8))
    return c.Fail("\"" + bits + "\" data bits: 5 to 8 are possible"), false;
  if (!stop.empty() && (!WholeNumber(stop, &s->stopBits) || s->stopBits < 1 || s->stopBits > 2))
    return c.Fail("\"" + stop + "\" stop bits: 1 or 2 are possible"), false;
  if (parity.empty() || EqualsNoCase(parity, "None")) s->parity = Parity::kNone;
  else if (EqualsNoCase(parity, "Even")) s->parity = Parity::kEven;
  else if (EqualsNoCase(parity, "Odd")) s->parity = Parity::kOdd;
  else return c.Fail("\"" + parity + "\" is not a parity (None, Even or Odd)"), false;
  if (flow.empty() || EqualsNoCase(flow, "Hardware")) s->flow = FlowControl::kHardware;
  else if (EqualsNoCase(flow, "None")) s->flow = FlowControl::kNone;
  else if (EqualsNoCase(flow, "XON/XOFF")) s->flow = FlowControl::kXonXoff;
  else return c.Fail("\"" + flow + "\" is not a flow control (None, Hardware or XON/XOFF)"), false;
  return true;
}

// The Step's port, opened or kept from an earlier Step with the same name and settings.
SerialPort* OpenPort(Context& c) {
  std::string name(Trim(c.Expand(c.step.value1)));
  if (name.empty()) name = "COM1:";
  SerialSettings settings;
  if (!SerialSettingsOf(c, &settings)) return nullptr;
  SerialState& s = c.serial;
  if (s.port && EqualsNoCase(s.name, name) && s.settings == settings) return s.port.get();
  s.port.reset();
  OsError e;
  s.port = c.serialPorts.Open(name, settings, &e);
  if (!s.port) {
    c.Fail("Serial port " + name + ": " + e.message());
    return nullptr;
  }
  s.name = name;
  s.settings = settings;
  return s.port.get();
}

int SerialSend(Context& c) {
  size_t length = 0;
  std::string data = c.session.ExpandStep(c.step.text, c.slot, c.index, 0, &length);
  data.resize(std::max(length, data.size()));  // "{\00}" bytes count though the text ends there
  SerialPort* port = OpenPort(c);
  if (!port) return result::kFailure;
  if (OsError e = port->Write(data); !e)
    return c.Fail("Serial port " + c.serial.name + ": " + e.message());
  LogFormat(c.session, "    %lu byte(s) sent to %s", static_cast<unsigned long>(data.size()), c.serial.name.c_str());
  return result::kSuccess;
}

int SerialReceive(Context& c) {
  const double seconds = std::atof(c.Expand(c.step.timeout).c_str());
  SerialPort* port = OpenPort(c);
  if (!port) return result::kFailure;
  const uint32_t waitMs = seconds > 0 ? static_cast<uint32_t>(std::min(seconds, 86400.0) * 1000) : 0;
  std::string received, piece;
  // Up to the time-out for the first bytes, then on until the line is quiet.
  for (uint32_t waited = 0; received.empty();) {
    const uint32_t slice = std::min(kSliceMs, waitMs - std::min(waited, waitMs));
    if (OsError e = port->Read(slice ? slice : 1, &piece); !e) return c.Fail("Serial port " + c.serial.name + ": " + e.message());
    received += piece;
    waited += slice;
    if (!received.empty()) break;
    if (waited >= waitMs || c.session.StopRequested())
      return c.Fail(FormatText("No data arrived on %s within %s second(s)", c.serial.name.c_str(), Number(seconds).c_str()));
  }
  while (received.size() < kMaxReceived && !c.session.StopRequested()) {
    if (OsError e = port->Read(kQuietMs, &piece); !e) return c.Fail("Serial port " + c.serial.name + ": " + e.message());
    if (piece.empty()) break;
    received += piece;
  }
  LogFormat(c.session, "    %lu byte(s) received from %s", static_cast<unsigned long>(received.size()), c.serial.name.c_str());
  c.session.StoreOutput(c.slot, c.index, received, received.size());
  return result::kSuccess;
}

using HardwareAction = int (*)(Context&);
struct ActionRow {
  const char* name;
  HardwareAction run;
};
constexpr ActionRow kActions[] = {
    {"Processor (CPU) Details", ProcessorDetails}, {"Memory Details", MemoryDetails},
    {"Video Details", VideoDetails},               {"Storage Details", StorageDetails},
    {"Operating System Details", SystemDetails},   {"Play Sound", PlaySoundStep},
    {"Play Tone", PlayTone},                       {"Change Display Settings", ChangeDisplay},
    {"Disable Screen Saver", DisableScreenSaver},  {"Enable Screen Saver", EnableScreenSaver},
    {"Serial Port Send", SerialSend},              {"Serial Port Receive", SerialReceive},
};

}  // namespace

std::string SizeText(uint64_t bytes, std::string_view options) {
  struct Unit {
    const char* word;
    double divisor;
  };
  static constexpr Unit kUnits[] = {
      {"Terabyte (TB) - SI", 1e12}, {"Gigabyte (GB) - SI", 1e9}, {"Megabyte (MB) - SI", 1e6},
      {"Terabyte (TB)", 1099511627776.0}, {"Gigabyte (GB)", 1073741824.0}, {"Megabyte (MB)", 1048576.0},
      {"Kilobyte (K)", 1024.0},
  };
  for (const Unit& u : kUnits)
    if (HasOption(options, u.word)) return Number(std::round(static_cast<double>(bytes) / u.divisor * 100) / 100);
  return std::to_string(bytes);
}

void RegisterHardwareActions(Session& session, Hardware& hardware, SerialPorts& serialPorts) {
  auto serial = std::make_shared<SerialState>();
  for (const ActionRow& row : kActions) {
    session.executors.RegisterAction(kCategory, row.name, [&hardware, &serialPorts, serial, run = row.run](Session& s, int slot, int index, bool) {
      Context c{s, slot, index, s.scripts.At(slot)->steps[static_cast<size_t>(index)], hardware, serialPorts, *serial};
      return run(c);
    });
  }
  session.AddFinishHook(FinishPhase::kHelpers, [serial](Session&, int) { serial->port.reset(); });
}

}  // namespace plumo
