// The calling pattern every export shares: build the request in the link session, run one
// transaction, then copy part of the reply into the caller's buffers.
//
// A null pointer where the export needs a buffer refuses the request: the export returns
// KESTREL_E_NULL_BUFFER, nothing is sent and no buffer is touched. Every buffer an export
// reads or writes goes through `bytes` or `needs` before anything else happens to it.
//
// Copies are bounded by what the reply actually delivered (`reply_length`): a copy whose count
// is taken from the reply's own bytes writes no byte past the received data (its count bytes
// included, so an empty reply writes nothing), and a fixed-size copy writes 0 for bytes the
// reply did not deliver.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "kestrel.h"
#include "link/session.h"

namespace kestrel::api {

// A request being written into the link session.
class Request {
public:
    Request(std::int32_t address, std::uint8_t command) : s_(link::session()) {
        s_.address = static_cast<std::uint8_t>(address);
        s_.command = command;
        s_.request_length = 0;
        length_ = 0;
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
    // Appends `count` bytes of a caller's buffer (a null one refuses the request).
    Request& bytes(const std::uint8_t* data, std::size_t count) {
        if (!needs(data)) return *this;
        for (std::size_t i = 0; i < count; ++i) put(data[i]);
        return *this;
    }
    // A record whose byte at `count_at` counts the bytes after its `header` bytes: appends the
    // header and the counted bytes (a null record refuses the request).
    Request& counted(const std::uint8_t* record, std::size_t header, std::size_t count_at) {
        if (!needs(record)) return *this;
        return bytes(record, header + record[count_at]);
    }
    // A buffer the export reads or writes: false (and the request refused) when it is null.
    bool needs(const void* buffer) {
        if (buffer == nullptr) refused_ = true;
        return buffer != nullptr;
    }
    bool refused() const { return refused_; }
    // Sets the request length sent on the wire when it differs from the bytes appended
    // (a length counted modulo 256 by the reader's one-byte length field).
    Request& length(std::uint8_t sent) {
        length_override_ = true;
        sent_length_ = sent;
        return *this;
    }

    // Runs the transaction; returns the link status code.
    int transact() {
        if (refused_) return KESTREL_E_NULL_BUFFER;
        s_.request_length = length_override_ ? sent_length_ : static_cast<std::uint8_t>(length_);
        return link::Link_Transact();
    }

private:
    void put(std::uint8_t b) {
        if (length_ < s_.request_data.size()) s_.request_data[length_++] = b;
    }

    link::LinkSession& s_;
    std::size_t length_ = 0;
    bool length_override_ = false;
    std::uint8_t sent_length_ = 0;
    bool refused_ = false;
};

// The reply of the last transaction, and the ways an export copies it out.
struct Reply {
    const link::LinkSession& s = link::session();

    std::size_t received() const { return std::min<std::size_t>(s.reply_length, s.reply_data.size()); }
    std::uint8_t status() const { return s.reader_status; }
    // A reply byte, or 0 when the reply did not deliver it.
    std::uint8_t at(std::size_t i) const { return i < received() ? s.reply_data[i] : 0; }

    // Copies the first `count` bytes; bytes the reply did not deliver are written as 0.
    void fixed(std::uint8_t* out, std::size_t count) const {
        for (std::size_t i = 0; i < count; ++i) out[i] = at(i);
    }
    // Copies `count` reply bytes from the start, no more than were received.
    void bounded(std::uint8_t* out, std::size_t count) const {
        const std::size_t n = std::min(count, received());
        if (n > 0) std::memcpy(out, s.reply_data.data(), n);
    }
    // reply[0] = n, then n bytes: copies 1 + n bytes (the count and the data).
    void length_prefixed(std::uint8_t* out) const { bounded(out, 1 + static_cast<std::size_t>(at(0))); }
    // The first reply byte (the tag's verdict) into the first byte of the request buffer.
    void verdict(std::uint8_t* inout) const { inout[0] = at(0); }
    // A record whose first byte is its own total length: copies that many bytes
    // (when it is 0, only the 0).
    void self_counted(std::uint8_t* out) const { bounded(out, std::max<std::size_t>(1, at(0))); }
    // A tag list block: T (2 bytes, big-endian) counts the block from its first byte; copies
    // T bytes, and the two length bytes at least.
    void tag_list_block(std::uint8_t* out) const {
        bounded(out, std::max<std::size_t>(2, static_cast<std::size_t>(at(0)) << 8 | at(1)));
    }
    // A 2-byte big-endian count R, then R bytes: copies the count and the data (R + 2 bytes).
    void count_prefixed(std::uint8_t* out) const {
        bounded(out, (static_cast<std::size_t>(at(0)) << 8 | at(1)) + 2);
    }
};

// The two results an export gives after a valid reply.
inline int link_result(int code) { return code; }
inline int verdict_result(int code) { return code != KESTREL_OK ? code : link::session().reader_status; }

// Runs the transaction; after a valid reply applies `copy` to the reply and returns the
// reader status, otherwise returns the link status code with nothing copied.
template <typename Copy>
int exchange(Request& request, Copy copy) {
    if (request.refused()) return KESTREL_E_NULL_BUFFER;
    const int code = request.transact();
    if (code == KESTREL_OK) copy(Reply{});
    return verdict_result(code);
}

// A reading export that reports only the link: clears the first `cleared` bytes of `out`,
// runs the transaction and, after a valid reply, copies a fixed `count` bytes into `out`.
inline int read_fixed(Request& request, std::uint8_t* out, std::size_t cleared, std::size_t count) {
    if (!request.needs(out) || request.refused()) return KESTREL_E_NULL_BUFFER;
    std::fill_n(out, cleared, std::uint8_t{0});
    const int code = request.transact();
    if (code == KESTREL_OK) Reply{}.fixed(out, count);
    return link_result(code);
}

inline int exchange(Request& request) {
    return verdict_result(request.transact());
}

}  // namespace kestrel::api
