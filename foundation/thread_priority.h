#pragma once
// Thread priorities, as the operating system sets them.

namespace kb {

// Lowers the calling thread to idle priority; failing that, it runs at normal priority.
void LowerToIdlePriority();

}  // namespace kb
