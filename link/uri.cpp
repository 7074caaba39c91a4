#include "link/uri.h"

#include <cstring>
#include <string_view>

namespace kestrel::link {
namespace {

// A decimal number no larger than `most`: digits only (at most ten), no sign, no spaces.
bool parse_number(std::string_view text, std::uint64_t most, std::uint64_t& value) {
    if (text.empty() || text.size() > 10) return false;
    value = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    return value <= most;
}

bool copy_text(std::string_view text, char* out, std::size_t capacity) {
    if (text.empty() || text.size() >= capacity) return false;
    for (const char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    std::memcpy(out, text.data(), text.size());
    out[text.size()] = '\0';
    return true;
}

bool parse_baud(std::string_view text, std::int32_t& baud) {
    std::uint64_t v = 0;
    if (!parse_number(text, 115200, v)) return false;
    if (v != 9600 && v != 19200 && v != 38400 && v != 57600 && v != 115200) return false;
    baud = static_cast<std::int32_t>(v);
    return true;
}

// The query: name=value pairs joined by '&'; each name at most once.
bool parse_query(std::string_view query, ReaderUri& out) {
    bool seen_address = false;
    bool seen_baud = false;
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view{} : query.substr(amp + 1);
        if (amp != std::string_view::npos && query.empty()) return false;  // a trailing '&'
        const std::size_t eq = pair.find('=');
        if (eq == std::string_view::npos) return false;
        const std::string_view name = pair.substr(0, eq);
        const std::string_view value = pair.substr(eq + 1);
        std::uint64_t v = 0;
        if (name == "address" && !seen_address) {
            if (!parse_number(value, 255, v)) return false;
            out.address = static_cast<std::uint8_t>(v);
            seen_address = true;
        } else if (name == "baud" && !seen_baud && out.transport == Transport::serial) {
            if (!parse_baud(value, out.baud)) return false;
            seen_baud = true;
        } else {
            return false;
        }
    }
    return true;
}

// "COM1".."COM10" (any case) as index 0..9.
bool parse_com_name(std::string_view text, std::uint32_t& index) {
    if (text.size() < 4 || text.size() > 5) return false;
    for (std::size_t i = 0; i < 3; ++i)
        if ((text[i] | 0x20) != "com"[i]) return false;
    std::uint64_t n = 0;
    if (!parse_number(text.substr(3), kMaxSerialPortIndex + 1, n) || n == 0 || text[3] == '0') return false;
    index = static_cast<std::uint32_t>(n - 1);
    return true;
}

bool parse_serial(std::string_view rest, ReaderUri& out) {
    out.transport = Transport::serial;
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);  // serial:///dev/x: an empty authority, then the path
        if (!rest.starts_with('/')) return false;
    }
    if (rest.empty()) return false;
    if (rest.front() == '/') return copy_text(rest, out.device, sizeof out.device);
    return parse_com_name(rest, out.port_index);
}

bool parse_tcp(std::string_view rest, ReaderUri& out) {
    out.transport = Transport::tcp;
    if (!rest.starts_with("//")) return false;
    rest.remove_prefix(2);
    std::string_view host;
    if (rest.starts_with('[')) {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos) return false;
        host = rest.substr(1, close - 1);
        if (host.find_first_not_of("0123456789abcdefABCDEF:.") != std::string_view::npos) return false;
        rest.remove_prefix(close + 1);
    } else {
        const std::size_t colon = rest.find(':');
        if (colon == std::string_view::npos) return false;
        host = rest.substr(0, colon);
        if (host.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ.-") !=
            std::string_view::npos)
            return false;
        rest.remove_prefix(colon);
    }
    if (!rest.starts_with(':')) return false;
    rest.remove_prefix(1);
    std::uint64_t port = 0;
    const std::string_view digits = rest.substr(0, rest.find('/') == std::string_view::npos ? rest.size() : rest.find('/'));
    if (digits.size() != rest.size() && rest.substr(digits.size()) != "/") return false;
    if (!parse_number(digits, 65535, port) || port == 0) return false;
    out.tcp_port = static_cast<std::uint16_t>(port);
    return copy_text(host, out.host, sizeof out.host);
}

bool parse_usb(std::string_view rest, ReaderUri& out) {
    out.transport = Transport::usb;
    if (rest.empty()) return true;
    std::uint64_t n = 0;
    if (!parse_number(rest, 255, n)) return false;
    out.usb_index = static_cast<std::uint32_t>(n);
    return true;
}

}  // namespace

bool parse_reader_uri(const char* text, ReaderUri& out) {
    if (text == nullptr) return false;
    const std::size_t length = strnlen(text, kMaxUri + 1);
    if (length > kMaxUri) return false;
    out = ReaderUri{};
    std::string_view uri(text, length);
    const std::size_t q = uri.find('?');
    const std::string_view query = q == std::string_view::npos ? std::string_view{} : uri.substr(q + 1);
    if (q != std::string_view::npos && query.empty()) return false;
    uri = uri.substr(0, q);

    bool ok = false;
    if (uri.starts_with("serial:")) ok = parse_serial(uri.substr(7), out);
    else if (uri.starts_with("tcp:")) ok = parse_tcp(uri.substr(4), out);
    else if (uri.starts_with("usb:")) ok = parse_usb(uri.substr(4), out);
    return ok && parse_query(query, out);
}

}  // namespace kestrel::link
