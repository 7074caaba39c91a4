// The tag commands of the three standards: one handler per command, over the tags and the
// access rules of tag_model.h.
#include "sim/tag_commands.h"

#include <algorithm>
#include <utility>

#include "sim/reader_model.h"
#include "sim/request_view.h"

namespace kestrel::sim {

namespace tags {
Reply fail(Standard s, std::uint8_t error) { return Reply{standard_info(s).error_status, {error}}; }
Reply succeed(std::vector<std::uint8_t> data) { return Reply{kStatusOk, std::move(data)}; }
}  // namespace tags

namespace {

using tags::fail;
using tags::succeed;

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

// How a tag command reaches the tags: `reader` ones only use what the reader keeps (select
// parameters, tag list, reader passwords) and work with the reader chip off; `air` ones talk to
// a tag and need it on; `fd_sub_areas` ones too, their area codes naming the GJB FD user
// sub-areas.
enum class Reach : std::uint8_t { reader, air, fd_sub_areas };

// The handler of a tag command of standard `S`.
template <Standard S, Reach How, TagHandler Run>
Reply tag_command(ReaderModel& m, const Request& req) {
    Ctx c{m, standard_info(S), m.field.of(S), RequestView(req.data), How == Reach::fd_sub_areas};
    if (How != Reach::reader && !m.settings.chip_on) return c.fail(kTagErrorReaderOff);
    return Run(c);
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
    if (auto e = t->check_range(mem.area, mem.word, count)) return c.fail(e);
    if (count > kMaxReadWords) return c.fail(kTagErrorMemoryOverrun);
    if (auto e = t->check_access(mem.area, mem.word, count, false)) return c.fail(e);
    const auto& a = t->areas[mem.area];
    return succeed(length_prefixed(std::span(a).subspan(2 * mem.word, 2 * count)));
}

// Writes `data` to the words of `mem` on the target tag, after every check.
Reply write_words(Ctx& c, Memory mem, std::span<const std::uint8_t> data) {
    if (!resolve_area(c, mem.area, mem.area)) return c.fail(kTagErrorMemoryOverrun);
    Tag* t = c.field().target(c.s());
    if (!t) return c.fail(kTagErrorNoTag);
    if (auto e = t->check_range(mem.area, mem.word, mem.count)) return c.fail(e);
    if (auto e = t->check_access(mem.area, mem.word, mem.count, true)) return c.fail(e);
    t->store_words(mem.area, mem.word, data);
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
        if (!t->epc_secured()) return c.fail(kTagErrorWrongPassword);
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
    if (gb ? !t->opens(t->area_passwords[area][1], grant::gb_area(area, true))
           : !t->opens(t->passwords[kGjbLockPw], grant::kGjbLock))
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
        if (!t->opens(t->area_passwords[area][1], grant::gb_area(area, true))) return c.fail(kTagErrorWrongPassword);
        t->area_passwords[area] = {password_at(c.r.bytes(0, 9), 1), password_at(c.r.bytes(0, 9), 5)};
        return succeed();
    }
    case Standard::gjb: {  // new kill, lock, read, write passwords
        if (c.r.size() != 16) return c.fail(kTagErrorBadRequest);
        if (!(t = c.field().target(c.s()))) return c.fail(kTagErrorNoTag);
        if (!t->opens(t->passwords[kGjbLockPw], grant::kGjbLock)) return c.fail(kTagErrorWrongPassword);
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
    if (auto e = t->check_access(kGbSecurityArea, 0, 1, true)) return c.fail(e);
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

// The commands every standard has, at their codes from the standard's base.
template <Standard S>
void add_standard(CommandTable& table) {
    constexpr auto kReader = Reach::reader, kAir = Reach::air;
    const StandardInfo& info = standard_info(S);
    const auto at = [&](Offset offset) -> CommandHandler& { return table[info.base + offset]; };
    at(kReadSelect) = tag_command<S, kReader, read_select>;
    at(kWriteSelect) = tag_command<S, kReader, write_select>;
    at(kQueryOn) = tag_command<S, kAir, query_on>;
    at(kTagList) = tag_command<S, kReader, tag_list>;
    at(kSetPwd) = tag_command<S, kReader, set_pwd>;
    at(kWake) = tag_command<S, kAir, wake>;
    at(kAccess) = tag_command<S, kAir, access>;
    at(kRead) = tag_command<S, kAir, read>;
    at(kWrite) = tag_command<S, kAir, write>;
    at(kKill) = tag_command<S, kAir, kill>;
    at(kLock) = tag_command<S, kAir, lock>;
    at(kBlockWrite) = tag_command<S, kAir, block_write>;
    at(kErase) = tag_command<S, kAir, erase>;
    at(kHalt) = tag_command<S, kAir, halt>;
    at(kEditPwd) = tag_command<S, kAir, edit_pwd>;
    table[info.custom] = tag_command<S, kAir, custom>;
}

}  // namespace

void add_tag_commands(CommandTable& table) {
    add_standard<Standard::epc>(table);
    add_standard<Standard::gb>(table);
    add_standard<Standard::gjb>(table);

    constexpr auto kGb = Standard::gb, kGjb = Standard::gjb;
    constexpr auto kReader = Reach::reader, kAir = Reach::air, kFd = Reach::fd_sub_areas;
    table[0x50] = tag_command<kGb, kAir, get_sec_para>;
    table[0x51] = tag_command<kGb, kAir, set_sec_para>;
    table[0x52] = tag_command<kGb, kReader, set_auth_pwd>;
    for (std::uint8_t code : {0x53, 0x54, 0x55, 0x56}) table[code] = tag_command<kGb, kAir, authenticate<false>>;
    for (std::uint8_t code : {0x57, 0x58}) table[code] = tag_command<kGb, kAir, authenticate<true>>;
    table[0x59] = tag_command<kGb, kAir, secure_comm>;
    table[0x70] = tag_command<kGjb, kAir, get_sec_para>;
    // The FD block commands of GJB tags: the GB-layout read, write and erase and the GJB
    // lock, over the two user sub-areas.
    table[0xB0] = tag_command<kGjb, kFd, read>;
    table[0xB1] = tag_command<kGjb, kFd, write>;
    table[0xB2] = tag_command<kGjb, kFd, erase>;
    table[0xB3] = tag_command<kGjb, kFd, lock>;
    table[0xB4] = tag_command<kGjb, kAir, fd_lock_info>;
}

}  // namespace kestrel::sim
