// POSIX serial backend: termios for the line settings, poll() against a monotonic deadline
// for the per-byte timeouts, flock plus TIOCEXCL for exclusive use of the port, and a small
// input buffer so that bytes already received are handed out without a system call each.
// When the engine says how many reply bytes are still coming, the port sleeps through the
// wire time of all but the last of them and takes them in one read, instead of waking once
// per byte as they trickle in at the line's speed.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <thread>

#include "link/cancel.h"
#include "link/serial_port.h"

namespace kestrel::link {
namespace {

using Clock = std::chrono::steady_clock;

speed_t termios_speed(std::uint32_t speed) {
    switch (speed) {
        case 19200: return B19200;
        case 38400: return B38400;
        case 57600: return B57600;
        case 115200: return B115200;
        default: return B9600;
    }
}

class PosixSerialPort final : public SerialPort {
public:
    explicit PosixSerialPort(const CancelSignal* cancel) : cancel_fd_(cancel != nullptr ? cancel->wait_fd() : -1) {}
    ~PosixSerialPort() override { close(); }

    bool is_open() const { return fd_ >= 0; }

    int open(const char* path, const SerialSettings& settings) {
        if (fd_ >= 0) return 1;
        const int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return 1;
        // Exclusive use: an advisory lock (held per open file description, so a second open
        // from this very process is refused too) and the terminal's own exclusive mode.
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || !configure(fd, settings)) {
            ::close(fd);
            return 1;
        }
        ::ioctl(fd, TIOCEXCL);
        fd_ = fd;
        settings_ = settings;
        purge();
        return 0;
    }

    int close() {
        if (fd_ < 0) return 1;
        purge();
        // A pseudo-terminal kept open by its master keeps the exclusive flag: clear it.
        ::ioctl(fd_, TIOCNXCL);
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        return 0;
    }

    int write(const std::uint8_t* buffer, int count) override {
        return transfer(POLLOUT, settings_.write_total_constant, settings_.write_total_multiplier, count,
                        [&](int done) { return ::write(fd_, buffer + done, static_cast<std::size_t>(count - done)); });
    }

    int read(std::uint8_t* buffer, int count) override {
        return transfer(POLLIN, settings_.read_total_constant, settings_.read_total_multiplier, count,
                        [&](int done) { return take_input(buffer + done, static_cast<std::size_t>(count - done)); });
    }

    void purge() override {
        input_begin_ = input_end_ = 0;
        expected_ = 0;
        if (fd_ >= 0) ::tcflush(fd_, TCIOFLUSH);
    }

    void expect(int count) override { expected_ = std::max(count, 0); }

    bool line_down() const override { return line_down_; }

    void set_read_wait(std::uint32_t ms) override {
        settings_.read_total_constant = ms > settings_.read_total_multiplier ? ms - settings_.read_total_multiplier : 0;
    }

private:
    static bool configure(int fd, const SerialSettings& settings) {
        termios tio{};
        if (::tcgetattr(fd, &tio) != 0) return false;
        ::cfmakeraw(&tio);
        tio.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
        tio.c_cflag |= CS8 | CREAD | CLOCAL;
        tio.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
        tio.c_cc[VMIN] = 0;
        tio.c_cc[VTIME] = 0;
        const speed_t speed = termios_speed(settings.speed);
        if (::cfsetispeed(&tio, speed) != 0 || ::cfsetospeed(&tio, speed) != 0) return false;
        if (::tcsetattr(fd, TCSANOW, &tio) != 0) return false;
        // DTR on, RTS off where the device has modem lines; a pseudo-terminal has none.
        int dtr = TIOCM_DTR, rts = TIOCM_RTS;
        ::ioctl(fd, TIOCMBIS, &dtr);
        ::ioctl(fd, TIOCMBIC, &rts);
        return true;
    }

    // Moves `count` bytes with `step` (one read or write call given the bytes done so far),
    // bounded in total by constant + multiplier x count milliseconds, as the rate table says.
    template <typename Step>
    int transfer(short events, std::uint32_t constant_ms, std::uint32_t per_byte_ms, int count, Step step) {
        if (fd_ < 0 || count <= 0) return 0;
        const auto deadline =
            Clock::now() + std::chrono::milliseconds(constant_ms + per_byte_ms * static_cast<std::uint32_t>(count));
        int done = 0;
        while (done < count) {
            const ssize_t n = step(done);
            if (n > 0) {
                done += static_cast<int>(n);
                continue;
            }
            // Any error other than "nothing yet" (EIO after an unplug, say) ends it at once.
            if (n < 0 && errno != EAGAIN && errno != EINTR) {
                line_down_ = true;
                break;
            }
            if (!wait_for(events, deadline)) break;
        }
        return done;
    }

    // Waits until the port is ready for `events` or the deadline has passed; a raised cancel
    // signal ends the wait at once.
    bool wait_for(short events, Clock::time_point deadline) {
        for (;;) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            if (left <= 0) return false;
            pollfd p[2] = {{fd_, events, 0}, {cancel_fd_, POLLIN, 0}};
            const int r = ::poll(p, cancel_fd_ >= 0 ? 2 : 1, static_cast<int>(left));
            if (r > 0 && p[1].revents != 0) return false;
            // A hang-up or error ends the wait: the line will not become ready again, and
            // retrying it would only spin until the deadline.
            if (r > 0 && (p[0].revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) {
                line_down_ = true;
                return false;
            }
            if (r > 0) return (p[0].revents & events) != 0;
            if (r == 0) continue;  // re-check the deadline on the monotonic clock
            if (errno != EINTR) return false;
        }
    }

    // Hands out up to `count` bytes of input. The engine reads one byte a call; when the input
    // buffer is empty, one read() takes in everything the terminal holds (up to the buffer's
    // size), so a reply that arrived in a burst costs one system call, not one per byte.
    ssize_t take_input(std::uint8_t* out, std::size_t count) {
        if (input_begin_ == input_end_) {
            await_expected();
            const ssize_t n = ::read(fd_, input_.data(), input_.size());
            if (n <= 0) return n;
            input_begin_ = 0;
            input_end_ = static_cast<std::size_t>(n);
        }
        const std::size_t n = std::min(count, input_end_ - input_begin_);
        std::memcpy(out, input_.data() + input_begin_, n);
        input_begin_ += n;
        expected_ = std::max(expected_ - static_cast<int>(n), 0);
        return static_cast<ssize_t>(n);
    }

    // Before reading an empty buffer: when more of the expected bytes are missing than the
    // terminal holds, those still on the wire cannot arrive before their wire time. Sleep
    // through that time for all but the last of them (less the usual lateness of a wake-up),
    // so the following read takes them together and the last one is waited for as before.
    // The sleep is capped, so a reply that stalls is still noticed by the per-byte timeout,
    // at most that cap later than it would be byte by byte.
    void await_expected() {
        if (expected_ < 2) return;
        int held = 0;
        if (::ioctl(fd_, FIONREAD, &held) != 0) return;
        const std::int64_t missing = expected_ - held;
        if (missing < 2) return;
        const std::int64_t byte_ns = 10 * kNsPerSecond / std::max<std::uint32_t>(settings_.speed, 1);
        const std::int64_t sleep_ns = std::min((missing - 1) * byte_ns - kWakeLatenessNs, kMostSleepNs);
        if (sleep_ns < kLeastSleepNs) return;
        timespec t{};
        t.tv_sec = static_cast<time_t>(sleep_ns / kNsPerSecond);
        t.tv_nsec = static_cast<long>(sleep_ns % kNsPerSecond);
        ::clock_nanosleep(CLOCK_MONOTONIC, 0, &t, nullptr);  // cut short by a signal: read early
    }

    static constexpr std::int64_t kNsPerSecond = 1'000'000'000;
    // Timer slack plus a usual scheduling delay.
    static constexpr std::int64_t kWakeLatenessNs = 100'000;
    // Shorter sleeps save next to nothing over polling.
    static constexpr std::int64_t kLeastSleepNs = 150'000;
    // A tenth of the shortest per-byte timeout.
    static constexpr std::int64_t kMostSleepNs = 10'000'000;

    int fd_ = -1;
    int cancel_fd_ = -1;
    bool line_down_ = false;
    SerialSettings settings_{};
    // Bytes taken from the terminal and not yet handed out; part of the input queue, so a
    // purge discards them too.
    std::array<std::uint8_t, 256> input_{};
    std::size_t input_begin_ = 0;
    std::size_t input_end_ = 0;
    // Reply bytes the engine still expects beyond those handed out.
    int expected_ = 0;
};

}  // namespace

bool serial_device_name(std::uint32_t index, char (&out)[kMaxSerialDeviceName + 1]) {
    char variable[32];
    std::snprintf(variable, sizeof variable, "KESTREL_COM%u", index + 1);
    const char* configured = std::getenv(variable);
    const int n = configured != nullptr && configured[0] != '\0' ? std::snprintf(out, sizeof out, "%s", configured)
                                                                 : std::snprintf(out, sizeof out, "/dev/ttyS%u", index);
    // A name that did not fit would open whatever its cut form names.
    return n > 0 && static_cast<std::size_t>(n) <= kMaxSerialDeviceName;
}

SerialPort* open_platform_port(const char* device, const SerialSettings& settings, const CancelSignal* cancel) {
    return open_backend_port<PosixSerialPort>(device, settings, cancel);
}

bool close_platform_port(SerialPort* port) { return close_backend_port<PosixSerialPort>(port); }

}  // namespace kestrel::link
