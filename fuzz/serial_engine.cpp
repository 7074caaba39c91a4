// The serial engine reading a reply byte by byte. Input: the command code, the request's
// reader address, then the bytes the port delivers.
#include <cstring>

#include "fuzz/fuzz_input.h"
#include "link/serial_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    static kestrel::link::LinkSession session;  // large: keep it off the stack
    kestrel::fuzz::InputPort port(std::span(data + 2, size - 2));
    // A fresh link over this input's port (not owned: the link does not close it).
    session.attach(new kestrel::link::SerialLink(port, kestrel::link::serial_settings_for_rate(115200), false), true);
    session.late_reply_margin_ms = 0;  // the input port's reads never wait
    session.command = data[0];
    session.address = data[1];
    session.request_length = 0;
    const int code = kestrel::link::Link_Transact(session);
    // A success leaves a reply that fits the reply area.
    if (code == 0 && session.reply_length > session.reply_data.size()) __builtin_trap();
    session.close_link();
    return 0;
}
