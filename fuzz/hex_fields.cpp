// The console's hex field parsers: operator text to reader address, numbers and bytes, and
// bytes back to text. Input: a selector byte (which parser), a count byte, a pad byte, then
// the field text in UTF-8. One parser per input keeps each execution short.
#include <cstdint>

#include "console/shell/hex.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const int count = data[1] % 64;
    const QChar pad = QChar(static_cast<char16_t>(data[2]));
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 3), static_cast<qsizetype>(size - 3));
    switch (data[0] % 5) {
        case 0:
            plover::hex::readerAddress(text);
            plover::hex::byteOf(QStringView(text).left(2));
            break;
        case 1:
            if (plover::hex::rightAligned(text, count).size() != count) __builtin_trap();
            break;
        case 2: {
            const QByteArray left = plover::hex::leftAligned(text, count, pad);
            if (left.size() != count) __builtin_trap();
            // Bytes shown in a field read back as the same bytes.
            const auto bytes = std::span(reinterpret_cast<const std::uint8_t*>(left.constData()),
                                         static_cast<std::size_t>(left.size()));
            if (plover::hex::leftAligned(plover::hex::fieldBytes(bytes), count, u'0') != left) __builtin_trap();
            break;
        }
        case 3:
            plover::hex::decimalNumber(text);
            break;
        default:
            plover::hex::leadingDigit(text);
            break;
    }
    return 0;
}
