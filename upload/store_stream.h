#pragma once
// The byte stream between the upload and its document-store helper, as the operating system
// gives it: a socket pair on POSIX, a named pipe on Windows. The helper's end is its standard
// input and output.
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace kb {

// One end of the stream: a file descriptor on POSIX, a HANDLE on Windows.
using StreamHandle = std::intptr_t;

// When a transfer gives up; none: never.
using Deadline = std::optional<std::chrono::steady_clock::time_point>;

// Reads at most size bytes once some have come. Returns how many, 0 at the stream's end, -1 on
// an error or when the deadline passed first.
std::ptrdiff_t ReadSome(StreamHandle stream, void* data, std::size_t size,
                        const Deadline& deadline);

// Writes at most size bytes once the stream takes some. Returns how many, or 0 or -1 when the
// other side has gone or the deadline passed first. Never raises SIGPIPE.
std::ptrdiff_t WriteSome(StreamHandle stream, const void* data, std::size_t size,
                         const Deadline& deadline);

// The helper's ends of the stream: its standard input and output. The first call also makes
// sure that a vanished upload is seen as a failed write, not as a signal, and that a crash ends
// the helper at once, without waiting on a system error dialog.
StreamHandle HelperInput();
StreamHandle HelperOutput();

}  // namespace kb
