// POSIX cancel signal: a non-blocking pipe. Raising writes a byte, which makes the read end
// readable for every poll() that watches it; clearing empties it again.
#include <fcntl.h>
#include <unistd.h>

#include "link/cancel.h"

namespace kestrel::link {

CancelSignal::CancelSignal() {
    if (::pipe2(fds_, O_NONBLOCK | O_CLOEXEC) != 0) fds_[0] = fds_[1] = -1;
}

CancelSignal::~CancelSignal() {
    for (int fd : fds_)
        if (fd >= 0) ::close(fd);
}

void CancelSignal::raise() {
    raised_.store(true, std::memory_order_release);
    if (fds_[1] >= 0) {
        const char b = 1;
        // A full pipe is already readable: nothing more to do.
        [[maybe_unused]] const ssize_t n = ::write(fds_[1], &b, 1);
    }
}

void CancelSignal::clear() {
    raised_.store(false, std::memory_order_release);
    if (fds_[0] < 0) return;
    char scratch[64];
    while (::read(fds_[0], scratch, sizeof scratch) > 0) {
    }
}

}  // namespace kestrel::link
