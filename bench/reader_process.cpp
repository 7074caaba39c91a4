#include "bench/reader_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <vector>

extern char** environ;

namespace kestrel::bench {

std::string generated_scenario(int tags) {
    std::string json = R"({"reader": {"address": 1, "reader_chip": true}, "tags": [)";
    char line[200];
    for (int i = 0; i < tags; ++i) {
        std::snprintf(line, sizeof line, R"(%s{"standard": "epc", "epc": "3000 E200 6811 0000 %08X")",
                      i ? ",\n" : "\n", static_cast<unsigned>(i + 1));
        json += line;
        if (i == 0) {
            json += R"(, "user": ")";
            for (int b = 0; b < 64; ++b) {
                std::snprintf(line, sizeof line, "%02X", b);
                json += line;
            }
            json += '"';
        }
        json += '}';
    }
    json += "\n]}\n";
    return json;
}

bool ReaderProcess::start(const std::string& program, const std::string& scenario_file, std::uint32_t baud) {
    stop();
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "no pipe";
        return false;
    }
    const std::string pace = std::to_string(baud);
    std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("--pace"),
                               const_cast<char*>(pace.c_str()), const_cast<char*>("--scenario"),
                               const_cast<char*>(scenario_file.c_str()), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = ::posix_spawn(&pid_, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(out[1]);
    if (spawned != 0) {
        pid_ = -1;
        ::close(out[0]);
        error_ = "cannot start " + program;
        return false;
    }
    // The first line it prints is the terminal's path, once it answers.
    std::string line;
    char c = 0;
    while (line.size() < 256) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0 || ::read(out[0], &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    ::close(out[0]);
    if (c != '\n' || line.empty()) {
        stop();
        error_ = program + " did not report its terminal";
        return false;
    }
    terminal_ = line;
    return true;
}

void ReaderProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    terminal_.clear();
}

}  // namespace kestrel::bench
