#include "platform/posix/posix_processes.h"

#include <pthread.h>
#include <sched.h>
#include <string.h>

namespace plumo {

uint32_t PosixProcesses::PriorityClass() {
  int policy = 0;
  sched_param param{};
  if (pthread_getschedparam(pthread_self(), &policy, &param) != 0) return priority::kNormal;
  return policy == SCHED_IDLE ? priority::kIdle : priority::kNormal;
}

OsError PosixProcesses::SetPriorityClass(uint32_t cls) {
  sched_param param{};
  int err = pthread_setschedparam(pthread_self(), cls == priority::kIdle ? SCHED_IDLE : SCHED_OTHER, &param);
  if (err) return OsError("pthread_setschedparam", static_cast<uint32_t>(err), strerror(err));
  return OsError::Ok();
}

}  // namespace plumo
