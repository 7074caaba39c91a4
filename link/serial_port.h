// The serial transport as the serial engine sees it: single-byte writes and reads bounded by
// the port's timeouts, and a purge of both directions. One backend per platform implements
// Serial_Open and Serial_Close and hands out its port through the link session.
#pragma once

#include <cstdint>

namespace kestrel::link {

class SerialPort {
public:
    // Each returns the number of bytes transferred; a count below the one asked for is a failure.
    virtual int write(const std::uint8_t* buffer, int count) = 0;
    virtual int read(std::uint8_t* buffer, int count) = 0;
    // Abort pending transfers and discard the input and output queues.
    virtual void purge() = 0;
    // The engine's word that at least `count` more bytes of the reply are on their way (a
    // lower bound: stuffing may add more). A port may then wait for them in one go instead of
    // waking for every byte; reads keep their timeouts. The hint ends with a purge.
    virtual void expect(int count) { (void)count; }

protected:
    ~SerialPort() = default;
};

// Port speed and wait settings chosen by the rate argument of LinkCom.
struct SerialSettings {
    std::uint32_t speed;                   // bits per second
    std::uint32_t read_total_multiplier;   // ms per byte asked for
    std::uint32_t read_total_constant;     // ms
    std::uint32_t write_total_multiplier;  // ms per byte
    std::uint32_t write_total_constant;    // ms
    std::uint32_t probe_wait_count;
    std::uint32_t command_wait_count;
};

// The rate table: 9600, 19200, 38400, 57600 and 115200; any other rate gives the 9600 row.
SerialSettings serial_settings_for_rate(std::int32_t rate);

// Highest port index (COM10).
inline constexpr std::uint32_t kMaxSerialPortIndex = 9;

// Opens port index 0..9 at `rate`, stores the port and wait counts in the link session.
// Returns 0 when the port is open and configured, 1 otherwise (an index above 9, a missing,
// busy or unconfigurable port); on failure no port is left open by this call.
int Serial_Open(std::uint32_t index, std::int32_t rate);

// Purges and closes the open port and sleeps 50 ms. Returns 0 when a port was closed,
// 1 when none was open or it could not be closed.
int Serial_Close();

// The platform backend: opens port `index` with `settings` (nullptr when it cannot), and
// closes a port it opened (false when it could not, and the port stays open).
SerialPort* open_platform_port(std::uint32_t index, const SerialSettings& settings);
bool close_platform_port(SerialPort* port);

}  // namespace kestrel::link
