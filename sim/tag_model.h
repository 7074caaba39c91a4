// Tags in the reader's field, of the three standards, and what the reader keeps about them.
//
// One tag type serves EPC, GB and GJB tags: numbered memory areas of 16-bit words, lock
// targets over word ranges, passwords, and the states a tag goes through (halted, killed,
// credentials granted in the current session). A standard descriptor says how the three
// differ: command codes, area codes, word-count width, what identifies a tag in a list.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace kestrel::sim {

enum class Standard : std::uint8_t { epc = 0, gb = 1, gjb = 2 };
inline constexpr std::size_t kStandards = 3;

// Tag error codes: the first reply byte of a failed tag command.
enum TagError : std::uint8_t {
    kTagErrorOther = 0x00,           // the tag refused without saying why
    kTagErrorNoTag = 0x01,           // no tag answered (none in the field, none matching)
    kTagErrorMemoryOverrun = 0x03,   // area code unknown, or the words run past the area's end
    kTagErrorMemoryLocked = 0x04,    // a lock forbids the access, or a permanent lock the change
    kTagErrorWrongPassword = 0x05,   // password or key check failed, or a needed one is missing
    kTagErrorBadRequest = 0x06,      // request malformed: wrong size, counts that disagree
    kTagErrorReaderOff = 0x0B,       // the reader chip is off: no field, no tag
};

// How one standard's commands look on the wire.
struct StandardInfo {
    Standard id;
    const char* name;           // "epc", "gb", "gjb" (scenario files)
    std::uint8_t base;          // command code of the read-select-parameters command
    std::uint8_t custom;        // command code of the vendor custom command
    std::uint8_t error_status;  // reader status of a failed tag command
    std::uint8_t count_bytes;   // width of word counts in memory requests: 1 or 2
    bool select_has_q;          // the select record carries a Q value
    std::uint8_t area_codes;    // area codes 0 .. area_codes-1 address memory
};
const StandardInfo& standard_info(Standard s);
// The standard whose name is `name`; false when there is none.
bool standard_by_name(const std::string& name, Standard& out);

using Password = std::array<std::uint8_t, 4>;
using Key16 = std::array<std::uint8_t, 16>;

// The four bytes from `offset` of `bytes` (zeros past the end).
Password password_at(std::span<const std::uint8_t> bytes, std::size_t offset);
// A zero password protects nothing.
inline bool is_zero(const Password& p) { return p == Password{}; }

// GB areas: information, coding, security, user 1..16.
inline constexpr std::uint8_t kGbAreas = 19;
inline constexpr std::uint8_t kGbSecurityArea = 2;

// A range of words that locks as one, with its access rights.
struct LockTarget {
    std::uint8_t area = 0;
    std::uint16_t first_word = 0;
    std::uint16_t words = 0xFFFF;  // to the end of the area
    bool no_read = false;
    bool no_write = false;
    bool permanent = false;        // the rights can no longer change
    std::uint8_t security_mode = 0;  // GB: recorded "security mode" configuration
};

// Area indexes beyond the standard's codes: the two FD user sub-areas of GJB tags.
inline constexpr std::uint8_t kGjbFdSubArea2 = 4;
inline constexpr std::uint8_t kGjbFdSubArea3 = 5;

// Credentials a tag has granted in its current session (bits of Tag::granted).
namespace grant {
inline constexpr std::uint64_t kEpcSecured = 1;                  // EPC access password checked
inline std::uint64_t gb_area(std::uint8_t area, bool write) { return 1ull << (2 * area + (write ? 1 : 0)); }
inline constexpr std::uint64_t kGjbRead = 1, kGjbWrite = 2, kGjbLock = 4, kGjbKill = 8;
inline constexpr std::uint64_t kMutualAuth = 1ull << 60;         // GB mutual authentication done
inline constexpr std::uint64_t kFdPassword = 1ull << 61;         // FD security password checked
}  // namespace grant

// GJB passwords travel in this order.
enum GjbPassword : std::size_t { kGjbKillPw = 0, kGjbLockPw = 1, kGjbReadPw = 2, kGjbWritePw = 3 };
// The reader's EPC passwords, in the order they travel.
enum EpcPassword : std::size_t { kEpcAccessPw = 0, kEpcKillPw = 1 };

// When a tag is in the reader's field, on the field's clock (seconds): from `in_s` until
// `out_s`; with a period, from `in_s` until `out_s` within every period (the clock's time
// modulo `period_s`). A tag out of the field answers nothing, as if it were not there; it keeps
// its memory and states and answers again once it is back.
struct Presence {
    double in_s = 0;
    double out_s = std::numeric_limits<double>::infinity();  // never leaves
    double period_s = 0;                                     // 0: no period

    bool at(double seconds) const;
};

// The time the field's schedules run on: seconds since the reader was built from its scenario,
// on the steady clock. Tests set it by hand instead.
class FieldClock {
public:
    double seconds() const;
    // The time is 0 now and runs on from there.
    void restart();
    // The time stands at `seconds` until set again or restarted.
    void set(double seconds) { manual_ = seconds; }

private:
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::optional<double> manual_;
};

struct Tag {
    Standard standard = Standard::epc;
    // Area contents, two bytes a word. EPC: reserved, EPC (CRC, PC, EPC), TID, user.
    // GB: information, coding, security, user 1..16. GJB: information, coding, security,
    // user, FD sub-area 2, FD sub-area 3.
    std::vector<std::vector<std::uint8_t>> areas;
    std::vector<LockTarget> locks;
    // GB: read and write password of each area. GJB: kill, lock, read, write.
    // EPC passwords live in its reserved memory.
    std::vector<std::array<Password, 2>> area_passwords;
    std::array<Password, 4> passwords{};
    std::array<std::uint8_t, 2> security_word{};  // GB and GJB: sent before the coding area
    std::vector<std::uint8_t> sec_params;         // GB: 6 bytes; GJB: the tag's parameters
    Key16 auth_key{};                             // GB authentication key
    Password fd_password{};                       // FD security password
    std::uint8_t fd_password_mode = 0;            // 0 writable, 1 read only
    bool fd_quick_init = true;                    // FD quick-initialisation mode
    bool killed = false;
    bool halted = false;
    std::uint64_t granted = 0;
    Presence presence;

    // A tag of `s` with blank memory of the standard's sizes and its lock targets.
    static Tag blank(Standard s);
    // EPC: sets the EPC (whole words), its PC length bits and the stored CRC.
    void set_epc(std::span<const std::uint8_t> epc);
    // EPC: recomputes the stored CRC over PC and EPC.
    void update_crc();
    // What the reader reports for the tag in a list and on wake: EPC tags their EPC (as
    // long as the PC says); GB and GJB tags their security word and coding area.
    std::vector<std::uint8_t> identifier() const;
    // Whether the area's bits from `bit_address` match `mask` over `bit_length` bits.
    bool matches(std::uint8_t area, std::uint16_t bit_address, std::uint8_t bit_length,
                 std::span<const std::uint8_t> mask) const;

    // The access rules, the same for the three standards. Each check answers the tag error
    // code of what forbids the access, or 0 when it may go ahead.
    // Words [word, word + count) lie within `area`.
    std::uint8_t check_range(std::uint8_t area, std::uint32_t word, std::uint32_t count) const;
    // The tag lets the reader read (or write) words [word, word + count) of `area`: no lock
    // forbids it, and the password the access needs is zero or was checked.
    std::uint8_t check_access(std::uint8_t area, std::uint32_t word, std::uint32_t count, bool write) const;
    // EPC: the access password was checked in this session, or is zero.
    bool epc_secured() const;
    // Whether password `p` lets the access it guards go ahead: it is zero, or the tag granted
    // `grant_bit` in this session.
    bool opens(const Password& p, std::uint64_t grant_bit) const { return is_zero(p) || (granted & grant_bit); }
    // Stores `bytes` from `word` of `area` (checked by the caller); an EPC write keeps the CRC.
    void store_words(std::uint8_t area, std::uint32_t word, std::span<const std::uint8_t> bytes);
    // Whether the tag can answer at `seconds` on the field's clock: not killed, and in the field.
    bool present(double seconds) const { return !killed && presence.at(seconds); }
};

// The select parameters of one standard.
struct SelectParams {
    std::uint8_t area = 1;
    std::uint16_t bit_address = 0;
    std::uint8_t bit_length = 0;
    std::vector<std::uint8_t> mask;
    std::uint8_t q = 4;       // EPC only
    std::uint8_t time = 20;   // inventory time, 50 ms units
};

// What the reader keeps about one standard; `stored` is the part the store flags put in
// the reader's own memory, which survives a reset.
struct ReaderKeeps {
    SelectParams select;
    // EPC: access, kill. GB: read and write password of each area, 2 per area. GJB: kill,
    // lock, read, write.
    std::vector<Password> passwords;
};

struct StandardSide {
    ReaderKeeps working;
    ReaderKeeps stored;
    std::vector<std::vector<std::uint8_t>> list;  // the last inventory's tag records
    std::size_t block_start = 0;                  // first record of the last block sent
    std::size_t block_count = 0;                  // records in it
    int current = -1;                             // the tag last woken, an index into tags
};

class TagField {
public:
    TagField();

    std::vector<Tag> tags;
    std::array<StandardSide, kStandards> side;
    Key16 auth_password{};  // GB: the reader's authentication password
    FieldClock clock;
    double now_s = 0;  // the clock's time when the command at hand arrived

    // Takes the time of a command's arrival: every tag it reaches is in or out of the field
    // as of then.
    void take_time() { now_s = clock.seconds(); }
    // Whether `t` answers the command at hand.
    bool answers(const Tag& t) const { return t.present(now_s); }

    StandardSide& of(Standard s) { return side[static_cast<std::size_t>(s)]; }
    // The tag the reader talks to for `s`: the tag last woken while it is still awake,
    // else the first awake tag that matches the select parameters; none: nullptr.
    Tag* target(Standard s);
    // The field drops and comes back: tags lose their halted and session states.
    void power_cycle();
    // A reader reset: what the reader kept without the store flag is lost.
    void reset();
    // A factory restore: the stored parameters return to their defaults too.
    void forget_stored();
};

}  // namespace kestrel::sim
