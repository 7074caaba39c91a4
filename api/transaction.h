// The calling pattern every reader operation shares: build the request in the link session,
// run one transaction, then copy part of the reply into the caller's buffers.
//
// Each operation is written once, over a `Call` (the session it runs on and the reader
// address), its inputs as `In` records and its outputs as `Out` buffers. The exports of
// kestrel.h run it on the default session with the seed's fixed sizes (`In::seed`,
// `Out::seed`); the handle exports of kestrel/reader.h with the caller's sizes.
//
// A null pointer where the operation needs a buffer refuses the request (KESTREL_E_NULL_BUFFER
// for the exports, KESTREL_E_ARGUMENT on a handle): nothing is sent and no buffer is touched.
// So does an input record whose own count fields describe more bytes than the caller gave
// (KESTREL_E_ARGUMENT), or more than the frame's one-byte length carries
// (KESTREL_E_REQUEST_TOO_LONG), and a fixed-size output smaller than its size.
//
// Copies are bounded by what the reply actually delivered (`reply_length`) and by the output's
// capacity: a copy whose count is taken from the reply's own bytes writes no byte past the
// received data (its count bytes included, so an empty reply writes nothing), and a fixed-size
// copy writes 0 for bytes the reply did not deliver. A copy cut at the capacity gives
// KESTREL_E_BUFFER_SMALL.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>

#include "kestrel.h"
#include "link/session.h"

namespace kestrel::api {

inline constexpr std::size_t kUnbounded = std::numeric_limits<std::size_t>::max();

// Where a call runs: the session, the reader address of its requests, and the code that
// refuses a null buffer.
struct Call {
    link::LinkSession& s;
    std::uint8_t address;
    int null_code = KESTREL_E_NULL_BUFFER;
};

// A caller's input bytes: a fixed-size array or a record of `size` bytes.
struct In {
    const std::uint8_t* data;
    std::size_t size = kUnbounded;  // the exports of kestrel.h: the record's own fields say
};

// A caller's output buffer. The exports of kestrel.h give no capacity: their buffers hold
// what the header documents for each.
struct Out {
    std::uint8_t* data;
    std::size_t capacity = kUnbounded;
    std::size_t* length = nullptr;  // receives the number of bytes written (may be null)
    bool cut = false;               // a copy was cut at the capacity

    // Writes `count` bytes of `from` (a copy cut at the capacity sets `cut`).
    void put(const std::uint8_t* from, std::size_t count) {
        const std::size_t n = std::min(count, capacity);
        if (n > 0) std::memcpy(data, from, n);
        if (length != nullptr) *length = n;
        if (n < count) cut = true;
    }
};

// A request being written into the link session.
class Request {
public:
    Request(Call& call, std::uint8_t command) : c_(call) {
        c_.s.address = call.address;
        c_.s.command = command;
        c_.s.request_length = 0;
    }

    // Appends the low byte of an integer argument.
    Request& byte(std::int32_t value) {
        put(static_cast<std::uint8_t>(value));
        return *this;
    }
    // Appends a 16-bit number, high byte first.
    Request& word(std::uint16_t value) {
        put(static_cast<std::uint8_t>(value >> 8));
        put(static_cast<std::uint8_t>(value));
        return *this;
    }
    // Appends the first `count` bytes of an input (a null one, or one shorter than that,
    // refuses the request).
    Request& bytes(In in, std::size_t count) {
        if (!needs(in.data) || !has(in, count)) return *this;
        for (std::size_t i = 0; i < count; ++i) put(in.data[i]);
        return *this;
    }
    // Appends a record of `length` bytes whose size its own fields give (worked out by the
    // caller after checking `has(in, header)`): refused when longer than the input or than a
    // frame carries.
    Request& record(In in, std::size_t length) {
        if (!needs(in.data) || !has(in, length)) return *this;
        if (length_ + length > link::kMaxRequestData) return refuse(KESTREL_E_REQUEST_TOO_LONG);
        return bytes(in, length);
    }
    // A record whose byte at `count_at` counts the bytes after its `header` bytes.
    Request& counted(In in, std::size_t header, std::size_t count_at) {
        if (!needs(in.data) || !has(in, count_at + 1)) return *this;
        return record(in, header + in.data[count_at]);
    }
    // A buffer the operation reads or writes: false (and the request refused) when it is null.
    bool needs(const void* buffer) {
        if (buffer == nullptr) refuse(c_.null_code);
        return buffer != nullptr;
    }
    // An output that must hold `size` bytes whatever the reply says.
    bool needs(const Out& out, std::size_t size = 0) {
        if (!needs(out.data)) return false;
        if (out.capacity < size) refuse(KESTREL_E_ARGUMENT);
        return out.capacity >= size;
    }
    // An input of at least `count` bytes: false (and the request refused) when it is shorter.
    bool has(In in, std::size_t count) {
        if (in.size < count) refuse(KESTREL_E_ARGUMENT);
        return in.size >= count;
    }
    Request& refuse(int code) {
        if (refusal_ == 0) refusal_ = code;
        return *this;
    }
    bool refused() const { return refusal_ != 0; }
    int refusal() const { return refusal_; }

    // Runs the transaction; returns the link status code (or the refusal, with nothing sent).
    int transact() {
        if (refused()) return refusal_;
        c_.s.request_length = static_cast<std::uint8_t>(length_);
        return link::Link_Transact(c_.s);
    }

    link::LinkSession& session() const { return c_.s; }

private:
    void put(std::uint8_t b) {
        if (length_ < link::kMaxRequestData) c_.s.request_data[length_++] = b;
        else refuse(KESTREL_E_REQUEST_TOO_LONG);
    }

    Call& c_;
    std::size_t length_ = 0;
    int refusal_ = 0;
};

// The reply of the last transaction, and the ways an operation copies it out.
struct Reply {
    const link::LinkSession& s;

    std::size_t received() const { return std::min<std::size_t>(s.reply_length, s.reply_data.size()); }
    std::uint8_t status() const { return s.reader_status; }
    // A reply byte, or 0 when the reply did not deliver it.
    std::uint8_t at(std::size_t i) const { return i < received() ? s.reply_data[i] : 0; }

    // Copies the first `count` bytes; bytes the reply did not deliver are written as 0.
    void fixed(Out& out, std::size_t count) const {
        std::uint8_t bytes[64];
        count = std::min(count, sizeof bytes);
        for (std::size_t i = 0; i < count; ++i) bytes[i] = at(i);
        out.put(bytes, count);
    }
    // Copies `count` reply bytes from the start, no more than were received.
    void bounded(Out& out, std::size_t count) const { out.put(s.reply_data.data(), std::min(count, received())); }
    // reply[0] = n, then n bytes: copies 1 + n bytes (the count and the data).
    void length_prefixed(Out& out) const { bounded(out, 1 + static_cast<std::size_t>(at(0))); }
    // The same, with no more than `most` bytes after the count byte: a reply stating more has
    // its count byte copied as it came (so the caller sees the fault) and the rest cut there.
    void length_prefixed_at_most(Out& out, std::size_t most) const {
        bounded(out, 1 + std::min<std::size_t>(at(0), most));
    }
    // The first reply byte (the tag's verdict), into `verdict` when there is one.
    void verdict(std::uint8_t* verdict) const {
        if (verdict != nullptr) *verdict = at(0);
    }
    // A record whose first byte is its own total length: copies that many bytes
    // (when it is 0, only the 0).
    void self_counted(Out& out) const { bounded(out, std::max<std::size_t>(1, at(0))); }
    // A tag list block: T (2 bytes, big-endian) counts the block from its first byte; copies
    // T bytes, and the two length bytes at least.
    void tag_list_block(Out& out) const {
        bounded(out, std::max<std::size_t>(2, static_cast<std::size_t>(at(0)) << 8 | at(1)));
    }
    // A 2-byte big-endian count R, then R bytes: copies the count and the data (R + 2 bytes).
    void count_prefixed(Out& out) const { bounded(out, (static_cast<std::size_t>(at(0)) << 8 | at(1)) + 2); }
};

// The result after a transaction: the link status code, or after a valid reply the reader
// status (for the operations that report it) or 0; a copy cut at a capacity overrides both.
inline int link_result(int code) { return code; }
inline int verdict_result(const Request& request, int code) {
    return code != KESTREL_OK ? code : request.session().reader_status;
}
inline int cut_result(int code, const Out& out) { return out.cut ? KESTREL_E_BUFFER_SMALL : code; }

// Runs the transaction; after a valid reply applies `copy` to the reply and returns the
// reader status, otherwise returns the link status code with nothing copied.
template <typename Copy>
int exchange(Request& request, Copy copy) {
    if (request.refused()) return request.refusal();
    const int code = request.transact();
    if (code == KESTREL_OK) copy(Reply{request.session()});
    return verdict_result(request, code);
}

inline int exchange(Request& request) { return verdict_result(request, request.transact()); }

// The same with one output: a copy cut at its capacity gives KESTREL_E_BUFFER_SMALL.
template <typename Copy>
int exchange(Request& request, Out& out, Copy copy) {
    return cut_result(exchange(request, [&](const Reply& reply) { copy(reply, out); }), out);
}

// A reading operation that reports only the link: clears the first `cleared` bytes of `out`,
// runs the transaction and, after a valid reply, copies a fixed `count` bytes into `out`.
inline int read_fixed(Request& request, Out& out, std::size_t cleared, std::size_t count) {
    if (!request.needs(out, count) || request.refused()) return request.refusal();
    std::fill_n(out.data, cleared, std::uint8_t{0});
    const int code = request.transact();
    if (code == KESTREL_OK) Reply{request.session()}.fixed(out, count);
    return link_result(code);
}

// The exports of kestrel.h: one call on the default session, holding its lock.
template <typename Op>
int on_default(std::int32_t address, Op op) {
    link::LinkSession& s = link::session();
    const std::lock_guard<std::mutex> lock(s.mutex);
    Call call{s, static_cast<std::uint8_t>(address)};
    return op(call);
}

}  // namespace kestrel::api
