// LLRP front end throughput and report latency, against readersim holding 1,000 EPC tags on
// a loopback TCP port.
//
//  - C API: kestrel_inventory rounds over one reader handle for the run's duration; tags/s.
//  - LLRP: kestrel-llrp's endpoint (the program's own code, in process) over the same reader;
//    an LLRP client on a socket adds an ROSpec (duration stop, AISpec with no stop trigger,
//    a report upon every 1,000 tags, so one RO_ACCESS_REPORT a round), starts it and counts the
//    TagReportData it receives; tags/s and its ratio to the C API.
//  - Report latency: for each report, from the moment the reader's tag list block holding its
//    last tag arrived (the tags' LastSeenTimestampUTC) to the report being read off the
//    client's socket; p50, p99, max.
//
//   llrp_bench [SECONDS]   (default 5 seconds a measurement)
#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/reader_process.h"
#include "kestrel/reader.h"
#include "llrp/codec.h"
#include "llrp/server.h"

using namespace kestrel;
using namespace kestrel::llrp;

namespace {

constexpr int kTags = 1000;

std::int64_t utc_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

struct CApiResult {
    double tags_per_s = 0;
    std::uint64_t rounds = 0;
};

int count_tag(void* context, const kestrel_tag*) {
    ++*static_cast<std::uint64_t*>(context);
    return 0;
}

CApiResult c_api(const std::string& uri, double seconds) {
    kestrel_reader* r = nullptr;
    if (kestrel_open(uri.c_str(), &r) != 0) {
        std::fprintf(stderr, "llrp_bench: cannot open %s\n", uri.c_str());
        std::exit(1);
    }
    std::uint64_t tags = 0;
    CApiResult out;
    const auto start = std::chrono::steady_clock::now();
    const auto end = start + std::chrono::duration<double>(seconds);
    while (std::chrono::steady_clock::now() < end) {
        if (kestrel_inventory(r, KESTREL_STANDARD_EPC, 255, count_tag, &tags, nullptr) != 0) {
            std::fprintf(stderr, "llrp_bench: inventory failed\n");
            std::exit(1);
        }
        ++out.rounds;
    }
    const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    kestrel_close(r);
    out.tags_per_s = static_cast<double>(tags) / elapsed;
    return out;
}

class Socket {
public:
    explicit Socket(std::uint16_t port) {
        fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(port);
        ::inet_pton(AF_INET, "127.0.0.1", &a.sin_addr);
        int one = 1;
        ::setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) {
            std::perror("connect");
            std::exit(1);
        }
    }
    ~Socket() { ::close(fd_); }
    void send(const Element& m) {
        const Bytes b = encode(m);
        if (::send(fd_, b.data(), b.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(b.size())) std::exit(1);
    }
    // The next message's bytes and when it was read whole (UTC us), or false after `ms`
    // without one.
    bool next(Bytes& m, std::int64_t& at_us, int ms) {
        for (;;) {
            if (auto f = framer_.next()) {
                at_us = utc_us();
                m = std::move(f->bytes);
                return true;
            }
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, ms) <= 0) return false;
            std::uint8_t buf[1 << 16];
            const ssize_t n = ::recv(fd_, buf, sizeof buf, 0);
            if (n <= 0) return false;
            framer_.feed({buf, static_cast<std::size_t>(n)});
        }
    }

private:
    int fd_ = -1;
    Framer framer_;
};

// A report's TagReportData count and the latest LastSeenTimestampUTC among them, read off the
// parameter headers (a client that only counts does not pay for a full decode).
struct ReportScan {
    std::size_t tags = 0;
    std::int64_t last_seen_us = 0;
};
ReportScan scan_report(const Bytes& b) {
    ReportScan out;
    auto u16 = [&](std::size_t at) { return static_cast<std::size_t>(b[at] << 8 | b[at + 1]); };
    for (std::size_t at = kHeaderSize; at + 4 <= b.size();) {
        const std::size_t type = u16(at) & 0x3FF, length = u16(at + 2);
        if (length < 4 || at + length > b.size()) break;
        if (type == par::TagReportData) {
            ++out.tags;
            for (std::size_t p = at + 4; p < at + length;) {
                if (b[p] & 0x80) {  // TV: EPC-96 13, AntennaID 3, LastSeenTimestampUTC 9, TagSeenCount 3
                    const int tv = b[p] & 0x7F;
                    if (tv == par::LastSeenTimestampUTC) {
                        std::int64_t v = 0;
                        for (int i = 1; i <= 8; ++i) v = v << 8 | b[p + i];
                        out.last_seen_us = std::max(out.last_seen_us, v);
                    }
                    p += tv == par::EPC_96 ? 13 : tv == par::LastSeenTimestampUTC ? 9 : 3;
                } else {
                    p += u16(p + 2);
                }
            }
        }
        at += length;
    }
    return out;
}

struct LlrpResult {
    double tags_per_s = 0;
    std::uint64_t reports = 0;
    std::vector<double> latency_ms;
};

LlrpResult over_llrp(const std::string& uri, double seconds) {
    Endpoint endpoint({"bench", "127.0.0.1", 0}, std::make_unique<KestrelPort>(uri));
    if (!endpoint.listen()) std::exit(1);
    endpoint.start();
    Socket s(endpoint.port());
    Bytes m;
    std::int64_t at = 0;
    s.next(m, at, 3000);  // the connection event

    Element add = make_message(msg::ADD_ROSPEC, 1);
    Element& ro = add.add(make_parameter(par::ROSpec));
    ro.set("ROSpecID", 1);
    Element& b = ro.add(make_parameter(par::ROBoundarySpec));
    b.add(make_parameter(par::ROSpecStartTrigger)).set("ROSpecStartTriggerType", 0);
    b.add(make_parameter(par::ROSpecStopTrigger))
        .set("ROSpecStopTriggerType", 1)
        .set("DurationTriggerValue", static_cast<std::uint64_t>(seconds * 1000));
    Element& ai = ro.add(make_parameter(par::AISpec));
    ai.set_items("AntennaIDs", {1});
    ai.add(make_parameter(par::AISpecStopTrigger));
    ai.add(make_parameter(par::InventoryParameterSpec)).set("InventoryParameterSpecID", 1).set("ProtocolID", 1);
    Element& rs = ro.add(make_parameter(par::ROReportSpec));
    rs.set("ROReportTrigger", 2).set("N", kTags);
    rs.add(make_parameter(par::TagReportContentSelector))
        .set("EnableAntennaID", 1)
        .set("EnableLastSeenTimestamp", 1)
        .set("EnableTagSeenCount", 1);
    s.send(add);
    Element enable = make_message(msg::ENABLE_ROSPEC, 2);
    enable.set("ROSpecID", 1);
    s.send(enable);
    Element start = make_message(msg::START_ROSPEC, 3);
    start.set("ROSpecID", 1);
    s.send(start);

    LlrpResult out;
    std::uint64_t tags = 0;
    std::chrono::steady_clock::time_point t0{}, t1{};
    while (s.next(m, at, 3000)) {
        const auto h = read_header(m);
        if (h->type == msg::START_ROSPEC_RESPONSE) t0 = std::chrono::steady_clock::now();
        if (h->type != msg::RO_ACCESS_REPORT) continue;
        t1 = std::chrono::steady_clock::now();
        const ReportScan r = scan_report(m);
        tags += r.tags;
        ++out.reports;
        if (r.tags == static_cast<std::size_t>(kTags)) out.latency_ms.push_back((at - r.last_seen_us) / 1000.0);
        if (std::chrono::steady_clock::now() - t0 > std::chrono::duration<double>(seconds + 5)) break;
        // The last report of the run comes at the ROSpec's end: stop reading shortly after.
        if (std::chrono::steady_clock::now() - t0 > std::chrono::duration<double>(seconds) &&
            r.tags < static_cast<std::size_t>(kTags))
            break;
    }
    out.tags_per_s = static_cast<double>(tags) / std::chrono::duration<double>(t1 - t0).count();
    endpoint.stop();
    return out;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * static_cast<double>(v.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char** argv) {
    const double seconds = argc > 1 ? std::atof(argv[1]) : 5.0;
    const std::string scenario = "/tmp/llrp_bench_" + std::to_string(::getpid()) + ".json";
    std::ofstream(scenario) << bench::generated_scenario(kTags);
    bench::ReaderProcess reader;
    if (!reader.start_tcp(KESTREL_READERSIM, scenario)) {
        std::fprintf(stderr, "llrp_bench: %s\n", reader.error().c_str());
        return 1;
    }
    const std::string uri = "tcp://127.0.0.1:" + std::to_string(reader.tcp_port());
    // Alternating runs, so a drift of the machine's load falls on both sides alike.
    CApiResult c;
    LlrpResult l;
    for (int run = 0; run < 2; ++run) {
        const CApiResult ci = c_api(uri, seconds / 2);
        LlrpResult li = over_llrp(uri, seconds / 2);
        c.tags_per_s += ci.tags_per_s / 2;
        c.rounds += ci.rounds;
        l.tags_per_s += li.tags_per_s / 2;
        l.reports += li.reports;
        l.latency_ms.insert(l.latency_ms.end(), li.latency_ms.begin(), li.latency_ms.end());
    }
    reader.stop();
    std::remove(scenario.c_str());

    std::printf("| measurement (%d simulated EPC tags, readersim over loopback TCP, %.0f s) | value |\n", kTags, seconds);
    std::printf("|---|---|\n");
    std::printf("| C API, kestrel_inventory: tags/s | %.0f (%llu rounds) |\n", c.tags_per_s,
                static_cast<unsigned long long>(c.rounds));
    std::printf("| LLRP, TagReportData received: tags/s | %.0f (%llu reports) |\n", l.tags_per_s,
                static_cast<unsigned long long>(l.reports));
    std::printf("| LLRP / C API | %.3f |\n", c.tags_per_s > 0 ? l.tags_per_s / c.tags_per_s : 0.0);
    std::printf("| report latency, tag list block to report read: p50 / p99 / max | %.2f / %.2f / %.2f ms |\n",
                percentile(l.latency_ms, 0.5), percentile(l.latency_ms, 0.99),
                l.latency_ms.empty() ? 0.0 : *std::max_element(l.latency_ms.begin(), l.latency_ms.end()));
    return 0;
}
