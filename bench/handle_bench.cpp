// Reader handles: aggregate transactions per second of N handles in parallel, each to its own
// simulated reader over TCP (the simulator's network front end, in this process, on loopback),
// set against N times the rate of one; cancel latency; allocations per handle transaction.
#include "bench/handle_bench.h"

#include <array>
#include <atomic>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "bench/measure.h"
#include "kestrel.h"
#include "kestrel/reader.h"
#include "sim/faults.h"
#include "sim/reader_model.h"
#include "sim/tcp_simulator.h"

namespace kestrel::bench {
namespace {

struct TcpReader {
    // `answer_ms`: every reply goes out that long after its request (0: at once).
    explicit TcpReader(unsigned answer_ms = 0) : tcp(model) {
        if (answer_ms == 0) return;
        sim::FaultRule slow;
        slow.kind = sim::FaultKind::delay;
        slow.delay_ms = answer_ms;
        plan.add(slow);
    }
    sim::FaultPlan plan;
    sim::ReaderModel model;
    sim::TcpSimulator tcp;
    kestrel_reader* handle = nullptr;
    ~TcpReader() {
        kestrel_close(handle);
        tcp.stop();
    }
    bool open() {
        tcp.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });
        if (!tcp.start()) return false;
        const std::string uri = "tcp://127.0.0.1:" + std::to_string(tcp.port()) + "?address=1";
        return kestrel_open(uri.c_str(), &handle) == KESTREL_OK;
    }
};

// Transactions per second of one handle, from the N = 1 run, by the readers' answer time.
std::map<unsigned, double> g_single_rate;

// One iteration: every handle makes `calls` ReadDeviceNo calls on its own thread. range(0) is
// N, range(1) the readers' answer time in ms (0: the simulator answers at once, and the run
// measures how far the machine's cores carry the library and N simulators; 2: a reader that
// takes 2 ms, as a real one does, so the handles mostly wait and should scale).
void BM_HandlesInParallel(benchmark::State& state) {
    const auto n = static_cast<std::size_t>(state.range(0));
    const auto answer_ms = static_cast<unsigned>(state.range(1));
    const int calls = answer_ms == 0 ? 300 : 100;
    std::vector<std::unique_ptr<TcpReader>> readers;
    for (std::size_t i = 0; i < n; ++i) {
        readers.push_back(std::make_unique<TcpReader>(answer_ms));
        if (!readers.back()->open()) return state.SkipWithError("a simulated reader did not open");
    }
    std::vector<double> rates;
    for (auto _ : state) {
        std::atomic<int> failures{0};
        std::vector<std::thread> threads;
        const auto t0 = Clock::now();
        for (auto& r : readers) {
            threads.emplace_back([&failures, calls, h = r->handle] {
                for (int k = 0; k < calls; ++k) {
                    std::uint8_t number = 0;
                    if (kestrel_ReadDeviceNo(h, &number, 1, nullptr) != KESTREL_OK || number != 1) ++failures;
                }
            });
        }
        for (auto& t : threads) t.join();
        const double seconds = since_us(t0, Clock::now()) / 1e6;
        if (failures != 0) return state.SkipWithError("a transaction failed");
        rates.push_back(static_cast<double>(n) * calls / seconds);
    }
    const double rate = quantile(rates, 0.5);
    if (n == 1) g_single_rate[answer_ms] = rate;
    state.counters["n"] = static_cast<double>(rates.size());
    state.counters["tx_per_s"] = rate;
    if (g_single_rate[answer_ms] > 0)
        state.counters["scaling"] = rate / (static_cast<double>(n) * g_single_rate[answer_ms]);
}

// A handle waiting for a reply that never comes; another thread cancels it. One sample: from
// kestrel_cancel to the call's return.
void BM_CancelLatency(benchmark::State& state) {
    sim::FaultPlan plan;
    sim::FaultRule silent;
    silent.kind = sim::FaultKind::drop;
    silent.command = 0x05;
    plan.add(silent);
    TcpReader reader;
    if (!reader.open()) return state.SkipWithError("the simulated reader did not open");
    reader.tcp.with_responder([&](sim::Responder& r) { r.set_shaper(plan.shaper()); });
    std::vector<double> latency;
    for (auto _ : state) {
        std::atomic<bool> started{false};
        Clock::time_point returned;
        int code = 0;
        std::thread call([&] {
            std::array<std::uint8_t, 22> info{};
            started = true;
            code = kestrel_GetDeviceInfo(reader.handle, info.data(), info.size(), nullptr);
            returned = Clock::now();
        });
        while (!started) std::this_thread::yield();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));  // well into the first-byte wait
        const auto cancelled = Clock::now();
        kestrel_cancel(reader.handle);
        call.join();
        if (code != KESTREL_E_CANCELLED) return state.SkipWithError("the call was not cancelled");
        latency.push_back(since_us(cancelled, returned));
        // The next call drains the first-byte wait's margin first: let it pass outside the count.
        std::uint8_t number = 0;
        kestrel_ReadDeviceNo(reader.handle, &number, 1, nullptr);
    }
    state.counters["n"] = static_cast<double>(latency.size());
    state.counters["cancel_p50_ms"] = quantile(latency, 0.5) / 1000;
    state.counters["cancel_p99_ms"] = quantile(latency, 0.99) / 1000;
}

// One handle transaction (a 22-byte GetDeviceInfo) measured on the calling thread.
void BM_HandleTransaction(benchmark::State& state) {
    TcpReader reader;
    if (!reader.open()) return state.SkipWithError("the simulated reader did not open");
    std::vector<double> wall, cpu;
    double allocations = 0;
    for (auto _ : state) {
        std::array<std::uint8_t, 22> info{};
        int result = 0;
        const Sample s =
            measure([&] { return kestrel_GetDeviceInfo(reader.handle, info.data(), info.size(), nullptr); }, result);
        if (result != KESTREL_OK) return state.SkipWithError("the transaction failed");
        wall.push_back(s.wall_us);
        cpu.push_back(s.cpu_us);
        allocations = std::max(allocations, static_cast<double>(s.allocations));
    }
    state.counters["n"] = static_cast<double>(wall.size());
    state.counters["host_p50_us"] = quantile(wall, 0.5);
    state.counters["host_p99_us"] = quantile(wall, 0.99);
    state.counters["cpu_p50_us"] = quantile(cpu, 0.5);
    state.counters["cpu_p99_us"] = quantile(cpu, 0.99);
    state.counters["allocs_max"] = allocations;
}

}  // namespace

void register_handle_benchmarks() {
    using benchmark::RegisterBenchmark;
    for (int answer_ms : {0, 2})
        for (int n : {1, 4, 16, 32})
            RegisterBenchmark("handles/tcp_parallel", BM_HandlesInParallel)
                ->Args({n, answer_ms})
                ->Iterations(5)
                ->UseRealTime();
    RegisterBenchmark("handles/cancel", BM_CancelLatency)->Iterations(200)->UseRealTime();
    RegisterBenchmark("handles/tcp_device_info", BM_HandleTransaction)->Iterations(2000)->UseRealTime();
}

}  // namespace kestrel::bench
