// The reader URIs of kestrel_open, parsed into what opening the link needs. Pure: nothing is
// opened or looked up here.
#pragma once

#include <cstddef>
#include <cstdint>

#include "link/serial_port.h"
#include "link/session.h"

namespace kestrel::link {

inline constexpr std::size_t kMaxUri = 1024;
inline constexpr std::size_t kMaxHostName = 253;

struct ReaderUri {
    Transport transport = Transport::serial;
    // serial: a device path, or a port index (COM1..COM10 as 0..9) when `device` is empty.
    char device[kMaxSerialDeviceName + 1] = {};
    std::uint32_t port_index = 0;
    std::int32_t baud = 115200;
    // tcp: host name, IPv4 text or IPv6 literal (without its brackets), and the port.
    char host[kMaxHostName + 1] = {};
    std::uint16_t tcp_port = 0;
    // usb: which reader, counted from 0.
    std::uint32_t usb_index = 0;
    // The reader address of every request.
    std::uint8_t address = kBroadcast;
};

// Parses `text`; false for a null or malformed URI (unknown scheme or parameter, a value out of
// range, a missing port, a path or host too long, a URI longer than kMaxUri characters).
bool parse_reader_uri(const char* text, ReaderUri& out);

}  // namespace kestrel::link
