#pragma once
// Thread priorities, as the operating system sets them.

namespace kb {

// Lowers the calling thread to the lowest priority at which it still gets a share of the
// processor while other work wants it (a worker must not starve behind a compile or a browser);
// failing that, it runs at normal priority.
void LowerToBackgroundPriority();

}  // namespace kb
