#include "bench/reader_process.h"

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

extern char** environ;

namespace kestrel::bench {

int free_port() {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    socklen_t n = sizeof a;
    ::getsockname(s, reinterpret_cast<sockaddr*>(&a), &n);
    ::close(s);
    return ntohs(a.sin_port);
}

bool port_open(int port) {
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_port = htons(static_cast<std::uint16_t>(port));
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool ok = ::connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    ::close(s);
    return ok;
}

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& log_file) {
    stop();
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log_file.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    const int rc = ::posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) pid_ = -1;
    return rc == 0;
}

int ChildProcess::stop(int signal) {
    if (pid_ <= 0) return -1;
    ::kill(pid_, signal);
    for (int i = 0; i < 250; ++i) {
        if (::waitpid(pid_, &status_, WNOHANG) == pid_) {
            pid_ = -1;
            return status_;
        }
        ::usleep(20'000);
    }
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, &status_, 0);
    pid_ = -1;
    return status_;
}

bool ChildProcess::running() {
    if (pid_ <= 0) return false;
    if (::waitpid(pid_, &status_, WNOHANG) != pid_) return true;
    pid_ = -1;
    return false;
}

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

std::string reader_scenario(int reader, int tags) {
    std::string scenario = R"({"reader": {"address": 1, "reader_chip": true}, "tags": [)";
    for (int t = 0; t < tags; ++t) {
        char epc[32];
        std::snprintf(epc, sizeof epc, "E200%04X%04X", reader, t);
        scenario += std::string(t ? "," : "") + R"({"standard": "epc", "epc": ")" + epc + "\"}";
    }
    return scenario + "]}\n";
}

bool ReaderProcess::start(const std::string& program, const std::string& scenario_file, std::uint32_t baud) {
    terminal_ = spawn(program, {"--pace", std::to_string(baud), "--scenario", scenario_file});
    return !terminal_.empty();
}

bool ReaderProcess::start_tcp(const std::string& program, const std::string& scenario_file, int port) {
    // It prints "tcp ADDR:PORT" once it listens.
    const std::string line = spawn(program, {"--tcp", std::to_string(port), "--no-pty", "--scenario", scenario_file});
    const auto colon = line.rfind(':');
    if (line.rfind("tcp ", 0) != 0 || colon == std::string::npos) {
        stop();
        if (error_.empty()) error_ = program + " did not report its TCP port";
        return false;
    }
    tcp_port_ = std::atoi(line.c_str() + colon + 1);
    return tcp_port_ > 0;
}

std::string ReaderProcess::spawn(const std::string& program, const std::vector<std::string>& args) {
    stop();
    error_.clear();
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) {
        error_ = "no pipe";
        return {};
    }
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
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
        return {};
    }
    // The first line it prints (the terminal's path, or its TCP address), once it answers.
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
        error_ = program + " did not say where it answers";
        return {};
    }
    return line;
}

void ReaderProcess::stop() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        int status = 0;
        ::waitpid(pid_, &status, 0);
    }
    pid_ = -1;
    terminal_.clear();
    tcp_port_ = -1;
}

}  // namespace kestrel::bench
