// The simulated reader: its state and one handler per command code.
//
// The state lives in units, one per area of the reader: its own settings (device_model.h),
// the tags in its field and what it keeps about them (tag_model.h), and its security devices
// (security_model.h). Each unit installs the handlers of its command codes into the table.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "sim/device_model.h"
#include "sim/security_model.h"
#include "sim/tag_model.h"

namespace kestrel::sim {

// One decoded command, as the reader received it.
struct Request {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::span<const std::uint8_t> data;
};

// What the reader answers: status byte and reply data.
struct Reply {
    std::uint8_t status = 0;
    std::vector<std::uint8_t> data;
};

// Reader status bytes. Tag commands that fail answer their standard's tag-error status
// (kStatusTagErrorEpc, kStatusTagErrorGb) with the tag error code (tag_model.h) as the first
// reply byte; the other statuses belong to the reader's own commands.
inline constexpr std::uint8_t kStatusOk = 0x00;
inline constexpr std::uint8_t kStatusTagErrorEpc = 0x01;
inline constexpr std::uint8_t kStatusTagErrorGb = 0x02;  // GB and GJB
inline constexpr std::uint8_t kStatusBadParameter = 0x03;
inline constexpr std::uint8_t kStatusReaderOff = 0x04;
inline constexpr std::uint8_t kStatusNotSupported = 0x05;
inline constexpr std::uint8_t kStatusNotReady = 0x06;
// Status byte of the reply to a command code the reader does not know.
inline constexpr std::uint8_t kStatusUnknownCommand = 0xFF;

class ReaderModel {
public:
    using Handler = std::function<Reply(ReaderModel&, const Request&)>;

    // A reader with the factory settings and no tags in its field.
    ReaderModel();

    // The reader's device number: it answers frames addressed to it (or to 0xFF), from it.
    std::uint8_t number() const { return settings.number; }
    // Sets the number now and as the factory default (what a restore returns to).
    void set_number(std::uint8_t n) { settings.number = n; defaults.number = n; }

    // Installs (or replaces) the handler of one command code.
    void on(std::uint8_t command, Handler handler);

    // Answers one command through its handler.
    Reply handle(const Request& request);

    // A device reset: what the reader keeps only in working memory is lost, the tags in the
    // field lose power (halted and access states clear), stored settings stay.
    void reset();
    // A factory restore: the settings return to `defaults`, then a reset.
    void restore();
    // Makes the current settings the factory defaults (after loading a scenario).
    void adopt_defaults() { defaults = settings; }

    ReaderSettings settings;   // what the reader keeps in its own memory
    ReaderSettings defaults;   // the factory settings a restore returns to
    DeviceLog log;             // what the reader did that has no state (ALARM, resets)
    TagField field;            // the tags and what the reader keeps about each standard
    SecurityDevices security;  // PSAM slots and the FM151M chip

private:
    std::array<Handler, 256> handlers_{};
};

}  // namespace kestrel::sim
