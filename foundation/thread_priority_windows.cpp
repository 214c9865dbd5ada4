#include <windows.h>

#include "foundation/thread_priority.h"

namespace kb {

// Windows still lets a starved idle-priority thread run now and then, so idle is low enough.
void LowerToBackgroundPriority() {
    SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE);
}

}  // namespace kb
