// The command-frame decoder the simulator reads the host's frames with. Round trip: a frame
// that decodes is encoded again to the same bytes.
#include <array>
#include <cstring>

#include "link/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::array<std::uint8_t, 255> request_data;
    kestrel::link::CommandFrame frame;
    std::size_t consumed = 0;
    const auto result = kestrel::link::decode_command_frame(std::span(data, size), request_data, frame, consumed);
    if (consumed > size) __builtin_trap();
    if (result == kestrel::link::CommandDecode::ok) {
        std::array<std::uint8_t, kestrel::link::kMaxCommandFrame> again;
        const std::size_t n = kestrel::link::encode_command_frame(frame.address, frame.command, frame.data, again);
        if (n != consumed || std::memcmp(again.data(), data, n) != 0) __builtin_trap();
    }
    return 0;
}
