// The serial link's reads over a real pseudo-terminal, with the test as the reader: replies
// that trickle in at the line's speed, pause mid-way or stop, against the port's per-byte
// timeout (about 100 ms). Once a reply's length is known the port sleeps through the wire time
// of the bytes still to come; these cases hold it to the timeouts all the same.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>
#include <vector>

#include "kestrel.h"
#include "link/frame.h"
#include "link/serial_engine.h"
#include "link/serial_port.h"
#include "link/session.h"
#include "support/scripted_port.h"

using namespace kestrel;
using Clock = std::chrono::steady_clock;
using Bytes = std::vector<std::uint8_t>;

namespace {

// The reader's end of a pseudo-terminal; the library opens the other end as COM1.
class PtyReader {
public:
    PtyReader() {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master_ < 0 || ::grantpt(master_) != 0 || ::unlockpt(master_) != 0) return;
        termios tio{};
        ::tcgetattr(master_, &tio);
        ::cfmakeraw(&tio);
        ::tcsetattr(master_, TCSANOW, &tio);
        ::setenv("KESTREL_COM1", ::ptsname(master_), 1);
    }
    ~PtyReader() {
        ::unsetenv("KESTREL_COM1");
        if (master_ >= 0) ::close(master_);
    }
    bool ok() const { return master_ >= 0; }

    // Waits for a whole request frame (up to its DLE STX trailer).
    bool await_request() {
        Bytes got;
        while (got.size() < 2 || got[got.size() - 2] != link::kDle || got.back() != link::kStx) {
            pollfd p{master_, POLLIN, 0};
            std::uint8_t b = 0;
            if (::poll(&p, 1, 2000) <= 0 || ::read(master_, &b, 1) != 1) return false;
            got.push_back(b);
        }
        return true;
    }
    // Sends `bytes` from `from` to `to` (an index past the end: all), one byte every `gap`.
    void send(const Bytes& bytes, std::size_t from, std::size_t to, std::chrono::microseconds gap) {
        for (std::size_t i = from; i < std::min(to, bytes.size()); ++i) {
            if (gap.count() > 0) std::this_thread::sleep_for(gap);
            ASSERT_EQ(::write(master_, &bytes[i], 1), 1);
        }
    }

private:
    int master_ = -1;
};

}  // namespace

TEST(SerialTiming, RepliesThatTrickleOrStallMeetThePerByteTimeout) {
    // A 40-byte reply: DLE SOH, header (address 1, echo 0x21, status 0, length 00 28), data, check, DLE STX.
    Bytes data(40);
    for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(0x30 + i);
    const Bytes reply = test::reply_frame(1, 0x21, 0x00, data);
    constexpr std::size_t kDataStart = 7;
    // A header that promises 2,000 bytes (two seconds of wire time at 9600 baud).
    const Bytes big_promise = {link::kDle, link::kSoh, 0x01, 0x21, 0x00, 0x07, 0xD0};
    using std::chrono::milliseconds;
    using std::chrono::microseconds;
    const struct {
        const char* what;
        const Bytes& wire;
        int rate;
        microseconds gap;       // between two bytes
        std::size_t stop_at;    // bytes sent before the pause (all: no pause)
        milliseconds pause;     // then the rest (never: the reader falls silent)
        int code;
        milliseconds at_most;   // how long the transaction may take
    } cases[] = {
        {"at 9600 baud, byte by byte", reply, 9600, microseconds(1042), reply.size(), milliseconds(0), KESTREL_OK,
         milliseconds(400)},
        {"at 115200 baud, byte by byte", reply, 115200, microseconds(87), reply.size(), milliseconds(0), KESTREL_OK,
         milliseconds(200)},
        {"a pause within the byte timeout", reply, 115200, microseconds(87), kDataStart + 10, milliseconds(60), KESTREL_OK,
         milliseconds(300)},
        {"silent after ten data bytes", reply, 115200, microseconds(87), kDataStart + 10, milliseconds::max(),
         KESTREL_E_REPLY_DATA, milliseconds(400)},
        {"a pause longer than the byte timeout", reply, 9600, microseconds(0), kDataStart + 10, milliseconds(400),
         KESTREL_E_REPLY_DATA, milliseconds(300)},
        {"2,000 bytes promised at 9600 baud, none sent", big_promise, 9600, microseconds(0), big_promise.size(),
         milliseconds::max(), KESTREL_E_REPLY_DATA, milliseconds(300)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        PtyReader reader;
        ASSERT_TRUE(reader.ok());
        ASSERT_EQ(link::Serial_Open(0, c.rate), 0);
        link::LinkSession& s = link::session();
        s.address = 1;
        s.command = 0x21;
        s.request_length = 0;
        std::thread reader_side([&] {
            if (!reader.await_request()) return;
            reader.send(c.wire, 0, c.stop_at, c.gap);
            if (c.pause == milliseconds::max()) return;
            std::this_thread::sleep_for(c.pause);
            reader.send(c.wire, c.stop_at, c.wire.size(), c.gap);
        });
        const auto from = Clock::now();
        const int code = link::Link_Transact(s);
        const auto took = Clock::now() - from;
        reader_side.join();
        EXPECT_EQ(code, c.code);
        EXPECT_LT(took, c.at_most);
        if (code == KESTREL_OK) {
            ASSERT_EQ(s.reply_length, data.size());
            EXPECT_TRUE(std::equal(data.begin(), data.end(), s.reply_data.begin()));
        }
        s.reply_outstanding = false;  // nothing of this reply is left on the fresh terminal
        EXPECT_EQ(link::Serial_Close(), 0);
    }
}
