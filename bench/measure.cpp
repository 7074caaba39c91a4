#include "bench/measure.h"

#include <array>

#include "link/frame.h"
#include "link/serial_engine.h"
#include "link/session.h"

namespace kestrel::bench {

double serial_model_us(std::size_t reply_wire_bytes, std::uint32_t baud) {
    return link::kLeadingDleGapMs * 1000.0 + static_cast<double>(reply_wire_bytes) * 10.0 * 1e6 / baud;
}

std::size_t last_reply_wire_bytes() {
    static std::array<std::uint8_t, 4 + 2 * (7 + link::kDataCapacity)> frame;
    const link::LinkSession& s = link::session();
    return link::encode_reply_frame(s.address, s.command, s.reader_status,
                                    std::span(s.reply_data).first(s.reply_length), frame);
}

}  // namespace kestrel::bench
