// The serial engine: one transaction written and read one byte at a time.
#pragma once

#include "link/session.h"

namespace kestrel::link {

// Runs the transaction of `s` over `s.serial`. Returns 0 or the link status code of the
// step that failed (225..247, 253, 254); 225 when no port is open.
int Serial_Transact(LinkSession& s);

// The pause between the leading DLE and the SOH, in milliseconds.
inline constexpr int kLeadingDleGapMs = 6;

}  // namespace kestrel::link
