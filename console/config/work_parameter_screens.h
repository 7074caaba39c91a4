// set_Device_Work: the reader's seven work parameters as selection lists, read when the screen
// opens and written on request, with the radio commands (RF power and RSSI, carrier wave, reader
// chip power, active antenna, temperature). set_CH_Active_a: the enabled-channel mask of one
// frequency region, opened from set_Device_Work.
#pragma once

#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace plover {
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::config {

// The frequency regions: 920 MHz, 840 MHz, FCC, ETSI, Japan.
inline constexpr int kRegions = 5;
// The region list's items, "0-国标920MHz" to "4-JAPAN 952MHz".
const QStringList& regionItems();

// The channel list of a region (0 to 4): "00-频率 920.125 MHz" and so on; empty for others.
QStringList channelItems(int region);

// The region whose item the text is; a text that is none of them gives FCC (2).
int regionOfText(const QString& text);

// The work parameter record's size.
inline constexpr std::size_t kWorkRecord = 7;
using WorkRecord = std::array<std::uint8_t, kWorkRecord>;

// The texts of the seven lists, in record order.
struct WorkFields {
    QString tagType, region, speed, mode, channel, power, antenna;
    bool operator==(const WorkFields&) const = default;
};

// The number a list text begins with, read from its first `digits` characters as a decimal
// number ("07-频率 921.875 MHz" is 7, "30- 30dBm" is 30, "7-" read by two is 7); none when the
// text does not begin with a digit.
std::optional<int> listNumber(const QString& text, int digits);

// The record to write from the lists' texts, or none when a text does not begin with a digit.
// The numbers are sent as they are; the reader judges them.
std::optional<WorkRecord> workRecord(const WorkFields& fields);

// The texts that show a record read from the reader. A region above 4 shows region 0, and the
// channel is named from the list of the region shown; a channel beyond that list shows its 00.
WorkFields workFieldsOf(std::span<const std::uint8_t, kWorkRecord> record);

// The antenna Set_Active_ANT gets for an antenna list text: its first digit, 1 for one above 4;
// none when the text does not begin with a digit.
std::optional<int> antennaOf(const QString& text);

// The three lines that show an RF power reading (set level, actual power, RSSI).
QStringList rfPowerLines(std::span<const std::uint8_t, 3> reading);

// Channel activation: 8 mask bytes after the region code.
inline constexpr std::size_t kChannelMask = 8;
using ChannelRequest = std::array<std::uint8_t, 1 + kChannelMask>;

// The Set_CH_Active record for a region text and a mask text (left-aligned, padded with F), or
// none when the region text does not begin with a digit.
std::optional<ChannelRequest> channelRequest(const QString& regionText, const QString& maskText);

void registerWorkParameterScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::config
