#include "bench/measure.h"

#include <sys/resource.h>
#include <unistd.h>

#include <array>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "link/frame.h"
#include "link/serial_engine.h"
#include "link/session.h"

namespace kestrel::bench {

double serial_model_us(std::size_t reply_wire_bytes, std::uint32_t baud) {
    return link::kLeadingDleGapMs * 1000.0 + static_cast<double>(reply_wire_bytes) * 10.0 * 1e6 / baud;
}

std::size_t last_reply_wire_bytes() {
    static std::array<std::uint8_t, 4 + 2 * (7 + link::kDataCapacity)> frame;
    const link::LinkSession& s = link::session();
    return link::encode_reply_frame(s.address, s.command, s.reader_status,
                                    std::span(s.reply_data).first(s.reply_length), frame);
}

double process_cpu_s(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string text((std::istreambuf_iterator<char>(in)), {});
    // The command name in parentheses may hold spaces: the fields are counted after it.
    const auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream rest(text.substr(close + 2));
    std::string field;
    double utime = 0, stime = 0;
    for (int i = 3; i <= 15 && rest >> field; ++i) {
        if (i == 14) utime = std::stod(field);
        if (i == 15) stime = std::stod(field);
    }
    return (utime + stime) / static_cast<double>(::sysconf(_SC_CLK_TCK));
}

double self_cpu_s() {
    rusage u{};
    ::getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

std::int64_t process_rss_kib(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind("VmRSS:", 0) == 0) return std::atoll(line.c_str() + 6);
    return 0;
}

}  // namespace kestrel::bench
