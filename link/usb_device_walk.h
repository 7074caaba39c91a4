// The walk over libusb 0.1's bus and device lists, shared by the libusb backends (whose list
// records differ only in the length of their path fields).
#pragma once

#include <cstdint>

namespace kestrel::link {

// Bounds on the walk, so a damaged list cannot hold the caller forever.
inline constexpr int kMaxUsbBusses = 256;
inline constexpr int kMaxUsbDevicesPerBus = 256;

// The `nth` device (0 the first), in bus order then device order, whose descriptor has these
// IDs; null when there are not that many.
template <class Bus>
auto nth_matching_device(Bus* busses, std::uint16_t vendor_id, std::uint16_t product_id, std::uint32_t nth)
    -> decltype(busses->devices) {
    int bus_count = 0;
    for (Bus* bus = busses; bus != nullptr && bus_count < kMaxUsbBusses; bus = bus->next, ++bus_count) {
        int device_count = 0;
        for (auto* dev = bus->devices; dev != nullptr && device_count < kMaxUsbDevicesPerBus;
             dev = dev->next, ++device_count) {
            if (dev->descriptor.idVendor == vendor_id && dev->descriptor.idProduct == product_id && nth-- == 0)
                return dev;
        }
    }
    return nullptr;
}

}  // namespace kestrel::link
