#include "sim_reader.h"

#include <cstdlib>

namespace plover::test {

using kestrel::sim::ReaderModel;
using kestrel::sim::Reply;
using kestrel::sim::Request;
using kestrel::sim::Responder;
using kestrel::sim::Transmission;

bool SimReader::start() {
    pty_.with_responder([this](Responder& r) {
        // Sees every answered command on its way out; the answer goes out unchanged.
        r.set_shaper([this](const Request& request, Transmission t) {
            std::lock_guard lock(mutex_);
            received_.push_back({request.address, request.command, {request.data.begin(), request.data.end()}});
            return t;
        });
    });
    if (!pty_.start()) return false;
    ::setenv("KESTREL_COM1", pty_.slave_path().c_str(), 1);
    running_ = true;
    return true;
}

void SimReader::stop() {
    if (!running_) return;
    pty_.stop();
    ::unsetenv("KESTREL_COM1");
    running_ = false;
}

std::vector<Received> SimReader::received() {
    std::lock_guard lock(mutex_);
    return received_;
}

std::optional<Received> SimReader::last(std::uint8_t command) {
    std::lock_guard lock(mutex_);
    for (auto it = received_.rbegin(); it != received_.rend(); ++it)
        if (it->command == command) return *it;
    return std::nullopt;
}

void SimReader::clear() {
    std::lock_guard lock(mutex_);
    received_.clear();
}

void SimReader::refuseAlarm() {
    withModel([](ReaderModel& m) {
        m.on(0x04, [](ReaderModel&, const Request&) { return Reply{kestrel::sim::kStatusNotReady, {}}; });
    });
}

}  // namespace plover::test
