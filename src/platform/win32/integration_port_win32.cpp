#include "platform/integration_port.h"
#include "platform/odbc/odbc_databases.h"
#include "platform/win32/win32_automation.h"
#include "platform/win32/win32_hardware.h"
#include "platform/win32/win32_serial.h"

namespace plumo {

IntegrationPort::IntegrationPort()
    : automation_(std::make_unique<Win32Automation>()),
      databases_(std::make_unique<OdbcDatabases>(NativeOdbcCalls())),
      hardware_(std::make_unique<Win32Hardware>()),
      serialPorts_(std::make_unique<Win32SerialPorts>()) {}

IntegrationPort::~IntegrationPort() = default;

}  // namespace plumo
