#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>

#include "upload/store_stream.h"

namespace kb {
namespace {

// Waits until fd is ready for events or the deadline has passed.
bool WaitFor(int fd, short events, const Deadline& deadline) {
    while (true) {
        int wait = -1;
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                *deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0)
                return false;
            wait = static_cast<int>(std::min<std::int64_t>(left.count(), INT32_MAX));
        }
        pollfd waiting{fd, events, 0};
        const int ready = poll(&waiting, 1, wait);
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}

bool Retry(ssize_t n) {
    return n < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK);
}

}  // namespace

std::ptrdiff_t ReadSome(StreamHandle stream, void* data, std::size_t size,
                        const Deadline& deadline) {
    const int fd = static_cast<int>(stream);
    while (true) {
        if (!WaitFor(fd, POLLIN, deadline))
            return -1;
        const ssize_t n = read(fd, data, size);
        if (!Retry(n))
            return n < 0 ? -1 : n;
    }
}

std::ptrdiff_t WriteSome(StreamHandle stream, const void* data, std::size_t size,
                         const Deadline& deadline) {
    const int fd = static_cast<int>(stream);
    while (true) {
        if (!WaitFor(fd, POLLOUT, deadline))
            return -1;
        // Without waiting, so that a peer that stopped reading cannot hold past the deadline.
        ssize_t n = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == ENOTSOCK)
            n = write(fd, data, size);
        if (!Retry(n))
            return n < 0 ? -1 : n;
    }
}

namespace {

void IgnoreBrokenPipes() {
    static const bool ignored = std::signal(SIGPIPE, SIG_IGN) != SIG_ERR;
    (void)ignored;
}

}  // namespace

StreamHandle HelperInput() {
    IgnoreBrokenPipes();
    return STDIN_FILENO;
}

StreamHandle HelperOutput() {
    IgnoreBrokenPipes();
    return STDOUT_FILENO;
}

}  // namespace kb
