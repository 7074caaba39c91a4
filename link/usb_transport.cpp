#include "link/usb_transport.h"

#include <algorithm>
#include <array>
#include <climits>

#include "link/libusb0.h"

namespace kestrel::link {

bool Usb_SendFrame(::usb_dev_handle* handle, std::span<const std::uint8_t> frame) {
    if (handle == nullptr || frame.empty() || frame.size() > kUsbMaxCommandFrame) return false;
    // libusb takes the bytes as (possibly non-const) char.
    std::array<char, kUsbMaxCommandFrame + sizeof kUsbPadding> wire{};
    std::size_t length = 0;
    for (std::uint8_t b : frame) wire[length++] = static_cast<char>(b);
    if (frame.size() % kUsbPacketSize == 0)
        for (std::uint8_t b : kUsbPadding) wire[length++] = static_cast<char>(b);

    for (std::size_t sent = 0; sent < length;) {
        const int size = static_cast<int>(std::min(kUsbPacketSize, length - sent));
        const int written =
            libusb0::bulk_write(handle, static_cast<int>(kUsbOutEndpoint), wire.data() + sent, size, kUsbTimeoutMs);
        if (written != size) return false;
        sent += static_cast<std::size_t>(size);
    }
    return true;
}

std::size_t Usb_ReadReply(::usb_dev_handle* handle, std::span<std::uint8_t, kUsbReplyReadSize> buffer,
                          std::uint32_t timeout_ms) {
    if (handle == nullptr) return 0;
    std::array<char, kUsbReplyReadSize> received;
    const int count = libusb0::bulk_read(handle, static_cast<int>(kUsbInEndpoint), received.data(),
                                         static_cast<int>(received.size()),
                                         static_cast<int>(std::min<std::uint32_t>(timeout_ms, INT_MAX)));
    if (count <= 0) return 0;
    // Never trust a count beyond what was asked for.
    const auto n = std::min(static_cast<std::size_t>(count), buffer.size());
    for (std::size_t i = 0; i < n; ++i) buffer[i] = static_cast<std::uint8_t>(received[i]);
    return n;
}

void Usb_DrainReplies(::usb_dev_handle* handle) {
    if (handle == nullptr) return;
    std::array<char, kUsbReplyReadSize> discarded;
    for (int i = 0; i < kUsbDrainReads; ++i) {
        if (libusb0::bulk_read(handle, static_cast<int>(kUsbInEndpoint), discarded.data(),
                               static_cast<int>(discarded.size()), kUsbDrainTimeoutMs) <= 0)
            return;
    }
}

}  // namespace kestrel::link
