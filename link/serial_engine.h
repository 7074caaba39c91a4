// The serial link: a port opened at a rate, and the engine that runs one transaction over it
// one byte at a time.
#pragma once

#include <cstdint>

#include "link/serial_port.h"
#include "link/session.h"

namespace kestrel::link {

// The pause between the leading DLE and the SOH, in milliseconds.
inline constexpr int kLeadingDleGapMs = 6;

class SerialLink final : public Link {
public:
    // A link over `port`; `owns_port`: the port came from open_platform_port and is closed
    // with the link (a test's port is not).
    SerialLink(SerialPort& port, const SerialSettings& settings, bool owns_port)
        : port_(port), settings_(settings), owns_port_(owns_port) {}

    Transport transport() const override { return Transport::serial; }
    // First-byte waits of 2 x probe_wait_count and 4 x command_wait_count reads, each read
    // waiting as the rate table says; the transaction bounded at the rate.
    Timeouts default_timeouts() const override;
    // Returns 0 or the code of the step that failed (225..247, 253, 254).
    int transact(LinkSession& s) override;
    void drain(LinkSession& s) override;
    bool close() override;

    SerialPort& port() { return port_; }

private:
    SerialPort& port_;
    SerialSettings settings_;
    bool owns_port_;
    std::uint32_t read_wait_ms_ = settings_.read_wait_ms();
};

// Opens `device` at `rate` as the link of `s` (which has none). Returns 0, or 1 when the
// device is missing, busy or cannot be configured.
int Serial_Open(LinkSession& s, const char* device, std::int32_t rate);
// The same for port index 0..9 (1 for any other index, or a device name that is too long).
int Serial_Open(LinkSession& s, std::uint32_t index, std::int32_t rate);
// On the default session.
int Serial_Open(std::uint32_t index, std::int32_t rate);
// Closes the default session's serial link. 0 when a port was closed, 1 when none was open or
// it could not be closed (it then stays open).
int Serial_Close();

}  // namespace kestrel::link
