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

    // The last transaction gave up on its reply: a late one may still sit on the IN endpoint,
    // and with the same command code it would pass every check as this command's reply.
    if (s.usb_reply_outstanding) {
        Usb_DrainReplies(s);
        s.usb_reply_outstanding = false;
    }
    if (!Usb_SendFrame(s, std::span(frame).first(frame_length))) return KESTREL_E_USB_SEND;

    // Until a reply has been taken whole, what the reader sends may still be on its way.
    s.usb_reply_outstanding = true;
    std::array<std::uint8_t, kUsbReplyReadSize> received;
    const std::size_t count = Usb_ReadReply(s, received);
    if (count == 0) return KESTREL_E_REPLY_DLE;

    // The data is parsed aside and reaches the session only once every check has passed.
    std::array<std::uint8_t, kDataCapacity> data;
    ReplyFrame reply;
    const int code = decode_reply_frame(std::span(received).first(count), s.command, data, reply);
    // A reply that ran past the bytes received is truncated: its rest may follow.
    if (code != KESTREL_E_REPLY_DATA) s.usb_reply_outstanding = false;
    if (code != KESTREL_OK) return code;
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
