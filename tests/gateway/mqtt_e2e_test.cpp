// The MQTT publisher end to end: simulated readers over TCP, a gateway, a real mosquitto broker
// and mosquitto_sub as the independent subscriber. Nothing is lost across a broker outage or a
// gateway killed with SIGKILL; bad broker settings are retried without a crash; several
// gateways share one broker.
#include <algorithm>

#include "gateway/store.h"
#include "tests/gateway/mqtt_fixture.h"

namespace kestrel::gateway::test {
namespace {

class MqttE2E : public MqttFixture {
protected:
    void SetUp() override {
        MqttFixture::SetUp();
        broker = std::make_unique<Broker>(dir);
        ASSERT_TRUE(broker->start()) << broker->log();
    }
    void TearDown() override {
        MqttFixture::TearDown();
        broker.reset();
    }
    std::unique_ptr<Broker> broker;
};

// The store's events as the HTTP API gives them, by seq.
std::map<std::int64_t, Json> stored(const EventStore& store) {
    std::map<std::int64_t, Json> result;
    for (const Event& e : store.since(0, 1'000'000)) result[e.seq] = to_json(e);
    return result;
}

TEST_F(MqttE2E, EveryEventArrivesOnceInOrderPerReaderWithTheStoredJson) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001", "AAAA0002"}));
    const int gate = start_reader("gate", epc_scenario({"BBBB0001"}));
    Subscriber sub(dir + "/sub.txt", broker->port(), "watcher", {"kestrel/gw-a/#"});
    ASSERT_TRUE(sub.ready());
    Gateway& g = start_mqtt_gateway(settings("gw-a", broker->port()) + reader_toml("dock-1", dock, "dock") +
                                    reader_toml("gate-1", gate, "gate"));
    ASSERT_TRUE(wait_for([&] { return g.store().last_seq() >= 150; }, 20));
    stop_mqtt_gateway(0);
    const std::int64_t last = g.store().last_seq();
    EXPECT_EQ(g.store().undelivered_count(), 0);
    EXPECT_EQ(g.store().dropped(), 0);
    ASSERT_TRUE(wait_for([&] { return seq_counts(sub.messages()).size() == static_cast<std::size_t>(last); }, 10))
        << seq_counts(sub.messages()).size() << " of " << last;

    const auto messages = sub.messages();
    const auto expected = stored(g.store());
    std::map<std::string, std::int64_t> last_seq_of_reader;
    for (const Message& m : messages) {
        if (!m.payload.contains("seq")) continue;
        const std::int64_t seq = m.payload["seq"];
        EXPECT_EQ(m.payload, expected.at(seq));  // the one event JSON
        const std::string reader = m.payload["reader"];
        const std::string type = m.payload["type"];
        const bool status = type == "reader_online" || type == "reader_offline";
        EXPECT_EQ(m.topic, "kestrel/gw-a/readers/" + reader + (status ? "/status" : "/events"));
        EXPECT_GT(seq, last_seq_of_reader[reader]) << "out of order on " << reader;
        last_seq_of_reader[reader] = seq;
    }
    for (const auto& [seq, count] : seq_counts(messages)) EXPECT_EQ(count, 1) << "seq " << seq;
    EXPECT_TRUE(missing(seq_counts(messages), last).empty());

    // The gateway's status: online, then offline on the clean stop.
    std::vector<std::string> gateway_status;
    for (const Message& m : messages)
        if (m.topic == "kestrel/gw-a/status") gateway_status.push_back(m.payload["status"]);
    EXPECT_EQ(gateway_status, (std::vector<std::string>{"online", "offline"}));
}

TEST_F(MqttE2E, RetainedStatusReachesALateSubscriber) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001"}));
    Gateway& g = start_mqtt_gateway(settings("gw-a", broker->port(), "", "") + reader_toml("dock-1", dock, "dock") +
                                    reader_toml("gone-1", free_port(), "gate"));
    ASSERT_TRUE(wait_for([&] { return g.store().last_seq() >= 3 && g.store().undelivered_count() == 0; }));
    Subscriber late(dir + "/late.txt", broker->port(), "late", {"kestrel/gw-a/status", "kestrel/gw-a/readers/+/status"});
    ASSERT_TRUE(late.ready());
    ASSERT_TRUE(wait_for([&] { return late.messages().size() >= 3; }));
    std::map<std::string, Json> last;
    for (const Message& m : late.messages()) last[m.topic] = m.payload;
    EXPECT_EQ(last["kestrel/gw-a/status"]["status"], "online");
    EXPECT_EQ(last["kestrel/gw-a/readers/dock-1/status"]["type"], "reader_online");
    EXPECT_EQ(last["kestrel/gw-a/readers/gone-1/status"]["type"], "reader_offline");
    EXPECT_FALSE(last["kestrel/gw-a/readers/gone-1/status"]["error"].get<std::string>().empty());
}

TEST_F(MqttE2E, BrokerDownForTenSecondsLosesNothing) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001", "AAAA0002"}));
    const int gate = start_reader("gate", epc_scenario({"BBBB0001"}));
    auto sub = std::make_unique<Subscriber>(dir + "/sub1.txt", broker->port(), "watcher", std::vector<std::string>{"kestrel/gw-a/#"});
    ASSERT_TRUE(sub->ready());
    Gateway& g = start_mqtt_gateway(settings("gw-a", broker->port()) + reader_toml("dock-1", dock, "dock") +
                                    reader_toml("gate-1", gate, "gate"));
    MqttPublisher& p = *publishers[0];
    ASSERT_TRUE(wait_for([&] { return p.status().acknowledged >= 30; }));

    sub->stop();
    broker->stop();
    const std::int64_t at_outage = g.store().last_seq();
    ASSERT_TRUE(wait_for([&] { return p.status().state != "connected"; }, 5));
    std::this_thread::sleep_for(std::chrono::seconds(10));
    const auto during = p.status();
    EXPECT_GT(during.backlog, 100) << "events wait in the store";
    EXPECT_GE(during.connect_failures, 3u) << "retried while the broker is down";
    EXPECT_NE(g.metrics().find("kestrel_gateway_mqtt_connected 0\n"), std::string::npos);
    EXPECT_GT(g.store().last_seq(), at_outage + 100);

    ASSERT_TRUE(broker->start()) << broker->log();
    ASSERT_TRUE(wait_for([&] { return p.status().state == "connected" && p.status().backlog < 20; }, 15));
    sub = std::make_unique<Subscriber>(dir + "/sub2.txt", broker->port(), "watcher", std::vector<std::string>{"kestrel/gw-a/#"});
    stop_mqtt_gateway(0);
    const std::int64_t last = g.store().last_seq();
    EXPECT_EQ(g.store().undelivered_count(), 0);
    EXPECT_EQ(g.store().dropped(), 0);
    EXPECT_NE(g.metrics().find("kestrel_gateway_store_dropped_total 0\n"), std::string::npos);

    // Both sessions of the subscriber together: every seq, no gap; a duplicate carries the
    // same event.
    std::vector<std::string> lines;
    const auto wait_all = [&] {
        lines.clear();
        for (const char* f : {"/sub1.txt", "/sub2.txt"}) {
            std::ifstream in(dir + f);
            for (std::string line; std::getline(in, line);) lines.push_back(line);
        }
        return missing(seq_counts(Subscriber::parse(lines)), last).empty();
    };
    EXPECT_TRUE(wait_for(wait_all, 10)) << missing(seq_counts(Subscriber::parse(lines)), last).size() << " of " << last
                                        << " missing";
    const auto expected = stored(g.store());
    for (const Message& m : Subscriber::parse(lines))
        if (m.payload.contains("seq")) {
            EXPECT_EQ(m.payload, expected.at(m.payload["seq"].get<std::int64_t>()));
        }
}

TEST_F(MqttE2E, GatewayKilledRepublishesWhatWasNotAcknowledged) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001", "AAAA0002"}));
    Subscriber sub(dir + "/sub.txt", broker->port(), "watcher", {"kestrel/gw-k/readers/#"});
    ASSERT_TRUE(sub.ready());
    const std::string text = settings("gw-k", broker->port()) + reader_toml("dock-1", dock, "dock");
    std::ofstream(dir + "/gw-k.toml") << text;
    const std::string program = gateway_program();
    const std::string db = dir + "/gw-k.db";

    // A first run: killed while the broker is away, so stored events are unacknowledged.
    auto gw = std::make_unique<Child>(std::vector<std::string>{program, "--config", dir + "/gw-k.toml"}, dir + "/gw1.log");
    ASSERT_TRUE(wait_for([&] { return seq_counts(sub.messages()).size() >= 20; }, 15)) << sub.raw();
    broker->stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    gw->stop(SIGKILL);
    std::int64_t pending = 0;
    std::int64_t first_run_last = 0;
    {
        EventStore store({db, 1'000'000, 0, true});
        pending = store.undelivered_count();
        first_run_last = store.last_seq();
    }
    EXPECT_GT(pending, 10);

    // Broker back, gateway restarted: the pending events go out again with their seqs.
    ASSERT_TRUE(broker->start()) << broker->log();
    Subscriber again(dir + "/sub2.txt", broker->port(), "watcher", {"kestrel/gw-k/readers/#"});
    gw = std::make_unique<Child>(std::vector<std::string>{program, "--config", dir + "/gw-k.toml"}, dir + "/gw2.log");
    std::vector<std::string> lines;
    const auto all_arrived = [&] {
        lines = sub.lines();
        const auto more = again.lines();
        lines.insert(lines.end(), more.begin(), more.end());
        return missing(seq_counts(Subscriber::parse(lines)), first_run_last + 5).empty();
    };
    EXPECT_TRUE(wait_for(all_arrived, 20)) << missing(seq_counts(Subscriber::parse(lines)), first_run_last + 5).size()
                                           << " missing of " << first_run_last + 5;
    EXPECT_EQ(WEXITSTATUS(gw->stop(SIGTERM)), 0);
    EventStore store({db, 1'000'000, 0, true});
    EXPECT_EQ(store.undelivered_count(), 0);
    EXPECT_EQ(store.dropped(), 0);
    const auto expected = stored(store);
    for (const Message& m : Subscriber::parse(lines))
        if (m.payload.contains("seq")) {
            EXPECT_EQ(m.payload, expected.at(m.payload["seq"].get<std::int64_t>()));
        }
}

struct BadBroker {
    const char* name;
    std::string mqtt;    // the [mqtt] lines after port; "PORT" is the broker's port
    bool use_broker;     // false: nothing listens on the port
    std::string error;   // in last_error
};

void PrintTo(const BadBroker& c, std::ostream* out) { *out << c.name; }

class MqttBadSettings : public MqttFixture, public ::testing::WithParamInterface<BadBroker> {};

TEST_P(MqttBadSettings, AClearErrorAndRetriesWithoutLoss) {
    const BadBroker& c = GetParam();
    std::ofstream(dir + "/passwords") << "";
    ASSERT_EQ(std::system(("mosquitto_passwd -b " + dir + "/passwords gw right-password >/dev/null 2>&1").c_str()), 0);
    std::ofstream(dir + "/bad-ca.pem") << "not a certificate\n";
    Broker secured(dir, "allow_anonymous false\npassword_file " + dir + "/passwords\n");
    if (c.use_broker) {
        ASSERT_TRUE(secured.start()) << secured.log();
    }
    const int port = c.use_broker ? secured.port() : free_port();
    const int dock = start_reader("dock", epc_scenario({"AAAA0001"}));
    Gateway& g = start_mqtt_gateway(settings("gw-bad", port, c.mqtt, "") + reader_toml("dock-1", dock, "dock"));
    MqttPublisher& p = *publishers[0];
    ASSERT_TRUE(wait_for([&] { return p.status().connect_failures >= 3; }, 10));
    const auto s = p.status();
    EXPECT_NE(s.state, "connected");
    EXPECT_NE(s.last_error.find(c.error), std::string::npos) << s.last_error;
    EXPECT_EQ(s.connects, 0u);
    EXPECT_GE(s.backlog, 2) << "reader_online and arrived wait in the store";
    EXPECT_EQ(g.store().undelivered_count(), s.backlog);
    EXPECT_EQ(s.dropped, 0);
    EXPECT_EQ(g.publishers()["mqtt"]["state"], s.state);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MqttBadSettings,
    ::testing::Values(BadBroker{"NothingListens", "", false, "Connection refused"},
                      BadBroker{"UnknownHost", "host = \"no-such-broker.invalid\"\n", false, "cannot connect"},
                      BadBroker{"NoLogin", "", true, "not authorised"},
                      BadBroker{"WrongPassword", "username = \"gw\"\npassword = \"wrong\"\n", true, "not authorised"},
                      BadBroker{"TlsToAPlainListener", "ca_file = \"bad-ca.pem\"\n", true, "TLS"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(MqttE2E, TheRightPasswordConnects) {
    // The refusals above are the broker's: the same broker takes the right login.
    std::ofstream(dir + "/passwords") << "";
    ASSERT_EQ(std::system(("mosquitto_passwd -b " + dir + "/passwords gw right-password >/dev/null 2>&1").c_str()), 0);
    const std::string sub_dir = dir + "/secured";
    std::filesystem::create_directory(sub_dir);
    Broker secured(sub_dir, "allow_anonymous false\npassword_file " + dir + "/passwords\n");
    ASSERT_TRUE(secured.start()) << secured.log();
    const int dock = start_reader("dock", epc_scenario({"AAAA0001"}));
    Gateway& g = start_mqtt_gateway(settings("gw-pw", secured.port(), "username = \"gw\"\npassword = \"right-password\"\n", "") +
                                    reader_toml("dock-1", dock, "dock"));
    ASSERT_TRUE(wait_for([&] { return g.store().last_seq() >= 2 && publishers[0]->status().backlog == 0; }));
    EXPECT_EQ(publishers[0]->status().connect_failures, 0u);
}

TEST_F(MqttE2E, TwoGatewaysOnOneBrokerAndOneWildcardSubscriber) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001"}));
    const int gate = start_reader("gate", epc_scenario({"BBBB0001", "BBBB0002"}));
    Subscriber sub(dir + "/sub.txt", broker->port(), "watcher", {"kestrel/+/readers/+/events"});
    ASSERT_TRUE(sub.ready());
    Gateway& a = start_mqtt_gateway(settings("site-a", broker->port()) + reader_toml("dock-1", dock, "dock"), "a.toml");
    Gateway& b = start_mqtt_gateway(settings("site-b", broker->port()) + reader_toml("gate-1", gate, "gate"), "b.toml");
    ASSERT_TRUE(wait_for([&] { return a.store().last_seq() >= 40 && b.store().last_seq() >= 40; }, 15));
    stop_mqtt_gateway(0);
    stop_mqtt_gateway(1);
    // Each gateway's own seqs, every event of both (the readers' status is on other topics).
    const auto events_of = [](const EventStore& store) {
        std::set<std::int64_t> seqs;
        for (const Event& e : store.since(0, 100'000))
            if (e.type != EventType::reader_online && e.type != EventType::reader_offline) seqs.insert(e.seq);
        return seqs;
    };
    const auto want_a = events_of(a.store());
    const auto want_b = events_of(b.store());
    std::set<std::int64_t> got_a, got_b;
    ASSERT_TRUE(wait_for([&] {
        got_a.clear();
        got_b.clear();
        for (const Message& m : sub.messages()) {
            if (m.topic.rfind("kestrel/site-a/readers/dock-1/events", 0) == 0 && m.payload["gateway"] == "site-a")
                got_a.insert(m.payload["seq"].get<std::int64_t>());
            if (m.topic.rfind("kestrel/site-b/readers/gate-1/events", 0) == 0 && m.payload["gateway"] == "site-b")
                got_b.insert(m.payload["seq"].get<std::int64_t>());
        }
        return got_a == want_a && got_b == want_b;
    }, 10)) << got_a.size() << "/" << want_a.size() << " " << got_b.size() << "/" << want_b.size();
    EXPECT_EQ(sub.messages().size(), want_a.size() + want_b.size()) << "nothing else, nothing twice";
}

TEST_F(MqttE2E, StartAndStopCommands) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001"}));
    const int dock2 = start_reader("dock2", epc_scenario({"AAAA0002"}));
    Gateway& g = start_mqtt_gateway(settings("gw-c", broker->port(), "commands = true\n", "") +
                                    reader_toml("dock-1", dock, "dock") + reader_toml("dock-2", dock2, "dock2"));
    ASSERT_TRUE(wait_for([&] { return publishers[0]->status().state == "connected"; }));
    const auto send = [&](const std::string& topic, const std::string& payload) {
        Child pub({"/usr/bin/mosquitto_pub", "-h", "127.0.0.1", "-p", std::to_string(broker->port()), "-q", "1", "-t",
                   topic, "-m", payload},
                  dir + "/pub.log");
        pub.stop(0);
    };
    const auto status_of = [&](const std::string& id) {
        for (const ReaderStatus& r : g.readers())
            if (r.id == id) return r.status;
        return std::string();
    };
    send("kestrel/gw-c/readers/dock-1/command", "stop");
    ASSERT_TRUE(wait_for([&] { return status_of("dock-1") == "stopped"; }));
    send("kestrel/gw-c/readers/dock-1/command", "{\"command\": \"start\"}");
    ASSERT_TRUE(wait_for([&] { return status_of("dock-1") == "online"; }));
    // Refused: an unknown reader, an unknown command; nothing changes.
    send("kestrel/gw-c/readers/nobody/command", "stop");
    send("kestrel/gw-c/readers/dock-2/command", "reboot");
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_NE(status_of("dock-2"), "stopped");
    EXPECT_EQ(publishers[0]->status().commands, 2u);
}

TEST_F(MqttE2E, CommandsAreIgnoredUnlessEnabled) {
    const int dock = start_reader("dock", epc_scenario({"AAAA0001"}));
    Gateway& g = start_mqtt_gateway(settings("gw-n", broker->port(), "", "") + reader_toml("dock-1", dock, "dock"));
    ASSERT_TRUE(wait_for([&] { return publishers[0]->status().state == "connected" && g.readers()[0].status == "online"; }));
    Child pub({"/usr/bin/mosquitto_pub", "-h", "127.0.0.1", "-p", std::to_string(broker->port()), "-q", "1", "-t",
               "kestrel/gw-n/readers/dock-1/command", "-m", "stop"},
              dir + "/pub.log");
    pub.stop(0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    EXPECT_EQ(g.readers()[0].status, "online");
    EXPECT_EQ(publishers[0]->status().commands, 0u);
}

}  // namespace
}  // namespace kestrel::gateway::test
