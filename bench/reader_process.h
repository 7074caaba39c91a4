// The simulated reader the serial benchmarks talk to: the readersim program on a
// pseudo-terminal, pacing its replies at the baud rate, loaded with a generated scenario.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>

namespace kestrel::bench {

// A scenario with `tags` EPC tags (reader 1, reader chip on). The first tag holds 64 bytes of
// user memory, so a 32-word read has something to return.
std::string generated_scenario(int tags);

class ReaderProcess {
public:
    ReaderProcess() = default;
    ~ReaderProcess() { stop(); }
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // Starts `readersim --pace baud --scenario file` and waits for its terminal's path.
    // False (with error() set) when it does not come up.
    bool start(const std::string& program, const std::string& scenario_file, std::uint32_t baud);
    void stop();

    const std::string& terminal() const { return terminal_; }
    const std::string& error() const { return error_; }

private:
    pid_t pid_ = -1;
    std::string terminal_;
    std::string error_;
};

}  // namespace kestrel::bench
