// libusb-win32 loaded at run time: libusb0.dll is looked for when the first USB link is
// opened and its functions are bound by name. Without it (or with a function missing) the USB
// reader counts as not found, and everything else in the library works as before.
#include <windows.h>

#include "link/libusb0.h"
#include "link/usb_device_walk.h"

namespace {

// The parts of libusb-win32's list records that the walk reads. Its path fields are 512 bytes;
// the fields after the device descriptor are never touched, so their packing does not matter.
constexpr int kPathMax = 512;

struct usb_device_descriptor {
    unsigned char bLength;
    unsigned char bDescriptorType;
    unsigned short bcdUSB;
    unsigned char bDeviceClass;
    unsigned char bDeviceSubClass;
    unsigned char bDeviceProtocol;
    unsigned char bMaxPacketSize0;
    unsigned short idVendor;
    unsigned short idProduct;
    unsigned short bcdDevice;
    unsigned char iManufacturer;
    unsigned char iProduct;
    unsigned char iSerialNumber;
    unsigned char bNumConfigurations;
};
static_assert(sizeof(usb_device_descriptor) == 18);

struct Libusb0Bus;

struct Libusb0Device {
    Libusb0Device* next;
    Libusb0Device* prev;
    char filename[kPathMax];
    Libusb0Bus* bus;
    usb_device_descriptor descriptor;
};

struct Libusb0Bus {
    Libusb0Bus* next;
    Libusb0Bus* prev;
    char dirname[kPathMax];
    Libusb0Device* devices;
};

// libusb-win32 exports its functions undecorated, with the C calling convention.
struct Functions {
    void (*init)();
    int (*find_busses)();
    int (*find_devices)();
    Libusb0Bus* (*get_busses)();
    ::usb_dev_handle* (*open)(Libusb0Device*);
    int (*close)(::usb_dev_handle*);
    int (*claim_interface)(::usb_dev_handle*, int);
    int (*release_interface)(::usb_dev_handle*, int);
    int (*bulk_write)(::usb_dev_handle*, int, char*, int, int);
    int (*bulk_read)(::usb_dev_handle*, int, char*, int, int);
};

// Bound once, and kept for the life of the process (the DLL is never unloaded).
Functions bound{};
bool bound_all = false;

template <class F>
bool bind(HMODULE module, const char* name, F& target) {
    target = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return target != nullptr;
}

bool bind_all() {
    // Searched for the usual way: the program's folder, the system folders, PATH.
    HMODULE module = ::LoadLibraryA("libusb0.dll");
    if (module == nullptr) return false;
    Functions f{};
    const bool ok = bind(module, "usb_init", f.init) && bind(module, "usb_find_busses", f.find_busses) &&
                    bind(module, "usb_find_devices", f.find_devices) &&
                    bind(module, "usb_get_busses", f.get_busses) && bind(module, "usb_open", f.open) &&
                    bind(module, "usb_close", f.close) && bind(module, "usb_claim_interface", f.claim_interface) &&
                    bind(module, "usb_release_interface", f.release_interface) &&
                    bind(module, "usb_bulk_write", f.bulk_write) && bind(module, "usb_bulk_read", f.bulk_read);
    if (!ok) {
        ::FreeLibrary(module);
        return false;
    }
    bound = f;
    return true;
}

}  // namespace

namespace kestrel::link::libusb0 {

// A library that was missing is looked for again at the next USB open, so it can be
// installed while the program runs.
bool available() {
    if (!bound_all) bound_all = bind_all();
    return bound_all;
}

void scan_busses() {
    if (!available()) return;
    bound.init();
    bound.find_busses();
    bound.find_devices();
}

::usb_dev_handle* open_nth(std::uint16_t vendor_id, std::uint16_t product_id, std::uint32_t nth) {
    if (!available()) return nullptr;
    Libusb0Device* dev = nth_matching_device(bound.get_busses(), vendor_id, product_id, nth);
    return dev != nullptr ? bound.open(dev) : nullptr;
}

int claim_interface(::usb_dev_handle* handle, int interface_number) {
    return available() ? bound.claim_interface(handle, interface_number) : -1;
}
int release_interface(::usb_dev_handle* handle, int interface_number) {
    return available() ? bound.release_interface(handle, interface_number) : -1;
}
int close(::usb_dev_handle* handle) { return available() ? bound.close(handle) : -1; }
int bulk_write(::usb_dev_handle* handle, int endpoint, char* bytes, int size, int timeout_ms) {
    return available() ? bound.bulk_write(handle, endpoint, bytes, size, timeout_ms) : -1;
}
int bulk_read(::usb_dev_handle* handle, int endpoint, char* bytes, int size, int timeout_ms) {
    return available() ? bound.bulk_read(handle, endpoint, bytes, size, timeout_ms) : -1;
}

}  // namespace kestrel::link::libusb0
