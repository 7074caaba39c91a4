// Tag operations shared by the EPC, GB and GJB families. The three standards lay out most
// requests the same way and differ only in command codes and header sizes, so each operation
// is written once here, parametrised by its layout, and every family export is one call.
//
// Every tag command reports the reader's verdict: a nonzero link status code is returned with
// no caller buffer touched; after a valid reply the reply copy is made (whatever the reader
// status says) and the reader status is the result. The exports of kestrel.h hand the verdict
// byte back in the first byte of the request record; the handle forms into their own byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/transaction.h"

namespace kestrel::api::tag_ops {

// ---- request layouts -------------------------------------------------------------------------

// A memory write record: `header` bytes that end with (or hold at `count_at`) a big-endian word
// count N of `count_width` bytes, followed by 2N data bytes. A record longer than the frame's
// one-byte length carries is refused (KESTREL_E_REQUEST_TOO_LONG), never sent cut or wrapped.
struct WordsLayout {
    std::size_t header;       // bytes before the data
    std::size_t count_at;     // offset of the word count
    std::size_t count_width;  // 1 or 2 bytes, high byte first
};

inline std::size_t word_count(const std::uint8_t* record, std::size_t at, std::size_t width) {
    std::size_t words = 0;
    for (std::size_t i = 0; i < width; ++i) words = words << 8 | record[at + i];
    return words;
}

inline Request& words_record(Request& request, In record, WordsLayout layout) {
    if (!request.needs(record.data) || !request.has(record, layout.header)) return request;
    return request.record(record, layout.header + 2 * word_count(record.data, layout.count_at, layout.count_width));
}

// GB and GJB memory records (also the FD block commands): area, word address (2), word count N
// (2), then 2N data bytes.
inline constexpr WordsLayout kAreaWords{.header = 5, .count_at = 3, .count_width = 2};
// GB and GJB block write: two bytes passed through, word count N (1) at offset 2, then 2N bytes.
inline constexpr WordsLayout kBlockWords{.header = 3, .count_at = 2, .count_width = 1};

// A memory read request: its size and its word count (EPC one byte at offset 3, GB and GJB two
// at 3).
struct ReadLayout {
    std::size_t size;
    std::size_t count_width;
};
inline constexpr ReadLayout kEpcRead{KESTREL_EPC_MEMORY_SIZE, 1};
inline constexpr ReadLayout kAreaRead{KESTREL_AREA_MEMORY_SIZE, 2};

// Match parameters: `header` bytes whose last one is the match length in bits b, followed by
// the match value rounded up to whole bytes.
inline Request& match_record(Request& request, In match, std::size_t header = 4) {
    if (!request.needs(match.data) || !request.has(match, header)) return request;
    const std::size_t bits = match.data[header - 1];
    return request.record(match, header + (bits + 7) / 8);
}

// Custom command record: command length in bits c (2 bytes, big-endian), time mode, expected
// response length (2 bytes), then the command rounded up to whole bytes.
inline constexpr std::size_t kCustomHeader = 5;

inline Request& custom_record(Request& request, In record) {
    if (!request.needs(record.data) || !request.has(record, kCustomHeader)) return request;
    const std::size_t bits = static_cast<std::size_t>(record.data[0]) << 8 | record.data[1];
    return request.record(record, kCustomHeader + (bits + 7) / 8);
}

// Select parameter record: its first byte is its own total length (0 sends nothing).
inline Request& select_record(Request& request, In record) { return request.counted(record, 0, 0); }

// ---- operations ------------------------------------------------------------------------------

// No request data, nothing copied (query on, access check, halt, authentication steps).
inline int status_only(Call& c, std::uint8_t command) {
    Request request(c, command);
    return exchange(request);
}

// A fixed-size request taken from the caller, nothing copied.
inline int send_fixed(Call& c, std::uint8_t command, In data, std::size_t size) {
    Request request(c, command);
    request.bytes(data, size);
    return exchange(request);
}

// Reads the reader's select parameters (a self-counted record).
inline int read_select(Call& c, std::uint8_t command, Out record) {
    Request request(c, command);
    request.needs(record);
    return exchange(request, record, [](const Reply& reply, Out& out) { reply.self_counted(out); });
}

// Writes the select parameters: the first record[0] bytes of the record.
inline int write_select(Call& c, std::uint8_t command, In record) {
    Request request(c, command);
    select_record(request, record);
    return exchange(request);
}

// Fetches one block of the inventory's tag list.
inline int read_tag_list(Call& c, std::uint8_t command, std::int32_t mode, std::int32_t length, Out block) {
    Request request(c, command);
    request.byte(mode).byte(length).needs(block);
    return exchange(request, block, [](const Reply& reply, Out& out) { reply.tag_list_block(out); });
}

// Wakes the tag that matches the parameters; the reply is its identifier, length-prefixed.
inline int wake(Call& c, std::uint8_t command, In match, Out out, std::size_t header = 4) {
    Request request(c, command);
    match_record(request, match, header).needs(out);
    return exchange(request, out, [](const Reply& reply, Out& o) { reply.length_prefixed(o); });
}

// No request data; the reply is length-prefixed (security parameters, lock information).
inline int read_prefixed(Call& c, std::uint8_t command, Out out) {
    Request request(c, command);
    request.needs(out);
    return exchange(request, out, [](const Reply& reply, Out& o) { reply.length_prefixed(o); });
}

// A memory read (area or bank, word address, word count); the reply is the count byte n and n
// bytes, of which no more than the 2 x word count the request asked for are copied (the
// caller's array holds what it asked for, whatever the reader states).
inline int read_memory(Call& c, std::uint8_t command, In request_bytes, ReadLayout layout, Out out) {
    Request request(c, command);
    request.bytes(request_bytes, layout.size).needs(out);
    if (request.refused()) return request.refusal();
    const std::size_t asked = 2 * word_count(request_bytes.data, 3, layout.count_width);
    return exchange(request, out, [&](const Reply& reply, Out& o) { reply.length_prefixed_at_most(o, asked); });
}

// A memory write (header + 2N data bytes); the verdict byte comes back into `verdict`.
inline int write_words(Call& c, std::uint8_t command, In record, WordsLayout layout, std::uint8_t* verdict) {
    Request request(c, command);
    words_record(request, record, layout);
    return exchange(request, [&](const Reply& reply) { reply.verdict(verdict); });
}

// A fixed-size request (kill, lock, erase, password change); the verdict byte comes back into
// `verdict`.
inline int verdict_command(Call& c, std::uint8_t command, In in, std::size_t size, std::uint8_t* verdict) {
    Request request(c, command);
    request.bytes(in, size);
    return exchange(request, [&](const Reply& reply) { reply.verdict(verdict); });
}

// Passes a vendor-specific tag command through; the tag's answer is length-prefixed.
inline int custom_command(Call& c, std::uint8_t command, In record, Out out) {
    Request request(c, command);
    custom_record(request, record).needs(out);
    return exchange(request, out, [](const Reply& reply, Out& o) { reply.length_prefixed(o); });
}

}  // namespace kestrel::api::tag_ops
