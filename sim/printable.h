// Text from the command line or a file, made safe to print in a message: valid UTF-8 is kept,
// control characters and bytes that are not UTF-8 become \xNN.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

namespace kestrel::sim {

inline std::string printable(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    auto escape = [&](unsigned char b) {
        char hex[5];
        std::snprintf(hex, sizeof hex, "\\x%02X", b);
        out += hex;
    };
    for (std::size_t i = 0; i < text.size();) {
        const auto b = static_cast<unsigned char>(text[i]);
        std::size_t length = 0;
        if (b >= 0x20 && b < 0x7F) length = 1;
        else if (b >= 0xC2 && b <= 0xDF) length = 2;
        else if (b >= 0xE0 && b <= 0xEF) length = 3;
        else if (b >= 0xF0 && b <= 0xF4) length = 4;
        bool valid = length != 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (valid && length == 3) {
            const auto second = static_cast<unsigned char>(text[i + 1]);
            valid = !(b == 0xE0 && second < 0xA0) && !(b == 0xED && second >= 0xA0);  // overlong, surrogate
        }
        if (valid && length == 4) {
            const auto second = static_cast<unsigned char>(text[i + 1]);
            valid = !(b == 0xF0 && second < 0x90) && !(b == 0xF4 && second >= 0x90);
        }
        if (!valid) {
            escape(b);
            ++i;
            continue;
        }
        out.append(text.substr(i, length));
        i += length;
    }
    return out;
}

}  // namespace kestrel::sim
