#include "support/scripted_port.h"

#include "link/frame.h"

namespace kestrel::test {

std::vector<std::uint8_t> reply_frame(std::uint8_t address, std::uint8_t echo, std::uint8_t status,
                                      std::vector<std::uint8_t> data) {
    std::vector<std::uint8_t> wire(2 + 2 * (6 + data.size()) + 2);
    wire.resize(link::encode_reply_frame(address, echo, status, data, wire));
    return wire;
}

}  // namespace kestrel::test
