// The memory screens of each standard: read, write, block write (EPC) and erase words of a tag's
// memory bank. One screen class for the four operations and three standards.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>

#include "console/tags/tag_standard.h"

namespace plover {
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::tags {

enum class MemoryOperation { Read, Write, WriteBlock, Erase };

// The most words one write carries: its data must fit the reader's 101-byte write record.
inline constexpr int kMaxWriteWords = 48;

// The memory record a screen sends: bank, word address (2 bytes), word count (1 byte for EPC,
// 2 for GB and GJB) and, for writes, twice the word count of data bytes taken from `data`.
// None when a write's word count is 0 or above 48.
std::optional<QByteArray> memoryRecord(const TagStandard& standard, MemoryOperation operation, std::uint8_t bank,
                                       const QString& address, const QString& count, const QString& data = {});

// Whether a data text holds more digits than a write of `words` words sends.
bool dataExceeds(const QString& data, int words);

void registerMemoryScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::tags
