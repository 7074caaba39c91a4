// The pause the serial engine keeps between the leading DLE of a command frame and the rest of
// it, so the reader sees the start of a frame. One implementation is linked in: the platform's
// (POSIX: a sleep on the monotonic clock that ends with a short spin; Windows, whose sleep is
// coarse: a spin) or, for builds that replay byte streams without a reader (fuzzing), one that
// does not wait.
#pragma once

namespace kestrel::link {

// Returns no earlier than `ms` milliseconds after it was called, on the monotonic clock.
void leading_dle_pause(int ms);

}  // namespace kestrel::link
