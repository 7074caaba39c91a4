// Fuzzes everything that parses bytes coming off the wire: the serial engine walking a reply
// byte by byte, the one-shot reply decoder of the USB link, the command-frame decoder, and the
// simulator's stream responder. Built with -fsanitize=fuzzer,address (see fuzz/run).
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

#include "link/frame.h"
#include "link/serial_engine.h"
#include "link/serial_port.h"
#include "sim/reader_model.h"
#include "sim/responder.h"

namespace {

// Hands the fuzz input out one read at a time; writes always succeed.
class InputPort final : public kestrel::link::SerialPort {
public:
    explicit InputPort(std::span<const std::uint8_t> input) : input_(input) {}
    int write(const std::uint8_t*, int count) override { return count; }
    int read(std::uint8_t* buffer, int count) override {
        int n = 0;
        while (n < count && pos_ < input_.size()) buffer[n++] = input_[pos_++];
        return n;
    }
    void purge() override {}

private:
    std::span<const std::uint8_t> input_;
    std::size_t pos_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> input(data, size);
    const std::uint8_t command = size > 0 ? data[0] : 0;

    InputPort port(input.subspan(size > 0 ? 1 : 0));
    static kestrel::link::LinkSession session;  // large: keep it off the stack
    session.serial = &port;
    session.address = 0x01;
    session.command = command;
    session.request_length = 0;
    session.probe_wait_count = 2;
    session.command_wait_count = 4;
    kestrel::link::Serial_Transact(session);

    std::array<std::uint8_t, kestrel::link::kDataCapacity> reply_data;
    kestrel::link::ReplyFrame reply;
    kestrel::link::decode_reply_frame(input, command, reply_data, reply);

    std::array<std::uint8_t, 255> request_data;
    kestrel::link::CommandFrame frame;
    std::size_t consumed = 0;
    kestrel::link::decode_command_frame(input, request_data, frame, consumed);

    static kestrel::sim::ReaderModel model;
    kestrel::sim::Responder responder(model);
    std::vector<kestrel::sim::Transmission> answers;
    responder.feed(input, answers);
    return 0;
}
