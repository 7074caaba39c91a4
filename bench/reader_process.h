// The simulated reader the benchmarks talk to: the readersim program loaded with a generated
// scenario, on a pseudo-terminal pacing its replies at the baud rate, or on a loopback TCP port.
// Also the other programs a benchmark runs beside it (a broker, the gateway program) and the
// loopback ports they listen on.
#pragma once

#include <signal.h>
#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

namespace kestrel::bench {

// A scenario with `tags` EPC tags (reader 1, reader chip on). The first tag holds 64 bytes of
// user memory, so a 32-word read has something to return.
std::string generated_scenario(int tags);
// A scenario of reader 1 (reader chip on) with `tags` EPC tags of its own: E200RRRRTTTT, R the
// reader's number, T the tag's, so the tags of several simulated readers are all distinct.
// Without tags, every inventory finds nothing.
std::string reader_scenario(int reader, int tags);

// A loopback TCP port free at the time of the call.
int free_port();
// True when something accepts connections on the loopback port.
bool port_open(int port);

// A program run with `argv` (argv[0] its path), its standard output and error appended to
// `log_file`; stop() ends it (SIGTERM unless told otherwise) and waits for it.
class ChildProcess {
public:
    ChildProcess() = default;
    ChildProcess(const std::vector<std::string>& argv, const std::string& log_file) { start(argv, log_file); }
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool start(const std::vector<std::string>& argv, const std::string& log_file);
    // Sends `signal` (SIGTERM by default) and waits for the end, at most 5 s before SIGKILL.
    // Returns its waitpid status (-1: it was not running).
    int stop(int signal = SIGTERM);
    // False once it has ended by itself; exit_status() then holds its waitpid status.
    bool running();
    int exit_status() const { return status_; }
    pid_t pid() const { return pid_; }

private:
    pid_t pid_ = -1;
    int status_ = 0;
};

class ReaderProcess {
public:
    ReaderProcess() = default;
    ~ReaderProcess() { stop(); }
    ReaderProcess(const ReaderProcess&) = delete;
    ReaderProcess& operator=(const ReaderProcess&) = delete;

    // Starts `readersim --pace baud --scenario file` and waits for its terminal's path.
    // False (with error() set) when it does not come up.
    bool start(const std::string& program, const std::string& scenario_file, std::uint32_t baud);
    // Starts `readersim --tcp PORT --no-pty --scenario file` (PORT 0: a free one) and waits for
    // the port it listens on.
    bool start_tcp(const std::string& program, const std::string& scenario_file, int port = 0);
    void stop();

    const std::string& terminal() const { return terminal_; }
    // The loopback port of a reader started with start_tcp.
    int tcp_port() const { return tcp_port_; }
    const std::string& error() const { return error_; }

private:
    // Spawns readersim with `args` and returns the first line it prints (empty when none).
    std::string spawn(const std::string& program, const std::vector<std::string>& args);

    pid_t pid_ = -1;
    int tcp_port_ = -1;
    std::string terminal_;
    std::string error_;
};

}  // namespace kestrel::bench
