// libusb 0.1 linked directly (libusb-compat on Linux).
#include <usb.h>

#include "link/libusb0.h"
#include "link/usb_device_walk.h"

namespace kestrel::link::libusb0 {

bool available() { return true; }

void scan_busses() {
    // Without a USB file system these report failure; that only means no reader is found.
    usb_init();
    usb_find_busses();
    usb_find_devices();
}

::usb_dev_handle* open_nth(std::uint16_t vendor_id, std::uint16_t product_id, std::uint32_t nth) {
    struct usb_device* dev = nth_matching_device(usb_get_busses(), vendor_id, product_id, nth);
    return dev != nullptr ? usb_open(dev) : nullptr;
}

int claim_interface(::usb_dev_handle* handle, int interface_number) {
    return usb_claim_interface(handle, interface_number);
}
int release_interface(::usb_dev_handle* handle, int interface_number) {
    return usb_release_interface(handle, interface_number);
}
int close(::usb_dev_handle* handle) { return usb_close(handle); }
int bulk_write(::usb_dev_handle* handle, int endpoint, char* bytes, int size, int timeout_ms) {
    return usb_bulk_write(handle, endpoint, bytes, size, timeout_ms);
}
int bulk_read(::usb_dev_handle* handle, int endpoint, char* bytes, int size, int timeout_ms) {
    return usb_bulk_read(handle, endpoint, bytes, size, timeout_ms);
}

}  // namespace kestrel::link::libusb0
