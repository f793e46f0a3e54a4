// Failure handling: what happens after an executor answers Failure. A Step's time-out is a
// window of immediate re-executions; once it has passed, the Step's failure mode decides.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plumo {

class Session;

constexpr uint32_t kFailureDialogSpacingMs = 250;
// Longer error texts go to the log instead of into the dialog.
constexpr size_t kDialogErrorLimit = 384;

// The pause between the attempts of a failing Step within its time-out: a twentieth of the
// time-out, 100 to 250 ms.
constexpr uint32_t kRetryPauseMinMs = 100;
constexpr uint32_t kRetryPauseMaxMs = 250;
uint32_t RetryPauseMs(double timeoutMs);

// A Step's `timeout` expanded and evaluated as seconds; 0 when empty or not a number.
double TimeoutSeconds(Session& session, int slot, int index);

// The index of the Step to run next, or -1 to end the run.
int HandleFailure(Session& session, int slot, int index);

// The failure modes' keywords, tested in this order on the upper-cased mode name.
enum class FailureMode { kRetry, kError, kSilent, kAsk, kJump, kVariable, kRestart, kProgram, kOther };
FailureMode ClassifyFailureMode(const char* onfail);

}  // namespace plumo
