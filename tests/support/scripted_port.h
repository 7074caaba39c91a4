// An in-memory serial port for engine tests: records what the engine writes, hands out
// scripted reply bytes, and fails a chosen write.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

#include "link/serial_port.h"

namespace kestrel::test {

class ScriptedPort final : public link::SerialPort {
public:
    // Bytes the reader answers with; each purge (the start of a transaction) discards what
    // is still unread and makes the next scripted reply available.
    void script_reply(std::vector<std::uint8_t> bytes) { replies_.push_back(std::move(bytes)); }

    // The write call with this 0-based number transfers nothing.
    void fail_write_number(int n) { fail_write_ = n; }

    int write(const std::uint8_t* buffer, int count) override {
        const int number = write_calls++;
        write_times.push_back(std::chrono::steady_clock::now());
        if (number == fail_write_) return 0;
        written.insert(written.end(), buffer, buffer + count);
        return count;
    }

    int read(std::uint8_t* buffer, int count) override {
        ++read_calls;
        int n = 0;
        while (n < count && !incoming_.empty()) {
            buffer[n++] = incoming_.front();
            incoming_.pop_front();
        }
        if (n == 0) ++empty_reads;
        return n;
    }

    void purge() override {
        ++purges;
        incoming_.clear();
        if (!replies_.empty()) {
            incoming_.assign(replies_.front().begin(), replies_.front().end());
            replies_.pop_front();
        }
    }

    std::size_t unread() const { return incoming_.size(); }

    std::vector<std::uint8_t> written;
    std::vector<std::chrono::steady_clock::time_point> write_times;
    int write_calls = 0;
    int read_calls = 0;
    int empty_reads = 0;
    int purges = 0;

private:
    std::deque<std::vector<std::uint8_t>> replies_;
    std::deque<std::uint8_t> incoming_;
    int fail_write_ = -1;
};

// A reply frame as a reader would send it.
std::vector<std::uint8_t> reply_frame(std::uint8_t address, std::uint8_t echo, std::uint8_t status,
                                      std::vector<std::uint8_t> data = {});

}  // namespace kestrel::test
