#include "sim/pty_simulator.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace kestrel::sim {

PtySimulator::PtySimulator(ReaderModel& model) : responder_(model), mutex_(own_mutex_) {}

PtySimulator::PtySimulator(ReaderModel& model, std::mutex& model_lock) : responder_(model), mutex_(model_lock) {}

PtySimulator::~PtySimulator() { stop(); }

bool PtySimulator::start(const std::string& link_path) {
    if (running_) return true;
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) {
        error_ = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        stop();
        return false;
    }
    const char* name = ::ptsname(master_);
    slave_path_ = name ? name : "";
    // Raw mode on the master side makes the line raw for the slave too: no echo, no line
    // editing, no newline translation, all eight bits.
    termios tio{};
    ::tcgetattr(master_, &tio);
    ::cfmakeraw(&tio);
    ::tcsetattr(master_, TCSANOW, &tio);
    // Keep the slave open ourselves, so the master never sees hang-up when a client closes.
    keeper_ = ::open(slave_path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (keeper_ < 0 || ::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        error_ = "cannot open " + slave_path_ + ": " + std::strerror(errno);
        stop();
        return false;
    }
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (!link_path.empty()) {
        // An earlier run's link is replaced; anything else at that path is left alone.
        struct stat st {};
        if (::lstat(link_path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode)) {
            error_ = "cannot create the link " + link_path + ": it exists and is not a symbolic link";
            stop();
            return false;
        }
        ::unlink(link_path.c_str());
        if (::symlink(slave_path_.c_str(), link_path.c_str()) != 0) {
            error_ = "cannot create the link " + link_path + ": " + std::strerror(errno);
            stop();
            return false;
        }
        link_path_ = link_path;
    }
    running_ = true;
    thread_ = std::thread([this] { run(); });
    return true;
}

void PtySimulator::stop() {
    if (running_.exchange(false)) {
        const char b = 0;
        [[maybe_unused]] auto n = ::write(wake_[1], &b, 1);
    }
    if (thread_.joinable()) thread_.join();
    for (int* fd : {&master_, &keeper_, &wake_[0], &wake_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    if (!link_path_.empty()) ::unlink(link_path_.c_str());
    link_path_.clear();
}

void PtySimulator::with_responder(const std::function<void(Responder&)>& fn) {
    std::lock_guard lock(mutex_);
    fn(responder_);
}

void PtySimulator::run() {
    std::vector<std::uint8_t> buffer(4096);
    while (running_) {
        pollfd fds[2] = {{master_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        if (::poll(fds, 2, 200) < 0 && errno != EINTR) break;
        if (fds[1].revents & POLLIN) break;
        if (!(fds[0].revents & POLLIN)) continue;
        const ssize_t n = ::read(master_, buffer.data(), buffer.size());
        if (n <= 0) continue;
        std::vector<Transmission> answers;
        {
            std::lock_guard lock(mutex_);
            responder_.feed(std::span(buffer.data(), static_cast<std::size_t>(n)), answers);
        }
        for (const Transmission& t : answers) send(t);
    }
}

void PtySimulator::send(const Transmission& t) {
    using Clock = std::chrono::steady_clock;
    for (const Chunk& chunk : t) {
        if (chunk.delay.count() > 0) {
            // Wait, but give up early when asked to stop.
            pollfd p{wake_[0], POLLIN, 0};
            ::poll(&p, 1, static_cast<int>(chunk.delay.count()));
            if (!running_) return;
        }
        const std::uint32_t baud = pacing_baud_;
        // Paced bytes leave on a schedule of ten bits a byte from the chunk's start, so the
        // time the writes themselves take does not slow the line down. A byte reaches the host
        // once its last bit is on the line: the first one ten bit times after the start.
        const Clock::time_point paced_from = Clock::now();
        std::size_t done = 0;
        Clock::time_point last_progress = Clock::now();
        while (done < chunk.bytes.size() && running_) {
            const std::size_t step = baud ? 1 : chunk.bytes.size() - done;
            if (baud)
                std::this_thread::sleep_until(paced_from + std::chrono::microseconds(10'000'000ull * (done + 1) / baud));
            const ssize_t w = ::write(master_, chunk.bytes.data() + done, step);
            if (w > 0) {
                done += static_cast<std::size_t>(w);
                last_progress = Clock::now();
                stalled_ = false;
                continue;
            }
            if (w < 0 && errno != EAGAIN && errno != EINTR) return;
            // A serial line has no back-pressure: what the host does not take is lost. When the
            // terminal stays full (the host stopped reading, or is gone while the terminal is kept
            // open) the rest of the reply is dropped, at once while the line is known to be stuck,
            // so the reader goes on hearing and answering.
            if (stalled_ || Clock::now() - last_progress > kStallLimit) {
                stalled_ = true;
                return;
            }
            pollfd p{master_, POLLOUT, 0};
            ::poll(&p, 1, 50);
        }
    }
}

}  // namespace kestrel::sim
