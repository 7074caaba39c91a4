// The simulated reader: its state, and the one table of command handlers that answers it.
//
// The state lives in units, one per area of the reader: its own settings (device_model.h),
// the tags in its field and what it keeps about them (tag_model.h), and its security devices
// (security_model.h). The handlers of each unit's command codes (device_model.h,
// tag_commands.h, security_model.h) fill one table shared by every reader; a reader holds
// nothing but its state.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "sim/command.h"
#include "sim/device_model.h"
#include "sim/security_model.h"
#include "sim/tag_model.h"

namespace kestrel::sim {

class ReaderModel {
public:
    // A reader with the factory settings and no tags in its field.
    ReaderModel();

    // The reader's device number: it answers frames addressed to it (or to 0xFF), from it.
    std::uint8_t number() const { return settings.number; }
    // Sets the number now and as the factory default (what a restore returns to).
    void set_number(std::uint8_t n) { settings.number = n; defaults.number = n; }

    // Answers one command through the handler of its code.
    Reply handle(const Request& request);

    // Makes this reader answer one command code with `answer` instead of its handler: a test's
    // reader that answers what no simulated state would (a refusal, an oversize reply).
    using Answer = std::function<Reply(ReaderModel&, const Request&)>;
    void on(std::uint8_t command, Answer answer);

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
    std::vector<std::pair<std::uint8_t, Answer>> answers_;  // set by `on`; usually none
};

}  // namespace kestrel::sim
