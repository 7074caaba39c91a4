// The security screens: vendor custom commands of the three tag standards, authentication and
// the Fudan (FD) tag commands of GB and GJB tags, the PSAM card slots and the FM151M chip.
// The request and line builders are pure functions, so the tests check them byte by byte.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <optional>
#include <span>

#include "console/tags/tag_standard.h"

namespace plover {
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::security {

// ---- replies judged against a screen's own answer buffer ----

// The data count n of a length-prefixed answer (byte 0), and whether the n bytes after it fit
// a screen buffer of `capacity` bytes (count byte included).
inline bool fits(std::span<const std::uint8_t> answer, std::size_t capacity) {
    return !answer.empty() && 1u + answer[0] <= capacity;
}
// A failure message naming the length of a reply the screen's buffer cannot hold.
QString tooLong(const QString& failure, std::size_t count, std::size_t capacity);

// A number typed as decimal text where the console reads it like a numeric literal: the
// decimal digits from the left up to the first other character ("07" is 7, "1F" is 1, "A" is 0).
int decimalPrefix(const QString& text);

// A key identifier field: the last two characters of "00" followed by the text, as decimal.
std::uint8_t keyIdentifier(const QString& text);

// ---- custom command (EPC_TAG_Cust_Comm, GB_TAG_Cust_Comm, GJB_TAG_Cust_Comm) ----

// The command bytes the screen's request buffer of 201 bytes holds after the 5 header bytes.
inline constexpr int kCustomCommandBytes = 196;
inline constexpr std::size_t kCustomAnswer = 201;

// The custom command record: length in bits (2), time mode, response length in bits (2), then
// ceil(bits / 8) command bytes; none when the length is 0, 8000 hex or more, or needs more
// command bytes than the buffer holds.
std::optional<QByteArray> customCommandRecord(const QString& bitLength, const QString& data,
                                              const QString& responseLength, bool longTime);

void registerCustomCommandScreens(ScreenContext& context, ScreenRegistry& registry);

// ---- authentication and FD (GB_TAG_Auth, GJB_TAG_Auth, GB_TAG_FD_APP, GB_FD_Get_Diver_Key_A,
// GJB_TAG_FD_APP) ----

inline constexpr std::size_t kGjbSecParaAnswer = 11;
inline constexpr std::size_t kGbFdAnswer = 21;
inline constexpr std::size_t kGjbFdAnswer = 201;
// Words a GJB FD block write can carry: its request buffer holds 5 + 96 bytes.
inline constexpr int kGjbFdWriteWords = 48;

// The quick-initialisation end code sent to a Fudan GB tag: four ASCII letters.
std::array<std::uint8_t, 4> quickInitEndCode();

// A GJB FD block request: sub-area, word address (2), word count (2), and for a write the
// 2N data bytes; none for a write of more words than the request buffer holds.
std::optional<QByteArray> gjbBlockRequest(std::uint8_t subArea, const QString& address, const QString& words,
                                          const QString* data);

void registerTagSecurityScreens(ScreenContext& context, ScreenRegistry& registry);

// ---- PSAM (PSAM_APP, PSAM_FD_Issue_A) ----

struct PsamCommandFields {
    std::uint8_t slot = 0;
    QString type, cla, ins, p1, p2, lc, le, data;
};

// The PSAM command request: count, slot, command type, CLA INS P1 P2, [Lc, data], [Le]. An
// error text (beginning with a space) instead when the type is not a digit or the request
// does not fit the one-byte count.
struct PsamRequest {
    QByteArray bytes;
    QString error;
};
PsamRequest psamCommandRequest(const PsamCommandFields& fields);

// The issue request: 96, then the six 16-byte keys in order.
QByteArray psamIssueRequest(const std::array<QString, 6>& keys);
// The issue screen's result text for a completed transaction's answer.
QString psamIssueResult(std::span<const std::uint8_t> answer);

void registerPsamScreens(ScreenContext& context, ScreenRegistry& registry);

// ---- FM151M (FM151M_APP, FM151M_Get_RN_A, FM151M_HASH_A, FM151M_Cipher_A) ----

// The bytes of an input text of hex digits: pair i gives byte i; a last lone digit is the high
// digit of a last byte.
struct InputBytes {
    QByteArray bytes;
    bool loneDigit = false;
};
InputBytes inputBytes(const QString& text);

// The pieces of at most 240 bytes the chip takes per hash or cipher step.
inline constexpr int kFmPiece = 240;
QList<QByteArray> pieces(const QByteArray& data);

// The first failed length check of a cipher run (key, data, vector in CBC mode), as its
// message; none when all pass. Lengths are counted in hex digits of the texts.
std::optional<QString> cipherCheck(std::uint8_t algorithm, bool cbc, const QString& key, const QString& data,
                                   const QString& vector);

// The identity lines of an FM151M_Get_ID answer.
QStringList fm151mIdentityLines(std::span<const std::uint8_t> answer);

void registerFm151mScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::security
