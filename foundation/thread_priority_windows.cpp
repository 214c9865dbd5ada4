#include <windows.h>

#include "foundation/thread_priority.h"

namespace kb {

void LowerToIdlePriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

}  // namespace kb
