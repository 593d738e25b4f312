#include "playback/output/sound_thread.h"

#include <initializer_list>

#if defined(__unix__)
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#endif

namespace youran {

void raiseSoundThread() {
  thread_local bool done = false;
  if (done) return;
  done = true;
#if defined(__unix__)
  sched_param realtime{};
  realtime.sched_priority = 3;
#if defined(SCHED_RESET_ON_FORK)
  if (pthread_setschedparam(pthread_self(), SCHED_RR | SCHED_RESET_ON_FORK, &realtime) == 0) return;
#endif
  for (int nice : {-11, -5, -1}) {
    if (setpriority(PRIO_PROCESS, 0, nice) == 0) return;
  }
#endif
}

}  // namespace youran
