// Helpers for tests that talk to the reader model directly or through the library's link.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "link/session.h"
#include "sim/reader_model.h"

namespace kestrel::test {

using Bytes = std::vector<std::uint8_t>;

// Concatenates byte lists: cat({1, 2}, data, {3}).
inline Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

inline Bytes hex(const std::string& text) {
    Bytes out;
    std::string digits;
    for (char c : text)
        if (std::isxdigit(static_cast<unsigned char>(c))) digits += c;
    for (std::size_t i = 0; i + 1 < digits.size(); i += 2) out.push_back(std::stoi(digits.substr(i, 2), nullptr, 16));
    return out;
}

// Answers one command in-process, the way the responder would.
inline sim::Reply call(sim::ReaderModel& model, std::uint8_t command, const Bytes& data = {}) {
    return model.handle(sim::Request{model.number(), command, data});
}

// One transaction through the library's link session (a link must be open).
struct Exchange {
    int link = -1;
    std::uint8_t status = 0;
    Bytes data;
};

inline Exchange transact(std::uint8_t address, std::uint8_t command, const Bytes& data = {}) {
    auto& s = link::session();
    s.address = address;
    s.command = command;
    s.request_length = static_cast<std::uint8_t>(data.size());
    std::copy(data.begin(), data.end(), s.request_data.begin());
    Exchange e;
    e.link = link::Link_Transact();
    if (e.link == 0) {
        e.status = s.reader_status;
        const std::size_t n = std::min<std::size_t>(s.reply_length, s.reply_data.size());
        e.data.assign(s.reply_data.begin(), s.reply_data.begin() + static_cast<std::ptrdiff_t>(n));
    }
    return e;
}

}  // namespace kestrel::test
