// A simulated reader on a pseudo-terminal for the console tests, with KESTREL_COM1 pointing at
// it. It answers the device management commands and records every command it receives.
#pragma once

#include <cstdint>
#include <cstdlib>
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
    SimReader();
    ~SimReader() { stop(); }

    bool start();
    void stop();
    const std::string& error() const { return pty_.error(); }

    // Every command received since the last clear (the probe included).
    std::vector<Received> received();
    std::optional<Received> last(std::uint8_t command);
    void clear();

    // The reader's identity bytes (22) and its status byte for ALARM.
    void setIdentity(const std::vector<std::uint8_t>& bytes);
    void setAlarmStatus(std::uint8_t status);
    void setNumber(std::uint8_t number);
    std::uint8_t number();

private:
    void record(const kestrel::sim::Request& r);

    kestrel::sim::ReaderModel model_;
    kestrel::sim::PtySimulator pty_{model_};
    std::mutex mutex_;
    std::vector<Received> received_;
    std::vector<std::uint8_t> identity_;
    std::uint8_t alarmStatus_ = 0;
    bool running_ = false;
};

}  // namespace plover::test
