// Benchmarks of a transaction at the wire limit: the library against the simulated reader,
// each result set beside what the wire alone takes. Prints one table (see bench/run).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "bench/handle_bench.h"
#include "bench/measure.h"
#include "bench/reader_process.h"
#include "kestrel.h"
#include "link/frame.h"
#include "link/pause.h"
#include "link/serial_engine.h"
#include "link/serial_port.h"
#include "link/session.h"
#include "sim/faults.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"
#include "sim/scenario.h"
#include "sim/usb/usb_double.h"

// The libusb double answers bulk transfers with the reader model, which allocates; those
// allocations are the double's, not the library's, and are left out of the count.
extern "C" {
int __real_usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout);
int __real_usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout);
int __wrap_usb_bulk_write(usb_dev_handle* dev, int ep, const char* bytes, int size, int timeout) {
    kestrel::bench::UncountedScope double_at_work;
    return __real_usb_bulk_write(dev, ep, bytes, size, timeout);
}
int __wrap_usb_bulk_read(usb_dev_handle* dev, int ep, char* bytes, int size, int timeout) {
    kestrel::bench::UncountedScope double_at_work;
    return __real_usb_bulk_read(dev, ep, bytes, size, timeout);
}
}

namespace kestrel::bench {

namespace {

constexpr int kReader = 1;
constexpr int kComPort = 0;  // COM1, pointed at the simulator through KESTREL_COM1
constexpr int kUsbPort = KESTREL_PORT_USB;
constexpr int kTagCount = 1000;

// A 32-word (64-byte) read of the first tag's user memory: bank 3, word address 0.
constexpr std::array<std::uint8_t, 4> kRead64 = {0x03, 0x00, 0x00, 0x20};

std::string g_scenario_file;

// Fills the table row of a benchmark from its samples; `costs` says whether CPU time and
// allocations were measured (not for the first-byte pickup, which is a delay only).
void report(benchmark::State& state, const std::vector<Sample>& samples, bool costs = true) {
    std::vector<double> wall, cpu, model, ratio, host;
    double allocations = 0;
    for (const Sample& s : samples) {
        wall.push_back(s.wall_us);
        cpu.push_back(s.cpu_us);
        host.push_back(s.wall_us - s.model_us);
        if (s.model_us > 0) {
            model.push_back(s.model_us);
            ratio.push_back(s.wall_us / s.model_us);
        }
        allocations = std::max(allocations, static_cast<double>(s.allocations));
    }
    state.counters["n"] = static_cast<double>(samples.size());
    state.counters["wall_p50_ms"] = quantile(wall, 0.5) / 1000;
    if (!model.empty()) {
        state.counters["model_ms"] = quantile(model, 0.5) / 1000;
        state.counters["ratio_p50"] = quantile(ratio, 0.5);
    }
    state.counters["host_p50_us"] = quantile(host, 0.5);
    state.counters["host_p99_us"] = quantile(host, 0.99);
    if (!costs) return;
    state.counters["cpu_p50_us"] = quantile(cpu, 0.5);
    state.counters["cpu_p99_us"] = quantile(cpu, 0.99);
    state.counters["allocs_max"] = allocations;
}

// A serial link to readersim pacing at `baud`, open for the life of the object.
class SerialReader {
public:
    explicit SerialReader(std::uint32_t baud) {
        if (!process_.start(KESTREL_READERSIM, g_scenario_file, baud)) {
            error_ = process_.error();
            return;
        }
        ::setenv("KESTREL_COM1", process_.terminal().c_str(), 1);
        if (const int code = LinkCom(kReader, kComPort, static_cast<std::int32_t>(baud)); code != KESTREL_OK)
            error_ = "LinkCom returned " + std::to_string(code);
    }
    ~SerialReader() { UnLinkCom(); }
    const std::string& error() const { return error_; }

private:
    ReaderProcess process_;
    std::string error_;
};

// Each iteration is one transaction made by `call`, set against the wire-time model.
void serial_transactions(benchmark::State& state, const std::function<int()>& call) {
    const auto baud = static_cast<std::uint32_t>(state.range(0));
    SerialReader reader(baud);
    if (!reader.error().empty()) return state.SkipWithError(reader.error().c_str());
    std::vector<Sample> samples;
    samples.reserve(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state) {
        int result = 0;
        Sample s = measure(call, result);
        if (result != KESTREL_OK) return state.SkipWithError(("transaction returned " + std::to_string(result)).c_str());
        s.model_us = serial_model_us(last_reply_wire_bytes(), baud);
        samples.push_back(s);
    }
    report(state, samples);
}

// The two transactions every path is measured with: the probe, and a 64-byte read.
int probe() { return Link_Reader(kReader); }
int read64() {
    static std::array<std::uint8_t, link::kDataCapacity> data{};
    std::array<std::uint8_t, 4> request = kRead64;
    return EPC_Read_TAG(kReader, request.data(), data.data());
}

void BM_SerialProbe(benchmark::State& state) { serial_transactions(state, probe); }
void BM_SerialRead64(benchmark::State& state) { serial_transactions(state, read64); }

// Inventory of 1,000 tags, then the whole tag list paged through in blocks as large as the
// reader sends; one iteration is the lot, set against the sum of its transactions' models.
void BM_SerialTagList(benchmark::State& state) {
    const auto baud = static_cast<std::uint32_t>(state.range(0));
    SerialReader reader(baud);
    if (!reader.error().empty()) return state.SkipWithError(reader.error().c_str());
    std::array<std::uint8_t, link::kDataCapacity> block{};
    std::vector<Sample> samples;
    int transactions = 0;
    for (auto _ : state) {
        double model_us = 0;
        int records = 0, total = -1, code = KESTREL_OK;
        transactions = 0;
        auto run = [&] {
            code = EPC_Query_ON(kReader);
            if (code != KESTREL_OK) return code;
            model_us += serial_model_us(last_reply_wire_bytes(), baud);
            ++transactions;
            for (int mode = 0; total < 0 || records < total; mode = 2) {
                code = EPC_Read_Tag_List(kReader, mode, 255, block.data());
                if (code != KESTREL_OK) return code;
                model_us += serial_model_us(last_reply_wire_bytes(), baud);
                ++transactions;
                total = block[2] << 8 | block[3];
                if (block[4] == 0) break;
                records += block[4];
            }
            return KESTREL_OK;
        };
        int result = 0;
        Sample s = measure(run, result);
        if (result != KESTREL_OK || records != kTagCount)
            return state.SkipWithError(("paging stopped: result " + std::to_string(result) + " after " +
                                        std::to_string(records) + " records").c_str());
        s.model_us = model_us;
        samples.push_back(s);
    }
    state.SetLabel(std::to_string(transactions) + " transactions per run");
    report(state, samples);
}

// A serial port that notes when the first reply byte reached the library.
class PickupPort final : public link::SerialPort {
public:
    explicit PickupPort(link::SerialPort& inner) : inner_(inner) {}
    int write(const std::uint8_t* b, int n) override {
        waiting_ = true;
        return inner_.write(b, n);
    }
    int read(std::uint8_t* b, int n) override {
        const int got = inner_.read(b, n);
        if (got > 0 && waiting_) {
            first_byte_ = Clock::now();
            waiting_ = false;
        }
        return got;
    }
    void purge() override { inner_.purge(); }
    void expect(int count) override { inner_.expect(count); }
    Clock::time_point first_byte() const { return first_byte_; }

private:
    link::SerialPort& inner_;
    bool waiting_ = false;
    Clock::time_point first_byte_{};
};

// How long after the reader starts its reply the library has the first byte: the simulator's
// front end (the one readersim runs) notes when the reply leaves, the port when it arrived.
void BM_FirstBytePickup(benchmark::State& state) {
    const auto baud = static_cast<std::uint32_t>(state.range(0));
    sim::ReaderModel model;
    sim::FaultPlan plan;
    std::string error;
    if (!sim::load_scenario(generated_scenario(1), model, plan, error)) return state.SkipWithError(error.c_str());
    sim::PtySimulator pty(model);
    std::atomic<Clock::rep> reply_leaves{0};
    pty.with_responder([&](sim::Responder& r) {
        r.set_shaper([&](const sim::Request&, sim::Transmission t) {
            reply_leaves = Clock::now().time_since_epoch().count();
            return t;
        });
    });
    pty.set_pacing(baud);
    if (!pty.start()) return state.SkipWithError(pty.error().c_str());
    ::setenv("KESTREL_COM1", pty.slave_path().c_str(), 1);
    if (LinkCom(kReader, kComPort, static_cast<std::int32_t>(baud)) != KESTREL_OK)
        return state.SkipWithError("LinkCom failed");
    // The link LinkCom opened is set aside, and a link over the pick-up port that wraps its
    // port stands in for it.
    link::LinkSession& s = link::session();
    auto* real = static_cast<link::SerialLink*>(s.link);
    const bool owned = s.owns_link;
    PickupPort port(real->port());
    s.link = nullptr;
    s.attach(new link::SerialLink(port, link::serial_settings_for_rate(static_cast<std::int32_t>(baud)), false), true);
    std::vector<Sample> samples;
    for (auto _ : state) {
        const int code = Link_Reader(kReader);
        if (code != KESTREL_OK) {
            state.SkipWithError("probe failed");
            break;
        }
        const Clock::time_point left{Clock::duration(reply_leaves.load())};
        Sample sample;
        sample.wall_us = since_us(left, port.first_byte());
        samples.push_back(sample);
    }
    s.close_link();  // the stand-in only: the pick-up port is not closed
    s.link = real;
    s.owns_link = owned;
    UnLinkCom();
    pty.stop();
    if (!samples.empty()) report(state, samples, false);
}

// The 6 ms pause after the leading DLE on its own.
void BM_LeadingDlePause(benchmark::State& state) {
    std::vector<Sample> samples;
    for (auto _ : state) {
        int result = 0;
        Sample s = measure([] { link::leading_dle_pause(link::kLeadingDleGapMs); return 0; }, result);
        s.model_us = link::kLeadingDleGapMs * 1000.0;
        samples.push_back(s);
    }
    report(state, samples);
}

// One sample of `call` an iteration, for the paths with no wire to model; stops at the first
// failed transaction. `between` runs after each good one.
std::vector<Sample> host_time_samples(benchmark::State& state, const std::function<int()>& call,
                                      const std::function<void()>& between = {}) {
    std::vector<Sample> samples;
    samples.reserve(static_cast<std::size_t>(state.max_iterations));
    for (auto _ : state) {
        int result = 0;
        samples.push_back(measure(call, result));
        if (result != KESTREL_OK) {
            state.SkipWithError(("transaction returned " + std::to_string(result)).c_str());
            break;
        }
        if (between) between();
    }
    return samples;
}

// The USB path through the libusb double: no wire to model, so all of it is host time
// (the library's and the double's, which answers from the reader model in-process).
void usb_transactions(benchmark::State& state, const std::function<int()>& call) {
    auto& usb = sim::usb::UsbDouble::instance();
    usb.reset();
    sim::FaultPlan plan;
    std::string error;
    if (!sim::load_scenario(generated_scenario(1), usb.model(), plan, error)) return state.SkipWithError(error.c_str());
    if (LinkCom(kReader, kUsbPort, 0) != KESTREL_OK) return state.SkipWithError("USB LinkCom failed");
    const std::vector<Sample> samples = host_time_samples(state, call, [&usb] { usb.clear_calls(); });
    UnLinkCom();
    link::session().transport = link::Transport::serial;
    if (!samples.empty()) report(state, samples);
}

// The network path: readersim's TCP front end on a loopback port. There is no wire to model
// (no leading-DLE pause, no baud rate), so all of it is host time: the library's, the
// loopback's and the simulator's.
void tcp_transactions(benchmark::State& state, const std::function<int()>& call) {
    ReaderProcess process;
    if (!process.start_tcp(KESTREL_READERSIM, g_scenario_file)) return state.SkipWithError(process.error().c_str());
    if (const int code = TCP_LinkCom(kReader, process.tcp_port(), "127.0.0.1"); code != KESTREL_OK)
        return state.SkipWithError(("TCP_LinkCom returned " + std::to_string(code)).c_str());
    const std::vector<Sample> samples = host_time_samples(state, call);
    UnLinkCom();
    if (!samples.empty()) report(state, samples);
}

// Collects every run and prints one table at the end.
class TableReporter : public benchmark::BenchmarkReporter {
public:
    bool ReportContext(const Context&) override { return true; }

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            // The sample count has its own column.
            std::string name = run.benchmark_name();
            if (const auto at = name.find("/iterations:"); at != std::string::npos) name.erase(at);
            if (!run.report_label.empty()) name += " (" + run.report_label + ")";
            if (run.error_occurred) name += " FAILED: " + run.error_message;
            std::fprintf(stderr, "done: %s\n", name.c_str());
            rows_.push_back({name, run.counters});
        }
    }

    void Finalize() override {
        static const struct {
            const char* counter;
            const char* heading;
            const char* format;
        } columns[] = {
            {"n", "n", "%.0f"},
            {"wall_p50_ms", "wall p50 ms", "%.3f"},
            {"model_ms", "model ms", "%.3f"},
            {"ratio_p50", "ratio p50", "%.3f"},
            {"host_p50_us", "host p50 µs", "%.1f"},
            {"host_p99_us", "host p99 µs", "%.1f"},
            {"cpu_p50_us", "CPU p50 µs", "%.1f"},
            {"cpu_p99_us", "CPU p99 µs", "%.1f"},
            {"allocs_max", "allocs", "%.0f"},
            {"tx_per_s", "tx/s", "%.0f"},
            {"scaling", "÷ N×one", "%.2f"},
            {"cancel_p50_ms", "cancel p50 ms", "%.2f"},
            {"cancel_p99_ms", "cancel p99 ms", "%.2f"},
        };
        std::string out = "| benchmark |";
        std::string rule = "|---|";
        for (const auto& c : columns) {
            out += std::string(" ") + c.heading + " |";
            rule += "---:|";
        }
        out += "\n" + rule + "\n";
        for (const auto& [name, counters] : rows_) {
            out += "| " + name + " |";
            for (const auto& c : columns) {
                const auto it = counters.find(c.counter);
                char cell[32] = "–";
                if (it != counters.end()) std::snprintf(cell, sizeof cell, c.format, it->second.value);
                out += std::string(" ") + cell + " |";
            }
            out += "\n";
        }
        std::fputs(out.c_str(), stdout);
        std::fflush(stdout);
    }

private:
    std::vector<std::pair<std::string, benchmark::UserCounters>> rows_;
};

}  // namespace
}  // namespace kestrel::bench

int main(int argc, char** argv) {
    using namespace kestrel::bench;
    // The allocation count is only worth its zero when the hook sees allocations at all.
    start_counting_allocations();
    delete new volatile int(0);
    if (stop_counting_allocations() == 0) {
        std::fputs("kestrel_bench: the allocation hook is not in place\n", stderr);
        return 1;
    }
    // The scenario readersim loads, written once for the whole run.
    char dir[] = "/tmp/kestrel-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) return 1;
    g_scenario_file = std::string(dir) + "/tags1000.json";
    std::ofstream(g_scenario_file) << generated_scenario(kTagCount);

    using benchmark::RegisterBenchmark;
    RegisterBenchmark("pause/leading_dle_6ms", BM_LeadingDlePause)->Iterations(500);
    RegisterBenchmark("serial/probe", BM_SerialProbe)->Arg(9600)->Iterations(300);
    RegisterBenchmark("serial/probe", BM_SerialProbe)->Arg(115200)->Iterations(500);
    RegisterBenchmark("serial/read64", BM_SerialRead64)->Arg(9600)->Iterations(150);
    RegisterBenchmark("serial/read64", BM_SerialRead64)->Arg(115200)->Iterations(500);
    RegisterBenchmark("serial/first_byte_pickup", BM_FirstBytePickup)->Arg(115200)->Iterations(300);
    RegisterBenchmark("serial/tag_list_1000", BM_SerialTagList)->Arg(115200)->Iterations(5);
    RegisterBenchmark("usb/probe", usb_transactions, probe)->Iterations(2000);
    RegisterBenchmark("usb/read64", usb_transactions, read64)->Iterations(2000);
    RegisterBenchmark("tcp/probe", tcp_transactions, probe)->Iterations(2000);
    RegisterBenchmark("tcp/read64", tcp_transactions, read64)->Iterations(2000);
    register_handle_benchmarks();

    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TableReporter table;
    benchmark::RunSpecifiedBenchmarks(&table);
    benchmark::Shutdown();
    std::remove(g_scenario_file.c_str());
    ::rmdir(dir);
    return 0;
}
