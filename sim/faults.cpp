#include "sim/faults.h"

#include <array>
#include <cctype>
#include <cerrno>
#include <cstdlib>

#include "link/frame.h"

namespace kestrel::sim {

namespace {

constexpr std::array<const char*, 10> kNames{"drop",  "delay",           "corrupt_check", "other_address",
                                             "wrong_echo", "trailing", "split", "oversize_length",
                                             "noise", "disconnect"};

// The oversize reply claims one byte more than the host's reply area holds.
constexpr std::size_t kOversize = link::kDataCapacity + 1;

// A reply frame with every field given, stuffed for the wire, in `wire` (its storage reused).
// Its check byte is the right one with `check_flip` XORed in. With `length` above the data's
// size, the frame declares that length and zeros make up the rest (a zero needs no stuffing
// and does not change a check).
void frame(std::vector<std::uint8_t>& wire, std::uint8_t address, std::uint8_t echo, std::uint8_t status,
           std::span<const std::uint8_t> data, std::size_t length, std::uint8_t check_flip = 0) {
    length = std::max(length, data.size());
    const std::array<std::uint8_t, 5> head{address, echo, status, static_cast<std::uint8_t>(length >> 8),
                                           static_cast<std::uint8_t>(length)};
    const std::uint8_t check = link::check_of(data, link::check_of(head)) ^ check_flip;
    // Room for every byte doubled, so the stuffing never reallocates; the zeros are written
    // here, whatever the buffer held before.
    wire.assign(2 + 2 * (head.size() + data.size() + 1) + (length - data.size()) + 2, 0);
    std::size_t n = 0;
    const auto put = [&](std::uint8_t b) {
        wire[n++] = b;
        if (b == link::kDle) wire[n++] = b;
    };
    wire[n++] = link::kDle;
    wire[n++] = link::kSoh;
    for (std::uint8_t b : head) put(b);
    for (std::uint8_t b : data) put(b);
    n += length - data.size();  // the zeros
    put(check);
    wire[n++] = link::kDle;
    wire[n++] = link::kStx;
    wire.resize(n);
}

}  // namespace

bool parse_number(const std::string& text, long min, long max, long& out) {
    // Decimal, or hex after 0x; a leading zero does not make it octal ("010" is ten).
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* digits = text.c_str() + (hex ? 2 : 0);
    if (*digits == '\0' || !std::isxdigit(static_cast<unsigned char>(*digits))) return false;
    char* end = nullptr;
    errno = 0;
    out = std::strtol(digits, &end, hex ? 16 : 10);
    return errno == 0 && *end == '\0' && out >= min && out <= max;
}

std::optional<FaultKind> fault_kind_by_name(const std::string& name) {
    for (std::size_t i = 0; i < kNames.size(); ++i)
        if (name == kNames[i]) return static_cast<FaultKind>(i);
    return std::nullopt;
}

const char* fault_kind_name(FaultKind kind) { return kNames[static_cast<std::size_t>(kind)]; }

bool set_fault_field(FaultRule& rule, const std::string& key, const std::string& value, std::string& error) {
    long n = 0;
    if (key == "command") {
        if (!parse_number(value, 0, 255, n)) return error = "command must be 0..255, not '" + value + "'", false;
        rule.command = static_cast<int>(n);
    } else if (key == "probability") {
        char* end = nullptr;
        const double p = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(p >= 0 && p <= 1))  // NaN compares false
            return error = "probability must be 0..1, not '" + value + "'", false;
        rule.probability = p;
    } else if (key == "count" || key == "delay_ms" || key == "pieces") {
        if (!parse_number(value, key == "pieces" ? 2 : 0, 60000, n))
            return error = key + " takes a number, not '" + value + "'", false;
        (key == "count" ? rule.count : key == "delay_ms" ? rule.delay_ms : rule.pieces) = static_cast<unsigned>(n);
    } else if (key == "address") {
        if (!parse_number(value, 0, 255, n)) return error = "address must be 0..255, not '" + value + "'", false;
        rule.address = static_cast<int>(n);
    } else if (key == "bytes") {
        rule.bytes.clear();
        std::string digits;
        for (char c : value)
            if (c != ' ') digits += c;
        if (digits.size() % 2) return error = "bytes must be hex pairs, not '" + value + "'", false;
        for (std::size_t i = 0; i < digits.size(); i += 2) {
            if (!parse_number("0x" + digits.substr(i, 2), 0, 255, n)) return error = "bytes must be hex, not '" + value + "'", false;
            rule.bytes.push_back(static_cast<std::uint8_t>(n));
        }
    } else {
        return error = "unknown fault setting '" + key + "'", false;
    }
    return true;
}

bool parse_fault(const std::string& text, FaultRule& rule, std::string& error) {
    rule = FaultRule{};
    std::size_t pos = text.find(',');
    const std::string name = text.substr(0, pos);
    auto kind = fault_kind_by_name(name);
    if (!kind) return error = "unknown fault '" + name + "'", false;
    rule.kind = *kind;
    while (pos != std::string::npos) {
        const std::size_t next = text.find(',', pos + 1);
        const std::string item = text.substr(pos + 1, next == std::string::npos ? std::string::npos : next - pos - 1);
        const std::size_t eq = item.find('=');
        if (eq == std::string::npos) return error = "fault setting '" + item + "' needs key=value", false;
        if (!set_fault_field(rule, item.substr(0, eq), item.substr(eq + 1), error)) return false;
        pos = next;
    }
    return true;
}

Transmission FaultPlan::apply(const Request& request, Transmission t) {
    std::optional<FaultKind> fired;
    Transmission out = rewrite(request, std::move(t), fired);
    if (observer_) observer_(request, fired);
    return out;
}

Transmission FaultPlan::rewrite(const Request& request, Transmission t, std::optional<FaultKind>& fired) {
    FaultRule* rule = nullptr;
    for (FaultRule& r : rules_) {
        if (r.command >= 0 && r.command != request.command) continue;
        if (r.count && r.fired >= r.count) continue;
        if (r.probability < 1.0 && std::uniform_real_distribution<double>(0.0, 1.0)(rng_) >= r.probability) continue;
        rule = &r;
        break;
    }
    if (!rule || t.empty()) return t;
    ++rule->fired;
    ++injected_;
    fired = rule->kind;
    const auto delay = std::chrono::milliseconds(rule->delay_ms);
    // Dropping and delaying leave the frame as it is: no need to take it apart.
    if (rule->kind == FaultKind::drop) {
        t.clear();
        return t;
    }
    if (rule->kind == FaultKind::delay) {
        t.front().delay += delay;
        return t;
    }

    // An answer is one chunk when it comes from the responder; only a reshaped one has more.
    // The answer is rewritten in the first chunk's buffer.
    const std::size_t first = t.front().bytes.size();
    std::vector<std::uint8_t> wire = std::move(t.front().bytes);
    for (std::size_t i = 1; i < t.size(); ++i) wire.insert(wire.end(), t[i].bytes.begin(), t[i].bytes.end());
    // The rewritten answer: one chunk sent at once, in the transmission that came in.
    auto one = [&t, &wire]() {
        t.resize(1);
        t.front().delay = std::chrono::milliseconds(0);
        t.front().hang_up = false;
        t.front().bytes = std::move(wire);
        return std::move(t);
    };
    static constexpr std::array<std::uint8_t, 3> kTrailing{0x00, 0x55, 0xAA};
    static constexpr std::array<std::uint8_t, 3> kNoise{0x55, 0xAA, 0x00};
    const auto or_default = [&rule](std::span<const std::uint8_t> fallback) {
        return rule->bytes.empty() ? fallback : std::span<const std::uint8_t>(rule->bytes);
    };

    // The faults that add to, cut or pace the bytes leave the frame itself alone.
    switch (rule->kind) {
    case FaultKind::trailing: {
        const auto extra = or_default(kTrailing);
        wire.insert(wire.end(), extra.begin(), extra.end());
        return one();
    }
    case FaultKind::noise: {
        const auto noise = or_default(kNoise);
        wire.insert(wire.begin(), noise.begin(), noise.end());
        return one();
    }
    case FaultKind::split: {
        const std::size_t n = std::max<std::size_t>(2, rule->pieces);
        const std::size_t step = (wire.size() + n - 1) / n;
        t.clear();
        for (std::size_t i = 0; i < wire.size(); i += step) {
            const std::size_t end = std::min(wire.size(), i + step);
            t.push_back(Chunk{t.empty() ? std::chrono::milliseconds(0) : delay,
                              std::vector<std::uint8_t>(wire.begin() + static_cast<std::ptrdiff_t>(i),
                                                        wire.begin() + static_cast<std::ptrdiff_t>(end))});
        }
        return t;
    }
    case FaultKind::disconnect: {
        // Mid-reply: the header and some of the frame, never all of it.
        wire.resize(std::max<std::size_t>(1, wire.size() / 2));
        Transmission out = one();
        out.front().hang_up = true;
        return out;
    }
    default:
        break;
    }

    // The others rebuild the frame field by field, so take it apart first. The data cannot be
    // longer than the frame that carries it; the buffer is the plan's, kept from one answer
    // to the next.
    if (scratch_.size() < wire.size()) scratch_.resize(wire.size());
    link::ReplyFrame f;
    if (link::decode_reply_frame(wire, request.command, scratch_, f) != 0) {
        // Not a reply frame: it goes out as it came in.
        fired.reset();
        wire.resize(first);
        t.front().bytes = std::move(wire);
        return t;
    }
    // The data lives in the plan's buffer from here on, so the frame may be rewritten.
    const std::span<const std::uint8_t> data(scratch_.data(), f.length);
    switch (rule->kind) {
    case FaultKind::corrupt_check:
        frame(wire, f.address, f.echo, f.status, data, data.size(), 0x01);
        break;
    case FaultKind::other_address: {
        const auto from = static_cast<std::uint8_t>(rule->address >= 0 ? rule->address : (f.address + 1) % 0xFF);
        frame(wire, from, f.echo, f.status, data, data.size());
        break;
    }
    case FaultKind::wrong_echo: {
        const auto echo = static_cast<std::uint8_t>(f.echo + 1);
        frame(wire, f.address, echo, f.status, data, data.size());
        break;
    }
    case FaultKind::oversize_length:
        // The data as it was, then zeros up to one byte more than the host can hold.
        frame(wire, f.address, f.echo, f.status, data, kOversize);
        break;
    default:
        break;  // dropping, delaying and the byte faults are dealt with above
    }
    return one();
}

}  // namespace kestrel::sim
