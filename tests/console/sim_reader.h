// The simulated reader on a pseudo-terminal for the console tests, with KESTREL_COM1 pointing at
// it. It records every command it answers, so a test can see what a screen sent.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "sim/pty_simulator.h"
#include "sim/reader_model.h"

namespace plover::test {

struct Received {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> data;
};

class SimReader {
public:
    SimReader() = default;
    ~SimReader() { stop(); }

    bool start();
    void stop();
    const std::string& error() const { return pty_.error(); }

    // The commands answered since the last clear (the probe included), oldest first.
    std::vector<Received> received();
    std::optional<Received> last(std::uint8_t command);
    void clear();

    // Runs `f` on the reader's model while the simulator is idle.
    template <typename F>
    void withModel(F f) {
        pty_.with_responder([&](kestrel::sim::Responder& r) { f(r.model()); });
    }
    // Makes the reader refuse every ALARM with a nonzero status byte.
    void refuseAlarm();

private:
    kestrel::sim::ReaderModel model_;
    kestrel::sim::PtySimulator pty_{model_};
    std::mutex mutex_;
    std::vector<Received> received_;
    bool running_ = false;
};

}  // namespace plover::test
