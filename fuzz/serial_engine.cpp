// The serial engine reading a reply byte by byte. Input: the command code, the request's
// reader address, then the bytes the port delivers.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "link/serial_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static kestrel::link::LinkSession session;  // large: keep it off the stack
    kestrel::fuzz::InputPort port(std::span(data + 2, size - 2));
    session.serial = &port;
    session.command = data[0];
    session.address = data[1];
    session.request_length = 0;
    session.probe_wait_count = 2;
    session.command_wait_count = 4;
    const int code = kestrel::link::Serial_Transact(session);
    // A success leaves a reply that fits the reply area.
    if (code == 0 && session.reply_length > session.reply_data.size()) __builtin_trap();
    return 0;
}
