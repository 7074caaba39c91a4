// The cancel signal of a reader handle: raised from any thread, it ends the waits of the call
// under way on that handle. One implementation per platform: POSIX adds a pipe that the
// transports poll beside their own descriptor, so a wait ends at once; Windows transports look
// at the flag between short waits.
#pragma once

#include <atomic>

namespace kestrel::link {

class CancelSignal {
public:
    CancelSignal();
    ~CancelSignal();
    CancelSignal(const CancelSignal&) = delete;
    CancelSignal& operator=(const CancelSignal&) = delete;

    // Whatever thread: ends the call under way.
    void raise();
    // The calling thread, as a call starts: forgets an earlier raise.
    void clear();
    bool raised() const { return raised_.load(std::memory_order_acquire); }
    // POSIX: a descriptor that polls readable once raised; -1 where there is none.
    int wait_fd() const { return fds_[0]; }

private:
    std::atomic<bool> raised_{false};
    int fds_[2] = {-1, -1};
};

}  // namespace kestrel::link
