// Bounded reading of a request's data bytes, shared by every command handler.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace kestrel::sim {

class RequestView {
public:
    explicit RequestView(std::span<const std::uint8_t> data) : data_(data) {}

    std::size_t size() const { return data_.size(); }
    // A byte, or 0 past the end (callers check sizes first where it matters).
    std::uint8_t u8(std::size_t i) const { return i < data_.size() ? data_[i] : 0; }
    std::uint16_t u16(std::size_t i) const {
        return static_cast<std::uint16_t>(u8(i) << 8 | u8(i + 1));
    }
    // `count` bytes from `offset`, clipped to what the request holds.
    std::span<const std::uint8_t> bytes(std::size_t offset, std::size_t count) const {
        if (offset >= data_.size()) return {};
        return data_.subspan(offset, std::min(count, data_.size() - offset));
    }
    std::vector<std::uint8_t> copy(std::size_t offset, std::size_t count) const {
        auto s = bytes(offset, count);
        return {s.begin(), s.end()};
    }

private:
    std::span<const std::uint8_t> data_;
};

// A length-prefixed reply body: the count byte, then the bytes (at most 255).
inline std::vector<std::uint8_t> length_prefixed(std::span<const std::uint8_t> bytes) {
    std::vector<std::uint8_t> out;
    const std::size_t n = std::min<std::size_t>(bytes.size(), 255);
    out.reserve(n + 1);
    out.push_back(static_cast<std::uint8_t>(n));
    out.insert(out.end(), bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n));
    return out;
}

}  // namespace kestrel::sim
