// The libusb 0.1 calls the USB transport makes, behind one seam: on Linux they go straight to
// the linked libusb-compat library; on Windows libusb-win32's libusb0.dll is loaded when the
// first USB link is opened and its functions are bound by name, so the library loads and runs
// its serial link on machines without it.
#pragma once

#include <cstdint>

struct usb_dev_handle;

namespace kestrel::link::libusb0 {

// Whether libusb can be called. False when it is not installed; the USB reader then counts
// as not found. Binds the library on first use.
bool available();

// usb_init, usb_find_busses and usb_find_devices, in that order.
void scan_busses();

// Walks the busses in order and each bus's devices in order, and opens the `nth` device (0 the
// first) with these IDs. None when there are not that many or that one cannot be opened.
::usb_dev_handle* open_nth(std::uint16_t vendor_id, std::uint16_t product_id, std::uint32_t nth);

int claim_interface(::usb_dev_handle* handle, int interface_number);
int release_interface(::usb_dev_handle* handle, int interface_number);
int close(::usb_dev_handle* handle);
int bulk_write(::usb_dev_handle* handle, int endpoint, char* bytes, int size, int timeout_ms);
int bulk_read(::usb_dev_handle* handle, int endpoint, char* bytes, int size, int timeout_ms);

}  // namespace kestrel::link::libusb0
