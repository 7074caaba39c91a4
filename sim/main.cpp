// readersim: a simulated reader on a pseudo-terminal.
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "sim/pty_simulator.h"
#include "sim/reader_model.h"

namespace {

volatile sig_atomic_t g_stop = 0;
void on_signal(int) { g_stop = 1; }

void usage(std::FILE* to) {
    std::fprintf(to,
                 "usage: readersim [--link PATH] [--address N]\n"
                 "\n"
                 "Simulates the reader on a pseudo-terminal and prints the terminal's path.\n"
                 "  --link PATH    also make PATH a symlink to the terminal (e.g. /tmp/kestrel-com1)\n"
                 "  --address N    the reader's device number, 0..255 (default 1; 0x.. for hex)\n"
                 "  --help         this text\n"
                 "\n"
                 "Point the library at it with KESTREL_COM1=PATH and connect to COM1.\n"
                 "Stops on SIGINT or SIGTERM.\n");
}

}  // namespace

int main(int argc, char** argv) {
    std::string link_path;
    long address = 1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* {
            if (i + 1 >= argc) {
                std::fprintf(stderr, "readersim: %s needs a value\n", arg.c_str());
                std::exit(2);
            }
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--link") {
            link_path = value();
        } else if (arg == "--address") {
            const char* text = value();
            char* end = nullptr;
            address = std::strtol(text, &end, 0);
            if (*text == '\0' || *end != '\0' || address < 0 || address > 255) {
                std::fprintf(stderr, "readersim: --address takes a number from 0 to 255, not '%s'\n", text);
                return 2;
            }
        } else {
            std::fprintf(stderr, "readersim: unknown option '%s'\n", arg.c_str());
            usage(stderr);
            return 2;
        }
    }

    kestrel::sim::ReaderModel model;
    model.set_number(static_cast<std::uint8_t>(address));
    kestrel::sim::PtySimulator pty(model);
    if (!pty.start(link_path)) {
        std::fprintf(stderr, "readersim: %s\n", pty.error().c_str());
        return 1;
    }
    std::printf("%s\n", pty.slave_path().c_str());
    if (!link_path.empty()) std::printf("linked at %s\n", link_path.c_str());
    std::fflush(stdout);

    struct sigaction sa {};
    sa.sa_handler = on_signal;
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    while (!g_stop) ::pause();
    pty.stop();
    return 0;
}
