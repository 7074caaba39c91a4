// LinkCom, UnLinkCom and Link_Reader: opening, checking and closing the one reader link.
#include <chrono>
#include <thread>

#include "kestrel.h"
#include "link/serial_port.h"
#include "link/session.h"
#include "link/usb_engine.h"

namespace kestrel::link {
namespace {

constexpr std::uint8_t kProbe = 0x00;

void close_link() {
    if (session().transport == Transport::usb) {
        Usb_Close();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    } else {
        Serial_Close();  // sleeps 50 ms itself when it closed a port
    }
}

// Sends the probe; a reader that does not answer leaves the link closed. The failed
// probe's own code is returned (no second probe on the closed link).
int probe(std::uint8_t address) {
    LinkSession& s = session();
    s.address = address;
    s.command = kProbe;
    s.request_length = 0;
    const int code = Link_Transact();
    if (code != KESTREL_OK) close_link();
    return code;
}

// One attempt to open the link and hear the reader.
int link_open(std::uint8_t address, std::int32_t port, std::int32_t rate) {
    if (port == KESTREL_PORT_USB) return Usb_Open(address);
    session().transport = Transport::serial;
    if (Serial_Open(static_cast<std::uint32_t>(port), rate) != 0) return KESTREL_E_OPEN;
    return probe(address);
}

}  // namespace

}  // namespace kestrel::link

using namespace kestrel::link;

extern "C" {

KESTREL_API int32_t KESTREL_CALL LinkCom(int32_t address, int32_t port, int32_t rate) {
    const auto a = static_cast<std::uint8_t>(address);
    int code = link_open(a, port, rate);
    for (int attempt = 2; attempt <= 3 && code != KESTREL_OK; ++attempt) code = link_open(a, port, rate);
    return code;
}

KESTREL_API int32_t KESTREL_CALL UnLinkCom(void) {
    close_link();
    return KESTREL_OK;
}

KESTREL_API int32_t KESTREL_CALL Link_Reader(int32_t address) {
    return probe(static_cast<std::uint8_t>(address));
}

}  // extern "C"
