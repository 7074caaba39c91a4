// The reader handle of kestrel/reader.h: a link session of its own, its cancel signal and its
// reader address, and the way a handle export runs an operation on it.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include "api/transaction.h"
#include "kestrel/reader.h"
#include "link/cancel.h"
#include "link/session.h"

struct kestrel_reader {
    kestrel_reader() { s.cancel = &cancel; }
    kestrel::link::CancelSignal cancel;
    kestrel::link::LinkSession s;
    std::atomic<std::uint8_t> address{kestrel::link::kBroadcast};
    // The URI's transport, fixed when the handle is opened.
    kestrel::link::Transport transport = kestrel::link::Transport::serial;
    // The caller's trace function, which the session's trace hands each event on to.
    kestrel_trace_fn trace = nullptr;
    void* trace_context = nullptr;
};

namespace kestrel::api {

// Runs `op` on the handle under its lock, with a cancel from before the call forgotten.
template <typename Op>
int on_handle(kestrel_reader* reader, Op op) {
    if (reader == nullptr) return KESTREL_E_ARGUMENT;
    const std::lock_guard<std::mutex> lock(reader->s.mutex);
    reader->cancel.clear();
    Call call{reader->s, reader->address.load(), KESTREL_E_ARGUMENT};
    return op(call);
}

// A handle export's output: nothing written yet.
inline Out out(std::uint8_t* data, std::size_t capacity, std::size_t* length) {
    if (length != nullptr) *length = 0;
    return Out{data, capacity, length};
}

}  // namespace kestrel::api
