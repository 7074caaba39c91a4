// The reader's own settings and the device and RF commands that read and change them.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <span>
#include <vector>

#include "sim/command.h"

namespace kestrel::sim {

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

// The reader's network interface (Set_IP_Address, Get_IP_Address): addresses one byte per group
// in text order, the port it listens on.
struct NetworkSettings {
    std::array<std::uint8_t, 4> ip{192, 168, 1, 200};
    std::array<std::uint8_t, 4> mask{255, 255, 255, 0};
    std::array<std::uint8_t, 4> gateway{192, 168, 1, 1};
    std::array<std::uint8_t, 6> mac{0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11};
    std::uint16_t port = 5084;

    // The 20-byte record of the two commands: gateway, mask, MAC, IP, port (high byte first).
    static constexpr std::size_t kRecordSize = 20;
    std::array<std::uint8_t, kRecordSize> record() const;
    void set_record(std::span<const std::uint8_t, kRecordSize> record);
};

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
    NetworkSettings network;
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

// Puts the handlers of the device commands (identity, number, rate, ALARM, reset, restore,
// temperature, network) and the RF and work-parameter commands into `table`.
void add_device_commands(CommandTable& table);

}  // namespace kestrel::sim
