#include "sim/device_model.h"

#include <algorithm>
#include <cstring>

#include "sim/reader_model.h"
#include "sim/request_view.h"

namespace kestrel::sim {

namespace {

// Channels of each frequency region: 920 MHz, 840 MHz, FCC, ETSI, Japan.
constexpr std::array<std::uint8_t, 5> kChannelsPerRegion{20, 20, 50, 15, 9};
constexpr std::uint8_t kRegions = kChannelsPerRegion.size();
constexpr std::uint8_t kMaxPower = 33;
constexpr std::uint8_t kAntennas = 4;
constexpr std::uint8_t kBaudCodes = 5;
constexpr std::uint8_t kMaxAlarmSelector = 7;

Reply ok(std::vector<std::uint8_t> data = {}) { return Reply{kStatusOk, std::move(data)}; }
Reply refused() { return Reply{kStatusBadParameter, {}}; }

// Whether a work parameter record is one the reader can run with.
bool valid_work(std::span<const std::uint8_t> w) {
    return w[kWorkStandard] <= 2 && w[kWorkRegion] < kRegions && w[kWorkSpeed] <= 1 && w[kWorkHopping] <= 1 &&
           w[kWorkChannel] < kChannelsPerRegion[w[kWorkRegion]] && w[kWorkPower] <= kMaxPower &&
           w[kWorkAntenna] >= 1 && w[kWorkAntenna] <= kAntennas;
}

// The handler of a command whose request is exactly `Size` bytes; any other size is refused.
template <std::size_t Size, Reply (*Run)(ReaderModel&, RequestView)>
Reply sized(ReaderModel& m, const Request& r) {
    if (r.data.size() != Size) return refused();
    return Run(m, RequestView(r.data));
}

// ---- device management ----

Reply restore(ReaderModel& m, RequestView) {
    m.restore();
    return ok();
}

Reply reset(ReaderModel& m, RequestView) {
    m.reset();
    return ok();
}

Reply set_baud(ReaderModel& m, RequestView r) {
    if (r.u8(0) >= kBaudCodes) return refused();
    m.settings.baud_code = r.u8(0);
    return ok();
}

Reply alarm(ReaderModel& m, RequestView r) {
    if (r.u8(0) > kMaxAlarmSelector) return refused();
    m.log.alarms.push_back(AlarmEvent{r.u8(0), {r.u8(1), r.u8(2), r.u8(3)}});
    return ok();
}

Reply identity(ReaderModel& m, RequestView) { return ok({m.settings.identity.begin(), m.settings.identity.end()}); }

// The reply to a new number comes from that number: the responder reads the number after the
// handler ran.
Reply set_number(ReaderModel& m, RequestView r) {
    if (r.u8(0) == 0xFF) return refused();  // the broadcast address names no reader
    m.settings.number = r.u8(0);
    return ok();
}

Reply number(ReaderModel& m, RequestView) { return ok({m.settings.number}); }

// Network settings: the 20-byte record. A port of 0 is refused (nothing could connect).
Reply set_network(ReaderModel& m, RequestView r) {
    const auto record = r.bytes(0, NetworkSettings::kRecordSize);
    if (record[18] == 0 && record[19] == 0) return refused();
    m.settings.network.set_record(record.first<NetworkSettings::kRecordSize>());
    return ok();
}

Reply network(ReaderModel& m, RequestView) {
    const auto record = m.settings.network.record();
    return ok({record.begin(), record.end()});
}

Reply temperature(ReaderModel& m, RequestView) {
    // A carrier running warms the power amplifier up a little.
    return ok({static_cast<std::uint8_t>(m.settings.temperature + (m.settings.carrier ? 4 : 0))});
}

// ---- RF and work parameters ----

Reply set_work(ReaderModel& m, RequestView r) {
    auto w = r.bytes(0, 7);
    if (!valid_work(w)) return refused();
    std::copy(w.begin(), w.end(), m.settings.work.begin());
    return ok();
}

Reply work(ReaderModel& m, RequestView) { return ok({m.settings.work.begin(), m.settings.work.end()}); }

Reply switch_chip(ReaderModel& m, RequestView r) {
    if (r.u8(0) > 1) return refused();
    const bool on = r.u8(0) == 1;
    if (!on) m.settings.carrier = false;
    // Switching the chip drops or raises the field: tags lose their session states.
    if (on != m.settings.chip_on) m.field.power_cycle();
    m.settings.chip_on = on;
    return ok();
}

Reply switch_carrier(ReaderModel& m, RequestView r) {
    if (r.u8(0) > 1) return refused();
    if (!m.settings.chip_on) return Reply{kStatusReaderOff, {}};
    m.settings.carrier = r.u8(0) == 1;
    return ok();
}

Reply power(ReaderModel& m, RequestView) {
    const auto& s = m.settings;
    const std::uint8_t level = s.work[kWorkPower];
    // Actual power is what leaves the antenna: nothing while the chip is off.
    const std::uint8_t actual = s.chip_on ? level : 0;
    const std::uint8_t rssi = s.chip_on ? s.rssi : 0;
    return ok({level, actual, rssi});
}

Reply set_antenna(ReaderModel& m, RequestView r) {
    if (r.u8(0) < 1 || r.u8(0) > kAntennas) return refused();
    m.settings.work[kWorkAntenna] = r.u8(0);
    return ok();
}

Reply set_channels(ReaderModel& m, RequestView r) {
    if (r.u8(0) >= kRegions) return refused();
    ChannelMask mask{};
    auto b = r.bytes(1, 8);
    std::copy(b.begin(), b.end(), mask.begin());
    m.settings.channels[r.u8(0)] = mask;
    return ok();
}

Reply channels(ReaderModel& m, RequestView r) {
    if (r.u8(0) >= kRegions) return refused();
    auto it = m.settings.channels.find(r.u8(0));
    const ChannelMask mask = it != m.settings.channels.end() ? it->second : full_channel_mask(r.u8(0));
    return ok({mask.begin(), mask.end()});
}

Reply set_menjin(ReaderModel& m, RequestView r) {
    if (r.u8(0) > 1 || r.u8(4) > 4) return refused();
    auto b = r.bytes(0, 5);
    std::copy(b.begin(), b.end(), m.settings.menjin.begin());
    return ok();
}

Reply menjin(ReaderModel& m, RequestView) { return ok({m.settings.menjin.begin(), m.settings.menjin.end()}); }

}  // namespace

std::array<std::uint8_t, NetworkSettings::kRecordSize> NetworkSettings::record() const {
    std::array<std::uint8_t, kRecordSize> r{};
    auto at = std::copy(gateway.begin(), gateway.end(), r.begin());
    at = std::copy(mask.begin(), mask.end(), at);
    at = std::copy(mac.begin(), mac.end(), at);
    at = std::copy(ip.begin(), ip.end(), at);
    *at++ = static_cast<std::uint8_t>(port >> 8);
    *at = static_cast<std::uint8_t>(port);
    return r;
}

void NetworkSettings::set_record(std::span<const std::uint8_t, kRecordSize> r) {
    std::copy_n(r.begin(), 4, gateway.begin());
    std::copy_n(r.begin() + 4, 4, mask.begin());
    std::copy_n(r.begin() + 8, 6, mac.begin());
    std::copy_n(r.begin() + 14, 4, ip.begin());
    port = static_cast<std::uint16_t>(r[18] << 8 | r[19]);
}

std::array<std::uint8_t, 22> default_identity() {
    std::array<std::uint8_t, 22> id{};
    const char text[] = "Heron UHF Reader V1.00";
    std::memcpy(id.data(), text, std::min(sizeof text - 1, id.size()));
    return id;
}

ChannelMask full_channel_mask(std::uint8_t region) {
    ChannelMask mask{};
    const unsigned n = region < kRegions ? kChannelsPerRegion[region] : 0;
    // Channel c is bit 7 - c % 8 of byte c / 8: the mask reads left to right as channels.
    for (unsigned c = 0; c < n; ++c) mask[c / 8] |= static_cast<std::uint8_t>(0x80 >> (c % 8));
    return mask;
}

void add_device_commands(CommandTable& table) {
    // Device management.
    table[0x01] = sized<0, restore>;
    table[0x02] = sized<0, reset>;
    table[0x03] = sized<1, set_baud>;
    table[0x04] = sized<4, alarm>;
    table[0x05] = sized<0, identity>;
    table[0x06] = sized<1, set_number>;
    table[0x07] = sized<0, number>;
    table[0x08] = sized<NetworkSettings::kRecordSize, set_network>;
    table[0x09] = sized<0, network>;
    table[0x10] = sized<0, temperature>;
    // RF and work parameters.
    table[0x11] = sized<7, set_work>;
    table[0x12] = sized<0, work>;
    table[0x13] = sized<1, switch_chip>;
    table[0x14] = sized<1, switch_carrier>;
    table[0x15] = sized<0, power>;
    table[0x17] = sized<1, set_antenna>;
    table[0x18] = sized<9, set_channels>;
    table[0x19] = sized<1, channels>;
    table[0x1A] = sized<5, set_menjin>;
    table[0x1B] = sized<0, menjin>;
}

}  // namespace kestrel::sim
