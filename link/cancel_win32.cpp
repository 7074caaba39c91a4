// Windows cancel signal: the flag alone. The Windows transports wait in slices of a few
// milliseconds and look at it between them.
#include "link/cancel.h"

namespace kestrel::link {

CancelSignal::CancelSignal() = default;
CancelSignal::~CancelSignal() = default;

void CancelSignal::raise() { raised_.store(true, std::memory_order_release); }
void CancelSignal::clear() { raised_.store(false, std::memory_order_release); }

}  // namespace kestrel::link
