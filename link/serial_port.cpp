#include "link/serial_port.h"

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

}  // namespace kestrel::link
