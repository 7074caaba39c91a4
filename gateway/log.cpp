#include "gateway/log.h"

#include <unistd.h>

#include <atomic>
#include <mutex>

namespace kestrel::gateway {
namespace {

std::atomic<LogLevel> g_level{LogLevel::info};
std::mutex g_mutex;

constexpr std::string_view names[] = {"debug", "info", "warn", "error", "off"};
constexpr std::string_view labels[] = {"DEBUG", "INFO", "WARN", "ERROR", "OFF"};

}  // namespace

std::optional<LogLevel> log_level_from_name(std::string_view name) {
    for (std::size_t i = 0; i < std::size(names); ++i)
        if (names[i] == name) return static_cast<LogLevel>(i);
    return std::nullopt;
}

void set_log_level(LogLevel level) { g_level = level; }

bool log_enabled(LogLevel level) { return level != LogLevel::off && level >= g_level.load(); }

void log(LogLevel level, std::string_view component, std::string_view message) {
    if (!log_enabled(level)) return;
    std::string line;
    line.reserve(message.size() + component.size() + 10);
    line += labels[static_cast<int>(level)];
    line += ' ';
    line += component;
    line += ": ";
    // One event, one line: a message never breaks the line structure.
    for (char c : message) line += (c == '\n' || c == '\r') ? ' ' : c;
    line += '\n';
    std::lock_guard lock(g_mutex);
    std::size_t done = 0;
    while (done < line.size()) {
        const ssize_t n = ::write(STDERR_FILENO, line.data() + done, line.size() - done);
        if (n <= 0) break;
        done += static_cast<std::size_t>(n);
    }
}

}  // namespace kestrel::gateway
