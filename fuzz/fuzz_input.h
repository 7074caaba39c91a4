// Helpers shared by the fuzz targets: a serial port that hands out the fuzz input.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "link/serial_port.h"

namespace kestrel::fuzz {

// Hands the input out one read at a time; writes always succeed.
class InputPort final : public link::SerialPort {
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

}  // namespace kestrel::fuzz
