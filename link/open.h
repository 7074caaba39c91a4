// Opening, probing and closing a session's link: shared by the exports of kestrel.h on the
// default session and by kestrel_open on a handle's.
#pragma once

#include <cstdint>

#include "link/session.h"
#include "link/uri.h"

namespace kestrel::link {

// How many times LinkCom, TCP_LinkCom and kestrel_open try to open the link and hear the reader.
inline constexpr int kLinkAttempts = 3;

// Sends the probe (command 0x00, no data) to `address`. Returns 0 when the reader answered.
int probe(LinkSession& s, std::uint8_t address);

// Closes the session's link; after a USB reader, waits 50 ms so that it can be opened again at
// once (a serial port's close waits itself).
void close_session_link(LinkSession& s);

// One attempt to open what `uri` names as the link of `s`, which has none (no probe). Returns 0,
// KESTREL_E_OPEN or KESTREL_E_USB_NO_READER.
int open_uri_link(LinkSession& s, const ReaderUri& uri);

}  // namespace kestrel::link
