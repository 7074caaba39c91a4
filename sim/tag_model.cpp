#include "sim/tag_model.h"

#include <algorithm>
#include <cmath>
#include <initializer_list>

#include "sim/reader_model.h"
#include "sim/request_view.h"

namespace kestrel::sim {

namespace {

constexpr std::array<StandardInfo, kStandards> kInfo{{
    {Standard::epc, "epc", 0x20, 0xE2, kStatusTagErrorEpc, 1, true, 4},
    {Standard::gb, "gb", 0x40, 0xE0, kStatusTagErrorGb, 2, false, 19},
    {Standard::gjb, "gjb", 0x60, 0xE1, kStatusTagErrorGb, 2, false, 4},
}};

// Command codes relative to the standard's base.
enum Offset : std::uint8_t {
    kReadSelect = 0x0, kWriteSelect = 0x1, kQueryOn = 0x2, kTagList = 0x3, kSetPwd = 0x5, kWake = 0x6,
    kAccess = 0x7, kRead = 0x8, kWrite = 0x9, kKill = 0xA, kLock = 0xB, kBlockWrite = 0xC, kErase = 0xD,
    kHalt = 0xE, kEditPwd = 0xF,
};

// Largest word count one length-prefixed reply can carry.
constexpr std::uint32_t kMaxReadWords = 127;
// A tag list block must fit the host's 2048-byte reply area.
constexpr std::size_t kMaxBlock = 2048;

constexpr std::size_t kEpcAccessPw = 0, kEpcKillPw = 1;
constexpr std::uint8_t kGbAreas = 19;
constexpr std::uint8_t kGbSecurityArea = 2;

std::size_t index_of(Standard s) { return static_cast<std::size_t>(s); }

std::uint16_t crc16_gen2(std::span<const std::uint8_t> bytes) {
    std::uint16_t crc = 0xFFFF;
    for (std::uint8_t b : bytes) {
        crc ^= static_cast<std::uint16_t>(b << 8);
        for (int i = 0; i < 8; ++i) crc = static_cast<std::uint16_t>(crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1);
    }
    return static_cast<std::uint16_t>(~crc);
}

Password password_at(std::span<const std::uint8_t> bytes, std::size_t offset) {
    Password p{};
    for (std::size_t i = 0; i < 4 && offset + i < bytes.size(); ++i) p[i] = bytes[offset + i];
    return p;
}

bool is_zero(const Password& p) { return p == Password{}; }

// Sets `k` to what a reader keeps from the factory; the password list keeps its storage.
void set_default_keeps(Standard s, ReaderKeeps& k) {
    k.select = SelectParams{};
    k.select.area = 1;  // EPC bank, or GB/GJB coding area
    k.select.time = s == Standard::epc ? 20 : 10;
    k.passwords.assign(s == Standard::epc ? 2 : s == Standard::gb ? 2 * kGbAreas : 4, Password{});
}

// ---- memory access rules, the same for the three standards ----

std::uint8_t check_range(const Tag& t, std::uint8_t area, std::uint32_t word, std::uint32_t count) {
    if (area >= t.areas.size()) return kTagErrorMemoryOverrun;
    if (word + count > t.areas[area].size() / 2) return kTagErrorMemoryOverrun;
    return 0;
}

bool epc_secured(const Tag& t) {
    // A tag whose access password is zero is secured as soon as it is singulated.
    return (t.granted & grant::kEpcSecured) || is_zero(password_at(t.areas[0], 4));
}

// Whether the tag lets the reader read (or write) words [word, word + count) of `area`.
std::uint8_t check_access(const Tag& t, std::uint8_t area, std::uint32_t word, std::uint32_t count, bool write) {
    for (const LockTarget& l : t.locks) {
        if (l.area != area || count == 0) continue;
        const std::uint32_t end = l.words == 0xFFFF ? 0x10000u : std::uint32_t(l.first_word) + l.words;
        if (word + count <= l.first_word || word >= end) continue;
        if (!(write ? l.no_write : l.no_read)) continue;
        // EPC: a protected target opens in the secured state unless permanently locked.
        if (t.standard == Standard::epc && !l.permanent && epc_secured(t)) continue;
        return kTagErrorMemoryLocked;
    }
    if (t.standard == Standard::gb && area < t.area_passwords.size()) {
        if (!is_zero(t.area_passwords[area][write ? 1 : 0]) && !(t.granted & grant::gb_area(area, write)))
            return kTagErrorWrongPassword;
    } else if (t.standard == Standard::gjb) {
        const Password& p = t.passwords[write ? kGjbWritePw : kGjbReadPw];
        if (!is_zero(p) && !(t.granted & (write ? grant::kGjbWrite : grant::kGjbRead))) return kTagErrorWrongPassword;
    }
    return 0;
}

void store_words(Tag& t, std::uint8_t area, std::uint32_t word, std::span<const std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), t.areas[area].begin() + 2 * word);
    // The stored CRC follows the PC and EPC unless the write set it itself.
    if (t.standard == Standard::epc && area == 1 && word > 0) t.update_crc();
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

namespace tags {
Reply fail(Standard s, std::uint8_t error) { return Reply{standard_info(s).error_status, {error}}; }
Reply succeed(std::vector<std::uint8_t> data) { return Reply{kStatusOk, std::move(data)}; }
}  // namespace tags

// ---- the commands ----

namespace {

using tags::fail;
using tags::succeed;

// What a tag command handler works with.
struct Ctx {
    ReaderModel& model;
    const StandardInfo& info;
    StandardSide& side;
    RequestView r;
    bool fd_sub_areas = false;  // area codes name the GJB FD user sub-areas (1 and 2)

    Standard s() const { return info.id; }
    TagField& field() { return model.field; }
    Reply fail(std::uint8_t e) const { return tags::fail(info.id, e); }
};

using TagHandler = Reply (*)(Ctx&);

// The area index an area code of the request names; false when it names none.
bool resolve_area(const Ctx& c, std::uint8_t code, std::uint8_t& area) {
    if (c.fd_sub_areas) {
        if (code < 1 || code > 2) return false;
        area = code == 1 ? kGjbFdSubArea2 : kGjbFdSubArea3;
        return true;
    }
    area = code;
    return code < c.info.area_codes;
}

// Installs `h` at the standard's code; `air` commands need the reader chip on.
void install(ReaderModel& model, const StandardInfo& info, std::uint8_t code, bool air, TagHandler h,
             bool fd_sub_areas = false) {
    model.on(code, [&info, air, h, fd_sub_areas](ReaderModel& m, const Request& req) {
        Ctx c{m, info, m.field.of(info.id), RequestView(req.data), fd_sub_areas};
        if (air && !m.settings.chip_on) return c.fail(kTagErrorReaderOff);
        return h(c);
    });
}

// A memory request: area, word address, word count (1 or 2 bytes by standard).
struct Memory {
    std::uint8_t area;
    std::uint32_t word;
    std::uint32_t count;
    std::size_t header;  // bytes before the data
};
Memory memory_of(const Ctx& c) {
    const std::size_t w = c.info.count_bytes;
    return {c.r.u8(0), c.r.u16(1), w == 1 ? std::uint32_t{c.r.u8(3)} : std::uint32_t{c.r.u16(3)}, 3 + w};
}

Reply read_select(Ctx& c) {
    if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
    const SelectParams& p = c.side.working.select;
    const std::size_t m = p.mask.size();
    std::vector<std::uint8_t> rec{static_cast<std::uint8_t>((c.info.select_has_q ? 7 : 6) + m), p.area,
                                  static_cast<std::uint8_t>(p.bit_address >> 8),
                                  static_cast<std::uint8_t>(p.bit_address), p.bit_length};
    rec.insert(rec.end(), p.mask.begin(), p.mask.end());
    if (c.info.select_has_q) rec.push_back(p.q);
    rec.push_back(p.time);
    return succeed(rec);
}

Reply write_select(Ctx& c) {
    const auto& r = c.r;
    if (r.size() < 6 || r.u8(0) != r.size()) return c.fail(kTagErrorBadRequest);
    SelectParams p;
    p.area = r.u8(2);
    p.bit_address = r.u16(3);
    p.bit_length = r.u8(5);
    const std::size_t m = (p.bit_length + 7u) / 8u;
    if (r.size() != (c.info.select_has_q ? 8 : 7) + m || r.u8(1) > 1) return c.fail(kTagErrorBadRequest);
    if (p.area >= c.info.area_codes) return c.fail(kTagErrorMemoryOverrun);
    p.mask = r.copy(6, m);
    if (c.info.select_has_q) p.q = r.u8(6 + m);
    p.time = r.u8(r.size() - 1);
    c.side.working.select = p;
    if (r.u8(1) == 1) c.side.stored.select = p;
    c.side.current = -1;
    return succeed({});
}

// Starts an inventory: a new round in which every awake tag matching the select
// parameters answers once; their identifiers become the reader's tag list.
Reply query_on(Ctx& c) {
    if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
    const SelectParams& sel = c.side.working.select;
    c.side.list.clear();
    c.side.block_start = c.side.block_count = 0;
    c.side.current = -1;
    for (Tag& t : c.field().tags) {
        if (t.standard != c.s() || !c.field().answers(t)) continue;
        t.granted = 0;  // a new round ends every tag's session
        if (!t.halted && t.matches(sel.area, sel.bit_address, sel.bit_length, sel.mask))
            c.side.list.push_back(t.identifier());
    }
    return succeed({});
}

// One block of the tag list. Read mode 0 starts at the first record, 1 sends the last
// block again, 2 continues after it; the read length is the most records per block.
Reply tag_list(Ctx& c) {
    if (c.r.size() != 2 || c.r.u8(0) > 2) return c.fail(kTagErrorBadRequest);
    StandardSide& sd = c.side;
    std::size_t start = 0;
    switch (c.r.u8(0)) {
    case 0: start = 0; break;
    case 1: start = sd.block_start; break;
    case 2: start = sd.block_start + sd.block_count; break;
    }
    start = std::min(start, sd.list.size());
    std::vector<std::uint8_t> block(5, 0);
    std::size_t k = 0;
    while (k < c.r.u8(1) && start + k < sd.list.size()) {
        const auto& rec = sd.list[start + k];
        if (block.size() + 1 + rec.size() > kMaxBlock) break;
        block.push_back(static_cast<std::uint8_t>(rec.size()));
        block.insert(block.end(), rec.begin(), rec.end());
        ++k;
    }
    sd.block_start = start;
    sd.block_count = k;
    const std::size_t total = std::min<std::size_t>(sd.list.size(), 0xFFFF);
    block[0] = static_cast<std::uint8_t>(block.size() >> 8);
    block[1] = static_cast<std::uint8_t>(block.size());
    block[2] = static_cast<std::uint8_t>(total >> 8);
    block[3] = static_cast<std::uint8_t>(total);
    block[4] = static_cast<std::uint8_t>(k);
    return succeed(block);
}

Reply set_pwd(Ctx& c) {
    const auto& r = c.r;
    auto& pw = c.side.working.passwords;
    std::vector<std::pair<std::size_t, Password>> changes;
    switch (c.s()) {
    case Standard::epc:  // store flag, access, kill
        if (r.size() != 9) return c.fail(kTagErrorBadRequest);
        changes = {{kEpcAccessPw, password_at(r.bytes(0, 9), 1)}, {kEpcKillPw, password_at(r.bytes(0, 9), 5)}};
        break;
    case Standard::gb:  // store flag, area, read, write
        if (r.size() != 10) return c.fail(kTagErrorBadRequest);
        if (r.u8(1) >= kGbAreas) return c.fail(kTagErrorMemoryOverrun);
        changes = {{2u * r.u8(1), password_at(r.bytes(0, 10), 2)}, {2u * r.u8(1) + 1, password_at(r.bytes(0, 10), 6)}};
        break;
    case Standard::gjb:  // store flag, kill, lock, read, write
        if (r.size() != 17) return c.fail(kTagErrorBadRequest);
        for (std::size_t i = 0; i < 4; ++i) changes.push_back({i, password_at(r.bytes(0, 17), 1 + 4 * i)});
        break;
    }
    if (r.u8(0) > 1) return c.fail(kTagErrorBadRequest);
    for (auto& [i, p] : changes) {
        pw[i] = p;
        if (r.u8(0) == 1) c.side.stored.passwords[i] = p;
    }
    return succeed({});
}

// Wakes the first tag that matches; it becomes the tag the reader talks to. The reply is
// its EPC (EPC tags) or its coding area (GB and GJB tags).
Reply wake(Ctx& c) {
    const auto& r = c.r;
    const std::uint8_t bits = r.u8(3);
    if (r.size() < 4 || r.size() != 4 + (bits + 7u) / 8u) return c.fail(kTagErrorBadRequest);
    if (r.u8(0) >= c.info.area_codes) return c.fail(kTagErrorMemoryOverrun);
    auto& tags = c.field().tags;
    for (std::size_t i = 0; i < tags.size(); ++i) {
        Tag& t = tags[i];
        if (t.standard != c.s() || !c.field().answers(t) || !t.matches(r.u8(0), r.u16(1), bits, r.bytes(4, 32))) continue;
        if (c.side.current != static_cast<int>(i)) t.granted = 0;
        t.halted = false;
        c.side.current = static_cast<int>(i);
        if (c.s() == Standard::epc) return succeed(length_prefixed(t.identifier()));
        return succeed(length_prefixed(t.areas[1]));
    }
    return c.fail(kTagErrorNoTag);
}

Reply access(Ctx& c) {
    Tag* t = c.field().target(c.s());
    const auto& pw = c.side.working.passwords;
    Password reader{}, tag{};
    std::uint64_t bit = 0;
    switch (c.s()) {
    case Standard::epc:
        if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
        if (!t) return c.fail(kTagErrorNoTag);
        reader = pw[kEpcAccessPw];
        tag = password_at(t->areas[0], 4);
        bit = grant::kEpcSecured;
        break;
    case Standard::gb: {  // area, type: 0 read, 1 write
        const std::uint8_t area = c.r.u8(0), type = c.r.u8(1);
        if (c.r.size() != 2 || type > 1) return c.fail(kTagErrorBadRequest);
        if (area >= kGbAreas) return c.fail(kTagErrorMemoryOverrun);
        if (!t) return c.fail(kTagErrorNoTag);
        reader = pw[2u * area + type];
        tag = t->area_passwords[area][type];
        bit = grant::gb_area(area, type == 1);
        break;
    }
    case Standard::gjb: {  // type: 0 read, 1 write, 2 lock, 3 kill
        static constexpr std::size_t kSlot[4] = {kGjbReadPw, kGjbWritePw, kGjbLockPw, kGjbKillPw};
        static constexpr std::uint64_t kBit[4] = {grant::kGjbRead, grant::kGjbWrite, grant::kGjbLock, grant::kGjbKill};
        if (c.r.size() != 1 || c.r.u8(0) > 3) return c.fail(kTagErrorBadRequest);
        if (!t) return c.fail(kTagErrorNoTag);
        reader = pw[kSlot[c.r.u8(0)]];
        tag = t->passwords[kSlot[c.r.u8(0)]];
        bit = kBit[c.r.u8(0)];
        break;
    }
    }
    if (reader != tag) return c.fail(kTagErrorWrongPassword);
    t->granted |= bit;
    return succeed({});
}

Reply read(Ctx& c) {
    Memory mem = memory_of(c);
    if (c.r.size() != mem.header) return c.fail(kTagErrorBadRequest);
    if (!resolve_area(c, mem.area, mem.area)) return c.fail(kTagErrorMemoryOverrun);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    std::uint32_t count = mem.count;
    // A count of 0 reads to the end of the area.
    if (count == 0 && mem.word < t->areas[mem.area].size() / 2) count = static_cast<std::uint32_t>(t->areas[mem.area].size() / 2 - mem.word);
    if (auto e = check_range(*t, mem.area, mem.word, count)) return c.fail(e);
    if (count > kMaxReadWords) return c.fail(kTagErrorMemoryOverrun);
    if (auto e = check_access(*t, mem.area, mem.word, count, false)) return c.fail(e);
    const auto& a = t->areas[mem.area];
    return succeed(length_prefixed(std::span(a).subspan(2 * mem.word, 2 * count)));
}

// Writes `data` to the words of `mem` on the target tag, after every check.
Reply write_words(Ctx& c, Memory mem, std::span<const std::uint8_t> data) {
    if (!resolve_area(c, mem.area, mem.area)) return c.fail(kTagErrorMemoryOverrun);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    if (auto e = check_range(*t, mem.area, mem.word, mem.count)) return c.fail(e);
    if (auto e = check_access(*t, mem.area, mem.word, mem.count, true)) return c.fail(e);
    store_words(*t, mem.area, mem.word, data);
    return succeed();
}

Reply write(Ctx& c) {
    const Memory mem = memory_of(c);
    if (c.r.size() < mem.header || c.r.size() != mem.header + 2 * mem.count) return c.fail(kTagErrorBadRequest);
    return write_words(c, mem, c.r.bytes(mem.header, 2 * mem.count));
}

// EPC block writes share the write layout. GB and GJB block writes carry the area code and
// a one-byte word address, then the word count at offset 2.
Reply block_write(Ctx& c) {
    if (c.s() == Standard::epc) return write(c);
    const Memory mem{c.r.u8(0), c.r.u8(1), c.r.u8(2), 3};
    if (c.r.size() < 3 || c.r.size() != 3 + 2 * mem.count) return c.fail(kTagErrorBadRequest);
    return write_words(c, mem, c.r.bytes(3, 2 * mem.count));
}

Reply erase(Ctx& c) {
    const Memory mem = memory_of(c);
    if (c.r.size() != mem.header) return c.fail(kTagErrorBadRequest);
    const std::vector<std::uint8_t> zeros(2 * mem.count, 0);
    return write_words(c, mem, zeros);
}

Reply kill(Ctx& c) {
    // The four bytes are the operator's confirmation; the password is the reader's.
    if (c.r.size() != 4) return c.fail(kTagErrorBadRequest);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    const auto& pw = c.side.working.passwords;
    bool right = false;
    switch (c.s()) {
    case Standard::epc: {
        const Password tag = password_at(t->areas[0], 0);
        right = !is_zero(tag) && tag == pw[kEpcKillPw];  // a zero kill password cannot kill
        break;
    }
    case Standard::gb:
        right = t->area_passwords[kGbSecurityArea][1] == pw[2 * kGbSecurityArea + 1];
        break;
    case Standard::gjb:
        right = t->passwords[kGjbKillPw] == pw[kGjbKillPw];
        break;
    }
    if (!right) return c.fail(kTagErrorWrongPassword);
    t->killed = true;
    t->granted = 0;
    c.side.current = -1;
    return succeed();
}

// Applies a change to lock targets, refusing it whole when a permanent lock would change.
Reply lock(Ctx& c) {
    Tag* t = nullptr;
    if (c.s() == Standard::epc) {
        if (c.r.size() != 5) return c.fail(kTagErrorBadRequest);
        for (std::size_t i = 0; i < 5; ++i)
            if (c.r.u8(i) & 0xF0) return c.fail(kTagErrorBadRequest);
        t = c.field().target(c.s());
        if (!t) return c.fail(kTagErrorNoTag);
        if (!epc_secured(*t)) return c.fail(kTagErrorWrongPassword);
        std::array<LockTarget, 5> next;
        for (std::size_t i = 0; i < 5; ++i) {
            const LockTarget& now = t->locks[i];
            LockTarget& n = next[i] = now;
            const std::uint8_t b = c.r.u8(i);
            const bool is_password = i < 2;
            if (b & 0x08) {
                n.no_write = b & 0x02;
                n.no_read = is_password && (b & 0x02);
            }
            if (b & 0x04) n.permanent = b & 0x01;
            if (now.permanent && (n.no_write != now.no_write || !n.permanent)) return c.fail(kTagErrorMemoryLocked);
        }
        std::copy(next.begin(), next.end(), t->locks.begin());
        return succeed();
    }
    // GB: area, configuration (0 memory attributes, 1 security mode), action.
    // GJB: area, action, one byte passed through.
    const bool gb = c.s() == Standard::gb;
    std::uint8_t area = 0;
    const std::uint8_t config = gb ? c.r.u8(1) : 0, action = gb ? c.r.u8(2) : c.r.u8(1);
    if (c.r.size() != 3 || config > 1 || action > 3) return c.fail(kTagErrorBadRequest);
    if (!resolve_area(c, c.r.u8(0), area)) return c.fail(kTagErrorMemoryOverrun);
    t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    if (gb && !is_zero(t->area_passwords[area][1]) && !(t->granted & grant::gb_area(area, true)))
        return c.fail(kTagErrorWrongPassword);
    if (!gb && !is_zero(t->passwords[kGjbLockPw]) && !(t->granted & grant::kGjbLock))
        return c.fail(kTagErrorWrongPassword);
    LockTarget& l = t->locks[area];
    if (config == 1) {
        l.security_mode = action;
    } else {
        l.no_write = action & 1;
        l.no_read = action & 2;
    }
    return succeed();
}

Reply halt(Ctx& c) {
    if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    t->halted = true;
    t->granted = 0;
    c.side.current = -1;
    return succeed({});
}

Reply edit_pwd(Ctx& c) {
    Tag* t = nullptr;
    switch (c.s()) {
    case Standard::epc: {  // new kill password, new access password: reserved words 0..3
        if (c.r.size() != 8) return c.fail(kTagErrorBadRequest);
        return write_words(c, Memory{0, 0, 4, 0}, c.r.bytes(0, 8));
    }
    case Standard::gb: {  // area, new read password, new write password
        if (c.r.size() != 9) return c.fail(kTagErrorBadRequest);
        const std::uint8_t area = c.r.u8(0);
        if (area >= kGbAreas) return c.fail(kTagErrorMemoryOverrun);
        if (!(t = c.field().target(c.s()))) return c.fail(kTagErrorNoTag);
        if (!is_zero(t->area_passwords[area][1]) && !(t->granted & grant::gb_area(area, true)))
            return c.fail(kTagErrorWrongPassword);
        t->area_passwords[area] = {password_at(c.r.bytes(0, 9), 1), password_at(c.r.bytes(0, 9), 5)};
        return succeed();
    }
    case Standard::gjb: {  // new kill, lock, read, write passwords
        if (c.r.size() != 16) return c.fail(kTagErrorBadRequest);
        if (!(t = c.field().target(c.s()))) return c.fail(kTagErrorNoTag);
        if (!is_zero(t->passwords[kGjbLockPw]) && !(t->granted & grant::kGjbLock))
            return c.fail(kTagErrorWrongPassword);
        for (std::size_t i = 0; i < 4; ++i) t->passwords[i] = password_at(c.r.bytes(0, 16), 4 * i);
        return succeed();
    }
    }
    return c.fail(kTagErrorOther);
}

// A vendor command passed to the tag; the simulated tags echo the command bytes back.
Reply custom(Ctx& c) {
    const std::uint16_t bits = c.r.u16(0);
    if (c.r.size() < 5 || c.r.size() != 5 + (bits + 7u) / 8u) return c.fail(kTagErrorBadRequest);
    if (!c.field().target(c.s())) return c.fail(kTagErrorNoTag);
    return succeed(length_prefixed(c.r.bytes(5, c.r.size() - 5)));
}

// ---- GB and GJB security ----

Reply get_sec_para(Ctx& c) {
    if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    std::vector<std::uint8_t> out = t->sec_params;
    // GB: the six parameter bytes, then the TID held in the tag information area.
    if (c.s() == Standard::gb) out.insert(out.end(), t->areas[0].begin(), t->areas[0].end());
    return succeed(length_prefixed(out));
}

Reply set_sec_para(Ctx& c) {
    if (c.r.size() != 6) return c.fail(kTagErrorBadRequest);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    if (auto e = check_access(*t, kGbSecurityArea, 0, 1, true)) return c.fail(e);
    t->sec_params = c.r.copy(0, 6);
    return succeed();
}

Reply set_auth_pwd(Ctx& c) {
    if (c.r.size() != 16) return c.fail(kTagErrorBadRequest);
    auto b = c.r.bytes(0, 16);
    std::copy(b.begin(), b.end(), c.field().auth_password.begin());
    return succeed();
}

// The six authentications: the tag and the reader prove they hold the same key.
template <bool Mutual>
Reply authenticate(Ctx& c) {
    if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    if (t->auth_key != c.field().auth_password) return c.fail(kTagErrorWrongPassword);
    if (Mutual) t->granted |= grant::kMutualAuth;
    return succeed({});
}

// GJB FD: the access rights of the two user sub-areas, one byte each (bit 0 not
// writable, bit 1 not readable).
Reply fd_lock_info(Ctx& c) {
    if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    std::vector<std::uint8_t> info;
    for (std::uint8_t a : {kGjbFdSubArea2, kGjbFdSubArea3})
        info.push_back(static_cast<std::uint8_t>(t->locks[a].no_write | t->locks[a].no_read << 1));
    return succeed(length_prefixed(info));
}

Reply secure_comm(Ctx& c) {
    if (c.r.size() != 0) return c.fail(kTagErrorBadRequest);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    if (!(t->granted & grant::kMutualAuth)) return c.fail(kTagErrorWrongPassword);
    return succeed({});
}

}  // namespace

void install_tag_commands(ReaderModel& model) {
    struct Op {
        std::uint8_t offset;
        bool air;
        TagHandler handler;
    };
    static constexpr Op kOps[] = {
        {kReadSelect, false, read_select}, {kWriteSelect, false, write_select}, {kQueryOn, true, query_on},
        {kTagList, false, tag_list},       {kSetPwd, false, set_pwd},           {kWake, true, wake},
        {kAccess, true, access},           {kRead, true, read},                 {kWrite, true, write},
        {kKill, true, kill},               {kLock, true, lock},                 {kBlockWrite, true, block_write},
        {kErase, true, erase},             {kHalt, true, halt},                 {kEditPwd, true, edit_pwd},
    };
    for (const StandardInfo& info : kInfo) {
        for (const Op& op : kOps) install(model, info, static_cast<std::uint8_t>(info.base + op.offset), op.air, op.handler);
        install(model, info, info.custom, true, custom);
    }
    const StandardInfo& gb = standard_info(Standard::gb);
    install(model, gb, 0x50, true, get_sec_para);
    install(model, gb, 0x51, true, set_sec_para);
    install(model, gb, 0x52, false, set_auth_pwd);
    for (std::uint8_t code : {0x53, 0x54, 0x55, 0x56}) install(model, gb, code, true, authenticate<false>);
    for (std::uint8_t code : {0x57, 0x58}) install(model, gb, code, true, authenticate<true>);
    install(model, gb, 0x59, true, secure_comm);
    const StandardInfo& gjb = standard_info(Standard::gjb);
    install(model, gjb, 0x70, true, get_sec_para);
    // The FD block commands of GJB tags: the GB-layout read, write and erase and the GJB
    // lock, over the two user sub-areas.
    install(model, gjb, 0xB0, true, read, true);
    install(model, gjb, 0xB1, true, write, true);
    install(model, gjb, 0xB2, true, erase, true);
    install(model, gjb, 0xB3, true, lock, true);
    install(model, gjb, 0xB4, true, fd_lock_info);
}

}  // namespace kestrel::sim
