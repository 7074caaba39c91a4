#include "link/session.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "kestrel.h"
#include "kestrel/reader.h"

namespace kestrel::link {
namespace {

std::int64_t steady_ns(Clock::time_point t) {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count();
}

// KESTREL_TRACE=<file>: the default session's trace as text, one line a frame.
//   12.345678901 > 01 05 | 10 01 01 05 00 04 10 02
//   12.347000000 < 01 05 0 KESTREL_OK | 10 01 01 05 00 ...
void write_trace_line(void* context, const TraceEvent& e) {
    auto* file = static_cast<std::FILE*>(context);
    std::fprintf(file, "%" PRId64 ".%09" PRId64 " %c %02X %02X", e.time_ns / 1'000'000'000, e.time_ns % 1'000'000'000,
                 e.direction == KESTREL_TRACE_SENT ? '>' : '<', e.address, e.command);
    if (e.direction == KESTREL_TRACE_RECEIVED) std::fprintf(file, " %d %s", e.result, kestrel_result_name(e.result));
    std::fputs(" |", file);
    for (std::size_t i = 0; i < e.length; ++i) std::fprintf(file, " %02X", e.bytes[i]);
    std::fputc('\n', file);
    std::fflush(file);
}

LinkSession& make_default_session() {
    static LinkSession s;
    const char* path = std::getenv("KESTREL_TRACE");
    if (path != nullptr && path[0] != '\0') {
        if (std::FILE* file = std::fopen(path, "a")) {
            s.trace = write_trace_line;
            s.trace_context = file;
        }
    }
    return s;
}

Clock::time_point after_ms(Clock::time_point from, std::uint32_t ms) { return from + std::chrono::milliseconds(ms); }

}  // namespace

std::uint32_t transaction_bound_ms(std::uint32_t first_byte_ms, std::uint32_t byte_ms, std::uint32_t baud) {
    const std::uint64_t wire_ms = 2ull * kMaxReplyFrame * 10 * 1000 / std::max<std::uint32_t>(baud, 1);
    return static_cast<std::uint32_t>(std::min<std::uint64_t>(first_byte_ms + wire_ms + byte_ms, UINT32_MAX));
}

LinkSession::~LinkSession() { close_link(); }

Timeouts LinkSession::timeouts() const {
    Timeouts t = link != nullptr ? link->default_timeouts() : Timeouts{};
    if (timeouts_set.probe_reply_ms != 0) t.probe_reply_ms = timeouts_set.probe_reply_ms;
    if (timeouts_set.reply_ms != 0) t.reply_ms = timeouts_set.reply_ms;
    if (timeouts_set.byte_ms != 0) t.byte_ms = timeouts_set.byte_ms;
    if (timeouts_set.transaction_ms != 0) t.transaction_ms = timeouts_set.transaction_ms;
    return t;
}

std::uint32_t LinkSession::first_byte_ms() const {
    const Timeouts t = timeouts();
    return command == kProbe ? t.probe_reply_ms : t.reply_ms;
}

int LinkSession::wait_left_ms(std::uint32_t wait_ms) const {
    if (cancelled()) return 0;
    const auto now = Clock::now();
    if (now >= deadline) return 0;
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - now).count();
    return static_cast<int>(std::min<std::int64_t>(left, wait_ms));
}

void LinkSession::frame_sent() {
    if (trace == nullptr) return;
    std::array<std::uint8_t, kMaxCommandFrame> frame;
    const std::size_t n = encode_command_frame(address, command, std::span(request_data).first(request_length), frame);
    trace(trace_context, TraceEvent{KESTREL_TRACE_SENT, 0, steady_ns(Clock::now()), address, command, frame.data(), n});
}

void LinkSession::attach(Link* l, bool owned) {
    close_link();
    link = l;
    owns_link = owned;
    reply_outstanding = false;
    if (l != nullptr) transport = l->transport();
}

void LinkSession::close_link() {
    if (link == nullptr || !link->close()) return;
    Link* l = link;
    link = nullptr;
    if (owns_link) delete l;
    owns_link = false;
    reply_outstanding = false;
}

LinkSession& session() {
    static LinkSession& the_session = make_default_session();
    return the_session;
}

int Link_Transact(LinkSession& s) {
    if (s.link == nullptr) return s.transport == Transport::usb ? KESTREL_E_USB_SEND : KESTREL_E_SEND_DLE;
    const Timeouts t = s.timeouts();
    s.after_drain = s.reply_outstanding;
    if (s.reply_outstanding) {
        s.deadline = after_ms(Clock::now(), t.transaction_ms);
        s.link->drain(s);
        s.reply_outstanding = false;
    }
    if (s.cancelled()) return KESTREL_E_CANCELLED;  // nothing sent, nothing owed
    s.trace_received = 0;
    s.bytes_received = 0;
    s.deadline = after_ms(Clock::now(), t.transaction_ms);
    int code = s.link->transact(s);
    if (code != KESTREL_OK && s.cancelled()) {
        code = KESTREL_E_CANCELLED;
        s.reply_outstanding = true;
    }
    // A reply not taken whole may still be coming: the next transaction drains the line at
    // least until one more first-byte wait has gone by.
    if (s.reply_outstanding) {
        const std::uint32_t margin = s.bytes_received == 0 ? s.first_byte_ms() : t.byte_ms;
        s.reply_due_until = after_ms(Clock::now(), s.late_reply_margin_ms.value_or(margin));
    }
    s.deadline = Clock::time_point::max();
    if (s.trace != nullptr)
        s.trace(s.trace_context, TraceEvent{KESTREL_TRACE_RECEIVED, code, steady_ns(Clock::now()), s.address, s.command,
                                            s.trace_bytes.data(), s.trace_received});
    return code;
}

int Link_Transact() { return Link_Transact(session()); }

}  // namespace kestrel::link

// The public header promises callers this reply capacity, and the trace this many bytes.
static_assert(kestrel::link::kDataCapacity == KESTREL_MAX_REPLY_DATA);
static_assert(kestrel::link::kTraceReceivedCapacity == KESTREL_TRACE_MAX_RECEIVED);
static_assert(KESTREL_TRACE_SENT == 1 && KESTREL_TRACE_RECEIVED == 2);
