// readersim: a simulated reader on a pseudo-terminal, on a TCP port, or both.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "sim/faults.h"
#include "sim/printable.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"
#include "sim/scenario.h"
#include "sim/tcp_simulator.h"

using kestrel::sim::printable;

namespace {

volatile sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: readersim [options]\n"
                 "\n"
                 "Simulates the reader on a pseudo-terminal and prints the terminal's path; with\n"
                 "--tcp also (or, with --no-pty, only) on a TCP port, as a reader's network module,\n"
                 "and prints \"tcp ADDR:PORT\". Without --scenario it starts with the built-in\n"
                 "default scenario: a few tags of each standard (EPC, GB, GJB).\n"
                 "\n"
                 "  --link PATH        also make PATH a symlink to the terminal (e.g. /tmp/kestrel-com1)\n"
                 "  --tcp PORT         also serve the reader on TCP PORT (0: a free port, printed);\n"
                 "                     one client at a time, the next one waits (a client silent\n"
                 "                     for 10 s gives way to a waiting one)\n"
                 "  --tcp-bind ADDR    the IPv4 address the TCP port listens on (default 127.0.0.1)\n"
                 "  --no-pty           no pseudo-terminal: TCP only (needs --tcp)\n"
                 "  --scenario FILE    reader settings, tags and faults from a JSON scenario file\n"
                 "  --empty            no scenario: factory settings and no tags\n"
                 "  --print-scenario   print the built-in default scenario and exit\n"
                 "  --address N        the reader's device number, 0..254 (default 1; 0x.. for hex);\n"
                 "                     overrides the scenario's\n"
                 "  --pace BAUD        send replies at the wire rate of BAUD (10 bits a byte)\n"
                 "  --fault FAULT      inject a fault; repeatable. FAULT is KIND[,key=value...], KIND one of\n"
                 "                     drop, delay, corrupt_check, other_address, wrong_echo, trailing,\n"
                 "                     split, oversize_length, noise, disconnect; keys: command (code the fault\n"
                 "                     applies to; default every command), probability (0..1, default 1),\n"
                 "                     count (times it fires; default no limit), delay_ms, pieces,\n"
                 "                     bytes (hex), address. Example: --fault drop,command=0x22,probability=0.3\n"
                 "  --seed N           seed of the fault probabilities (default: the scenario's, or 1)\n"
                 "  --help             this text\n"
                 "  --version          print the version and exit\n"
                 "\n"
                 "Point the library at it with KESTREL_COM1=PATH and connect to COM1, or call\n"
                 "TCP_LinkCom(1, PORT, \"127.0.0.1\").\n"
                 "Stops on SIGINT or SIGTERM.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::string link_path, scenario_path, tcp_bind = "127.0.0.1";
    bool empty = false, no_pty = false;
    long address = -1, pace = 0, seed = -1, tcp_port = -1;
    std::vector<kestrel::sim::FaultRule> faults;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "readersim: %s needs a value\n", printable(arg).c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--version") {
            std::printf("readersim (kestrel) %s\n", KESTREL_VERSION);
            return 0;
        } else if (arg == "--print-scenario") {
            std::fputs(kestrel::sim::default_scenario().c_str(), stdout);
            return 0;
        } else if (arg == "--link") {
            link_path = value();
        } else if (arg == "--tcp") {
            const char* text = value();
            if (!kestrel::sim::parse_number(text, 0, 65535, tcp_port)) {
                std::fprintf(stderr, "readersim: --tcp takes a port from 0 to 65535, not '%s'\n", printable(text).c_str());
                return 2;
            }
        } else if (arg == "--tcp-bind") {
            tcp_bind = value();
        } else if (arg == "--no-pty") {
            no_pty = true;
        } else if (arg == "--scenario") {
            scenario_path = value();
        } else if (arg == "--empty") {
            empty = true;
        } else if (arg == "--address") {
            const char* text = value();
            if (!kestrel::sim::parse_number(text, 0, 254, address)) {
                std::fprintf(stderr, "readersim: --address takes a number from 0 to 254, not '%s'\n", printable(text).c_str());
                return 2;
            }
        } else if (arg == "--pace") {
            const char* text = value();
            if (!kestrel::sim::parse_number(text, 300, 4000000, pace)) {
                std::fprintf(stderr, "readersim: --pace takes a rate in bits per second, not '%s'\n", printable(text).c_str());
                return 2;
            }
        } else if (arg == "--seed") {
            const char* text = value();
            if (!kestrel::sim::parse_number(text, 0, 0x7FFFFFFF, seed)) {
                std::fprintf(stderr, "readersim: --seed takes a number, not '%s'\n", printable(text).c_str());
                return 2;
            }
        } else if (arg == "--fault") {
            kestrel::sim::FaultRule rule;
            std::string error;
            if (!kestrel::sim::parse_fault(value(), rule, error)) {
                std::fprintf(stderr, "readersim: --fault: %s\n", printable(error).c_str());
                return 2;
            }
            faults.push_back(rule);
        } else {
            std::fprintf(stderr, "readersim: unknown option '%s'\n", printable(arg).c_str());
            usage(stderr);
            return 2;
        }
    }
    if (empty && !scenario_path.empty()) {
        std::fprintf(stderr, "readersim: --empty and --scenario exclude each other\n");
        return 2;
    }
    if (no_pty && tcp_port < 0) {
        std::fprintf(stderr, "readersim: --no-pty needs --tcp PORT\n");
        return 2;
    }
    if (no_pty && !link_path.empty()) {
        std::fprintf(stderr, "readersim: --link names the pseudo-terminal, which --no-pty turns off\n");
        return 2;
    }

    kestrel::sim::ReaderModel model;
    kestrel::sim::FaultPlan plan;
    std::string error;
    if (!scenario_path.empty()) {
        if (!kestrel::sim::load_scenario_file(scenario_path, model, plan, error)) {
            std::fprintf(stderr, "readersim: %s\n", printable(error).c_str());
            return 1;
        }
    } else if (!empty && !kestrel::sim::load_scenario(kestrel::sim::default_scenario(), model, plan, error)) {
        std::fprintf(stderr, "readersim: built-in scenario: %s\n", error.c_str());
        return 1;
    }
    if (address >= 0) model.set_number(static_cast<std::uint8_t>(address));
    if (seed >= 0) plan.seed(static_cast<std::uint64_t>(seed));
    for (auto& rule : faults) plan.add(rule);

    // Both front ends answer from the one model, one exchange at a time.
    std::mutex model_lock;
    kestrel::sim::PtySimulator pty(model, model_lock);
    kestrel::sim::TcpSimulator tcp(model, model_lock);
    if (!plan.rules().empty()) {
        pty.with_responder([&](kestrel::sim::Responder& r) { r.set_shaper(plan.shaper()); });
        tcp.with_responder([&](kestrel::sim::Responder& r) { r.set_shaper(plan.shaper()); });
    }
    if (pace) pty.set_pacing(static_cast<std::uint32_t>(pace));
    if (!no_pty && !pty.start(link_path)) {
        std::fprintf(stderr, "readersim: %s\n", printable(pty.error()).c_str());
        return 1;
    }
    if (tcp_port >= 0 && !tcp.start(tcp_bind, static_cast<std::uint16_t>(tcp_port))) {
        std::fprintf(stderr, "readersim: %s\n", printable(tcp.error()).c_str());
        return 1;
    }
    if (!no_pty) std::printf("%s\n", pty.slave_path().c_str());
    if (!link_path.empty()) std::printf("linked at %s\n", link_path.c_str());
    if (tcp_port >= 0) std::printf("tcp %s:%u\n", tcp.bind_address().c_str(), static_cast<unsigned>(tcp.port()));
    std::fflush(stdout);
    unsigned counts[3] = {};
    for (const auto& t : model.field.tags) ++counts[static_cast<int>(t.standard)];
    std::fprintf(stderr, "readersim: reader %u, %u EPC, %u GB and %u GJB tags, %zu fault rule(s)\n",
                 static_cast<unsigned>(model.number()), counts[0], counts[1], counts[2], plan.rules().size());

    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    while (!g_stop) ::pause();
    tcp.stop();
    pty.stop();
    return 0;
}
