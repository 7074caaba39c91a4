// The simulated reader on a pseudo-terminal for the console tests, with KESTREL_COM1 pointing at
// it. It records every command it answers, so a test can see what a screen sent.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "sim/pty_simulator.h"
#include "sim/responder.h"
#include "sim/scenario.h"
#include "sim/reader_model.h"

namespace plover::test {

struct Received {
    std::uint8_t address = 0;
    std::uint8_t command = 0;
    std::vector<std::uint8_t> data;
};

class SimReader {
public:
    ~SimReader() {
        if (!started_) return;
        pty_.stop();
        ::unsetenv("KESTREL_COM1");
    }
    // Starts the reader: with factory settings and no tags, or with the simulator's default
    // scenario (a few tags of each standard).
    bool start(bool withDefaultScenario = false) {
        if (withDefaultScenario) {
            kestrel::sim::FaultPlan faults;
            std::string problem;
            if (!kestrel::sim::load_scenario(kestrel::sim::default_scenario(), model_, faults, problem)) return false;
        }
        // The shaper sees every answered command on its way out and lets the answer go unchanged.
        withResponder([this](kestrel::sim::Responder& r) {
            r.set_shaper([this](const kestrel::sim::Request& q, kestrel::sim::Transmission t) {
                std::lock_guard lock(mutex_);
                received_.push_back({q.address, q.command, {q.data.begin(), q.data.end()}});
                // A scripted answer takes the place of the model's, once.
                if (const auto it = scripted_.find(q.command); it != scripted_.end()) {
                    kestrel::sim::Transmission scripted{{{}, kestrel::sim::encode_reply(q.address, q.command, it->second)}};
                    scripted_.erase(it);
                    return scripted;
                }
                return t;
            });
        });
        started_ = pty_.start();
        if (started_) ::setenv("KESTREL_COM1", pty_.slave_path().c_str(), 1);
        return started_;
    }
    const std::string& error() const { return pty_.error(); }

    // The last command answered with this code, if any.
    std::optional<Received> last(std::uint8_t command) {
        std::lock_guard lock(mutex_);
        for (auto it = received_.rbegin(); it != received_.rend(); ++it)
            if (it->command == command) return *it;
        return std::nullopt;
    }
    // Every command answered with this code, oldest first.
    std::vector<Received> all(std::uint8_t command) {
        std::lock_guard lock(mutex_);
        std::vector<Received> out;
        for (const Received& r : received_)
            if (r.command == command) out.push_back(r);
        return out;
    }
    // The next command with this code is answered with `reply` (status and data) instead of
    // the model's answer; the model still runs the command.
    void script(std::uint8_t command, kestrel::sim::Reply reply) {
        std::lock_guard lock(mutex_);
        scripted_[command] = std::move(reply);
    }
    std::size_t count() {
        std::lock_guard lock(mutex_);
        return received_.size();
    }
    // How many commands with this code were answered.
    std::size_t count(std::uint8_t command) {
        std::lock_guard lock(mutex_);
        std::size_t n = 0;
        for (const Received& r : received_) n += r.command == command ? 1 : 0;
        return n;
    }
    // Runs `f` on the reader's model while the simulator is idle.
    template <typename F>
    void withModel(F f) {
        withResponder([&](kestrel::sim::Responder& r) { f(r.model()); });
    }

private:
    template <typename F>
    void withResponder(F f) {
        pty_.with_responder(f);
    }
    kestrel::sim::ReaderModel model_;
    kestrel::sim::PtySimulator pty_{model_};
    std::mutex mutex_;
    std::vector<Received> received_;
    std::map<std::uint8_t, kestrel::sim::Reply> scripted_;
    bool started_ = false;
};

}  // namespace plover::test
