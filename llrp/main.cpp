// kestrel-llrp: each configured reader as an LLRP 1.0.1 reader on a TCP port of its own.
//
//   kestrel-llrp --reader dock1=tcp://192.168.1.200:5084 --port 5084
//                --reader dock2=serial:///dev/ttyUSB0 --port 5085 [--bind 0.0.0.0]
//
//   kestrel-llrp --config /etc/kestrel-gateway/gateway.toml
//
// --config takes the gateway's configuration file: every [[readers]] entry with an
// `llrp_port` is served. Prints "llrp ID ADDR:PORT" for each reader once it listens (port 0:
// a free port).
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "kestrel/reader.h"
#include "llrp/server.h"
#ifdef KESTREL_LLRP_GATEWAY_CONFIG
#include "gateway/config.h"
#endif

namespace {

volatile std::sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

void usage(std::FILE* out) {
    std::fputs(
        "usage: kestrel-llrp [--config FILE] [--reader ID=URI --port N ...] [--bind ADDR]\n"
        "  --config FILE    the gateway's configuration: its readers that have an llrp_port\n"
        "  --reader ID=URI  a reader by its kestrel URI (serial:..., tcp://HOST:PORT, usb:N)\n"
        "  --port N         the LLRP port of the reader named just before (0: a free port)\n"
        "  --bind ADDR      the IPv4 address the LLRP ports listen on (default 127.0.0.1)\n",
        out);
}

struct ReaderArg {
    std::string id, uri;
    long port = -1;
};

}  // namespace

int main(int argc, char** argv) {
    std::vector<ReaderArg> readers;
    std::string bind = "127.0.0.1";
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "kestrel-llrp: %s needs a value\n", a.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (a == "--help" || a == "-h") {
            usage(stdout);
            return 0;
        } else if (a == "--reader") {
            const std::string v = value();
            const auto eq = v.find('=');
            if (eq == std::string::npos || eq == 0 || eq + 1 == v.size()) {
                std::fprintf(stderr, "kestrel-llrp: --reader takes ID=URI, not '%s'\n", v.c_str());
                return 2;
            }
            for (const ReaderArg& r : readers)
                if (r.id == v.substr(0, eq)) {
                    std::fprintf(stderr, "kestrel-llrp: reader '%s' named twice\n", r.id.c_str());
                    return 2;
                }
            readers.push_back({v.substr(0, eq), v.substr(eq + 1)});
        } else if (a == "--port") {
            const std::string v = value();
            char* end = nullptr;
            const long p = std::strtol(v.c_str(), &end, 10);
            if (readers.empty() || readers.back().port >= 0) {
                std::fprintf(stderr, "kestrel-llrp: each --port follows its --reader\n");
                return 2;
            }
            if (v.empty() || *end || p < 0 || p > 65535) {
                std::fprintf(stderr, "kestrel-llrp: --port takes 0 to 65535, not '%s'\n", v.c_str());
                return 2;
            }
            readers.back().port = p;
        } else if (a == "--config") {
            const std::string file = value();
#ifdef KESTREL_LLRP_GATEWAY_CONFIG
            try {
                const auto config = kestrel::gateway::load_config(file);
                std::size_t served = 0;
                for (const auto& r : config.readers) {
                    if (r.llrp_port < 0) continue;
                    for (const ReaderArg& other : readers)
                        if (other.id == r.id) {
                            std::fprintf(stderr, "kestrel-llrp: reader '%s' named twice\n", r.id.c_str());
                            return 2;
                        }
                    readers.push_back({r.id, r.uri, r.llrp_port});
                    ++served;
                }
                if (!served) {
                    std::fprintf(stderr, "kestrel-llrp: %s: no reader has an llrp_port\n", file.c_str());
                    return 2;
                }
            } catch (const kestrel::gateway::ConfigError& e) {
                std::fprintf(stderr, "kestrel-llrp: %s\n", e.what());
                return 2;
            }
#else
            std::fprintf(stderr, "kestrel-llrp: built without the gateway's configuration reader (--config %s)\n",
                         file.c_str());
            return 2;
#endif
        } else if (a == "--bind") {
            bind = value();
        } else {
            std::fprintf(stderr, "kestrel-llrp: unknown option '%s'\n", a.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (readers.empty()) {
        usage(stderr);
        return 2;
    }
    for (const ReaderArg& r : readers)
        if (r.port < 0) {
            std::fprintf(stderr, "kestrel-llrp: reader '%s' has no --port\n", r.id.c_str());
            return 2;
        }

    std::signal(SIGINT, on_signal);
    std::signal(SIGTERM, on_signal);
    std::signal(SIGPIPE, SIG_IGN);

    std::vector<std::unique_ptr<kestrel::llrp::Endpoint>> endpoints;
    for (const ReaderArg& r : readers) {
        auto port = std::make_unique<kestrel::llrp::KestrelPort>(r.uri);
        if (const std::int32_t result = port->open(); result != 0)
            std::fprintf(stderr, "kestrel-llrp: reader '%s' (%s) does not answer yet: %s; retrying when used\n",
                         r.id.c_str(), r.uri.c_str(), kestrel_result_string(result));
        auto e = std::make_unique<kestrel::llrp::Endpoint>(
            kestrel::llrp::EndpointOptions{r.id, bind, static_cast<std::uint16_t>(r.port)}, std::move(port));
        if (!e->listen()) {
            std::fprintf(stderr, "kestrel-llrp: reader '%s': %s\n", r.id.c_str(), e->error().c_str());
            return 1;
        }
        std::printf("llrp %s %s:%u\n", r.id.c_str(), bind.c_str(), static_cast<unsigned>(e->port()));
        endpoints.push_back(std::move(e));
    }
    std::fflush(stdout);
    for (auto& e : endpoints) e->start();
    while (!g_stop) ::pause();
    for (auto& e : endpoints) e->stop();
    return 0;
}
