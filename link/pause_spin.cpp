#include <chrono>

#include "link/pause.h"

namespace kestrel::link {

// Spins (no sleep) until the monotonic clock has moved on by at least `ms`.
void leading_dle_pause(int ms) {
    const auto from = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - from < std::chrono::milliseconds(ms)) {
    }
}

}  // namespace kestrel::link
