#include "link/usb_transport.h"

#include <algorithm>
#include <array>

#include "kestrel.h"
#include "link/libusb0.h"
#include "link/usb_engine.h"

namespace kestrel::link {

::usb_dev_handle* Usb_FindReader() { return libusb0::open_first(kUsbVendorId, kUsbProductId); }

bool Usb_SendFrame(const LinkSession& s, std::span<const std::uint8_t> frame) {
    if (s.usb_handle == nullptr || frame.empty() || frame.size() > kUsbMaxCommandFrame) return false;
    // libusb takes the bytes as (possibly non-const) char.
    std::array<char, kUsbMaxCommandFrame + sizeof kUsbPadding> wire{};
    std::size_t length = 0;
    for (std::uint8_t b : frame) wire[length++] = static_cast<char>(b);
    if (frame.size() % kUsbPacketSize == 0)
        for (std::uint8_t b : kUsbPadding) wire[length++] = static_cast<char>(b);

    for (std::size_t sent = 0; sent < length;) {
        const int size = static_cast<int>(std::min(kUsbPacketSize, length - sent));
        const int written = libusb0::bulk_write(s.usb_handle, static_cast<int>(s.usb_out_endpoint), wire.data() + sent,
                                           size, kUsbTimeoutMs);
        if (written != size) return false;
        sent += static_cast<std::size_t>(size);
    }
    return true;
}

std::size_t Usb_ReadReply(const LinkSession& s, std::span<std::uint8_t, kUsbReplyReadSize> buffer) {
    if (s.usb_handle == nullptr) return 0;
    std::array<char, kUsbReplyReadSize> received;
    const int count = libusb0::bulk_read(s.usb_handle, static_cast<int>(s.usb_in_endpoint), received.data(),
                                    static_cast<int>(received.size()), kUsbTimeoutMs);
    if (count <= 0) return 0;
    // Never trust a count beyond what was asked for.
    const auto n = std::min(static_cast<std::size_t>(count), buffer.size());
    for (std::size_t i = 0; i < n; ++i) buffer[i] = static_cast<std::uint8_t>(received[i]);
    return n;
}

void Usb_DrainReplies(const LinkSession& s) {
    if (s.usb_handle == nullptr) return;
    std::array<char, kUsbReplyReadSize> discarded;
    for (int i = 0; i < kUsbDrainReads; ++i) {
        if (libusb0::bulk_read(s.usb_handle, static_cast<int>(s.usb_in_endpoint), discarded.data(),
                               static_cast<int>(discarded.size()), kUsbDrainTimeoutMs) <= 0)
            return;
    }
}

int Usb_Open(std::uint8_t address) {
    LinkSession& s = session();
    // A reader this library already holds is not opened a second time (its handle would be
    // lost); the open link keeps working, as with a serial port that is already open.
    if (s.usb_handle != nullptr) return KESTREL_E_OPEN;

    // Without libusb installed there is no USB reader to find.
    if (!libusb0::available()) return KESTREL_E_USB_NO_READER;
    libusb0::scan_busses();

    s.usb_handle = Usb_FindReader();
    if (s.usb_handle == nullptr) return KESTREL_E_USB_NO_READER;
    if (libusb0::claim_interface(s.usb_handle, kUsbInterface) < 0) {
        libusb0::close(s.usb_handle);
        s.usb_handle = nullptr;
        return KESTREL_E_OPEN;
    }
    s.usb_out_endpoint = kUsbOutEndpoint;
    s.usb_in_endpoint = kUsbInEndpoint;
    s.transport = Transport::usb;

    // The probe closes the link itself when the reader does not answer.
    const int code = Link_Reader(address);
    if (code != KESTREL_OK) {
        Usb_Close();
        return code;
    }
    return KESTREL_OK;
}

void Usb_Close() {
    LinkSession& s = session();
    if (s.usb_handle == nullptr) return;
    libusb0::release_interface(s.usb_handle, kUsbInterface);
    libusb0::close(s.usb_handle);
    s.usb_handle = nullptr;
    s.usb_reply_outstanding = false;
}

}  // namespace kestrel::link
