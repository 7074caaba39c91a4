#include "link/usb_engine.h"

#include <algorithm>
#include <array>
#include <mutex>
#include <new>

#include "kestrel.h"
#include "link/libusb0.h"
#include "link/usb_transport.h"

namespace kestrel::link {

Timeouts UsbLink::default_timeouts() const {
    Timeouts t;
    t.probe_reply_ms = kUsbTimeoutMs;
    t.reply_ms = kUsbTimeoutMs;
    t.byte_ms = kUsbTimeoutMs;
    // Every bulk write of the longest frame, the reply read and the drain's reads.
    t.transaction_ms = kUsbTimeoutMs * (kUsbMaxCommandFrame / kUsbPacketSize + 2) + kUsbDrainReads * kUsbDrainTimeoutMs;
    return t;
}

void UsbLink::drain(LinkSession&) { Usb_DrainReplies(handle_); }

int UsbLink::transact(LinkSession& s) {
    // After the link was closed the transport stays USB: no device may reach libusb then.
    if (handle_ == nullptr) return KESTREL_E_USB_SEND;

    std::array<std::uint8_t, kMaxCommandFrame> frame;
    const std::size_t frame_length =
        encode_command_frame(s.address, s.command, std::span(s.request_data).first(s.request_length), frame);
    // The frame is counted in one byte: a longer one is refused before anything is sent.
    if (frame_length == 0 || frame_length > kUsbMaxCommandFrame) return KESTREL_E_USB_SEND;

    if (!Usb_SendFrame(handle_, std::span(frame).first(frame_length))) return KESTREL_E_USB_SEND;
    s.frame_sent();

    // Until a reply has been taken whole, what the reader sends may still be on its way: a
    // late one would sit on the IN endpoint and, with the same command code, pass every check
    // as the next command's reply.
    s.reply_outstanding = true;
    std::array<std::uint8_t, kUsbReplyReadSize> received;
    const std::size_t count = Usb_ReadReply(handle_, received, s.first_byte_ms());
    for (std::size_t i = 0; i < count; ++i) s.byte_received(received[i]);
    if (count == 0) return KESTREL_E_REPLY_DLE;

    // The data is parsed aside and reaches the session only once every check has passed.
    std::array<std::uint8_t, kDataCapacity> data;
    ReplyFrame reply;
    const int code = decode_reply_frame(std::span(received).first(count), s.command, data, reply);
    // A reply that ran past the bytes received is truncated: its rest may follow.
    if (code != KESTREL_E_REPLY_DATA) s.reply_outstanding = false;
    if (code != KESTREL_OK) return code;
    if (!reply_address_accepted(s.address, s.command, reply.address, false)) return KESTREL_E_REPLY_ADDRESS_RULE;

    s.reader_status = reply.status;
    s.reply_length = reply.length;
    std::copy_n(data.begin(), reply.length, s.reply_data.begin());
    return KESTREL_OK;
}

bool UsbLink::close() {
    if (handle_ == nullptr) return true;
    libusb0::release_interface(handle_, kUsbInterface);
    libusb0::close(handle_);
    handle_ = nullptr;
    return true;
}

int Usb_Open(LinkSession& s, std::uint32_t nth) {
    ::usb_dev_handle* handle = nullptr;
    {
        static std::mutex search;
        const std::lock_guard<std::mutex> lock(search);
        // Without libusb installed there is no USB reader to find.
        if (!libusb0::available()) return KESTREL_E_USB_NO_READER;
        libusb0::scan_busses();
        handle = libusb0::open_nth(kUsbVendorId, kUsbProductId, nth);
    }
    if (handle == nullptr) return KESTREL_E_USB_NO_READER;
    if (libusb0::claim_interface(handle, kUsbInterface) < 0) {
        libusb0::close(handle);
        return KESTREL_E_OPEN;
    }
    auto* link = new (std::nothrow) UsbLink(handle);
    if (link == nullptr) {
        libusb0::release_interface(handle, kUsbInterface);
        libusb0::close(handle);
        return KESTREL_E_OPEN;
    }
    s.attach(link, true);
    return KESTREL_OK;
}

}  // namespace kestrel::link
