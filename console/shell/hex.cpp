#include "console/shell/hex.h"

#include <limits>

namespace plover::hex {

namespace {

int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9') return u - u'0';
    if (u >= u'A' && u <= u'F') return u - u'A' + 10;
    if (u >= u'a' && u <= u'f') return u - u'a' + 10;
    return -1;
}

// `count` bytes read pair by pair from the left of `digits`; a missing pair reads as 0.
QByteArray pairs(QStringView digits, int count) {
    QByteArray out(count, '\0');
    for (int k = 0; k < count; ++k) out[k] = static_cast<char>(byteOf(digits.mid(2 * k, 2)));
    return out;
}

}  // namespace

bool isHexDigit(QChar c) { return digitValue(c) >= 0; }

std::uint8_t byteOf(QStringView twoChars) {
    unsigned value = 0;
    for (QChar c : twoChars.left(2)) {
        const int d = digitValue(c);
        if (d < 0) break;
        value = value * 16 + static_cast<unsigned>(d);
    }
    return static_cast<std::uint8_t>(value);
}

std::uint8_t readerAddress(const QString& fieldText) {
    return byteOf(QString(fieldText + QStringLiteral("    ")).left(2));
}

QByteArray rightAligned(const QString& text, int count) {
    if (count <= 0) return {};
    const QString padded = QString(2 * count, QLatin1Char('0')) + text;
    return pairs(QStringView(padded).right(2 * count), count);
}

QByteArray leftAligned(const QString& text, int count, QChar pad) {
    if (count <= 0) return {};
    return pairs((text + QString(2 * count, pad)).trimmed(), count);
}

QString byteText(std::uint8_t b) { return QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0')).toUpper(); }

QString numberText(std::uint32_t n) { return QString::number(n, 16).toUpper(); }

QString logBytes(std::span<const std::uint8_t> bytes) {
    QString s;
    s.reserve(static_cast<qsizetype>(bytes.size() * 3));
    for (std::uint8_t b : bytes) s += QLatin1Char(' ') + byteText(b);
    return s;
}

QString fieldBytes(std::span<const std::uint8_t> bytes) {
    QString s;
    s.reserve(static_cast<qsizetype>(bytes.size() * 2));
    for (std::uint8_t b : bytes) s += byteText(b);
    return s;
}

std::optional<std::int32_t> decimalNumber(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty() || t.size() > 10) return std::nullopt;
    std::int64_t value = 0;
    for (QChar c : t) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + (c.unicode() - u'0');
    }
    if (value > std::numeric_limits<std::int32_t>::max()) return std::nullopt;
    return static_cast<std::int32_t>(value);
}

std::optional<int> leadingDigit(const QString& text) {
    if (text.isEmpty() || !text.front().isDigit() || text.front().unicode() > u'9') return std::nullopt;
    return text.front().unicode() - u'0';
}

}  // namespace plover::hex
