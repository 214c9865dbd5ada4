#include <pthread.h>
#include <sched.h>

#include "foundation/thread_priority.h"

namespace kb {

void LowerToIdlePriority() {
    sched_param parameters{};
    parameters.sched_priority = 0;
    pthread_setschedparam(pthread_self(), SCHED_IDLE, &parameters);
}

}  // namespace kb
