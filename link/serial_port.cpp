#include "link/serial_port.h"

#include "link/session.h"

namespace kestrel::link {

SerialSettings serial_settings_for_rate(std::int32_t rate) {
    // At 9600 a byte takes about 1 ms on the wire, so the per-byte allowance doubles.
    switch (rate) {
        case 19200:
        case 38400:
        case 57600:
        case 115200:
            return {static_cast<std::uint32_t>(rate), 1, 100, 1, 100, 2, 4};
        default:
            return {9600, 2, 100, 2, 100, 2, 4};
    }
}

int Serial_Open(std::uint32_t index, std::int32_t rate) {
    if (index > kMaxSerialPortIndex) return 1;
    const SerialSettings settings = serial_settings_for_rate(rate);
    SerialPort* port = open_platform_port(index, settings);
    if (port == nullptr) return 1;
    LinkSession& s = session();
    s.serial = port;
    s.probe_wait_count = settings.probe_wait_count;
    s.command_wait_count = settings.command_wait_count;
    s.serial_reply_outstanding = false;
    return 0;
}

int Serial_Close() {
    LinkSession& s = session();
    if (s.serial == nullptr || !close_platform_port(s.serial)) return 1;
    s.serial = nullptr;
    return 0;
}

}  // namespace kestrel::link
