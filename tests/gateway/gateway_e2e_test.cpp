// The gateway end to end: simulated readers over TCP, the HTTP API and the live stream.
#include <signal.h>

#include <set>

#include "tests/gateway/gateway_fixture.h"

namespace kestrel::gateway::test {
namespace {

const std::string token = "e2e-token-0123456789";

std::string settings(double departure_s = 1.0, const std::string& more = "") {
    return "[gateway]\nport = 0\nid = \"gw-test\"\ntoken = \"" + token + "\"\n" + more +
           "[inventory]\nperiod_ms = 50\n[events]\ndeparture_timeout_s = " + std::to_string(departure_s) +
           "\n[store]\npath = \"events.db\"\n";
}

std::vector<std::int64_t> seqs(const std::vector<Json>& events) {
    std::vector<std::int64_t> result;
    for (const Json& e : events) result.push_back(e["seq"]);
    return result;
}

class GatewayE2E : public GatewayFixture {};

TEST_F(GatewayE2E, TwoReadersTheirTagsAndTheLiveStream) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001", "AAAA0002"}));
    const int gate = start_reader("gate", epc_scenario({"BBBB0001"}));
    start_gateway(settings(30) + reader_toml("dock-1", dock, "dock") + reader_toml("gate-1", gate, "gate"));
    StreamClient stream(http->port(), "/api/events/stream?since=0");

    ASSERT_TRUE(wait_for([&] { return stream.count_of("arrived") == 3; })) << stream.events().size();
    EXPECT_EQ(tags_at("dock"), (std::vector<std::string>{"AAAA0001", "AAAA0002"}));
    EXPECT_EQ(tags_at("gate"), (std::vector<std::string>{"BBBB0001"}));
    const Json r = reader("dock-1");
    EXPECT_EQ(r["status"], "online");
    EXPECT_EQ(r["tags_present"], 2);
    EXPECT_EQ(r["location"], "dock");
    EXPECT_GT(r["cycles"].get<int>(), 0);

    // The stream's events are the store's, with the same JSON, in seq order without gaps.
    const auto streamed = stream.events();
    const Json stored = get_json("/api/events?since=0&limit=1000")["events"];
    ASSERT_GE(stored.size(), streamed.size());
    for (std::size_t i = 0; i < streamed.size(); ++i) EXPECT_EQ(streamed[i], stored[i]);
    for (std::size_t i = 1; i < streamed.size(); ++i) EXPECT_EQ(streamed[i]["seq"].get<long>(), streamed[i - 1]["seq"].get<long>() + 1);
    for (const Json& e : streamed) {
        EXPECT_EQ(e["gateway"], "gw-test");
        if (e["type"] == "arrived") {
            EXPECT_EQ(e["standard"], "epc");
            EXPECT_EQ(e["location"], e["reader"] == "dock-1" ? "dock" : "gate");
        }
    }
    EXPECT_EQ(stream.count_of("reader_online"), 2u);

    const Json health = get_json("/healthz");
    EXPECT_EQ(health["status"], "ok");
    EXPECT_EQ(health["readers_online"], 2);

    auto c = client();
    auto metrics = c.Get("/metrics");
    ASSERT_TRUE(metrics);
    EXPECT_NE(metrics->body.find("kestrel_gateway_events_total{reader=\"dock-1\",type=\"arrived\"} 2\n"), std::string::npos)
        << metrics->body;
    EXPECT_NE(metrics->body.find("kestrel_gateway_reader_online{reader=\"gate-1\"} 1\n"), std::string::npos);
    EXPECT_NE(metrics->body.find("# TYPE kestrel_gateway_event_latency_seconds histogram"), std::string::npos);
    EXPECT_NE(metrics->body.find("kestrel_gateway_event_latency_seconds_count 3\n"), std::string::npos);
}

TEST_F(GatewayE2E, ATagLeavesTheFieldAndDeparts) {
    // The second tag is in the field for the reader's first 1.5 s only.
    const int port = start_reader("dock", epc_scenario({"AAAA0001", "AAAA0002"}, {"", R"("presence": {"out_s": 1.5})"}));
    start_gateway(settings(1.0) + reader_toml("dock-1", port, "dock"));
    StreamClient stream(http->port(), "/api/events/stream?since=0");
    ASSERT_TRUE(wait_for([&] { return stream.count_of("departed") == 1; }, 10));
    const auto events = stream.events();
    const auto departed = std::find_if(events.begin(), events.end(), [](const Json& e) { return e["type"] == "departed"; });
    EXPECT_EQ((*departed)["tag"], "AAAA0002");
    EXPECT_EQ((*departed)["location"], "dock");
    EXPECT_TRUE(departed->contains("last_seen"));
    EXPECT_EQ(tags_at("dock"), std::vector<std::string>{"AAAA0001"});
    EXPECT_EQ(stream.count_of("departed"), 1u);  // the tag that stays never departs
}

TEST_F(GatewayE2E, ATagSeenAtAnotherLocationMoves) {
    // The same tag in the dock's field for 1.5 s, then at the shelf's.
    const int dock = start_reader("dock", epc_scenario({"CCCC0001"}, {R"("presence": {"out_s": 1.5})"}));
    const int shelf = start_reader("shelf", epc_scenario({"CCCC0001"}, {R"("presence": {"in_s": 1.5})"}));
    start_gateway(settings(5.0) + reader_toml("dock-1", dock, "dock") + reader_toml("shelf-1", shelf, "shelf"));
    StreamClient stream(http->port(), "/api/events/stream?since=0");
    ASSERT_TRUE(wait_for([&] { return stream.count_of("moved") == 1; }, 10));
    for (const Json& e : stream.events()) {
        if (e["type"] != "moved") continue;
        EXPECT_EQ(e["tag"], "CCCC0001");
        EXPECT_EQ(e["location"], "shelf");
        EXPECT_EQ(e["reader"], "shelf-1");
        EXPECT_EQ(e["from_location"], "dock");
        EXPECT_EQ(e["from_reader"], "dock-1");
    }
    EXPECT_EQ(tags_at("shelf"), std::vector<std::string>{"CCCC0001"});
    EXPECT_TRUE(tags_at("dock").empty());
    EXPECT_EQ(stream.count_of("arrived"), 1u);
    EXPECT_EQ(stream.count_of("departed"), 0u);
}

TEST_F(GatewayE2E, AReaderKilledAndRestarted) {
    const int port = start_reader("dock", epc_scenario({"AAAA0001", "AAAA0002"}));
    const int other = start_reader("gate", epc_scenario({"BBBB0001"}));
    start_gateway(settings(1.0) + reader_toml("dock-1", port, "dock") + reader_toml("gate-1", other, "gate"));
    StreamClient stream(http->port(), "/api/events/stream?since=0");
    ASSERT_TRUE(wait_for([&] { return stream.count_of("arrived") == 3; }));

    sims[0]->stop();  // the dock's reader goes away
    ASSERT_TRUE(wait_for([&] { return stream.count_of("reader_offline") == 1; }));
    EXPECT_EQ(reader("dock-1")["status"], "offline");
    EXPECT_NE(reader("dock-1")["last_error"].get<std::string>(), "");
    // Three departure timeouts later its tags are still present: it is offline, not empty.
    std::this_thread::sleep_for(std::chrono::milliseconds(3000));
    EXPECT_EQ(stream.count_of("departed"), 0u);
    EXPECT_EQ(tags_at("dock"), (std::vector<std::string>{"AAAA0001", "AAAA0002"}));
    // The other reader went on cycling all along.
    const auto gate_cycles = reader("gate-1")["cycles"].get<int>();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    EXPECT_GT(reader("gate-1")["cycles"].get<int>(), gate_cycles);

    // Back on the same port with one tag gone and one new: online, the new tag arrives and the
    // missing one departs a timeout later.
    sims.erase(sims.begin());
    ASSERT_GT(start_reader("dock2", epc_scenario({"AAAA0001", "AAAA0003"}), port), 0);
    ASSERT_TRUE(wait_for([&] { return stream.count_of("reader_online") == 3; }, 40));
    ASSERT_TRUE(wait_for([&] { return stream.count_of("departed") == 1; }, 10));
    ASSERT_TRUE(wait_for([&] { return stream.count_of("arrived") == 4; }, 10));
    EXPECT_EQ(tags_at("dock"), (std::vector<std::string>{"AAAA0001", "AAAA0003"}));
    EXPECT_EQ(reader("dock-1")["status"], "online");
    EXPECT_EQ(reader("dock-1")["reconnects"], 1);

    // Nothing was lost: the stream holds every stored event, in order.
    const Json stored = get_json("/api/events?since=0&limit=1000")["events"];
    const std::vector<Json> stored_list(stored.begin(), stored.end());
    ASSERT_TRUE(wait_for([&] { return stream.events().size() >= stored_list.size(); }, 5));
    auto streamed = stream.events();
    streamed.resize(stored_list.size());
    EXPECT_EQ(seqs(streamed), seqs(stored_list));
    for (std::size_t i = 0; i < streamed.size(); ++i) EXPECT_EQ(streamed[i], stored_list[i]);
    auto c = client();
    auto metrics = c.Get("/metrics");
    EXPECT_NE(metrics->body.find("kestrel_gateway_reconnects_total{reader=\"dock-1\"} 1\n"), std::string::npos);
}

TEST_F(GatewayE2E, AnUnreachableReaderIsOfflineAndRetriedWithBackoff) {
    const int port = start_reader("dock", epc_scenario({"AAAA0001"}));
    // A port nothing listens on: taken from a reader that is then stopped.
    const int dead = start_reader("dead", epc_scenario({}));
    sims[1]->stop();
    start_gateway(settings(1.0) + reader_toml("dock-1", port, "dock") + reader_toml("dead-1", dead, "nowhere"));
    StreamClient stream(http->port(), "/api/events/stream?since=0");
    ASSERT_TRUE(wait_for([&] { return stream.count_of("reader_offline") == 1 && stream.count_of("arrived") == 1; }));
    // Attempts at 0, 0.5, 1.5, 3.5 s: four in a little over 3.5 s, not one per cycle.
    std::this_thread::sleep_for(std::chrono::milliseconds(3800));
    const int errors = reader("dead-1")["errors"];
    EXPECT_GE(errors, 3);
    EXPECT_LE(errors, 5);
    EXPECT_EQ(stream.count_of("reader_offline"), 1u);  // one event per outage, not per attempt
    EXPECT_EQ(reader("dock-1")["status"], "online");
}

TEST_F(GatewayE2E, StreamResumesAfterTheLastEventId) {
    const int port = start_reader("dock", epc_scenario({"AAAA0001", "AAAA0002", "AAAA0003"}));
    start_gateway(settings(30) + reader_toml("dock-1", port, "dock"));
    ASSERT_TRUE(wait_for([&] { return gateway->store().last_seq() >= 4; }));
    // Last-Event-ID wins over the since of the URL an EventSource reuses.
    StreamClient resumed(http->port(), "/api/events/stream?since=0", {{"Last-Event-ID", "2"}});
    ASSERT_TRUE(wait_for([&] { return resumed.events().size() >= 2; }));
    EXPECT_EQ(seqs(resumed.events()), (std::vector<std::int64_t>{3, 4}));
    StreamClient from_since(http->port(), "/api/events/stream?since=3");
    ASSERT_TRUE(wait_for([&] { return from_since.events().size() >= 1; }));
    EXPECT_EQ(seqs(from_since.events()), (std::vector<std::int64_t>{4}));
}

TEST_F(GatewayE2E, StopAndStartAReader) {
    const int port = start_reader("dock", epc_scenario({"AAAA0001"}));
    start_gateway(settings(1.0) + reader_toml("dock-1", port, "dock"));
    ASSERT_TRUE(wait_for([&] { return reader("dock-1")["tags_present"] == 1; }));
    auto c = client();
    const httplib::Headers auth = {{"Authorization", "Bearer " + token}};
    auto res = c.Post("/api/readers/dock-1/stop", auth, "", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    ASSERT_TRUE(wait_for([&] { return reader("dock-1")["status"] == "stopped"; }));
    // Stopped: its tags stay present (nobody looked), and no cycles run.
    const int cycles = reader("dock-1")["cycles"];
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    EXPECT_EQ(reader("dock-1")["cycles"], cycles);
    EXPECT_EQ(tags_at("dock"), std::vector<std::string>{"AAAA0001"});
    res = c.Post("/api/readers/dock-1/start", auth, "", "text/plain");
    ASSERT_TRUE(res);
    EXPECT_EQ(res->status, 200);
    ASSERT_TRUE(wait_for([&] { return reader("dock-1")["status"] == "online" && reader("dock-1")["cycles"] > cycles; }));
    const auto events = get_json("/api/events?since=0")["events"];
    std::vector<std::string> reader_events;
    for (const Json& e : events)
        if (e["type"] != "arrived") reader_events.push_back(e["type"].get<std::string>() + ":" + e.value("error", ""));
    EXPECT_EQ(reader_events, (std::vector<std::string>{"reader_online:", "reader_offline:stopped", "reader_online:"}));
}

}  // namespace
}  // namespace kestrel::gateway::test
