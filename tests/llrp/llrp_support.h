// Helpers of the LLRP tests: a scripted reader behind the ReaderPort interface, a client that
// decodes what the LLRP reader sends, and builders of the requests the tests send.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "llrp/codec.h"
#include "llrp/llrp_reader.h"
#include "llrp/reader_port.h"

namespace kestrel::llrp::test {

// A field of EPC tags with TID and user memory, answering as the reader does: commands act on
// the selected tag; a failure names the tag error code.
class ScriptedPort : public ReaderPort {
public:
    struct Tag {
        Bytes epc;
        Bytes tid = Bytes(12, 0xE2);
        Bytes user = Bytes(8, 0);
        std::uint32_t access_password = 0;
        bool user_locked = false;  // writes to user memory need the access password
        bool present = true;
    };
    std::vector<Tag> tags;
    WorkParams work{2, 3, 1, 0, 4, 27, 1};  // EPC, ETSI, high speed, fixed channel 4, 27 dBm, antenna 1
    std::int32_t inventory_result = 0;
    std::int64_t utc_us = 1'700'000'000'000'000;
    int rounds = 0, antenna = 0, set_work_calls = 0;
    std::vector<std::array<std::uint8_t, 5>> locks;
    std::vector<std::uint32_t> access_checks;
    int selected = -1;
    bool granted = false;

    std::int32_t inventory(std::vector<Sighting>& out) override {
        ++rounds;
        out.clear();
        if (inventory_result) return inventory_result;
        for (const Tag& t : tags)
            if (t.present) out.push_back({t.epc, utc_us});
        utc_us += 1000;
        return 0;
    }
    std::int32_t set_antenna(int a) override {
        antenna = a;
        return 0;
    }
    std::int32_t get_work_params(WorkParams& p) override {
        p = work;
        return 0;
    }
    std::int32_t set_work_params(const WorkParams& p) override {
        work = p;
        ++set_work_calls;
        return 0;
    }
    std::int32_t identity(std::string& text) override {
        text = "Heron UHF Reader V1.00";
        return 0;
    }
    std::int32_t mac_address(std::array<std::uint8_t, 6>& mac) override {
        mac = {0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11};
        return 0;
    }
    TagOutcome select(const Bytes& epc) override {
        granted = false;
        for (std::size_t i = 0; i < tags.size(); ++i)
            if (tags[i].present && tags[i].epc == epc) {
                selected = static_cast<int>(i);
                return {};
            }
        return fail(tag_error::no_tag);
    }
    TagOutcome access(std::uint32_t password) override {
        access_checks.push_back(password);
        if (selected < 0) return fail(tag_error::no_tag);
        if (tags[selected].access_password != password) return fail(tag_error::wrong_password);
        granted = true;
        return {};
    }
    Bytes* bank(std::uint8_t b) {
        if (selected < 0) return nullptr;
        Tag& t = tags[selected];
        return b == 1 ? &t.epc : b == 2 ? &t.tid : b == 3 ? &t.user : nullptr;
    }
    TagOutcome read(std::uint8_t b, std::uint16_t word, std::uint8_t count, Bytes& data) override {
        if (selected < 0 || !tags[selected].present) return fail(tag_error::no_tag);
        Bytes* m = bank(b);
        if (!m || 2u * (word + count) > m->size()) return fail(tag_error::memory_overrun);
        data.assign(m->begin() + 2 * word, m->begin() + 2 * (word + count));
        return {};
    }
    TagOutcome write(std::uint8_t b, std::uint16_t word, const std::vector<std::uint16_t>& words, bool) override {
        if (selected < 0) return fail(tag_error::no_tag);
        Bytes* m = bank(b);
        if (!m || 2u * (word + words.size()) > m->size()) return fail(tag_error::memory_overrun);
        if (b == 3 && tags[selected].user_locked && !granted) return fail(tag_error::memory_locked);
        for (std::size_t i = 0; i < words.size(); ++i) {
            (*m)[2 * (word + i)] = static_cast<std::uint8_t>(words[i] >> 8);
            (*m)[2 * (word + i) + 1] = static_cast<std::uint8_t>(words[i]);
        }
        return {};
    }
    TagOutcome erase(std::uint8_t b, std::uint16_t word, std::uint8_t count) override {
        return write(b, word, std::vector<std::uint16_t>(count, 0), true);
    }
    TagOutcome lock(const std::array<std::uint8_t, 5>& l) override {
        if (selected < 0) return fail(tag_error::no_tag);
        locks.push_back(l);
        return {};
    }
    TagOutcome kill(std::uint32_t) override {
        if (selected < 0) return fail(tag_error::no_tag);
        tags[selected].present = false;
        return {};
    }
    static TagOutcome fail(std::uint8_t code) { return {0, 1, code}; }
};

inline Bytes epc_of(int n, std::size_t size = 12) {
    Bytes e(size, 0x30);
    e[size - 1] = static_cast<std::uint8_t>(n);
    return e;
}

// The messages an LlrpReader sent, decoded.
struct Inbox {
    std::vector<Element> messages;
    LlrpReader::Send sink() {
        return [this](const Bytes& b) {
            Element e;
            if (auto r = decode(b, e)) throw std::runtime_error("the reader sent an undecodable message: " + r->description);
            messages.push_back(std::move(e));
        };
    }
    std::vector<Element> take(std::uint16_t type) {
        std::vector<Element> out, rest;
        for (Element& m : messages) (m.type() == type ? out : rest).push_back(std::move(m));
        messages = std::move(rest);
        return out;
    }
    // The status code of the one response of `type` (fails the test when not exactly one).
    std::uint16_t status_of(std::uint16_t type);
};

struct RoSpecShape {
    std::uint32_t id = 1;
    std::uint8_t priority = 0;
    std::uint8_t start = 0;  // 0 null, 1 immediate, 2 periodic
    std::uint32_t offset = 0, period = 0;
    std::uint8_t stop = 0;   // 0 null, 1 duration
    std::uint32_t duration = 0;
    std::vector<std::uint32_t> antennas = {1};
    std::uint8_t ai_stop = 0;  // 0 null, 1 duration, 3 tag observation
    std::uint32_t ai_duration = 0;
    std::uint8_t observation = 0;
    std::uint16_t tags = 0, attempts = 0, quiet_ms = 0;
    std::uint32_t timeout = 0;
    std::uint16_t ipspec = 9;
    std::uint8_t protocol = 1;
    std::optional<std::uint8_t> report = std::nullopt;  // ROReportTrigger, when the ROSpec has its own
    std::uint16_t n = 0;
    std::vector<std::string> enable = {"EnableROSpecID", "EnableAntennaID", "EnableTagSeenCount"};
};
Element rospec_parameter(const RoSpecShape& s);
Element add_rospec(const RoSpecShape& s, std::uint32_t message_id = 1);
Element with_id(std::uint16_t type, const char* field, std::uint64_t id, std::uint32_t message_id = 1);
Element access_spec(std::uint32_t id, std::vector<Element> ops, std::uint16_t operations = 0,
                    std::optional<std::uint8_t> report_trigger = std::nullopt);
Element c1g2_read(std::uint16_t op, std::uint8_t bank, std::uint16_t word, std::uint16_t count,
                  std::uint32_t password = 0);
Element c1g2_write(std::uint16_t op, std::uint8_t bank, std::uint16_t word, std::vector<std::uint32_t> data,
                   std::uint32_t password = 0);

}  // namespace kestrel::llrp::test
