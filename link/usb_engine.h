// The USB link: a claimed reader and the one-shot USB engine (a whole frame out in bulk
// writes, the whole reply in one bulk read).
#pragma once

#include <cstdint>

#include "link/session.h"

struct usb_dev_handle;

namespace kestrel::link {

class UsbLink final : public Link {
public:
    // A link over a device handle whose interface is claimed; the link releases and closes it.
    explicit UsbLink(::usb_dev_handle* handle) : handle_(handle) {}
    ~UsbLink() override { close(); }

    Transport transport() const override { return Transport::usb; }
    // Each bulk transfer waits 500 ms: the first-byte waits are that bulk read's timeout.
    Timeouts default_timeouts() const override;
    // Returns 0, 187 (no reader, or the frame could not be sent), 235 (no reply), or the code
    // of the reply check that failed.
    int transact(LinkSession& s) override;
    // Empties the IN endpoint: short bulk reads until one delivers nothing.
    void drain(LinkSession& s) override;
    bool close() override;

private:
    ::usb_dev_handle* handle_;
};

// Opens and claims the `nth` USB reader (0 the first, in bus order then device order) and
// makes it the link of `s`. Returns 0, 33 (no such reader) or 1 (interface not claimed). The
// search is serialised across the process: libusb 0.1 keeps its bus list in global state.
int Usb_Open(LinkSession& s, std::uint32_t nth);

}  // namespace kestrel::link
