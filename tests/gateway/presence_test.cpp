// Presence on scripted reads: the moments are handed in, so timeouts pass instantly.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "gateway/presence.h"

namespace kestrel::gateway {
namespace {

constexpr std::int64_t s = 1'000'000'000;  // one second on the steady clock

Moment at(double seconds) {
    const auto ns = static_cast<std::int64_t>(seconds * 1e9);
    return {ns, 1'700'000'000'000'000 + ns / 1000};
}

// One line per event: "type reader location tag [from_location from_reader]".
std::string line(const Event& e) {
    std::string text = std::string(event_type_name(e.type)) + " " + e.reader + " " + e.location + " " + e.tag;
    if (e.type == EventType::moved) text += " from " + e.from_location + " " + e.from_reader;
    return text;
}

std::vector<std::string> lines(const std::vector<Event>& events) {
    std::vector<std::string> result;
    for (const Event& e : events) result.push_back(line(e));
    return result;
}

class PresenceScript : public ::testing::Test {
protected:
    Presence presence{{10 * s, false}};
    std::vector<Event> out;
    void read(const char* reader, const char* location, const char* tag, double t) {
        presence.observe(reader, location, "epc", tag, at(t), out);
    }
    std::vector<std::string> take() {
        auto result = lines(out);
        out.clear();
        return result;
    }
    std::vector<std::string> expire(double t) {
        presence.expire(at(t), out);
        return take();
    }
    using L = std::vector<std::string>;
};

TEST_F(PresenceScript, FirstReadArrivesLaterReadsAreQuiet) {
    read("r1", "dock", "A1", 0);
    read("r1", "dock", "B2", 0.1);
    EXPECT_EQ(take(), (L{"arrived r1 dock A1", "arrived r1 dock B2"}));
    for (double t = 1; t < 30; t += 1) read("r1", "dock", "A1", t);
    EXPECT_EQ(take(), L{});
    EXPECT_EQ(presence.size(), 2u);
}

TEST_F(PresenceScript, DepartsOnlyAfterTheWholeTimeoutUnseen) {
    read("r1", "dock", "A1", 0);
    read("r1", "dock", "A1", 5);
    take();
    EXPECT_EQ(expire(14.9), L{});  // 9.9 s since the last read
    EXPECT_EQ(expire(15.0), L{"departed r1 dock A1"});
    EXPECT_EQ(presence.size(), 0u);
    EXPECT_EQ(expire(100), L{});  // once
    read("r1", "dock", "A1", 101);
    EXPECT_EQ(take(), L{"arrived r1 dock A1"});
}

TEST_F(PresenceScript, DepartureCarriesTheLastSeenTime) {
    read("r1", "dock", "A1", 2);
    take();
    presence.expire(at(12), out);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].last_seen_us, at(2).utc_us);
    EXPECT_EQ(out[0].utc_us, at(12).utc_us);
    EXPECT_EQ(out[0].standard, "epc");
}

TEST_F(PresenceScript, ReadAtAnotherLocationMovesIt) {
    read("r1", "dock", "A1", 0);
    read("r2", "shelf", "A1", 1);
    read("r2", "shelf", "A1", 2);
    read("r1", "dock", "A1", 3);
    EXPECT_EQ(take(), (L{"arrived r1 dock A1", "moved r2 shelf A1 from dock r1", "moved r1 dock A1 from shelf r2"}));
    // It is present once, at the last location, and departs from there.
    ASSERT_EQ(presence.present().size(), 1u);
    EXPECT_EQ(presence.present()[0].location, "dock");
    EXPECT_EQ(expire(13), L{"departed r1 dock A1"});
}

TEST_F(PresenceScript, SecondReaderAtTheSameLocationIsNoMove) {
    read("r1", "dock", "A1", 0);
    read("r3", "dock", "A1", 1);
    EXPECT_EQ(take(), L{"arrived r1 dock A1"});
    // The timeout now follows r3, the reader that saw it last.
    presence.suspend("r1");
    EXPECT_EQ(expire(11), L{"departed r3 dock A1"});
}

TEST_F(PresenceScript, NoDepartureWhileTheReaderIsOffline) {
    read("r1", "dock", "A1", 0);
    read("r2", "gate", "B2", 0);
    take();
    presence.suspend("r1");
    EXPECT_EQ(expire(60), L{"departed r2 gate B2"});  // the other reader's tags go on
    EXPECT_EQ(expire(600), L{});
    // Back online at 600: a whole timeout from then.
    presence.resume("r1", at(600));
    EXPECT_EQ(expire(609), L{});
    EXPECT_EQ(expire(610), L{"departed r1 dock A1"});
}

TEST_F(PresenceScript, ReadAgainAfterComingBackKeepsItPresent) {
    read("r1", "dock", "A1", 0);
    take();
    presence.suspend("r1");
    presence.resume("r1", at(50));
    read("r1", "dock", "A1", 51);
    EXPECT_EQ(take(), L{});  // neither departed nor arrived again
    EXPECT_EQ(expire(60), L{});
    EXPECT_EQ(expire(61), L{"departed r1 dock A1"});
}

TEST_F(PresenceScript, ResumeOfAReaderNeverSuspendedChangesNothing) {
    read("r1", "dock", "A1", 0);
    take();
    presence.resume("r1", at(9));
    EXPECT_EQ(expire(10), L{"departed r1 dock A1"});
}

TEST_F(PresenceScript, TheSameIdentifierInTwoStandardsIsTwoTags) {
    presence.observe("r1", "dock", "epc", "0001", at(0), out);
    presence.observe("r1", "dock", "gb", "0001", at(0), out);
    EXPECT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].standard, "gb");
}

TEST(Presence, RawReadsAddAReadEventForEveryRead) {
    Presence presence{{10 * s, true}};
    std::vector<Event> out;
    presence.observe("r1", "dock", "epc", "A1", at(0), out);
    presence.observe("r1", "dock", "epc", "A1", at(1), out);
    EXPECT_EQ(lines(out), (std::vector<std::string>{"read r1 dock A1", "arrived r1 dock A1", "read r1 dock A1"}));
    EXPECT_EQ(out[2].utc_us, at(1).utc_us);
    EXPECT_EQ(out[2].source_steady_ns, at(1).steady_ns);
}

TEST(Presence, CountsTagsByTheReaderThatSawThemLast) {
    Presence presence{{10 * s, false}};
    std::vector<Event> out;
    presence.observe("r1", "dock", "epc", "A1", at(0), out);
    presence.observe("r1", "dock", "epc", "A2", at(0), out);
    presence.observe("r2", "gate", "epc", "A2", at(1), out);
    EXPECT_EQ(presence.present_count("r1"), 1u);
    EXPECT_EQ(presence.present_count("r2"), 1u);
}

}  // namespace
}  // namespace kestrel::gateway
