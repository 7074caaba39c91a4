// The reader's own settings and the device and RF commands that read and change them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <vector>

namespace kestrel::sim {

class ReaderModel;

// Indexes into the 7-byte work parameter record.
enum WorkParam : std::size_t {
    kWorkStandard = 0,   // 0 GB, 1 GJB, 2 EPC
    kWorkRegion = 1,     // frequency region code
    kWorkSpeed = 2,      // 0 low, 1 high
    kWorkHopping = 3,    // 0 fixed frequency, 1 hopping
    kWorkChannel = 4,    // channel index within the region
    kWorkPower = 5,      // transmit power, dBm
    kWorkAntenna = 6,    // 1..4
};

using ChannelMask = std::array<std::uint8_t, 8>;

// What the reader keeps in its own memory; a factory restore returns all of it to defaults.
struct ReaderSettings {
    std::uint8_t number = 1;
    std::array<std::uint8_t, 22> identity{};
    std::uint8_t baud_code = 4;  // 0 19200, 1 38400, 2 57600, 3 9600, 4 115200
    std::uint8_t temperature = 36;
    std::array<std::uint8_t, 7> work{2, 0, 1, 1, 0, 30, 1};
    bool chip_on = true;   // the reader chip (R2000): off, no tag command works
    bool carrier = false;  // continuous carrier wave
    std::uint8_t rssi = 62;
    std::map<std::uint8_t, ChannelMask> channels;  // per region; absent: all channels enabled
    std::array<std::uint8_t, 5> menjin{};          // access-control card-reader output
};

// One ALARM command as the reader received it.
struct AlarmEvent {
    std::uint8_t selector = 0;
    std::array<std::uint8_t, 3> values{};
};

// What the reader did without keeping state, for tests and the console's demo.
struct DeviceLog {
    std::vector<AlarmEvent> alarms;
    unsigned resets = 0;
    unsigned restores = 0;
};

// The factory identity text: 22 bytes, zero-padded.
std::array<std::uint8_t, 22> default_identity();
// Channel mask with every channel of `region` enabled.
ChannelMask full_channel_mask(std::uint8_t region);

// Installs the device (identity, number, rate, ALARM, reset, restore, temperature) and RF
// and work-parameter command handlers.
void install_device_commands(ReaderModel& model);

}  // namespace kestrel::sim
