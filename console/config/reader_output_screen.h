// set_Reader: the reader's access-control card-reader output (whether the reader works as a door
// card-reader head, the tag bank, start address and length it reads, and its output format).
#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace plover {
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::config {

// The card-reader output record's size.
inline constexpr std::size_t kReaderOutputRecord = 5;
using ReaderOutputRecord = std::array<std::uint8_t, kReaderOutputRecord>;

// The screen's fields as the operator left them (bank, address and length are hex text).
struct ReaderOutputFields {
    bool enabled = false;
    QString bank, address, length, format;
    bool operator==(const ReaderOutputFields&) const = default;
};

// The record to write, or none when the format text does not begin with a digit.
std::optional<ReaderOutputRecord> readerOutputRecord(const ReaderOutputFields& fields);

// The fields that show a record read from the reader; a format above 4 shows "0--WIG 26".
ReaderOutputFields readerOutputFieldsOf(std::span<const std::uint8_t, kReaderOutputRecord> record);

void registerReaderOutputScreen(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::config
