// The screens that change a tag's state, for each standard: lock (access rights of memory areas
// and passwords), kill (disable a tag for good), halt (put the selected tag to sleep) and wake
// (wake the tags that match a mask and show what the reader got back).
#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <array>
#include <cstdint>
#include <span>

#include "console/shell/widgets.h"
#include "console/tags/tag_standard.h"

class QGroupBox;

namespace plover {
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::tags {

// The kill confirmation code, the same for the three standards: the ASCII letters "KILL". It is
// not a password (the reader kills with its own kill password); it confirms that the request
// is meant as a kill.
std::array<std::uint8_t, 4> killCode();

// Whether a failed lock, kill or password change shows the tag's error code: EPC screens for
// the result 1 only, GB and GJB screens for every failure but 1.
bool showsErrorCode(StandardId id, std::int32_t result);

// The wake record of 4 + mask bytes: bank, bit address (right-aligned 2 bytes), mask length in
// bits (right-aligned 1 byte), then the mask (left-aligned, pad '0'), length / 8 rounded up.
QByteArray wakeRecord(std::uint8_t bank, const QString& address, const QString& length, const QString& mask);

// Size of the wake reply array: the count byte and at most this many data bytes.
inline constexpr std::size_t kWakeReplyData = 48;

// The result of a wake reply (count byte, then the data): the success text with the data as
// the standard shows it, or a failure line when the count exceeds what the screen's reply holds.
struct WakeView {
    QString text;
    bool sound = true;
};
WakeView wakeResult(StandardId id, std::span<const std::uint8_t> reply);

// The bank option buttons of the GB screens: 标签信息区, 编码区, 安全区 and user areas 1 to 16,
// codes 0x00 to 0x12. The security area's button is named `safeName` (M_Safe or M_safe).
QList<ui::OptionGroup::Option> gbBankOptions(const char* safeName);
// Lays the buttons of an option group out in a grid of `columns` inside `frame`.
void layOut(QGroupBox* frame, const ui::OptionGroup& options, int columns);

void registerAccessScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::tags
