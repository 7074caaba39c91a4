// The USB transport: finds the reader on the bus and moves encoded frames over its two bulk
// endpoints through the libusb 0.1 API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

struct usb_dev_handle;

namespace kestrel::link {

// The reader's identity and the interface and endpoints its frames travel on.
inline constexpr std::uint16_t kUsbVendorId = 0x03EB;
inline constexpr std::uint16_t kUsbProductId = 0x6125;
inline constexpr int kUsbInterface = 0;
inline constexpr std::uint32_t kUsbOutEndpoint = 0x01;
inline constexpr std::uint32_t kUsbInEndpoint = 0x82;

// Largest bulk write; one reply read; the timeout of every bulk transfer.
inline constexpr std::size_t kUsbPacketSize = 64;
inline constexpr std::size_t kUsbReplyReadSize = 2048;
inline constexpr int kUsbTimeoutMs = 500;

// An encoded command frame is counted in one byte.
inline constexpr std::size_t kUsbMaxCommandFrame = 255;

// A frame whose length is a multiple of the packet size is followed by these two bytes, so
// that its last packet is a short one and the reader sees where the frame ends.
inline constexpr std::uint8_t kUsbPadding[2] = {0x00, 0x00};

// Sends `frame` (at most kUsbMaxCommandFrame bytes) to the OUT endpoint in bulk writes of up
// to 64 bytes, adding the padding after a frame whose length is a multiple of 64. Stops at the
// first write that transfers less or more than its size. False on any failure; with no reader
// (a null handle) it fails without calling libusb.
bool Usb_SendFrame(::usb_dev_handle* handle, std::span<const std::uint8_t> frame);

// One bulk read of up to 2048 bytes from the IN endpoint, waiting `timeout_ms`. Returns the
// number of bytes placed at the start of `buffer`, or 0 when none arrived (error or timeout).
std::size_t Usb_ReadReply(::usb_dev_handle* handle, std::span<std::uint8_t, kUsbReplyReadSize> buffer,
                          std::uint32_t timeout_ms);

// Empties the IN endpoint: short bulk reads until one delivers nothing, at most
// kUsbDrainReads of them, each with a timeout of kUsbDrainTimeoutMs.
inline constexpr int kUsbDrainReads = 8;
inline constexpr int kUsbDrainTimeoutMs = 20;
void Usb_DrainReplies(::usb_dev_handle* handle);

}  // namespace kestrel::link
