// The Hardware actions (category 15) but "Recording": details of the processor, memory,
// display, drives and operating system; sounds and tones; the display mode; the screen saver;
// and a serial port, which stays open between Steps until the run ends.
#pragma once

#include "platform/hardware.h"
#include "platform/serial_port.h"

namespace plumo {

class Session;

void RegisterHardwareActions(Session& session, Hardware& hardware, SerialPorts& serialPorts);

// Bytes in the unit of a "Size Format" option word: "Bytes", "Kilobyte (K)", "Megabyte (MB)",
// "Megabyte (MB) - SI", ... with up to two decimals.
std::string SizeText(uint64_t bytes, std::string_view options);

}  // namespace plumo
