#include "platform/integration_port.h"
#include "platform/odbc/odbc_databases.h"
#include "platform/posix/posix_hardware.h"
#include "platform/posix/posix_serial.h"

namespace plumo {

// Linux has no automation objects.
IntegrationPort::IntegrationPort()
    : automation_(std::make_unique<NoAutomation>()),
      databases_(std::make_unique<OdbcDatabases>(NativeOdbcCalls())),
      hardware_(std::make_unique<PosixHardware>()),
      serialPorts_(std::make_unique<PosixSerialPorts>()) {}

IntegrationPort::~IntegrationPort() = default;

}  // namespace plumo
