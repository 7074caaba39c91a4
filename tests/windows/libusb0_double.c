/* A stand-in for libusb-win32's libusb0.dll: two busses, the first with another device, the
 * second with the reader, which answers every command frame written to it with an empty
 * reply (status 0) from the address and command of that frame. It counts its calls, so the
 * test can see which ones the library made. */
#include <string.h>

#define EXPORT __declspec(dllexport)
#define PATH_MAX_LIBUSB0 512

struct usb_device_descriptor {
    unsigned char bLength, bDescriptorType;
    unsigned short bcdUSB;
    unsigned char bDeviceClass, bDeviceSubClass, bDeviceProtocol, bMaxPacketSize0;
    unsigned short idVendor, idProduct, bcdDevice;
    unsigned char iManufacturer, iProduct, iSerialNumber, bNumConfigurations;
};
struct usb_bus;
struct usb_device {
    struct usb_device *next, *prev;
    char filename[PATH_MAX_LIBUSB0];
    struct usb_bus* bus;
    struct usb_device_descriptor descriptor;
    void* config;
    void* dev;
    unsigned char devnum, num_children;
    struct usb_device** children;
};
struct usb_bus {
    struct usb_bus *next, *prev;
    char dirname[PATH_MAX_LIBUSB0];
    struct usb_device* devices;
    unsigned long location;
    struct usb_device* root_dev;
};

static struct usb_device other = {0};
static struct usb_device reader = {0};
static struct usb_bus bus2 = {0};
static struct usb_bus bus1 = {0};
static int handle_token;
static unsigned char last_frame[256];
static int last_frame_size;
static int calls[10];
enum { INIT, FIND_BUSSES, FIND_DEVICES, GET_BUSSES, OPEN, CLOSE, CLAIM, RELEASE, WRITE, READ };
static const char* const names[10] = {"usb_init", "usb_find_busses", "usb_find_devices", "usb_get_busses",
                                      "usb_open", "usb_close", "usb_claim_interface", "usb_release_interface",
                                      "usb_bulk_write", "usb_bulk_read"};

EXPORT int usb_double_calls(const char* name) {
    for (int i = 0; i < 10; ++i)
        if (strcmp(names[i], name) == 0) return calls[i];
    return -1;
}

EXPORT void usb_init(void) {
    ++calls[INIT];
    other.descriptor.idVendor = 0x03EB;
    other.descriptor.idProduct = 0x6124;
    reader.descriptor.idVendor = 0x03EB;
    reader.descriptor.idProduct = 0x6125;
    bus1.devices = &other;
    bus1.next = &bus2;
    bus2.devices = &reader;
}
EXPORT int usb_find_busses(void) { return ++calls[FIND_BUSSES], 2; }
EXPORT int usb_find_devices(void) { return ++calls[FIND_DEVICES], 2; }
EXPORT struct usb_bus* usb_get_busses(void) { return ++calls[GET_BUSSES], &bus1; }
EXPORT void* usb_open(struct usb_device* dev) { return ++calls[OPEN], dev == &reader ? &handle_token : 0; }
EXPORT int usb_close(void* h) { return ++calls[CLOSE], h == &handle_token ? 0 : -1; }
EXPORT int usb_claim_interface(void* h, int n) { return ++calls[CLAIM], h == &handle_token && n == 0 ? 0 : -1; }
EXPORT int usb_release_interface(void* h, int n) { return ++calls[RELEASE], h == &handle_token && n == 0 ? 0 : -1; }

EXPORT int usb_bulk_write(void* h, int ep, char* bytes, int size, int timeout) {
    ++calls[WRITE];
    if (h != &handle_token || ep != 0x01 || size <= 0 || size > 64 || timeout != 500) return -1;
    memcpy(last_frame, bytes, (size_t)size);
    last_frame_size = size;
    return size;
}

EXPORT int usb_bulk_read(void* h, int ep, char* bytes, int size, int timeout) {
    ++calls[READ];
    if (h != &handle_token || ep != 0x82 || size < 10 || timeout != 500 || last_frame_size < 4) return -1;
    /* DLE SOH, address, command echo, status 0, length 0 0, check, DLE STX (no DLE inside). */
    const unsigned char address = last_frame[2], command = last_frame[3];
    const unsigned char reply[10] = {0x10, 0x01, address, command, 0, 0, 0, (unsigned char)(address ^ command),
                                     0x10, 0x02};
    memcpy(bytes, reply, sizeof reply);
    return (int)sizeof reply;
}
