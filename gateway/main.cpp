// kestrel-gateway: runs in the foreground until SIGTERM or SIGINT.
//   kestrel-gateway --config FILE [--log-level debug|info|warn|error] [--check]
#include <signal.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "gateway/config.h"
#include "gateway/gateway.h"
#include "gateway/http_server.h"
#include "gateway/log.h"
#include "gateway/mqtt_publisher.h"

using namespace kestrel::gateway;

namespace {

void usage(std::FILE* out) {
    std::fputs("usage: kestrel-gateway --config FILE [--log-level LEVEL] [--check]\n"
               "Continuous inventory on the readers FILE names, tag presence events, an event store\n"
               "and an HTTP API with a live web page.\n"
               "  --config FILE      the TOML configuration\n"
               "  --log-level LEVEL  debug, info (default), warn or error\n"
               "  --check            check the configuration and exit (0: valid, 2: not)\n"
               "  --version          print the version and exit\n",
               out);
}

}  // namespace

int main(int argc, char** argv) {
    std::string config_file;
    bool check_only = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--config" && i + 1 < argc) {
            config_file = argv[++i];
        } else if (arg == "--log-level" && i + 1 < argc) {
            const auto level = log_level_from_name(argv[++i]);
            if (!level) {
                std::fprintf(stderr, "kestrel-gateway: unknown log level %s (debug, info, warn, error)\n", argv[i]);
                return 2;
            }
            set_log_level(*level);
        } else if (arg == "--check") {
            check_only = true;
        } else if (arg == "--version") {
            std::printf("kestrel-gateway (kestrel) %s\n", KESTREL_VERSION);
            return 0;
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else {
            std::fprintf(stderr, "kestrel-gateway: unknown argument %s\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }
    if (config_file.empty()) {
        usage(stderr);
        return 2;
    }
    GatewayConfig config;
    try {
        config = load_config(config_file);
    } catch (const ConfigError& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    if (check_only) {
        std::printf("%s: valid, %zu readers\n", config_file.c_str(), config.readers.size());
        return 0;
    }

    // The signals are taken by this thread alone (sigwait below); every thread started from
    // here on inherits the mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    try {
        // With a broker, events are stored undelivered until it acknowledges them.
        Gateway gateway(config, Gateway::Options{.track_delivery = config.mqtt.enabled});
        std::unique_ptr<MqttPublisher> mqtt;
        if (config.mqtt.enabled) {
            mqtt = std::make_unique<MqttPublisher>(gateway, config.mqtt);
            gateway.add_publisher("mqtt", [&] { return mqtt->metrics(); }, [&] { return mqtt->status_json(); });
        }
        HttpServer http(gateway);
        if (!http.bind()) {
            log_error("http", "cannot listen on " + config.listen + " port " + std::to_string(config.port));
            return 1;
        }
        log_info("gateway", config.id + ": " + std::to_string(config.readers.size()) + " readers, store " +
                                config.store_path + (config.token.empty() ? ", state changes disabled (no token)" : ""));
        if (mqtt) mqtt->start();
        gateway.start();
        http.start();
        log_info("http", "listening on " + http.url());
        int signal_number = 0;
        sigwait(&stop_signals, &signal_number);
        log_info("gateway", std::string("stopping (") + (signal_number == SIGINT ? "SIGINT" : "SIGTERM") + ")");
        http.stop();
        gateway.stop();
        if (mqtt) mqtt->stop();  // after the readers, so their last events are published too
        log_info("gateway", "readers closed, store flushed");
    } catch (const StoreError& e) {
        log_error("store", e.what());
        return 1;
    }
    return 0;
}
