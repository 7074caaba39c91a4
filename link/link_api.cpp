// LinkCom, TCP_LinkCom, UnLinkCom and Link_Reader: opening, checking and closing the default
// link. Each runs under the default session's lock, as every export does.
#include <chrono>
#include <cstdio>
#include <mutex>
#include <thread>

#include "kestrel.h"
#include "link/open.h"
#include "link/serial_engine.h"
#include "link/session.h"
#include "link/tcp_engine.h"
#include "link/usb_engine.h"

namespace kestrel::link {

int probe(LinkSession& s, std::uint8_t address) {
    s.address = address;
    s.command = kProbe;
    s.request_length = 0;
    return Link_Transact(s);
}

void close_session_link(LinkSession& s) {
    const bool usb = s.link != nullptr && s.link->transport() == Transport::usb;
    s.close_link();
    if (usb) std::this_thread::sleep_for(std::chrono::milliseconds(50));
}

int open_uri_link(LinkSession& s, const ReaderUri& uri) {
    switch (uri.transport) {
        case Transport::serial:
            s.transport = Transport::serial;
            return uri.device[0] != '\0' ? Serial_Open(s, uri.device, uri.baud)
                                         : Serial_Open(s, uri.port_index, uri.baud);
        case Transport::tcp:
            return Tcp_Open(s, uri.host, uri.tcp_port);
        case Transport::usb:
            return Usb_Open(s, uri.usb_index);
    }
    return KESTREL_E_OPEN;
}

namespace {

// The default link's probe: a reader that does not answer leaves the link closed. The failed
// probe's own code is returned (no second probe on the closed link).
int probe_or_close(LinkSession& s, std::uint8_t address) {
    const int code = probe(s, address);
    if (code != KESTREL_OK) close_session_link(s);
    return code;
}

// One attempt of LinkCom. A link of the transport asked for that is already open is not
// opened a second time: the attempt fails and the open link keeps working. A link of the
// other transport is closed first.
int link_com_attempt(LinkSession& s, std::uint8_t address, std::int32_t port, std::int32_t rate) {
    ReaderUri uri;
    if (port == KESTREL_PORT_USB) {
        uri.transport = Transport::usb;
    } else {
        uri.transport = Transport::serial;
        uri.port_index = static_cast<std::uint32_t>(port);
        uri.baud = rate;
    }
    if (s.link != nullptr && s.link->transport() == uri.transport) {
        if (uri.transport == Transport::serial) s.transport = Transport::serial;
        return KESTREL_E_OPEN;
    }
    close_session_link(s);
    const int code = open_uri_link(s, uri);
    if (code != KESTREL_OK) return code;
    return probe_or_close(s, address);
}

}  // namespace

}  // namespace kestrel::link

using namespace kestrel::link;

extern "C" {

KESTREL_API int32_t KESTREL_CALL LinkCom(int32_t address, int32_t port, int32_t rate) {
    LinkSession& s = session();
    const std::lock_guard<std::mutex> lock(s.mutex);
    const auto a = static_cast<std::uint8_t>(address);
    int code = KESTREL_E_OPEN;
    for (int attempt = 1; attempt <= kLinkAttempts && code != KESTREL_OK; ++attempt)
        code = link_com_attempt(s, a, port, rate);
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
    char host[16];
    std::snprintf(host, sizeof host, "%u.%u.%u.%u", ip[0], ip[1], ip[2], ip[3]);

    LinkSession& s = session();
    const std::lock_guard<std::mutex> lock(s.mutex);
    close_session_link(s);
    const auto a = static_cast<std::uint8_t>(address);
    int code = KESTREL_E_OPEN;
    for (int attempt = 1; attempt <= kLinkAttempts; ++attempt) {
        if (Tcp_Open(s, host, static_cast<std::uint16_t>(port)) != KESTREL_OK) return KESTREL_E_OPEN;
        code = probe_or_close(s, a);
        if (code == KESTREL_OK) break;
    }
    return code;
}

KESTREL_API int32_t KESTREL_CALL UnLinkCom(void) {
    LinkSession& s = session();
    const std::lock_guard<std::mutex> lock(s.mutex);
    close_session_link(s);
    return KESTREL_OK;
}

KESTREL_API int32_t KESTREL_CALL Link_Reader(int32_t address) {
    LinkSession& s = session();
    const std::lock_guard<std::mutex> lock(s.mutex);
    return probe_or_close(s, static_cast<std::uint8_t>(address));
}

}  // extern "C"
