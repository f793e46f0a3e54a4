// The integration families of this area that a program registers together: workbooks
// (category 10), databases (the database actions of 12) and hardware (15 but "Recording").
// Inline, so that a runtime image that leaves a family out with a constant mask links none
// of it.
#pragma once

#include <cstdint>

#include "actions/integration/database/database_actions.h"
#include "actions/integration/hardware/hardware_actions.h"
#include "actions/integration/workbooks/workbook_actions.h"
#include "platform/files.h"
#include "platform/integration_port.h"

namespace plumo {

namespace integration {
constexpr uint32_t kWorkbooks = 1;
constexpr uint32_t kDatabases = 2;
constexpr uint32_t kHardware = 4;
constexpr uint32_t kAll = kWorkbooks | kDatabases | kHardware;
}  // namespace integration

inline void RegisterIntegrationActions(Session& session, Files& files, IntegrationPort& port,
                                       uint32_t families = integration::kAll) {
  if (families & integration::kWorkbooks) RegisterWorkbookActions(session, files, port.automation());
  if (families & integration::kDatabases) RegisterDatabaseActions(session, port.databases());
  if (families & integration::kHardware) RegisterHardwareActions(session, port.hardware(), port.serialPorts());
}

}  // namespace plumo
