// The tag commands of the three standards (EPC, GB, GJB), and the GB and GJB security and
// GJB FD block commands, over the tags of tag_model.h.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/command.h"
#include "sim/tag_model.h"

namespace kestrel::sim {

// Puts the handlers of the tag commands into `table`.
void add_tag_commands(CommandTable& table);

// Answers of tag commands, shared with the FD commands of GB tags (security_model.cpp).
namespace tags {
// A failed tag command of standard `s`: its standard's status and the tag error code.
Reply fail(Standard s, std::uint8_t error);
Reply succeed(std::vector<std::uint8_t> data = {0x00});
}  // namespace tags

}  // namespace kestrel::sim
