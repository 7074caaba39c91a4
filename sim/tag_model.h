// Tags in the reader's field, of the three standards, and what the reader keeps about them.
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::sim {

class ReaderModel;

class TagField {
public:
    // The field drops and comes back: tags lose their halted and access states.
    void power_cycle() {}
};

void install_tag_commands(ReaderModel& model);

}  // namespace kestrel::sim
