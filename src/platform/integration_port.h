// The ports of the integration actions that reach other programs and the machine: automation
// objects, ODBC databases, the hardware and serial ports. Programs that carry those actions
// construct one beside their NativePort; it lives in its own library, so that the programs
// without them link none of it.
#pragma once

#include <memory>

#include "platform/automation.h"
#include "platform/database.h"
#include "platform/hardware.h"
#include "platform/serial_port.h"

namespace plumo {

class IntegrationPort {
 public:
  IntegrationPort();
  ~IntegrationPort();

  Automation& automation() { return *automation_; }
  Databases& databases() { return *databases_; }
  Hardware& hardware() { return *hardware_; }
  SerialPorts& serialPorts() { return *serialPorts_; }

 private:
  std::unique_ptr<Automation> automation_;
  std::unique_ptr<Databases> databases_;
  std::unique_ptr<Hardware> hardware_;
  std::unique_ptr<SerialPorts> serialPorts_;
};

}  // namespace plumo
