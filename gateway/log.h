// The gateway's log: one line per event of interest on stderr, "LEVEL component: message".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kestrel::gateway {

enum class LogLevel { debug, info, warn, error, off };

std::optional<LogLevel> log_level_from_name(std::string_view name);
void set_log_level(LogLevel level);
bool log_enabled(LogLevel level);
// Writes the line whole (lines from several threads never interleave).
void log(LogLevel level, std::string_view component, std::string_view message);

inline void log_debug(std::string_view c, std::string_view m) { log(LogLevel::debug, c, m); }
inline void log_info(std::string_view c, std::string_view m) { log(LogLevel::info, c, m); }
inline void log_warn(std::string_view c, std::string_view m) { log(LogLevel::warn, c, m); }
inline void log_error(std::string_view c, std::string_view m) { log(LogLevel::error, c, m); }

}  // namespace kestrel::gateway
