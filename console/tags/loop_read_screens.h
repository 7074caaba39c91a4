// The loop-read test screen of each standard: a field test of reader and tags that runs one
// test cycle after another (wake every tag, check its passwords, read and write a fixed area,
// halt it, beep after a good cycle) until the operator stops it. Between two cycles the screen
// lets the window events through, so the operator can stop it and use other screens.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <utility>
#include <vector>

#include "console/tags/tag_standard.h"

namespace plover {
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::tags {

// Every request of the test cycle goes to the broadcast address, whatever pc_id holds.
inline constexpr std::uint8_t kLoopAddress = 0xFF;

// The fixed requests of one standard's test cycle.
struct LoopCycle {
    QByteArray wake;   // wake record matching every tag
    // Password checks, in order, each (bank, kind) as checkPassword takes them; the next runs
    // only when the one before succeeded.
    std::vector<std::pair<std::uint8_t, std::uint8_t>> checks;
    QByteArray read;   // memory record of the read
    QByteArray write;  // memory record of the write, data included
};
const LoopCycle& loopCycle(StandardId id);

void registerLoopReadScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::tags
