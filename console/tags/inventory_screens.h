// The tag screen of each standard (select parameters, and the buttons that open the standard's
// other screens) and its inventory screen (start the inventory, page through the tag list).
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <optional>
#include <span>

#include "console/tags/tag_standard.h"

namespace plover {
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::tags {

// The fields of the select parameters as the operator left them.
struct SelectFields {
    QString bank, address, length, mask, q, time;
    bool store = false;
};

// Size of the select parameter record handed to the write and read exports.
inline constexpr int kSelectRecordSize = 49;

// The select parameter record to write (its first byte counts the bytes used), or none when a
// field cannot be read (a Q that is not a decimal number).
std::optional<QByteArray> selectRecord(const TagStandard& standard, const SelectFields& fields);

// The fields that show a select parameter record read back from the reader (byte 0 unused).
SelectFields selectFieldsOf(const TagStandard& standard, std::span<const std::uint8_t> record);

// The tag list block as the inventory screen reads it: at most this many bytes.
inline constexpr std::size_t kTagListBlock = 2561;

// The lines of the inventory list for a tag list block, and whether the block was sound. A block
// the screen cannot show whole (larger than its buffer, a record running past the data, a total
// count of 32768 or more) gives the lines it can show and one line that names the problem.
struct TagListView {
    QStringList lines;
    bool sound = true;
};
TagListView tagListLines(const TagStandard& standard, std::span<const std::uint8_t> block);

void registerInventoryScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::tags
