// Prometheus text exposition: counters and gauges by label, and a latency histogram.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kestrel::gateway {

// Label values escaped as the text format wants them (backslash, quote, newline).
std::string escape_label(std::string_view value);

// A fixed-bucket histogram of seconds. Not thread-safe: the owner locks.
class LatencyHistogram {
public:
    static constexpr std::array<double, 12> bounds = {0.0005, 0.001, 0.002, 0.005, 0.01, 0.02,
                                                      0.05,   0.1,   0.25,  0.5,   1.0,  2.5};
    void observe(double seconds);
    // "# HELP", "# TYPE" and the bucket, sum and count lines of `name`.
    void write(std::string& out, std::string_view name, std::string_view help) const;
    std::uint64_t count() const { return count_; }

private:
    std::array<std::uint64_t, bounds.size()> buckets_{};
    std::uint64_t count_ = 0;
    double sum_ = 0;
};

// Appends the HELP and TYPE lines of a metric family.
void metric_header(std::string& out, std::string_view name, std::string_view type, std::string_view help);
// Appends one sample: name{label="value",...} value
void metric_sample(std::string& out, std::string_view name, std::string_view labels, double value);

}  // namespace kestrel::gateway
