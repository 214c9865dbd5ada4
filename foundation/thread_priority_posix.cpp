#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include "foundation/thread_priority.h"

namespace kb {

// The ordinary time-sharing class at nice 19. Linux gives a thread of the idle class no time at
// all while any other thread is runnable, so it is not used. On Linux the nice value of a
// thread id applies to that thread alone.
void LowerToBackgroundPriority() {
    sched_param parameters{};
    parameters.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_OTHER, &parameters);
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
}

}  // namespace kb
