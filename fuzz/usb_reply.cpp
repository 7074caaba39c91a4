// The one-shot reply decoder of the USB link. Input: the command code, then the bytes one
// bulk read delivered (at most 2048, as the read asks for no more).
#include <array>

#include "link/frame.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1 || size > 1 + 2048) return 0;
    // Sized exactly, so the sanitizer sees any write past the reply area.
    static std::array<std::uint8_t, kestrel::link::kDataCapacity> reply_data;
    kestrel::link::ReplyFrame reply;
    const int code = kestrel::link::decode_reply_frame(std::span(data + 1, size - 1), data[0], reply_data, reply);
    if (code == 0 && reply.echo != data[0]) __builtin_trap();
    return 0;
}
