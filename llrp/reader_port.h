// What the LLRP front end needs of a reader: the EPC inventory, the EPC memory commands and
// the RF settings. KestrelPort does it over a reader handle (kestrel/reader.h); tests put a
// scripted reader in its place.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct kestrel_reader;

namespace kestrel::llrp {

struct Sighting {
    std::vector<std::uint8_t> epc;  // the tag record: the EPC as the reader reports it
    std::int64_t utc_us = 0;        // when the reader's tag list block holding it arrived
};

// The outcome of one tag command: the link's result (0 when the reader answered), the reader
// status, and the tag's error code when the reader reports a refusal.
struct TagOutcome {
    std::int32_t link = 0;
    std::uint8_t status = 0;
    std::uint8_t tag_error = 0;
    bool ok() const { return link == 0 && status == 0; }
};

// Tag error codes the reader reports after a failed tag command.
namespace tag_error {
constexpr std::uint8_t no_tag = 0x01, memory_overrun = 0x03, memory_locked = 0x04, wrong_password = 0x05,
                       bad_request = 0x06, chip_off = 0x0B;
}

// The seven work parameters: standard, region, speed, frequency mode, channel, power (dBm), antenna.
using WorkParams = std::array<std::uint8_t, 7>;
namespace work {
constexpr std::size_t standard = 0, region = 1, speed = 2, frequency_mode = 3, channel = 4, power = 5, antenna = 6;
}

class ReaderPort {
public:
    virtual ~ReaderPort() = default;
    // One inventory round: the tags the reader holds afterwards. Returns 0 or the result code.
    virtual std::int32_t inventory(std::vector<Sighting>& tags) = 0;
    virtual std::int32_t set_antenna(int antenna) = 0;
    virtual std::int32_t get_work_params(WorkParams& params) = 0;
    virtual std::int32_t set_work_params(const WorkParams& params) = 0;
    // The identity text (firmware line) and the network module's MAC address.
    virtual std::int32_t identity(std::string& text) = 0;
    virtual std::int32_t mac_address(std::array<std::uint8_t, 6>& mac) = 0;
    // Makes the tag whose EPC is `epc` the one the next tag commands act on.
    virtual TagOutcome select(const std::vector<std::uint8_t>& epc) = 0;
    // Checks an access password on the selected tag (the reader keeps it for the session).
    virtual TagOutcome access(std::uint32_t password) = 0;
    virtual TagOutcome read(std::uint8_t bank, std::uint16_t word, std::uint8_t count,
                            std::vector<std::uint8_t>& data) = 0;
    virtual TagOutcome write(std::uint8_t bank, std::uint16_t word, const std::vector<std::uint16_t>& words,
                             bool block) = 0;
    virtual TagOutcome erase(std::uint8_t bank, std::uint16_t word, std::uint8_t count) = 0;
    // The five lock bytes: kill password, access password, EPC, TID, User.
    virtual TagOutcome lock(const std::array<std::uint8_t, 5>& lock) = 0;
    virtual TagOutcome kill(std::uint32_t kill_password) = 0;
};

// The reader behind a kestrel handle, opened by URI on first use and reopened after a link
// failure (a reader that was switched off and on again is found again).
class KestrelPort final : public ReaderPort {
public:
    explicit KestrelPort(std::string uri);
    ~KestrelPort() override;
    KestrelPort(const KestrelPort&) = delete;
    KestrelPort& operator=(const KestrelPort&) = delete;

    // Opens the link now; 0 or the result of kestrel_open.
    std::int32_t open();
    const std::string& uri() const { return uri_; }

    std::int32_t inventory(std::vector<Sighting>& tags) override;
    std::int32_t set_antenna(int antenna) override;
    std::int32_t get_work_params(WorkParams& params) override;
    std::int32_t set_work_params(const WorkParams& params) override;
    std::int32_t identity(std::string& text) override;
    std::int32_t mac_address(std::array<std::uint8_t, 6>& mac) override;
    TagOutcome select(const std::vector<std::uint8_t>& epc) override;
    TagOutcome access(std::uint32_t password) override;
    TagOutcome read(std::uint8_t bank, std::uint16_t word, std::uint8_t count, std::vector<std::uint8_t>& data) override;
    TagOutcome write(std::uint8_t bank, std::uint16_t word, const std::vector<std::uint16_t>& words,
                     bool block) override;
    TagOutcome erase(std::uint8_t bank, std::uint16_t word, std::uint8_t count) override;
    TagOutcome lock(const std::array<std::uint8_t, 5>& lock) override;
    TagOutcome kill(std::uint32_t kill_password) override;

private:
    kestrel_reader* handle();
    // Keeps the result; a link failure closes the handle so the next call reopens it.
    std::int32_t judge(std::int32_t result, bool reader_status);
    TagOutcome tag_outcome(std::int32_t result, std::uint8_t verdict);

    std::string uri_;
    kestrel_reader* reader_ = nullptr;
    // The passwords last given to the reader (unknown until the first is given).
    std::optional<std::uint32_t> kill_password_;
    std::optional<std::uint32_t> access_password_;
};

}  // namespace kestrel::llrp
