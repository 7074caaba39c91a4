// Tag operations shared by the EPC, GB and GJB families. The three standards lay out most
// requests the same way and differ only in command codes and header sizes, so each operation
// is written once here, parametrised by its layout, and every family export is one call.
//
// Every tag command reports the reader's verdict: a nonzero link status code is returned with
// no caller buffer touched; after a valid reply the reply copy is made (whatever the reader
// status says) and the reader status is the result.
#pragma once

#include <cstddef>
#include <cstdint>

#include "api/transaction.h"

namespace kestrel::api::tag_ops {

// ---- request layouts -------------------------------------------------------------------------

// A memory write record: `header` bytes that end with (or hold at `count_at`) a big-endian word
// count N of `count_width` bytes, followed by 2N data bytes. The reader's length field is one
// byte, so the size goes out modulo 256; only the bytes that the sent length covers are read
// from the caller's buffer.
struct WordsLayout {
    std::size_t header;       // bytes before the data
    std::size_t count_at;     // offset of the word count
    std::size_t count_width;  // 1 or 2 bytes, high byte first
};

inline std::uint8_t words_record_length(const std::uint8_t* record, WordsLayout layout) {
    std::size_t words = 0;
    for (std::size_t i = 0; i < layout.count_width; ++i) words = words << 8 | record[layout.count_at + i];
    return static_cast<std::uint8_t>(layout.header + 2 * words);
}

inline Request& words_record(Request& request, const std::uint8_t* record, WordsLayout layout) {
    if (!request.needs(record)) return request;
    return request.bytes(record, words_record_length(record, layout));
}

// GB and GJB memory records (also the FD block commands): area, word address (2), word count N
// (2), then 2N data bytes.
inline constexpr WordsLayout kAreaWords{.header = 5, .count_at = 3, .count_width = 2};
// GB and GJB block write: two bytes passed through, word count N (1) at offset 2, then 2N bytes.
inline constexpr WordsLayout kBlockWords{.header = 3, .count_at = 2, .count_width = 1};

// Match parameters: `header` bytes whose last one is the match length in bits b, followed by
// the match value rounded up to whole bytes.
inline std::size_t match_record_length(const std::uint8_t* match, std::size_t header = 4) {
    const std::size_t bits = match[header - 1];
    return header + (bits + 7) / 8;
}

inline Request& match_record(Request& request, const std::uint8_t* match, std::size_t header = 4) {
    if (!request.needs(match)) return request;
    return request.bytes(match, match_record_length(match, header));
}

// Custom command record: command length in bits c (2 bytes, big-endian), time mode, expected
// response length (2 bytes), then the command rounded up to whole bytes; the size goes out
// modulo 256.
inline constexpr std::size_t kCustomHeader = 5;

inline std::uint8_t custom_record_length(const std::uint8_t* record) {
    const std::size_t bits = static_cast<std::size_t>(record[0]) << 8 | record[1];
    return static_cast<std::uint8_t>(kCustomHeader + (bits + 7) / 8);
}

inline Request& custom_record(Request& request, const std::uint8_t* record) {
    if (!request.needs(record)) return request;
    return request.bytes(record, custom_record_length(record));
}

// Select parameter record: its first byte is its own total length (0 sends nothing).
inline Request& select_record(Request& request, const std::uint8_t* record) {
    return request.counted(record, 0, 0);
}

// ---- operations ------------------------------------------------------------------------------

// No request data, nothing copied (query on, access check, halt, authentication steps).
inline int status_only(std::int32_t address, std::uint8_t command) {
    Request request(address, command);
    return exchange(request);
}

// A fixed-size request taken from the caller, nothing copied.
inline int send_fixed(std::int32_t address, std::uint8_t command, const std::uint8_t* data, std::size_t size) {
    Request request(address, command);
    request.bytes(data, size);
    return exchange(request);
}

// Reads the reader's select parameters (a self-counted record).
inline int read_select(std::int32_t address, std::uint8_t command, std::uint8_t* record) {
    Request request(address, command);
    request.needs(record);
    return exchange(request, [&](const Reply& reply) { reply.self_counted(record); });
}

// Writes the select parameters: the first record[0] bytes of the record.
inline int write_select(std::int32_t address, std::uint8_t command, const std::uint8_t* record) {
    Request request(address, command);
    select_record(request, record);
    return exchange(request);
}

// Fetches one block of the inventory's tag list.
inline int read_tag_list(std::int32_t address, std::uint8_t command, std::int32_t mode, std::int32_t length,
                         std::uint8_t* block) {
    Request request(address, command);
    request.byte(mode).byte(length).needs(block);
    return exchange(request, [&](const Reply& reply) { reply.tag_list_block(block); });
}

// Wakes the tag that matches the parameters; the reply is its identifier, length-prefixed.
inline int wake(std::int32_t address, std::uint8_t command, const std::uint8_t* match, std::uint8_t* out,
                std::size_t header = 4) {
    Request request(address, command);
    match_record(request, match, header).needs(out);
    return exchange(request, [&](const Reply& reply) { reply.length_prefixed(out); });
}

// No request data; the reply is length-prefixed (security parameters, lock information).
inline int read_prefixed(std::int32_t address, std::uint8_t command, std::uint8_t* out) {
    Request request(address, command);
    request.needs(out);
    return exchange(request, [&](const Reply& reply) { reply.length_prefixed(out); });
}

// A fixed-size request (memory read: bank, address, count); the reply is length-prefixed.
inline int read_memory(std::int32_t address, std::uint8_t command, const std::uint8_t* request_bytes,
                       std::size_t size, std::uint8_t* out) {
    Request request(address, command);
    request.bytes(request_bytes, size).needs(out);
    return exchange(request, [&](const Reply& reply) { reply.length_prefixed(out); });
}

// A memory write (header + 2N data bytes); the verdict byte comes back into record[0].
inline int write_words(std::int32_t address, std::uint8_t command, std::uint8_t* record, WordsLayout layout) {
    Request request(address, command);
    words_record(request, record, layout);
    return exchange(request, [&](const Reply& reply) { reply.verdict(record); });
}

// A fixed-size request (kill, lock, erase, password change); the verdict byte comes back into
// its first byte.
inline int verdict_command(std::int32_t address, std::uint8_t command, std::uint8_t* inout, std::size_t size) {
    Request request(address, command);
    request.bytes(inout, size);
    return exchange(request, [&](const Reply& reply) { reply.verdict(inout); });
}

// Passes a vendor-specific tag command through; the tag's answer is length-prefixed.
inline int custom_command(std::int32_t address, std::uint8_t command, const std::uint8_t* record,
                          std::uint8_t* out) {
    Request request(address, command);
    custom_record(request, record).needs(out);
    return exchange(request, [&](const Reply& reply) { reply.length_prefixed(out); });
}

}  // namespace kestrel::api::tag_ops
