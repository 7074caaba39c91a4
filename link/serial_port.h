// The serial transport as the serial engine sees it: single-byte writes and reads bounded by
// the port's timeouts, and a purge of both directions. One backend per platform opens and
// closes ports (serial_port_posix.cpp, serial_port_win32.cpp).
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

namespace kestrel::link {

class CancelSignal;

class SerialPort {
public:
    virtual ~SerialPort() = default;
    // Each returns the number of bytes transferred; a count below the one asked for is a failure.
    virtual int write(const std::uint8_t* buffer, int count) = 0;
    virtual int read(std::uint8_t* buffer, int count) = 0;
    // Abort pending transfers and discard the input and output queues.
    virtual void purge() = 0;
    // The engine's word that at least `count` more bytes of the reply are on their way (a
    // lower bound: stuffing may add more). A port may then wait for them in one go instead of
    // waking for every byte; reads keep their timeouts. The hint ends with a purge.
    virtual void expect(int count) { (void)count; }
    // How long a one-byte read waits, in milliseconds, from now on (the rate table's
    // constant plus multiplier until this is called).
    virtual void set_read_wait(std::uint32_t ms) { (void)ms; }
    // True once the line has hung up or failed (the device was unplugged): no byte will come
    // until the port is closed and opened again.
    virtual bool line_down() const { return false; }
};

// Port speed and wait settings chosen by the rate argument of LinkCom.
struct SerialSettings {
    std::uint32_t speed;                   // bits per second
    std::uint32_t read_total_multiplier;   // ms per byte asked for
    std::uint32_t read_total_constant;     // ms
    std::uint32_t write_total_multiplier;  // ms per byte
    std::uint32_t write_total_constant;    // ms
    std::uint32_t probe_wait_count;        // the probe's first-byte wait: 2 x this many reads
    std::uint32_t command_wait_count;      // other commands: 4 x this many reads

    // The wait of a one-byte read.
    std::uint32_t read_wait_ms() const { return read_total_constant + read_total_multiplier; }
};

// The rate table: 9600, 19200, 38400, 57600 and 115200; any other rate gives the 9600 row.
SerialSettings serial_settings_for_rate(std::int32_t rate);

// Highest port index (COM10).
inline constexpr std::uint32_t kMaxSerialPortIndex = 9;
// Longest device name a port index may stand for (a longer one is refused, never cut).
inline constexpr std::size_t kMaxSerialDeviceName = 255;

// The platform backend.
// The device of port index 0..9: POSIX KESTREL_COM<n+1> when set, else /dev/ttyS<n>; Windows
// \\.\COM<n+1>. False when the name is longer than kMaxSerialDeviceName.
bool serial_device_name(std::uint32_t index, char (&out)[kMaxSerialDeviceName + 1]);
// Opens the device for exclusive use with `settings` (nullptr when it is missing, busy or
// cannot be configured). Its waits also end when `cancel` (may be null) is raised.
SerialPort* open_platform_port(const char* device, const SerialSettings& settings, const CancelSignal* cancel);
// Purges and closes a port `open_platform_port` made, sleeps 50 ms and frees it. False when it
// could not be closed: the port then stays open and usable.
bool close_platform_port(SerialPort* port);

// What both backends' open_platform_port and close_platform_port do around their own port
// class, whose open(device, settings) and close() give 0 on success.
template <class Backend>
SerialPort* open_backend_port(const char* device, const SerialSettings& settings, const CancelSignal* cancel) {
    if (device == nullptr) return nullptr;
    auto* port = new (std::nothrow) Backend(cancel);
    if (port == nullptr) return nullptr;
    if (port->open(device, settings) != 0) {
        delete port;
        return nullptr;
    }
    return port;
}
template <class Backend>
bool close_backend_port(SerialPort* port) {
    auto* p = dynamic_cast<Backend*>(port);
    if (p == nullptr || p->close() != 0) return false;
    delete p;
    return true;
}

}  // namespace kestrel::link
