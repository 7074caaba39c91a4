// The reader's security devices: PSAM card slots and the FM151M cryptographic chip.
#pragma once

namespace kestrel::sim {

class ReaderModel;

struct SecurityDevices {
    void reset() {}
};

void install_security_commands(ReaderModel& model);

}  // namespace kestrel::sim
