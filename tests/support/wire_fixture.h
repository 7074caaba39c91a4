// Exports under test talk to a scripted in-memory port through the library's own session.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "kestrel.h"
#include "link/frame.h"
#include "link/serial_engine.h"
#include "link/session.h"
#include "support/scripted_port.h"

namespace kestrel::test {

using Bytes = std::vector<std::uint8_t>;

class WireTest : public ::testing::Test {
protected:
    void SetUp() override {
        link::LinkSession& s = link::session();
        s.attach(new link::SerialLink(port, link::serial_settings_for_rate(115200), false), true);
        s.late_reply_margin_ms = 0;  // the scripted port's reads never wait
    }
    void TearDown() override {
        link::LinkSession& s = link::session();
        s.close_link();
        s.late_reply_margin_ms.reset();
    }

    // The reader answers the next transaction with this reply from reader 1 (or `from`).
    void answer(std::uint8_t echo, std::uint8_t status, Bytes data = {}, std::uint8_t from = 1) {
        port.script_reply(reply_frame(from, echo, status, std::move(data)));
    }
    // The reader does not answer the next transaction (the export gets 234).
    void stay_silent() { port.script_reply({}); }

    // The last command frame written, taken apart.
    struct Sent {
        bool ok = false;
        std::uint8_t address = 0;
        std::uint8_t command = 0;
        Bytes data;
    };
    Sent sent() const {
        Sent out;
        std::array<std::uint8_t, 255> data{};
        link::CommandFrame frame;
        std::size_t consumed = 0;
        // Frames are written back to back; decode from the last header.
        std::size_t start = last_frame_start();
        const std::span<const std::uint8_t> wire(port.written.data() + start, port.written.size() - start);
        out.ok = link::decode_command_frame(wire, data, frame, consumed) == link::CommandDecode::ok &&
                 consumed == wire.size();
        out.address = frame.address;
        out.command = frame.command;
        out.data.assign(frame.data.begin(), frame.data.end());
        return out;
    }
    // Bytes of the last frame exactly as they went on the wire.
    Bytes sent_wire() const { return Bytes(port.written.begin() + static_cast<std::ptrdiff_t>(last_frame_start()), port.written.end()); }

    ScriptedPort port;

private:
    std::size_t last_frame_start() const {
        // A frame starts with DLE SOH right after the previous frame's DLE STX (or at 0).
        std::size_t start = 0;
        for (std::size_t i = 0; i + 3 < port.written.size(); ++i) {
            if (port.written[i] == link::kDle && port.written[i + 1] == link::kStx && port.written[i + 2] == link::kDle &&
                port.written[i + 3] == link::kSoh)
                start = i + 2;
        }
        return start;
    }
};

}  // namespace kestrel::test
