// The Internet and e-mail actions (category 11) and the IF Internet condition.
#pragma once

#include <memory>

#include "platform/internet_port.h"

namespace plumo {

class Session;

// Registers the executor of category 11, IF Internet and the end-of-run clean-up; the port
// lives as long as the session's tables hold the executors.
void RegisterInternetActions(Session& session, std::shared_ptr<InternetPort> port);

}  // namespace plumo
