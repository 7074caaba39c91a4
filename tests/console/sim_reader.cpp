#include "sim_reader.h"

namespace plover::test {

using kestrel::sim::ReaderModel;
using kestrel::sim::Reply;
using kestrel::sim::Request;

SimReader::SimReader() {
    const std::string text = "Kestrel UHF Reader V1.0";  // 23 characters: the reply keeps 22
    identity_.assign(text.begin(), text.begin() + 22);

    auto plain = [this](ReaderModel&, const Request& r) {
        record(r);
        return Reply{};
    };
    model_.on(0x00, plain);  // probe
    model_.on(0x01, plain);  // factory restore
    model_.on(0x02, plain);  // reset
    model_.on(0x03, plain);  // baud rate code
    model_.on(0x04, [this](ReaderModel&, const Request& r) {
        record(r);
        std::lock_guard lock(mutex_);
        return Reply{alarmStatus_, {}};
    });
    model_.on(0x05, [this](ReaderModel&, const Request& r) {
        record(r);
        std::lock_guard lock(mutex_);
        return Reply{0, identity_};
    });
    model_.on(0x06, [this](ReaderModel& m, const Request& r) {
        record(r);
        if (!r.data.empty()) m.set_number(r.data[0]);
        return Reply{};
    });
    model_.on(0x07, [this](ReaderModel& m, const Request& r) {
        record(r);
        return Reply{0, {m.number()}};
    });
}

bool SimReader::start() {
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

void SimReader::record(const Request& r) {
    std::lock_guard lock(mutex_);
    received_.push_back({r.address, r.command, {r.data.begin(), r.data.end()}});
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

void SimReader::setIdentity(const std::vector<std::uint8_t>& bytes) {
    std::lock_guard lock(mutex_);
    identity_ = bytes;
}

void SimReader::setAlarmStatus(std::uint8_t status) {
    std::lock_guard lock(mutex_);
    alarmStatus_ = status;
}

void SimReader::setNumber(std::uint8_t number) {
    pty_.with_responder([number](kestrel::sim::Responder& r) { r.model().set_number(number); });
}

std::uint8_t SimReader::number() {
    std::uint8_t n = 0;
    pty_.with_responder([&n](kestrel::sim::Responder& r) { n = r.model().number(); });
    return n;
}

}  // namespace plover::test
