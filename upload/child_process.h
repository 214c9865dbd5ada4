#pragma once
// Starting and ending a helper program whose standard input and output are one end of a
// two-way stream, as the operating system does it.
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

#include "upload/store_stream.h"

namespace kb {

struct ChildProcess {
    std::intptr_t process;  // a process id on POSIX, a process HANDLE on Windows
    StreamHandle stream;    // the parent's end of the stream
    std::intptr_t job = 0;  // Windows: the job object the child and all it starts run in
};

// Starts the program at path (no arguments) with the other end of a new stream as its standard
// input and output; its standard error is the caller's. None when that failed.
std::optional<ChildProcess> StartChild(const std::string& path);

// Kills the child at once; may be called from any thread until EndChild has begun, which still
// waits for it. The child's end of the stream closes with it, so a transfer waiting on the
// parent's end stops.
void KillChild(const ChildProcess& child);

// Closes the parent's end, which asks the child to end; kills the child when it has not ended
// within patience; waits for it and releases what it held.
void EndChild(const ChildProcess& child, std::chrono::milliseconds patience);

}  // namespace kb
