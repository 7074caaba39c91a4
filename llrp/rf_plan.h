// The reader's RF plan: the transmit power steps it accepts and the channels of each frequency
// region (channel n at first + n x step).
#pragma once

#include <cstdint>
#include <vector>

namespace kestrel::llrp {

constexpr int kMinPowerDbm = 15;
constexpr int kMaxPowerDbm = 33;  // in steps of 1 dBm
constexpr int kAntennas = 4;

struct RegionPlan {
    std::uint8_t code;
    int channels;
    std::uint32_t first_khz;
    std::uint32_t step_khz;
    std::uint16_t country;         // ISO 3166 numeric (0: a region, no one country)
    std::uint16_t communications;  // LLRP CommunicationsStandard
};

// Region codes 0 to 4: China 920 MHz, China 840 MHz, FCC 902 MHz, ETSI 865 MHz, Japan 952 MHz.
constexpr RegionPlan kRegions[] = {
    {0, 20, 920125, 250, 156, 0}, {1, 20, 840125, 250, 156, 0}, {2, 50, 902750, 500, 840, 1},
    {3, 15, 865100, 200, 0, 2},   {4, 9, 952200, 200, 392, 6},
};

// The plan of a region code; a code the reader does not define reads as FCC, as the reader's
// own console shows it.
inline const RegionPlan& region_plan(std::uint8_t code) { return kRegions[code < 5 ? code : 2]; }

inline std::vector<std::uint32_t> channel_frequencies(const RegionPlan& r) {
    std::vector<std::uint32_t> f;
    for (int n = 0; n < r.channels; ++n) f.push_back(r.first_khz + static_cast<std::uint32_t>(n) * r.step_khz);
    return f;
}

// Transmit power table index (1-based, as LLRP counts) of a power in dBm, and back.
inline int power_index(int dbm) { return dbm - kMinPowerDbm + 1; }
inline int power_dbm(int index) { return index + kMinPowerDbm - 1; }
constexpr int kPowerSteps = kMaxPowerDbm - kMinPowerDbm + 1;

}  // namespace kestrel::llrp
