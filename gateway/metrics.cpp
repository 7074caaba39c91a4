#include "gateway/metrics.h"

#include <charconv>
#include <system_error>

namespace kestrel::gateway {
namespace {

// The shortest text that reads back as the same double: 0.0005, not 0.00050000000000000001.
std::string number(double value) {
    char text[64];
    const auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::general);
    return ec == std::errc() ? std::string(text, end) : std::string("NaN");
}

}  // namespace

std::string escape_label(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '"') out += "\\\"";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

void LatencyHistogram::observe(double seconds) {
    for (std::size_t i = 0; i < bounds.size(); ++i)
        if (seconds <= bounds[i]) ++buckets_[i];
    ++count_;
    sum_ += seconds;
}

void LatencyHistogram::write(std::string& out, std::string_view name, std::string_view help) const {
    metric_header(out, name, "histogram", help);
    const std::string bucket = std::string(name) + "_bucket";
    for (std::size_t i = 0; i < bounds.size(); ++i)
        metric_sample(out, bucket, "le=\"" + number(bounds[i]) + "\"", static_cast<double>(buckets_[i]));
    metric_sample(out, bucket, "le=\"+Inf\"", static_cast<double>(count_));
    metric_sample(out, std::string(name) + "_sum", "", sum_);
    metric_sample(out, std::string(name) + "_count", "", static_cast<double>(count_));
}

void metric_header(std::string& out, std::string_view name, std::string_view type, std::string_view help) {
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

void metric_sample(std::string& out, std::string_view name, std::string_view labels, double value) {
    out += name;
    if (!labels.empty()) {
        out += '{';
        out += labels;
        out += '}';
    }
    out += ' ';
    out += number(value);
    out += '\n';
}

}  // namespace kestrel::gateway
