// Command and reply frames of the reader protocol: byte stuffing, check byte, encoding and
// decoding as pure functions over byte spans. Both engines and the simulator use them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace kestrel::link {

inline constexpr std::uint8_t kDle = 0x10;
inline constexpr std::uint8_t kSoh = 0x01;
inline constexpr std::uint8_t kStx = 0x02;

// Command codes and addresses the link itself gives a meaning to.
inline constexpr std::uint8_t kProbe = 0x00;          // the probe: any reader answers it with its status
inline constexpr std::uint8_t kWriteDeviceNo = 0x06;  // answered from the reader's new number
inline constexpr std::uint8_t kBroadcast = 0xFF;      // the address every reader answers to

// Size of the request and reply data areas of the link session.
inline constexpr std::size_t kDataCapacity = 2048;

// Most request data bytes a command frame carries: its length field is one byte.
inline constexpr std::size_t kMaxRequestData = 255;

// Longest possible command frame on the wire: header, every field byte doubled, trailer.
inline constexpr std::size_t kMaxCommandFrame = 2 + 2 * (3 + kMaxRequestData + 1) + 2;

// Longest legal reply frame on the wire: header, address, echo, status, two length bytes, the
// largest data area and the check, every one of them doubled, trailer (4,112 bytes).
inline constexpr std::size_t kMaxReplyFrame = 2 + 2 * (5 + kDataCapacity + 1) + 2;

// The reply address rule of the byte-stream links (serial, TCP): a reply from the request's
// address, from the broadcast address, to a broadcast request, or to a device-number change
// (answered from the new number) belongs to the request. The USB link takes no broadcast
// reply address as a wildcard (`broadcast_reply_accepted` false).
constexpr bool reply_address_accepted(std::uint8_t request_address, std::uint8_t command,
                                      std::uint8_t reply_address, bool broadcast_reply_accepted) {
    return reply_address == request_address || request_address == kBroadcast || command == kWriteDeviceNo ||
           (broadcast_reply_accepted && reply_address == kBroadcast);
}

// One step of the check byte: XOR, with every 0x10 left out.
constexpr std::uint8_t check_step(std::uint8_t check, std::uint8_t byte) {
    return byte == kDle ? check : static_cast<std::uint8_t>(check ^ byte);
}

constexpr std::uint8_t check_of(std::span<const std::uint8_t> bytes, std::uint8_t check = 0) {
    for (std::uint8_t b : bytes) check = check_step(check, b);
    return check;
}

// Writes DLE SOH, the stuffed address, command, length, data and check, and DLE STX into
// `out`. Returns the encoded length, or 0 when `out` is too small or data exceeds 255 bytes.
std::size_t encode_command_frame(std::uint8_t address, std::uint8_t command,
                                 std::span<const std::uint8_t> data, std::span<std::uint8_t> out);

// The reader's side: a reply frame with a 16-bit length. Returns the encoded length, or 0
// when `out` is too small or data exceeds 65535 bytes.
std::size_t encode_reply_frame(std::uint8_t address, std::uint8_t echo, std::uint8_t status,
                               std::span<const std::uint8_t> data, std::span<std::uint8_t> out);

// A command frame taken apart. `data` points into the caller's buffer given to the decoder.
struct CommandFrame {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::span<const std::uint8_t> data;
};

enum class CommandDecode { ok, incomplete, bad_header, bad_stuffing, bad_check, bad_trailer, too_long };

// Decodes one complete command frame from `wire` (which starts with DLE SOH). The unstuffed
// data is written to `data_out`; `consumed` is set to the frame's length on the wire when the
// result is ok or bad_check, so a stream reader can move past it.
CommandDecode decode_command_frame(std::span<const std::uint8_t> wire, std::span<std::uint8_t> data_out,
                                   CommandFrame& frame, std::size_t& consumed);

// A reply frame taken apart by the one-shot rules of the USB link: a 0x10 inside the stuffed
// stretch takes the byte after it as its pair without examining it.
struct ReplyFrame {
    std::uint8_t address = 0;
    std::uint8_t echo = 0;
    std::uint8_t status = 0;
    std::uint16_t length = 0;
};

// Decodes the reply to `command` from the bytes one read delivered; bytes after the trailer
// are ignored. Returns 0, or the link status code of the first failed check: 235 (no DLE),
// 237 (no SOH, or an echo that differs, raised as soon as the echo is read), 243 (check),
// 245/247 (trailer), 241 (the frame runs past the received bytes, or its data would not fit
// `data_out`). The data is written to `data_out` from index 0 as it is parsed, so a caller
// that must keep its reply buffer intact until every check passed decodes into scratch;
// `reply` is set only on success.
int decode_reply_frame(std::span<const std::uint8_t> wire, std::uint8_t command,
                       std::span<std::uint8_t> data_out, ReplyFrame& reply);

}  // namespace kestrel::link
