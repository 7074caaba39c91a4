// The console's hex conventions: how operator text becomes the numbers and bytes handed to the
// library, and how reply bytes become text again. Pure functions, no widgets.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <span>

namespace plover::hex {

// A character a hex field accepts: 0-9, A-F, a-f.
bool isHexDigit(QChar c);

// Reads up to two characters as a hex literal is read: digits from the left up to the first
// character that is not a hex digit; no digits give 0. "1F" is 31, "f " is 15, "G1" is 0.
std::uint8_t byteOf(QStringView twoChars);

// The reader address of an address field such as pc_id: its first two characters (spaces when
// shorter) read by byteOf. "FF" is 255, "1" is 1, "" is 0.
std::uint8_t readerAddress(const QString& fieldText);

// A right-aligned number of `count` bytes, high byte first: the text is left-padded with '0'
// and its last 2*count characters are read pair by pair. "3" as 2 bytes is 00 03, "12345" is 23 45.
QByteArray rightAligned(const QString& text, int count);

// Left-aligned data of `count` bytes: the text followed by pad characters, trimmed of spaces,
// read pair by pair from the left. Digits beyond the first 2*count are ignored.
QByteArray leftAligned(const QString& text, int count, QChar pad);

// Two upper-case hex digits: 0 is "00", 171 is "AB".
QString byteText(std::uint8_t b);
// Upper-case hex without leading zero: 5 is "5", 0x1F is "1F", 0 is "0".
QString numberText(std::uint32_t n);
// Bytes as a log line shows them: a space before each byte (" 0A 1B").
QString logBytes(std::span<const std::uint8_t> bytes);
// Bytes as a text field shows them: no separators ("0A1B").
QString fieldBytes(std::span<const std::uint8_t> bytes);

// A decimal number typed into a free-text list (a baud rate): digits only, surrounding spaces
// allowed, within 32 bits. Anything else is no number.
std::optional<std::int32_t> decimalNumber(const QString& text);

// The number of a selection-list text that begins with a digit ("2--WIG 34" is 2); no number
// when the text does not begin with one.
std::optional<int> leadingDigit(const QString& text);

}  // namespace plover::hex
