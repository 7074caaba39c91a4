#include "link/pause.h"

namespace kestrel::link {

// Fuzz builds replay byte streams with no reader on the other end: nothing to wait for.
void leading_dle_pause(int) {}

}  // namespace kestrel::link
