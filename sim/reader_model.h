// The simulated reader: its state and one handler per command code.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace kestrel::sim {

// One decoded command, as the reader received it.
struct Request {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::span<const std::uint8_t> data;
};

// What the reader answers: status byte and reply data.
struct Reply {
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
};

// Status byte of the reply to a command code the reader does not know.
inline constexpr std::uint8_t kStatusUnknownCommand = 0xFF;

class ReaderModel {
public:
    using Handler = std::function<Reply(ReaderModel&, const Request&)>;

    ReaderModel();

    // The reader's device number: it answers frames addressed to it (or to 0xFF), from it.
    std::uint8_t number() const { return number_; }
    void set_number(std::uint8_t n) { number_ = n; }

    // Installs (or replaces) the handler of one command code.
    void on(std::uint8_t command, Handler handler);

    // Answers one command through its handler.
    Reply handle(const Request& request);

private:
    std::uint8_t number_ = 1;
    std::array<Handler, 256> handlers_{};
};

}  // namespace kestrel::sim
