// The LLRP front end's handling of what a client sends: the input as one whole message for the
// codec, then as a byte stream framed and handed to an LLRP reader over a reader that always
// answers with three tags, its triggers run on a clock that moves with each message.
#include <string>
#include <vector>

#include "llrp/codec.h"
#include "llrp/llrp_reader.h"
#include "llrp/server.h"

namespace {

using namespace kestrel::llrp;

class FieldOfThree final : public ReaderPort {
public:
    std::int32_t inventory(std::vector<Sighting>& tags) override {
        tags.clear();
        for (std::uint8_t i = 1; i <= 3; ++i) tags.push_back({Bytes(12, i), 1'700'000'000'000'000 + i});
        return 0;
    }
    std::int32_t set_antenna(int) override { return 0; }
    std::int32_t get_work_params(WorkParams& p) override {
        p = work_;
        return 0;
    }
    std::int32_t set_work_params(const WorkParams& p) override {
        work_ = p;
        return 0;
    }
    std::int32_t identity(std::string& text) override {
        text = "fuzz";
        return 0;
    }
    std::int32_t mac_address(std::array<std::uint8_t, 6>& mac) override {
        mac = {};
        return 0;
    }
    TagOutcome select(const Bytes&) override { return {}; }
    TagOutcome access(std::uint32_t) override { return {}; }
    TagOutcome read(std::uint8_t, std::uint16_t, std::uint8_t count, Bytes& data) override {
        data.assign(2u * count, 0xAB);
        return {};
    }
    TagOutcome write(std::uint8_t, std::uint16_t, const std::vector<std::uint16_t>&, bool) override { return {}; }
    TagOutcome erase(std::uint8_t, std::uint16_t, std::uint8_t) override { return {0, 1, tag_error::memory_locked}; }
    TagOutcome lock(const std::array<std::uint8_t, 5>&) override { return {}; }
    TagOutcome kill(std::uint32_t) override { return {0, 1, tag_error::no_tag}; }

private:
    WorkParams work_{2, 0, 1, 1, 0, 27, 1};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // 1. The input as one message whose header states its true length.
    if (size >= kHeaderSize) {
        Bytes whole(data, data + size);
        for (int i = 0; i < 4; ++i) whole[2 + i] = static_cast<std::uint8_t>(size >> (8 * (3 - i)));
        Element e;
        if (!decode(whole, e)) {
            // What decodes must encode again to the same bytes' meaning.
            Element again;
            if (decode(encode(e), again)) __builtin_trap();
        }
    }
    // 2. The input as a client's byte stream.
    FieldOfThree port;
    LlrpReader reader(port);
    std::size_t sent = 0;
    reader.connect([&](const Bytes& b) { sent += b.size(); }, 0);
    Framer framer;
    framer.feed({data, size});
    Millis now = 0;
    while (auto f = framer.next()) {
        if (f->kind == Framer::Kind::message && !reader.receive(f->bytes, now)) break;
        for (int i = 0; i < 3; ++i) reader.run(now += 25);
    }
    return 0;
}
