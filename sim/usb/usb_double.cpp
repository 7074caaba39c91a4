#include "sim/usb/usb_double.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// The handle libusb gives out; opaque to its callers.
struct usb_dev_handle {
    int device = -1;
    bool open = true;
};

namespace kestrel::sim::usb {

namespace {

// With KESTREL_USB_DOUBLE_LOG set, every call is also appended to that file as one line, so
// a program running against the double preloaded in front of the real libusb can be checked.
void log_call(const Call& c) {
    const char* path = std::getenv("KESTREL_USB_DOUBLE_LOG");
    if (path == nullptr || *path == '\0') return;
    std::FILE* f = std::fopen(path, "a");
    if (f == nullptr) return;
    std::fprintf(f, "%s device=%d interface=%d endpoint=0x%02x size=%d timeout=%d result=%d bytes=", op_name(c.op),
                 c.device, c.interface, c.endpoint < 0 ? 0 : c.endpoint, c.size, c.timeout, c.result);
    for (std::uint8_t b : c.bytes) std::fprintf(f, "%02x", b);
    std::fputc('\n', f);
    std::fclose(f);
}

}  // namespace

const char* op_name(Op op) {
    switch (op) {
        case Op::init: return "usb_init";
        case Op::find_busses: return "usb_find_busses";
        case Op::find_devices: return "usb_find_devices";
        case Op::get_busses: return "usb_get_busses";
        case Op::open: return "usb_open";
        case Op::claim_interface: return "usb_claim_interface";
        case Op::release_interface: return "usb_release_interface";
        case Op::close: return "usb_close";
        case Op::bulk_write: return "usb_bulk_write";
        case Op::bulk_read: return "usb_bulk_read";
    }
    return "?";
}

UsbDouble& UsbDouble::instance() {
    static UsbDouble the_double;
    return the_double;
}

UsbDouble::UsbDouble() { reset(); }

void UsbDouble::reset() {
    layout_ = {{kReaderId}};
    busses_found_ = devices_found_ = false;
    find_busses_result_.reset();
    find_devices_result_.reset();
    rebuild_lists();
    // Old handles stay allocated so that a late call on one is caught rather than a crash.
    for (auto& h : handles_) h->open = false;
    fail_open_ = false;
    claim_result_ = 0;
    writes_before_fault_ = -1;
    reads_to_time_out_ = 0;
    reads_late_ = 0;
    model_answers_ = true;
    pending_.clear();
    scripted_.clear();
    responder_.reset();
    model_ = std::make_unique<ReaderModel>();
    responder_ = std::make_unique<Responder>(*model_);
    calls_.clear();
    calls_on_closed_ = 0;
}

int UsbDouble::open_handles() const {
    return static_cast<int>(std::count_if(handles_.begin(), handles_.end(), [](const auto& h) { return h->open; }));
}

void UsbDouble::set_busses(std::vector<std::vector<DeviceId>> busses) {
    layout_ = std::move(busses);
    rebuild_lists();
}

void UsbDouble::set_find_results(int busses, int devices) {
    find_busses_result_ = busses;
    find_devices_result_ = devices;
}

void UsbDouble::shorten_write(int after, int result) {
    writes_before_fault_ = after;
    fault_result_ = result;
}

void UsbDouble::queue_read(std::vector<std::uint8_t> bytes) { scripted_.push_back(std::move(bytes)); }

std::vector<Call> UsbDouble::calls_of(Op op) const {
    std::vector<Call> out;
    for (const Call& c : calls_)
        if (c.op == op) out.push_back(c);
    return out;
}

// Links the bus and device records as libusb does: busses in order, each with its devices.
void UsbDouble::rebuild_lists() {
    busses_.clear();
    devices_.clear();
    int number = 0;
    for (std::size_t b = 0; b < layout_.size(); ++b) {
        ::usb_bus& bus = busses_.emplace_back();
        std::memset(&bus, 0, sizeof bus);
        std::snprintf(bus.dirname, sizeof bus.dirname, "%03zu", b + 1);
        bus.location = static_cast<std::uint32_t>(b + 1);
        if (b > 0) {
            busses_[b - 1].next = &bus;
            bus.prev = &busses_[b - 1];
        }
        struct ::usb_device* previous = nullptr;
        for (std::size_t d = 0; d < layout_[b].size(); ++d) {
            struct ::usb_device& dev = devices_.emplace_back();
            std::memset(&dev, 0, sizeof dev);
            std::snprintf(dev.filename, sizeof dev.filename, "%03zu", d + 1);
            dev.bus = &bus;
            dev.devnum = static_cast<std::uint8_t>(d + 1);
            dev.descriptor.bLength = USB_DT_DEVICE_SIZE;
            dev.descriptor.bDescriptorType = USB_DT_DEVICE;
            dev.descriptor.idVendor = layout_[b][d].vendor;
            dev.descriptor.idProduct = layout_[b][d].product;
            // The device's position in walk order, kept where libusb keeps its own data.
            dev.dev = reinterpret_cast<void*>(static_cast<std::intptr_t>(number++));
            if (previous != nullptr) {
                previous->next = &dev;
                dev.prev = previous;
            } else {
                bus.devices = &dev;
            }
            previous = &dev;
        }
    }
}

Call& UsbDouble::record(Op op, ::usb_dev_handle* h) {
    Call& c = calls_.emplace_back();
    c.op = op;
    if (h != nullptr) c.device = h->device;
    return c;
}

bool UsbDouble::usable(::usb_dev_handle* h) {
    if (h != nullptr && h->open) return true;
    ++calls_on_closed_;
    return false;
}

void UsbDouble::init() { log_call(record(Op::init)); }

int UsbDouble::find_busses() {
    Call& c = record(Op::find_busses);
    c.result = find_busses_result_.value_or(static_cast<int>(busses_.size()));
    busses_found_ = c.result >= 0;
    log_call(c);
    return c.result;
}

int UsbDouble::find_devices() {
    Call& c = record(Op::find_devices);
    c.result = find_devices_result_.value_or(static_cast<int>(devices_.size()));
    devices_found_ = c.result >= 0;
    log_call(c);
    return c.result;
}

::usb_bus* UsbDouble::get_busses() {
    Call& c = record(Op::get_busses);
    ::usb_bus* first = busses_found_ && !busses_.empty() ? &busses_.front() : nullptr;
    // Devices are listed once they were searched for.
    for (std::size_t b = 0; b < busses_.size(); ++b) {
        struct ::usb_device* head = nullptr;
        if (devices_found_)
            for (auto& d : devices_)
                if (d.bus == &busses_[b] && d.prev == nullptr) head = &d;
        busses_[b].devices = head;
    }
    c.result = first != nullptr ? static_cast<int>(busses_.size()) : 0;
    log_call(c);
    return first;
}

::usb_dev_handle* UsbDouble::open(struct ::usb_device* dev) {
    Call& c = record(Op::open);
    c.device = dev != nullptr ? static_cast<int>(reinterpret_cast<std::intptr_t>(dev->dev)) : -1;
    if (dev == nullptr || fail_open_) {
        c.result = -1;
        log_call(c);
        return nullptr;
    }
    auto& h = handles_.emplace_back(std::make_unique<::usb_dev_handle>());
    h->device = c.device;
    log_call(c);
    return h.get();
}

int UsbDouble::close(::usb_dev_handle* h) {
    Call& c = record(Op::close, h);
    if (usable(h)) h->open = false;
    else c.result = kBadHandle;
    log_call(c);
    return c.result;
}

int UsbDouble::claim_interface(::usb_dev_handle* h, int interface) {
    Call& c = record(Op::claim_interface, h);
    c.interface = interface;
    c.result = usable(h) ? claim_result_ : kBadHandle;
    log_call(c);
    return c.result;
}

int UsbDouble::release_interface(::usb_dev_handle* h, int interface) {
    Call& c = record(Op::release_interface, h);
    c.interface = interface;
    c.result = usable(h) ? 0 : kBadHandle;
    log_call(c);
    return c.result;
}

int UsbDouble::bulk_write(::usb_dev_handle* h, int ep, const char* bytes, int size, int timeout) {
    Call& c = record(Op::bulk_write, h);
    c.endpoint = ep;
    c.size = size;
    c.timeout = timeout;
    if (bytes != nullptr && size > 0) c.bytes.assign(bytes, bytes + size);
    if (!usable(h)) {
        c.result = kBadHandle;
        log_call(c);
        return c.result;
    }
    c.result = size;
    if (writes_before_fault_ == 0) c.result = fault_result_;
    if (writes_before_fault_ >= 0) --writes_before_fault_;
    // Only what was transferred reaches the reader.
    const auto transferred = static_cast<std::size_t>(std::clamp(c.result, 0, std::max(size, 0)));
    std::vector<Transmission> answers;
    responder_->feed(std::span(c.bytes).first(transferred), answers);
    if (model_answers_)
        for (const Transmission& t : answers) {
            std::vector<std::uint8_t> block;
            for (const Chunk& chunk : t) block.insert(block.end(), chunk.bytes.begin(), chunk.bytes.end());
            if (!block.empty()) pending_.push_back(std::move(block));
        }
    // Scripted answers arrive once a command went out.
    while (!scripted_.empty()) {
        pending_.push_back(std::move(scripted_.front()));
        scripted_.pop_front();
    }
    log_call(c);
    return c.result;
}

int UsbDouble::bulk_read(::usb_dev_handle* h, int ep, char* bytes, int size, int timeout) {
    Call& c = record(Op::bulk_read, h);
    c.endpoint = ep;
    c.size = size;
    c.timeout = timeout;
    if (!usable(h)) {
        c.result = kBadHandle;
    } else if (reads_to_time_out_ > 0) {
        --reads_to_time_out_;
        pending_.clear();
        c.result = kTimedOut;
    } else if (reads_late_ > 0) {
        --reads_late_;
        c.result = kTimedOut;
    } else if (pending_.empty() || size <= 0 || bytes == nullptr) {
        c.result = kTimedOut;
    } else {
        // One read delivers one block; what does not fit stays for the next read.
        std::vector<std::uint8_t>& block = pending_.front();
        const auto n = std::min(block.size(), static_cast<std::size_t>(size));
        std::memcpy(bytes, block.data(), n);
        c.bytes.assign(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
        block.erase(block.begin(), block.begin() + static_cast<std::ptrdiff_t>(n));
        if (block.empty()) pending_.pop_front();
        c.result = static_cast<int>(n);
    }
    log_call(c);
    return c.result;
}

}  // namespace kestrel::sim::usb

// The libusb 0.1 entry points the library uses.
using kestrel::sim::usb::UsbDouble;

extern "C" {

#define KESTREL_USB_DOUBLE_EXPORT __attribute__((visibility("default")))

KESTREL_USB_DOUBLE_EXPORT void usb_init(void) { UsbDouble::instance().init(); }
KESTREL_USB_DOUBLE_EXPORT int usb_find_busses(void) { return UsbDouble::instance().find_busses(); }
KESTREL_USB_DOUBLE_EXPORT int usb_find_devices(void) { return UsbDouble::instance().find_devices(); }
KESTREL_USB_DOUBLE_EXPORT struct usb_bus* usb_get_busses(void) { return UsbDouble::instance().get_busses(); }
KESTREL_USB_DOUBLE_EXPORT usb_dev_handle* usb_open(struct usb_device* dev) { return UsbDouble::instance().open(dev); }
KESTREL_USB_DOUBLE_EXPORT int usb_close(usb_dev_handle* dev) { return UsbDouble::instance().close(dev); }
KESTREL_USB_DOUBLE_EXPORT int usb_claim_interface(usb_dev_handle* dev, int interface) {
    return UsbDouble::instance().claim_interface(dev, interface);
}
KESTREL_USB_DOUBLE_EXPORT int usb_release_interface(usb_dev_handle* dev, int interface) {
    return UsbDouble::instance().release_interface(dev, interface);
}
KESTREL_USB_DOUBLE_EXPORT int usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout) {
    return UsbDouble::instance().bulk_write(dev, ep, bytes, size, timeout);
}
KESTREL_USB_DOUBLE_EXPORT int usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout) {
    return UsbDouble::instance().bulk_read(dev, ep, bytes, size, timeout);
}

// How many calls the double has recorded; lets a program find out whether it is in place.
KESTREL_USB_DOUBLE_EXPORT int kestrel_usb_double_call_count(void) {
    return static_cast<int>(UsbDouble::instance().calls().size());
}

}  // extern "C"
