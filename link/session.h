// A link session: one reader's link (a backend of one transport, chosen when it is opened), the
// waits, cancel signal and trace of its transactions, and the fields of the current
// transaction. The exports of kestrel.h run on the library's default session; every reader
// handle owns one of its own.
#pragma once

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>

#include "link/cancel.h"
#include "link/frame.h"

namespace kestrel::link {

struct LinkSession;

enum class Transport : std::uint8_t { serial = 0, usb = 1, tcp = 2 };

using Clock = std::chrono::steady_clock;

// The waits of one transaction, in milliseconds (see kestrel_timeouts).
struct Timeouts {
    std::uint32_t probe_reply_ms = 0;
    std::uint32_t reply_ms = 0;
    std::uint32_t byte_ms = 0;
    std::uint32_t transaction_ms = 0;
};

// The overall bound of a transaction on a byte stream at `baud`: the first-byte wait, twice the
// wire time of the longest legal reply frame (10 bits a byte) and one more per-byte wait.
std::uint32_t transaction_bound_ms(std::uint32_t first_byte_ms, std::uint32_t byte_ms, std::uint32_t baud);

// An open link of one transport: its state and its operations. The session runs every
// transaction through it and calls `drain` first when the last transaction ended without its
// whole reply (what is late on the line must not pass as the next reply).
class Link {
public:
    virtual ~Link() = default;
    virtual Transport transport() const = 0;
    // The waits the link uses when the session's owner sets none.
    virtual Timeouts default_timeouts() const = 0;
    // Runs the transaction of `s`. Returns 0 or the link status code of the step that failed,
    // and sets `s.reply_outstanding` when the reply may still be on its way.
    virtual int transact(LinkSession& s) = 0;
    // Reads and discards what is late on the line, until `s.reply_due_until` has passed and the
    // line is quiet, within the transaction bound.
    virtual void drain(LinkSession& s) = 0;
    // Releases the transport (port, device, connection). False when it could not be closed:
    // the link then stays open and usable.
    virtual bool close() = 0;
};

// The wire trace of a session: a function called with each frame sent and each reply received.
struct TraceEvent {
    int direction;  // 1 sent, 2 received
    int result;
    std::int64_t time_ns;
    std::uint8_t address;
    std::uint8_t command;
    const std::uint8_t* bytes;
    std::size_t length;
};
using TraceFunction = void (*)(void* context, const TraceEvent& event);
inline constexpr std::size_t kTraceReceivedCapacity = 8192;

struct LinkSession {
    LinkSession() = default;
    LinkSession(const LinkSession&) = delete;
    LinkSession& operator=(const LinkSession&) = delete;
    ~LinkSession();

    // The open link (none when closed), and whether the session frees it when it closes.
    Link* link = nullptr;
    bool owns_link = false;
    // The transport the last open chose; with no link open it decides the code of a command
    // (225 after a serial or TCP link, 187 after a USB one).
    Transport transport = Transport::serial;

    // Waits set by the owner (a field of 0 keeps the link's default).
    Timeouts timeouts_set{};
    // Raised from another thread to end the call under way (none for the default session).
    CancelSignal* cancel = nullptr;
    // One call at a time: the exports and handle calls hold it for their whole run.
    std::mutex mutex;

    // The last transaction ended without its whole reply: whatever is late on the line is
    // drained before the next one goes out, at least until the moment its reply was still due.
    bool reply_outstanding = false;
    Clock::time_point reply_due_until{};
    // How long after such a transaction its reply may still come: by default its first-byte
    // wait when no byte of it came (the whole reply may be late), else one per-byte wait (the
    // rest of a reply under way follows at once). Test ports whose reads never wait set a
    // shorter one (a drain otherwise spins).
    std::optional<std::uint32_t> late_reply_margin_ms;
    // The transaction under way follows a drain: a complete frame whose echo is not its
    // command is a late reply to an earlier one, and is passed over.
    bool after_drain = false;
    // The end of the transaction under way: no wait of it reaches past this.
    Clock::time_point deadline = Clock::time_point::max();

    // Wire trace (off while `trace` is null) and the bytes read for the transaction under way.
    TraceFunction trace = nullptr;
    void* trace_context = nullptr;
    std::size_t trace_received = 0;
    std::array<std::uint8_t, kTraceReceivedCapacity> trace_bytes{};

    // Request of the current transaction.
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::uint8_t request_length = 0;
    std::array<std::uint8_t, kDataCapacity> request_data{};

    // Reply of the last transaction.
    std::uint8_t reader_status = 0;
    std::uint16_t reply_length = 0;
    std::array<std::uint8_t, kDataCapacity> reply_data{};

    // The waits in force: the owner's where set, else the open link's.
    Timeouts timeouts() const;
    // The first-byte wait of the current command.
    std::uint32_t first_byte_ms() const;
    bool cancelled() const { return cancel != nullptr && cancel->raised(); }
    // True once the transaction's deadline has passed (or it was cancelled).
    bool out_of_time() const { return cancelled() || Clock::now() >= deadline; }
    // The milliseconds left of `wait_ms`, cut at the transaction's deadline.
    int wait_left_ms(std::uint32_t wait_ms) const;

    // Engine hooks of the trace: the command frame went out; a reply byte came in.
    void frame_sent();
    void byte_received(std::uint8_t b) {
        ++bytes_received;
        if (trace != nullptr && trace_received < trace_bytes.size()) trace_bytes[trace_received++] = b;
    }
    // Reply bytes read by the transaction under way.
    std::size_t bytes_received = 0;

    // Makes `l` the session's link (taking ownership when `owned`), or closes the open one.
    void attach(Link* l, bool owned);
    void close_link();
};

// The library's default session, in static storage. Its trace is set from the environment
// (KESTREL_TRACE=<file>) when it is first used.
LinkSession& session();

// Runs one transaction with the request fields of `s` as they stand, over its link: drains a
// reply left over from the last transaction, bounds the whole transaction, turns a cancel into
// KESTREL_E_CANCELLED and reports the trace. Returns 0 when a complete, valid reply came.
int Link_Transact(LinkSession& s);
// The same on the default session.
int Link_Transact();

}  // namespace kestrel::link
