#include "link/usb_engine.h"

#include <algorithm>
#include <array>

#include "kestrel.h"
#include "link/usb_transport.h"

namespace kestrel::link {
namespace {

constexpr std::uint8_t kBroadcast = 0xFF;
constexpr std::uint8_t kWriteDeviceNo = 0x06;  // answered from the reader's old number

}  // namespace

int Usb_Transact(LinkSession& s) {
    // After the link was closed the transport stays USB: no device may reach libusb then.
    if (s.usb_handle == nullptr) return KESTREL_E_USB_SEND;

    std::array<std::uint8_t, kMaxCommandFrame> frame;
    const std::size_t frame_length =
        encode_command_frame(s.address, s.command, std::span(s.request_data).first(s.request_length), frame);
    // The frame is counted in one byte: a longer one is refused before anything is sent.
    if (frame_length == 0 || frame_length > kUsbMaxCommandFrame) return KESTREL_E_USB_SEND;
    if (!Usb_SendFrame(s, std::span(frame).first(frame_length))) return KESTREL_E_USB_SEND;

    std::array<std::uint8_t, kUsbReplyReadSize> received;
    const std::size_t count = Usb_ReadReply(s, received);
    if (count == 0) return KESTREL_E_REPLY_DLE;

    // The data is parsed aside and reaches the session only once every check has passed.
    std::array<std::uint8_t, kDataCapacity> data;
    ReplyFrame reply;
    if (const int code = decode_reply_frame(std::span(received).first(count), s.command, data, reply);
        code != KESTREL_OK)
        return code;
    // A broadcast reply address is no wildcard here: only a broadcast request or the device
    // number change accept a reply from another address.
    if (reply.address != s.address && s.address != kBroadcast && s.command != kWriteDeviceNo)
        return KESTREL_E_REPLY_ADDRESS_RULE;

    s.reader_status = reply.status;
    s.reply_length = reply.length;
    std::copy_n(data.begin(), reply.length, s.reply_data.begin());
    return KESTREL_OK;
}

}  // namespace kestrel::link
