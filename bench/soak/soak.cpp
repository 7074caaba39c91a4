// Fault soak: transactions through the library's exports against the simulated reader on a
// pseudo-terminal, with seeded random faults injected by the simulator's fault layer.
//
// For every transaction the simulator reports which fault (if any) rewrote its reply, and
// the result must be the code that fault calls for. Every caller buffer sits between guard
// bytes that must survive; before each transaction the reader's settings are changed to
// values unique to that transaction, so a successful result that carries bytes of any other
// reply is seen; the link is opened once and never reopened, so every failure must leave it
// ready for the next transaction.
//
// Usage: soak [--transactions N] [--seed S]. Prints counts by fault and by result code;
// exits 1 on any mismatch.
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "kestrel.h"
#include "sim/faults.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"

using namespace kestrel;
using sim::FaultKind;

namespace {

constexpr std::uint8_t kReader = 1;

// How often each fault fires (a fraction of all replies). A dropped reply costs the host its
// whole first-byte wait (about 1.6 s), so drops are rarer than the rest.
struct FaultShare {
    FaultKind kind;
    double share;
};
constexpr FaultShare kShares[] = {
    {FaultKind::drop, 0.002},          {FaultKind::delay, 0.01},   {FaultKind::corrupt_check, 0.012},
    {FaultKind::other_address, 0.012}, {FaultKind::wrong_echo, 0.012}, {FaultKind::trailing, 0.012},
    {FaultKind::split, 0.012},         {FaultKind::noise, 0.012},  {FaultKind::oversize_length, 0.012},
};

// The result each fault calls for on a serial link; no fault: success.
int expected_code(std::optional<FaultKind> fault) {
    if (!fault) return KESTREL_OK;
    switch (*fault) {
        case FaultKind::drop: return KESTREL_E_NO_REPLY;
        case FaultKind::delay: return KESTREL_OK;        // within the first-byte wait
        case FaultKind::corrupt_check: return KESTREL_E_REPLY_CHECK;
        case FaultKind::other_address: return KESTREL_E_REPLY_ADDRESS_RULE;
        case FaultKind::wrong_echo: return KESTREL_E_REPLY_ECHO;
        case FaultKind::trailing: return KESTREL_OK;     // discarded by the next purge
        case FaultKind::split: return KESTREL_OK;        // pieces within the byte timeout
        case FaultKind::noise: return KESTREL_E_REPLY_DLE;
        case FaultKind::oversize_length: return KESTREL_E_REPLY_DATA;
        case FaultKind::disconnect: break;  // hangs up a TCP client; the serial soak never injects it
    }
    return -1;
}

// A caller buffer of `size` bytes between two runs of guard bytes.
class Guarded {
public:
    explicit Guarded(std::size_t size) : size_(size), bytes_(size + 2 * kGuard) { reset(); }
    void reset() { std::fill(bytes_.begin(), bytes_.end(), kPattern); }
    std::uint8_t* data() { return bytes_.data() + kGuard; }
    bool guards_intact() const {
        for (std::size_t i = 0; i < kGuard; ++i)
            if (bytes_[i] != kPattern || bytes_[kGuard + size_ + i] != kPattern) return false;
        return true;
    }

private:
    static constexpr std::size_t kGuard = 32;
    static constexpr std::uint8_t kPattern = 0xA5;
    std::size_t size_;
    std::vector<std::uint8_t> bytes_;
};

// One export the soak drives: the size of its out buffer, the call, and the bytes it must
// copy out after a valid reply, given the settings the reader had.
struct Export {
    const char* name;
    std::size_t size;
    int (*call)(std::uint8_t* out);
    std::vector<std::uint8_t> (*expected)(const sim::ReaderSettings&);
};

const Export kExports[] = {
    {"GetDeviceInfo", KESTREL_DEVICE_INFO_SIZE, [](std::uint8_t* out) { return GetDeviceInfo(kReader, out); },
     [](const sim::ReaderSettings& s) { return std::vector<std::uint8_t>(s.identity.begin(), s.identity.end()); }},
    {"Get_Work_Param", KESTREL_WORK_PARAM_SIZE, [](std::uint8_t* out) { return Get_Work_Param(kReader, out); },
     [](const sim::ReaderSettings& s) { return std::vector<std::uint8_t>(s.work.begin(), s.work.end()); }},
    {"Get_Menjin_Param", KESTREL_MENJIN_PARAM_SIZE, [](std::uint8_t* out) { return Get_Menjin_Param(kReader, out); },
     [](const sim::ReaderSettings& s) { return std::vector<std::uint8_t>(s.menjin.begin(), s.menjin.end()); }},
    {"Read_DeviceTemp", 1, [](std::uint8_t* out) { return Read_DeviceTemp(kReader, out); },
     [](const sim::ReaderSettings& s) { return std::vector<std::uint8_t>{s.temperature}; }},
};

// Settings no other transaction had (the temperature repeats every 256, the rest do not).
void mark(sim::ReaderSettings& s, std::uint32_t n) {
    for (std::size_t i = 0; i < s.identity.size(); ++i) s.identity[i] = static_cast<std::uint8_t>(n >> (8 * (i % 4)) ^ i);
    for (std::size_t i = 0; i < s.work.size(); ++i) s.work[i] = static_cast<std::uint8_t>(n >> (8 * (i % 4)) ^ (0x40 + i));
    for (std::size_t i = 0; i < s.menjin.size(); ++i) s.menjin[i] = static_cast<std::uint8_t>(n >> (8 * (i % 4)) ^ (0x80 + i));
    s.temperature = static_cast<std::uint8_t>(n);
}

bool parse_count(const char* text, unsigned long& out) {
    char* end = nullptr;
    out = std::strtoul(text, &end, 10);
    return *text != '\0' && *end == '\0';
}

}  // namespace

int main(int argc, char** argv) {
    unsigned long transactions = 100000, seed = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--transactions" && i + 1 < argc && parse_count(argv[i + 1], transactions)) {
            ++i;
        } else if (arg == "--seed" && i + 1 < argc && parse_count(argv[i + 1], seed)) {
            ++i;
        } else {
            std::fprintf(stderr, "usage: soak [--transactions N] [--seed S]\n");
            return 2;
        }
    }

    sim::ReaderModel model;
    sim::PtySimulator pty{model};
    sim::FaultPlan plan{seed};
    // Rules are tried in order, each with its own draw: scale each so that it fires with its
    // share of all replies.
    double left = 1.0;
    for (const FaultShare& f : kShares) {
        sim::FaultRule rule;
        rule.kind = f.kind;
        rule.probability = f.share / left;
        rule.delay_ms = f.kind == FaultKind::split ? 20 : 100;
        left -= f.share;
        plan.add(rule);
    }
    std::mutex mutex;
    std::optional<FaultKind> fired;
    unsigned long answered = 0;
    plan.set_observer([&](const sim::Request&, std::optional<FaultKind> kind) {
        std::lock_guard lock(mutex);
        fired = kind;
        ++answered;
    });
    if (!pty.start()) {
        std::fprintf(stderr, "soak: %s\n", pty.error().c_str());
        return 1;
    }
    pty.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });
    ::setenv("KESTREL_COM1", pty.slave_path().c_str(), 1);
    if (const int code = LinkCom(kReader, 0, 115200); code != KESTREL_OK) {
        std::fprintf(stderr, "soak: LinkCom failed with %d\n", code);
        return 1;
    }

    std::map<int, unsigned long> by_result;
    std::map<std::string, unsigned long> by_fault;
    unsigned long mismatches = 0, recoveries = 0;
    bool failed_before = false;
    const char* previous = "none";  // the fault of the transaction before
    std::mt19937 pick(static_cast<std::uint32_t>(seed));
    const auto started = std::chrono::steady_clock::now();
    auto complain = [&](unsigned long n, const char* what, const Export& e, int code, std::optional<FaultKind> f) {
        if (++mismatches <= 20)
            std::fprintf(stderr, "soak: transaction %lu (%s, fault %s, result %d, after %s): %s\n", n, e.name,
                         f ? sim::fault_kind_name(*f) : "none", code, previous, what);
    };

    for (unsigned long n = 0; n < transactions; ++n) {
        const Export& e = kExports[pick() % std::size(kExports)];
        sim::ReaderSettings settings;
        pty.with_responder([&](sim::Responder&) {
            mark(model.settings, static_cast<std::uint32_t>(n));
            settings = model.settings;
        });
        unsigned long heard_before;
        {
            std::lock_guard lock(mutex);
            fired.reset();
            heard_before = answered;
        }
        Guarded out(e.size);
        const int code = e.call(out.data());
        std::optional<FaultKind> fault;
        bool heard;
        {
            std::lock_guard lock(mutex);
            fault = fired;
            heard = answered == heard_before + 1;
        }
        ++by_result[code];
        ++by_fault[fault ? sim::fault_kind_name(*fault) : "none"];
        if (!heard) complain(n, "the reader did not answer exactly once", e, code, fault);
        if (code != expected_code(fault)) complain(n, "unexpected result", e, code, fault);
        if (!out.guards_intact()) complain(n, "a guard byte was overwritten", e, code, fault);
        if (code == KESTREL_OK) {
            const auto want = e.expected(settings);
            if (std::memcmp(out.data(), want.data(), want.size()) != 0)
                complain(n, "the copied reply is not this transaction's reply", e, code, fault);
            if (failed_before) ++recoveries;
        }
        failed_before = code != KESTREL_OK;
        previous = fault ? sim::fault_kind_name(*fault) : "none";
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    UnLinkCom();
    pty.stop();

    std::printf("soak: %lu transactions in %.1f s, seed %lu, %lu failures recovered without reopening\n",
                transactions, seconds, seed, recoveries);
    std::printf("faults fired:");
    for (const auto& [name, count] : by_fault) std::printf(" %s=%lu", name.c_str(), count);
    std::printf("\nresults:");
    for (const auto& [code, count] : by_result) std::printf(" %d=%lu", code, count);
    std::printf("\nmismatches: %lu\n", mismatches);
    return mismatches == 0 ? 0 : 1;
}
