#include "sim/tag_model.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "sim/command.h"

namespace kestrel::sim {

namespace {

constexpr std::array<StandardInfo, kStandards> kInfo{{
    {Standard::epc, "epc", 0x20, 0xE2, kStatusTagErrorEpc, 1, true, 4},
    {Standard::gb, "gb", 0x40, 0xE0, kStatusTagErrorGb, 2, false, kGbAreas},
    {Standard::gjb, "gjb", 0x60, 0xE1, kStatusTagErrorGb, 2, false, 4},
}};

std::size_t index_of(Standard s) { return static_cast<std::size_t>(s); }

std::uint16_t crc16_gen2(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes) {
        crc ^= static_cast<std::uint16_t>(b << 8);
        for (int i = 0; i < 8; ++i) crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

// Sets `k` to what a reader keeps from the factory; the password list keeps its storage.
void set_default_keeps(Standard s, ReaderKeeps& k) {
    k.select = SelectParams{};
    k.select.area = 1;  // EPC bank, or GB/GJB coding area
    k.select.time = s == Standard::epc ? 20 : 10;
    k.passwords.assign(s == Standard::epc ? 2 : s == Standard::gb ? 2 * kGbAreas : 4, Password{});
}

}  // namespace

const StandardInfo& standard_info(Standard s) { return kInfo[index_of(s)]; }

bool standard_by_name(const std::string& name, Standard& out) {
    for (const auto& i : kInfo)
        if (name == i.name) {
            out = i.id;
            return true;
        }
    return false;
}

// ---- tags ----

Tag Tag::blank(Standard s) {
    Tag t;
    t.standard = s;
    // Areas of the given sizes in words; each area moves into place (a braced list would
    // copy every one).
    const auto sized = [&](std::initializer_list<std::size_t> words) {
        t.areas.reserve(words.size() + (s == Standard::gb ? 16 : 0));
        for (std::size_t n : words) t.areas.emplace_back(2 * n, 0);
    };
    switch (s) {
    case Standard::epc:
        sized({4, 10, 6, 32});
        t.locks = {{0, 0, 2}, {0, 2, 2}, {1}, {2}, {3}};
        t.areas[2][0] = 0xE2;  // TID class identifier of EPC tags
        t.update_crc();
        break;
    case Standard::gb:
        sized({4, 6, 4});
        for (int i = 0; i < 16; ++i) t.areas.emplace_back(2 * 16, 0);  // user areas 1..16
        t.locks.reserve(t.areas.size());
        for (std::uint8_t a = 0; a < t.areas.size(); ++a) t.locks.push_back({a});
        t.area_passwords.assign(t.areas.size(), {});
        t.sec_params.assign(6, 0);
        break;
    case Standard::gjb:
        sized({4, 6, 4, 32, 16, 16});
        t.locks.reserve(t.areas.size());
        for (std::uint8_t a = 0; a < t.areas.size(); ++a) t.locks.push_back({a});
        t.sec_params.assign(8, 0);
        break;
    }
    return t;
}

void Tag::set_epc(std::span<const std::uint8_t> epc) {
    const std::size_t w = (epc.size() + 1) / 2;
    auto& bank = areas[1];
    if (bank.size() < 2 * (2 + w)) bank.resize(2 * (2 + w), 0);
    std::fill(bank.begin() + 4, bank.end(), 0);
    std::copy(epc.begin(), epc.end(), bank.begin() + 4);
    const std::uint16_t pc = static_cast<std::uint16_t>((w & 0x1F) << 11 | ((bank[2] << 8 | bank[3]) & 0x07FF));
    bank[2] = static_cast<std::uint8_t>(pc >> 8);
    bank[3] = static_cast<std::uint8_t>(pc);
    update_crc();
}

void Tag::update_crc() {
    auto& bank = areas[1];
    const std::size_t words = (bank[2] >> 3) & 0x1F;
    const std::size_t end = std::min(bank.size(), 4 + 2 * words);
    const std::uint16_t crc = crc16_gen2(std::span(bank).subspan(2, end - 2));
    bank[0] = static_cast<std::uint8_t>(crc >> 8);
    bank[1] = static_cast<std::uint8_t>(crc);
}

std::vector<std::uint8_t> Tag::identifier() const {
    if (standard == Standard::epc) {
        const auto& bank = areas[1];
        const std::size_t end = std::min(bank.size(), 4 + 2 * static_cast<std::size_t>((bank[2] >> 3) & 0x1F));
        return {bank.begin() + 4, bank.begin() + static_cast<std::ptrdiff_t>(end)};
    }
    std::vector<std::uint8_t> id(security_word.begin(), security_word.end());
    id.insert(id.end(), areas[1].begin(), areas[1].end());
    return id;
}

bool Tag::matches(std::uint8_t area, std::uint16_t bit_address, std::uint8_t bit_length,
                  std::span<const std::uint8_t> mask) const {
    if (area >= areas.size()) return false;
    const auto& bytes = areas[area];
    for (unsigned i = 0; i < bit_length; ++i) {
        const unsigned bit = bit_address + i;
        if (bit / 8 >= bytes.size() || i / 8 >= mask.size()) return false;
        const bool tag_bit = (bytes[bit / 8] >> (7 - bit % 8)) & 1;
        const bool mask_bit = (mask[i / 8] >> (7 - i % 8)) & 1;
        if (tag_bit != mask_bit) return false;
    }
    return true;
}

bool Presence::at(double seconds) const {
    const double t = period_s > 0 ? std::fmod(seconds, period_s) : seconds;
    return in_s <= t && t < out_s;
}

double FieldClock::seconds() const {
    if (manual_) return *manual_;
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

void FieldClock::restart() {
    manual_.reset();
    start_ = std::chrono::steady_clock::now();
}

// ---- memory access rules, the same for the three standards ----

Password password_at(std::span<const std::uint8_t> bytes, std::size_t offset) {
    Password p{};
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) p[i] = bytes[offset + i];
    return p;
}

std::uint8_t Tag::check_range(std::uint8_t area, std::uint32_t word, std::uint32_t count) const {
    if (area >= areas.size()) return kTagErrorMemoryOverrun;
    if (word + count > areas[area].size() / 2) return kTagErrorMemoryOverrun;
    return 0;
}

bool Tag::epc_secured() const {
    // A tag whose access password is zero is secured as soon as it is singulated.
    return (granted & grant::kEpcSecured) || is_zero(password_at(areas[0], 4));
}

std::uint8_t Tag::check_access(std::uint8_t area, std::uint32_t word, std::uint32_t count, bool write) const {
    for (const LockTarget& l : locks) {
        if (l.area != area || count == 0) continue;
        const std::uint32_t end = l.words == 0xFFFF ? 0x10000u : std::uint32_t(l.first_word) + l.words;
        if (word + count <= l.first_word || word >= end) continue;
        if (!(write ? l.no_write : l.no_read)) continue;
        // EPC: a protected target opens in the secured state unless permanently locked.
        if (standard == Standard::epc && !l.permanent && epc_secured()) continue;
        return kTagErrorMemoryLocked;
    }
    if (standard == Standard::gb && area < area_passwords.size()) {
        if (!opens(area_passwords[area][write ? 1 : 0], grant::gb_area(area, write))) return kTagErrorWrongPassword;
    } else if (standard == Standard::gjb) {
        if (!opens(passwords[write ? kGjbWritePw : kGjbReadPw], write ? grant::kGjbWrite : grant::kGjbRead))
            return kTagErrorWrongPassword;
    }
    return 0;
}

void Tag::store_words(std::uint8_t area, std::uint32_t word, std::span<const std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), areas[area].begin() + 2 * word);
    // The stored CRC follows the PC and EPC unless the write set it itself.
    if (standard == Standard::epc && area == 1 && word > 0) update_crc();
}

// ---- the field ----

TagField::TagField() {
    for (Standard s : {Standard::epc, Standard::gb, Standard::gjb}) {
        set_default_keeps(s, of(s).working);
        set_default_keeps(s, of(s).stored);
    }
}

Tag* TagField::target(Standard s) {
    StandardSide& side_ = of(s);
    auto awake = [&](const Tag& t) { return t.standard == s && answers(t) && !t.halted; };
    if (side_.current >= 0 && static_cast<std::size_t>(side_.current) < tags.size() && awake(tags[side_.current]))
        return &tags[side_.current];
    const SelectParams& sel = side_.working.select;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        if (awake(tags[i]) && tags[i].matches(sel.area, sel.bit_address, sel.bit_length, sel.mask)) {
            side_.current = static_cast<int>(i);
            return &tags[i];
        }
    }
    return nullptr;
}

void TagField::power_cycle() {
    for (Tag& t : tags) {
        t.halted = false;
        t.granted = 0;
    }
    for (auto& s : side) s.current = -1;
}

void TagField::reset() {
    for (auto& s : side) {
        s.working = s.stored;
        s.list.clear();
        s.block_start = s.block_count = 0;
    }
    auth_password = {};
    power_cycle();
}

void TagField::forget_stored() {
    for (Standard s : {Standard::epc, Standard::gb, Standard::gjb}) set_default_keeps(s, of(s).stored);
}

}  // namespace kestrel::sim
