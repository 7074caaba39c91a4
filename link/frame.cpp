#include "link/frame.h"

#include <initializer_list>

#include "kestrel.h"

namespace kestrel::link {
namespace {

// Appends bytes to a span with the stuffing rule, remembering whether it ran out of room.
class StuffedWriter {
public:
    explicit StuffedWriter(std::span<std::uint8_t> out) : out_(out) {}

    void raw(std::uint8_t b) {
        if (pos_ < out_.size()) out_[pos_] = b;
        else overflow_ = true;
        ++pos_;
    }
    void stuffed(std::uint8_t b) {
        raw(b);
        if (b == kDle) raw(b);
    }
    std::size_t finish() const { return overflow_ ? 0 : pos_; }

private:
    std::span<std::uint8_t> out_;
    std::size_t pos_ = 0;
    bool overflow_ = false;
};

}  // namespace

namespace {

// DLE SOH, the stuffed header fields and data, the stuffed check byte, DLE STX.
std::size_t encode_frame(std::initializer_list<std::uint8_t> fields, std::span<const std::uint8_t> data,
                         std::span<std::uint8_t> out) {
    StuffedWriter w(out);
    w.raw(kDle);
    w.raw(kSoh);
    std::uint8_t check = 0;
    for (std::uint8_t b : fields) {
        w.stuffed(b);
        check = check_step(check, b);
    }
    for (std::uint8_t b : data) {
        w.stuffed(b);
        check = check_step(check, b);
    }
    w.stuffed(check);
    w.raw(kDle);
    w.raw(kStx);
    return w.finish();
}

}  // namespace

std::size_t encode_command_frame(std::uint8_t address, std::uint8_t command,
                                 std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
    if (data.size() > 255) return 0;
    return encode_frame({address, command, static_cast<std::uint8_t>(data.size())}, data, out);
}

std::size_t encode_reply_frame(std::uint8_t address, std::uint8_t echo, std::uint8_t status,
                               std::span<const std::uint8_t> data, std::span<std::uint8_t> out) {
    if (data.size() > 0xFFFF) return 0;
    const auto high = static_cast<std::uint8_t>(data.size() >> 8);
    const auto low = static_cast<std::uint8_t>(data.size() & 0xFF);
    return encode_frame({address, echo, status, high, low}, data, out);
}

CommandDecode decode_command_frame(std::span<const std::uint8_t> wire, std::span<std::uint8_t> data_out,
                                   CommandFrame& frame, std::size_t& consumed) {
    consumed = 0;
    if (wire.size() >= 1 && wire[0] != kDle) return CommandDecode::bad_header;
    if (wire.size() >= 2 && wire[1] != kSoh) return CommandDecode::bad_header;
    std::size_t pos = 2;
    // Reads one stuffed byte; a 0x10 must be followed by a second 0x10.
    auto next = [&](std::uint8_t& b) -> CommandDecode {
        if (pos >= wire.size()) return CommandDecode::incomplete;
        b = wire[pos++];
        if (b != kDle) return CommandDecode::ok;
        if (pos >= wire.size()) return CommandDecode::incomplete;
        if (wire[pos++] != kDle) return CommandDecode::bad_stuffing;
        return CommandDecode::ok;
    };
    std::uint8_t address = 0, command = 0, length = 0;
    for (std::uint8_t* field : {&address, &command, &length})
        if (auto r = next(*field); r != CommandDecode::ok) return r;
    if (length > data_out.size()) return CommandDecode::too_long;
    std::uint8_t check = check_step(check_step(check_step(0, address), command), length);
    for (std::size_t i = 0; i < length; ++i) {
        if (auto r = next(data_out[i]); r != CommandDecode::ok) return r;
        check = check_step(check, data_out[i]);
    }
    std::uint8_t sent_check = 0;
    if (auto r = next(sent_check); r != CommandDecode::ok) return r;
    if (pos + 2 > wire.size()) return CommandDecode::incomplete;
    if (wire[pos] != kDle || wire[pos + 1] != kStx) return CommandDecode::bad_trailer;
    consumed = pos + 2;
    frame.address = address;
    frame.command = command;
    frame.data = std::span<const std::uint8_t>(data_out.data(), length);
    return sent_check == check ? CommandDecode::ok : CommandDecode::bad_check;
}

int decode_reply_frame(std::span<const std::uint8_t> wire, std::uint8_t command,
                       std::span<std::uint8_t> data_out, ReplyFrame& reply) {
    // Only the bytes the read delivered are looked at; a frame that needs more fails with 241.
    std::size_t pos = 0;
    auto raw = [&](std::uint8_t& b) {
        if (pos >= wire.size()) return false;
        b = wire[pos++];
        return true;
    };
    // The second byte of a doubled 0x10 is skipped without being examined.
    auto skip_pair = [&](std::uint8_t b) {
        if (b != kDle) return true;
        if (pos >= wire.size()) return false;
        ++pos;
        return true;
    };
    auto stuffed = [&](std::uint8_t& b) { return raw(b) && skip_pair(b); };

    std::uint8_t b = 0;
    if (!raw(b) || b != kDle) return KESTREL_E_REPLY_DLE;
    if (!raw(b)) return KESTREL_E_REPLY_DATA;
    if (b != kSoh) return KESTREL_E_REPLY_SOH;

    ReplyFrame r;
    if (!stuffed(r.address)) return KESTREL_E_REPLY_DATA;
    std::uint8_t check = check_step(0, r.address);
    // The echo is judged as soon as it is read, before its pair byte (if any).
    if (!raw(r.echo)) return KESTREL_E_REPLY_DATA;
    if (r.echo != command) return KESTREL_E_REPLY_SOH;
    if (!skip_pair(r.echo)) return KESTREL_E_REPLY_DATA;
    check = check_step(check, r.echo);
    std::uint8_t high = 0, low = 0;
    if (!stuffed(r.status) || !stuffed(high) || !stuffed(low)) return KESTREL_E_REPLY_DATA;
    check = check_step(check_step(check_step(check, r.status), high), low);
    r.length = static_cast<std::uint16_t>(high << 8 | low);
    if (r.length > data_out.size()) return KESTREL_E_REPLY_DATA;
    for (std::size_t i = 0; i < r.length; ++i) {
        if (!stuffed(data_out[i])) return KESTREL_E_REPLY_DATA;
        check = check_step(check, data_out[i]);
    }
    std::uint8_t sent_check = 0;
    if (!stuffed(sent_check)) return KESTREL_E_REPLY_DATA;
    if (sent_check != check) return KESTREL_E_REPLY_CHECK;
    if (!raw(b)) return KESTREL_E_REPLY_DATA;
    if (b != kDle) return KESTREL_E_REPLY_TRAILER_DLE;
    if (!raw(b)) return KESTREL_E_REPLY_DATA;
    if (b != kStx) return KESTREL_E_REPLY_TRAILER_STX;
    reply = r;
    return KESTREL_OK;
}

}  // namespace kestrel::link
