#include "link/usb_engine.h"

#include "kestrel.h"

namespace kestrel::link {

// This build has no USB transport: no reader is ever found.
int Usb_Open(std::uint8_t) { return KESTREL_E_USB_NO_READER; }

void Usb_Close() {}

int Usb_Transact(LinkSession& s) {
    if (s.usb == nullptr) return KESTREL_E_USB_SEND;
    return KESTREL_E_USB_SEND;
}

}  // namespace kestrel::link
