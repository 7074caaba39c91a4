// The password screens of each standard: set the passwords the reader uses towards tags, make
// the reader present one of them to the tag, and write new passwords into the tag.
#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>

#include "console/tags/tag_standard.h"

namespace plover {
class Screen;
class ScreenContext;
class ScreenRegistry;
}  // namespace plover

namespace plover::tags {

// The default password the set screens (and the EPC change screen) show when they load.
inline const QString kDefaultPassword = QStringLiteral("7C3A5E91");

// A 4-byte password from its field: left-aligned with '0' padding (a short entry is completed
// on the right), or right-aligned (completed on the left, only the last 8 digits count).
QByteArray passwordBytes(const QString& text, bool rightAligned);

// The reader presents one of its passwords to the tag it talks to. EPC: the access password
// (bank and kind unused); GB: the password of `kind` (0 read, 1 write) of area `bank`; GJB:
// the password of `kind` (0 read, 1 write, 2 lock, 3 kill), bank unused.
std::int32_t checkPassword(Screen& screen, StandardId id, std::uint8_t address, std::uint8_t bank,
                           std::uint8_t kind);

void registerPasswordScreens(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover::tags
