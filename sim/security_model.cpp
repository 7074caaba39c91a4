#include "sim/security_model.h"

#include <algorithm>

#include "sim/reader_model.h"
#include "sim/request_view.h"
#include "sim/tag_commands.h"

namespace kestrel::sim {

namespace {

constexpr std::size_t kMaxRandom = 1024;
constexpr std::size_t kMaxChunk = 240;  // data bytes of one hash or cipher step

Reply ok(std::vector<std::uint8_t> data = {}) { return Reply{kStatusOk, std::move(data)}; }
Reply status(std::uint8_t s) { return Reply{s, {}}; }

// ---- PSAM ----

std::vector<std::uint8_t> sw(std::uint8_t sw1, std::uint8_t sw2, std::vector<std::uint8_t> data = {}) {
    data.push_back(sw1);
    data.push_back(sw2);
    return data;
}

// The card's answer to one APDU: response data and status word.
std::vector<std::uint8_t> card_answer(PsamCard& card, std::span<const std::uint8_t> apdu) {
    const std::uint8_t ins = apdu[1], p1 = apdu[2];
    const auto body = apdu.subspan(4);
    // ISO/IEC 7816-4 cases: nothing; Le; Lc data; Lc data Le.
    std::size_t lc = 0, le = 0;
    bool has_le = false;
    if (body.size() == 1) {
        le = body[0];
        has_le = true;
    } else if (!body.empty()) {
        lc = body[0];
        if (lc == 0 || body.size() < 1 + lc || body.size() > 2 + lc) return sw(0x67, 0x00);
        has_le = body.size() == 2 + lc;
        if (has_le) le = body[1 + lc];
    }
    switch (ins) {
    case 0x84:  // GET CHALLENGE
        if (!has_le || lc != 0 || le == 0) return sw(0x67, 0x00);
        return sw(0x90, 0x00, crypto::random_bytes(le));
    case 0xA4: {  // SELECT
        if (p1 != 0x00) return sw(0x6A, 0x82);  // only selection by file identifier
        if (lc != 2) return sw(0x67, 0x00);
        const std::uint16_t id = static_cast<std::uint16_t>(body[1] << 8 | body[2]);
        const bool known = std::find(card.files.begin(), card.files.end(), id) != card.files.end();
        return known ? sw(0x90, 0x00) : sw(0x6A, 0x82);
    }
    default:
        return sw(0x6D, 0x00);
    }
}

Reply psam_power(ReaderModel& m, const Request& req) {
    RequestView r(req.data);
    if (r.size() != 2 || r.u8(0) > 1 || r.u8(1) > 1) return status(kStatusBadParameter);
    PsamSlot& slot = m.security.slots[r.u8(0)];
    slot.powered = r.u8(1) == 1;
    return ok(length_prefixed(slot.powered ? slot.atr : std::vector<std::uint8_t>{}));
}

Reply psam_warm_reset(ReaderModel& m, const Request& req) {
    RequestView r(req.data);
    if (r.size() != 1 || r.u8(0) > 1) return status(kStatusBadParameter);
    PsamSlot& slot = m.security.slots[r.u8(0)];
    if (!slot.powered) return status(kStatusNotReady);
    return ok(length_prefixed(slot.atr));
}

// Count, slot, command type, then the APDU.
Reply psam_command(ReaderModel& m, const Request& req) {
    RequestView r(req.data);
    if (r.size() < 7 || r.u8(0) != r.size() - 1 || r.u8(1) > 1 || r.u8(2) < 1 || r.u8(2) > 4)
        return status(kStatusBadParameter);
    if (!m.security.slots[r.u8(1)].powered) return status(kStatusNotReady);
    return ok(length_prefixed(card_answer(m.security.card, r.bytes(3, r.size() - 3))));
}

// Count 96, then six 16-byte keys. The answer: count, a result byte, the status word.
Reply psam_issue(ReaderModel& m, const Request& req) {
    RequestView r(req.data);
    if (r.size() != 97 || r.u8(0) != 96) return status(kStatusBadParameter);
    PsamCard& card = m.security.card;
    card.keys.assign(6, {});
    for (std::size_t k = 0; k < 6; ++k) {
        auto b = r.bytes(1 + 16 * k, 16);
        std::copy(b.begin(), b.end(), card.keys[k].begin());
    }
    card.issued = true;
    return ok(length_prefixed(std::vector<std::uint8_t>{0x00, 0x90, 0x00}));
}

// ---- FM151M ----

Reply fm_id(ReaderModel& m, const Request& req) {
    if (!req.data.empty()) return status(kStatusBadParameter);
    const Fm151m& f = m.security.fm151m;
    std::vector<std::uint8_t> id = f.model;
    id.insert(id.end(), f.version.begin(), f.version.end());
    id.insert(id.end(), f.serial.begin(), f.serial.end());
    return ok(length_prefixed(id));
}

Reply fm_random(ReaderModel&, const Request& req) {
    RequestView r(req.data);
    if (r.size() != 2 || r.u16(0) > kMaxRandom) return status(kStatusBadParameter);
    std::vector<std::uint8_t> out{r.u8(0), r.u8(1)};
    const auto bytes = crypto::random_bytes(r.u16(0));
    out.insert(out.end(), bytes.begin(), bytes.end());
    return ok(out);
}

// Phase (0 start, 1 add, 2 finish), digest, count, data.
Reply fm_hash(ReaderModel& m, const Request& req) {
    RequestView r(req.data);
    const std::uint8_t phase = r.u8(0), alg = r.u8(1), d = r.u8(2);
    if (r.size() < 3 || r.size() != 3u + d || phase > 2 || alg > 3 || d > kMaxChunk) return status(kStatusBadParameter);
    Fm151m& f = m.security.fm151m;
    const auto digest = static_cast<crypto::Digest>(alg);
    switch (phase) {
    case 0:
        if (d != 0) return status(kStatusBadParameter);
        if (!f.hash.start(digest)) return status(kStatusNotSupported);
        f.hash_digest = digest;
        return ok({0});
    case 1:
        if (!f.hash.active() || digest != f.hash_digest) return status(kStatusNotReady);
        if (!f.hash.add(r.bytes(3, d))) return status(kStatusNotReady);
        return ok({0});
    default:
        if (d != 0) return status(kStatusBadParameter);
        if (!f.hash.active() || digest != f.hash_digest) return status(kStatusNotReady);
        return ok(length_prefixed(f.hash.finish()));
    }
}

// Phase (0 start, 1 process, 2 release), direction, mode, algorithm, count, payload.
Reply fm_cipher(ReaderModel& m, const Request& req) {
    RequestView r(req.data);
    const std::uint8_t phase = r.u8(0), encrypt = r.u8(1), cbc = r.u8(2), alg = r.u8(3), p = r.u8(4);
    if (r.size() < 5 || r.size() != 5u + p || phase > 2 || encrypt > 1 || cbc > 1 || alg > 5)
        return status(kStatusBadParameter);
    const auto a = static_cast<crypto::Algorithm>(alg);
    const std::size_t block = crypto::Cipher::block_size(a);
    if (block == 0) return status(kStatusNotSupported);  // SSF33, SM1, SM7
    Fm151m& f = m.security.fm151m;
    switch (phase) {
    case 0: {
        const std::size_t iv = cbc ? block : 0;
        if (p < iv) return status(kStatusBadParameter);
        if (!f.cipher.start(a, cbc == 1, encrypt == 1, r.bytes(5, p - iv), r.bytes(5 + p - iv, iv)))
            return status(kStatusBadParameter);
        return ok({0});
    }
    case 1: {
        if (!f.cipher.active()) return status(kStatusNotReady);
        std::vector<std::uint8_t> out;
        if (p > kMaxChunk || !f.cipher.process(r.bytes(5, p), out)) return status(kStatusBadParameter);
        return ok(length_prefixed(out));
    }
    default:
        if (!f.cipher.active()) return status(kStatusNotReady);
        f.cipher.release();
        return ok({0});
    }
}

// ---- FD commands of GB tags ----

struct FdCtx {
    ReaderModel& m;
    RequestView r;
    Tag* tag;
    Reply fail(std::uint8_t e) const { return tags::fail(Standard::gb, e); }
    // Changes to the tag's FD settings need its security password checked, unless it is 0.
    bool allowed() const { return tag->fd_password == Password{} || (tag->granted & grant::kFdPassword); }
};

using FdHandler = Reply (*)(FdCtx&);

// The handler of an FD command whose request is exactly `Size` bytes, to the GB tag the reader
// talks to.
template <std::size_t Size, FdHandler Run>
Reply fd_command(ReaderModel& m, const Request& req) {
    FdCtx c{m, RequestView(req.data), nullptr};
    if (!m.settings.chip_on) return c.fail(kTagErrorReaderOff);
    if (req.data.size() != Size) return c.fail(kTagErrorBadRequest);
    c.tag = m.field.target(Standard::gb);
    if (!c.tag) return c.fail(kTagErrorNoTag);
    return Run(c);
}

Password password_of(const RequestView& r) { return {r.u8(0), r.u8(1), r.u8(2), r.u8(3)}; }

Reply fd_access(FdCtx& c) {
    if (password_of(c.r) != c.tag->fd_password) return c.fail(kTagErrorWrongPassword);
    c.tag->granted |= grant::kFdPassword;
    return tags::succeed();
}

Reply fd_pwd_write(FdCtx& c) {
    if (!c.allowed()) return c.fail(kTagErrorWrongPassword);
    if (c.tag->fd_password_mode == 1) return c.fail(kTagErrorMemoryLocked);
    c.tag->fd_password = password_of(c.r);
    return tags::succeed();
}

Reply fd_pwd_lock(FdCtx& c) {
    if (c.r.u8(0) > 1) return c.fail(kTagErrorBadRequest);
    if (!c.allowed()) return c.fail(kTagErrorWrongPassword);
    // Read only is final.
    if (c.tag->fd_password_mode == 1 && c.r.u8(0) == 0) return c.fail(kTagErrorMemoryLocked);
    c.tag->fd_password_mode = c.r.u8(0);
    return tags::succeed();
}

Reply fd_init_end(FdCtx& c) {
    if (!c.allowed()) return c.fail(kTagErrorWrongPassword);
    c.tag->fd_quick_init = false;
    return tags::succeed();
}

// Password lock mode, quick-initialisation flag, then the areas' access rights, two bits an
// area (bit 0 not writable, bit 1 not readable), four areas a byte from the low bits up: the
// answer stays within the 20 bytes a reader's lock information holds.
Reply fd_lock_info(FdCtx& c) {
    std::vector<std::uint8_t> info{c.tag->fd_password_mode, static_cast<std::uint8_t>(c.tag->fd_quick_init)};
    for (std::size_t a = 0; a < c.tag->locks.size(); ++a) {
        if (a % 4 == 0) info.push_back(0);
        const LockTarget& l = c.tag->locks[a];
        info.back() = static_cast<std::uint8_t>(info.back() | (l.no_write | l.no_read << 1) << (2 * (a % 4)));
    }
    return tags::succeed(length_prefixed(info));
}

Reply fd_write_auth_key(FdCtx& c) {
    if (!c.allowed()) return c.fail(kTagErrorWrongPassword);
    auto b = c.r.bytes(0, 16);
    std::copy(b.begin(), b.end(), c.tag->auth_key.begin());
    return tags::succeed();
}

Reply fd_dual_auth(FdCtx& c) {
    if (c.r.u8(0) > 1) return c.fail(kTagErrorBadRequest);
    const auto& master = c.m.security.master_keys[c.r.u8(1)];
    const auto expected = c.r.u8(0) == 1 ? diversified_key(master, c.tag->areas[0]) : master;
    if (c.tag->auth_key != expected) return c.fail(kTagErrorWrongPassword);
    c.tag->granted |= grant::kMutualAuth;
    return tags::succeed({});
}

// The diversified key itself, 16 bytes with no count.
Reply fd_diver_key(FdCtx& c) {
    const auto key = diversified_key(c.m.security.master_keys[c.r.u8(0)], c.tag->areas[0]);
    return tags::succeed({key.begin(), key.end()});
}

}  // namespace

std::array<std::uint8_t, 16> diversified_key(const std::array<std::uint8_t, 16>& master,
                                             const std::vector<std::uint8_t>& tid) {
    std::array<std::uint8_t, 16> block{};
    for (std::size_t i = 0; i < 8; ++i) {
        block[i] = i < tid.size() ? tid[i] : 0;
        block[8 + i] = static_cast<std::uint8_t>(~block[i]);
    }
    const auto out = crypto::sm4_encrypt_block(master, block);
    std::array<std::uint8_t, 16> key{};
    std::copy_n(out.begin(), std::min<std::size_t>(16, out.size()), key.begin());
    return key;
}

SecurityDevices::SecurityDevices() {
    const std::vector<std::uint8_t> atr{0x3B, 0x6C, 0x00, 0x02, 0x86, 0x38, 0x86, 0x31,
                                        0x80, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07};
    for (PsamSlot& s : slots) s.atr = atr;
    // Factory master keys: identifier k gives 16 bytes counting up from k.
    for (std::size_t k = 0; k < master_keys.size(); ++k)
        for (std::size_t i = 0; i < 16; ++i) master_keys[k][i] = static_cast<std::uint8_t>(k + i);
}

void SecurityDevices::reset() {
    for (PsamSlot& s : slots) s.powered = false;
    fm151m.hash.release();
    fm151m.cipher.release();
}

void add_security_commands(CommandTable& table) {
    table[0xF0] = psam_power;
    table[0xF1] = psam_warm_reset;
    table[0xF2] = psam_command;
    table[0xF3] = psam_issue;
    table[0xD0] = fm_id;
    table[0xD1] = fm_random;
    table[0xD2] = fm_hash;
    table[0xD3] = fm_cipher;
    table[0xA0] = fd_command<4, fd_access>;
    table[0xA1] = fd_command<4, fd_pwd_write>;
    table[0xA2] = fd_command<1, fd_pwd_lock>;
    table[0xA3] = fd_command<4, fd_init_end>;
    table[0xA4] = fd_command<0, fd_lock_info>;
    table[0xA5] = fd_command<16, fd_write_auth_key>;
    table[0xA6] = fd_command<2, fd_dual_auth>;
    table[0xA7] = fd_command<1, fd_diver_key>;
}

}  // namespace kestrel::sim
