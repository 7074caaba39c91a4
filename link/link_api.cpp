// LinkCom, TCP_LinkCom, UnLinkCom and Link_Reader: opening, checking and closing the one
// reader link.
#include <chrono>
#include <thread>

#include "kestrel.h"
#include "link/serial_port.h"
#include "link/session.h"
#include "link/tcp_engine.h"
#include "link/usb_engine.h"

namespace kestrel::link {
namespace {

constexpr std::uint8_t kProbe = 0x00;
constexpr int kLinkAttempts = 3;

void close_usb() {
    Usb_Close();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

// Closes every link that is open, whatever the transport says: a port, a USB reader or a
// connection left open by a switch of transport is never orphaned. `transport` keeps its value.
void close_link() {
    LinkSession& s = session();
    if (s.transport == Transport::usb || s.usb_handle != nullptr) close_usb();
    Serial_Close();  // sleeps 50 ms itself when it closed a port
    Tcp_Close();
}

// Before a link of `wanted` is opened, the links of the other transports are closed. A link of
// the same transport is left to that transport's open, which refuses to open a second one.
void close_other_links(Transport wanted) {
    LinkSession& s = session();
    if (wanted != Transport::usb && s.usb_handle != nullptr) close_usb();
    if (wanted != Transport::serial) Serial_Close();
    if (wanted != Transport::tcp) Tcp_Close();
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
    if (port == KESTREL_PORT_USB) {
        close_other_links(Transport::usb);
        return Usb_Open(address);
    }
    close_other_links(Transport::serial);
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
    for (int attempt = 2; attempt <= kLinkAttempts && code != KESTREL_OK; ++attempt) code = link_open(a, port, rate);
    return code;
}

// Arguments that cannot name a reader are refused before anything is touched. Otherwise the
// open link (of any transport, a TCP one included) is closed first, as the console calls this
// without UnLinkCom. A connection that cannot be made ends the attempts at once: another
// attempt would only wait out the same connect.
KESTREL_API int32_t KESTREL_CALL TCP_LinkCom(int32_t address, int32_t port, const char* ip_text) {
    Ipv4Address ip{};
    if (!parse_ipv4_text(ip_text, ip) || port < KESTREL_TCP_PORT_MIN || port > KESTREL_TCP_PORT_MAX)
        return KESTREL_E_OPEN;
    close_link();
    const auto a = static_cast<std::uint8_t>(address);
    const auto p = static_cast<std::uint16_t>(port);
    int code = KESTREL_E_OPEN;
    for (int attempt = 1; attempt <= kLinkAttempts; ++attempt) {
        if (Tcp_Open(ip, p) != KESTREL_OK) return KESTREL_E_OPEN;
        code = probe(a);  // closes the connection when the reader does not answer
        if (code == KESTREL_OK) break;
    }
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
