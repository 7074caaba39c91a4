// The USB link: open and close of the reader, and the one-shot USB engine.
#pragma once

#include "link/session.h"

namespace kestrel::link {

// Opens, claims and probes the USB reader. Returns 0, 33 (no reader), 1 (interface not
// claimed) or the nonzero code of the failed probe.
int Usb_Open(std::uint8_t address);

// Releases and closes the reader when one is open.
void Usb_Close();

// Runs the transaction of `s` over the USB reader; 187 when no reader is open.
int Usb_Transact(LinkSession& s);

}  // namespace kestrel::link
