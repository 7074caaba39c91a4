// The LLRP reader logic against a scripted reader and a clock the tests move: refusals with
// their status codes, the ROSpec and AccessSpec state machines, triggers, report contents,
// configuration, keepalives and held reports.
#include <gtest/gtest.h>

#include "kestrel.h"
#include "llrp_support.h"

namespace kestrel::llrp::test {
namespace {

class LlrpReaderTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (int i = 1; i <= 3; ++i) port.tags.push_back({epc_of(i)});
        reader.connect(inbox.sink(), now);
    }
    void send(const Element& m) { reader.receive(encode(m), now); }
    std::uint16_t ask(const Element& m, std::uint16_t response) {
        send(m);
        return inbox.status_of(response);
    }
    void ok(const Element& m, std::uint16_t response) { ASSERT_EQ(ask(m, response), status::M_Success); }
    // Runs the reader for `ms` of clock time in 10 ms steps.
    void run_for(Millis ms) {
        for (Millis end = now + ms; now < end; now += 10) reader.run(now);
    }
    void add_enable_start(const RoSpecShape& s) {
        ok(add_rospec(s), msg::ADD_ROSPEC_RESPONSE);
        ok(with_id(msg::ENABLE_ROSPEC, "ROSpecID", s.id), msg::ENABLE_ROSPEC_RESPONSE);
        if (s.start == 0) ok(with_id(msg::START_ROSPEC, "ROSpecID", s.id), msg::START_ROSPEC_RESPONSE);
    }
    std::vector<std::vector<Bytes>> reports() {
        std::vector<std::vector<Bytes>> out;
        for (const Element& r : inbox.take(msg::RO_ACCESS_REPORT)) {
            std::vector<Bytes> epcs;
            for (const Element* t : r.all(par::TagReportData)) {
                const Element* e = t->find(kChoiceBase + 3);
                epcs.push_back(e->field("EPC").bytes);
            }
            out.push_back(epcs);
        }
        return out;
    }
    std::uint8_t state_of(std::uint32_t id) {
        send(make_message(msg::GET_ROSPECS, 1));
        auto got = inbox.take(msg::GET_ROSPECS_RESPONSE);
        for (const Element* s : got.at(0).all(par::ROSpec))
            if (s->num("ROSpecID") == id) return static_cast<std::uint8_t>(s->num("CurrentState"));
        return 0xFF;
    }

    ScriptedPort port;
    LlrpReader reader{port};
    Inbox inbox;
    Millis now = 1000;
};

TEST_F(LlrpReaderTest, GreetsTheClientWithASuccessfulConnectionEvent) {
    auto events = inbox.take(msg::READER_EVENT_NOTIFICATION);
    ASSERT_EQ(events.size(), 1u);
    const Element* ev = events[0].find(par::ReaderEventNotificationData)->find(par::ConnectionAttemptEvent);
    ASSERT_NE(ev, nullptr);
    EXPECT_EQ(ev->num("Status"), 0u);
    Element refused;
    ASSERT_FALSE(decode(LlrpReader::connection_refused_event(), refused));
    EXPECT_EQ(refused.find(par::ReaderEventNotificationData)->find(par::ConnectionAttemptEvent)->num("Status"), 2u);
}

TEST_F(LlrpReaderTest, RefusesWhatItCannotDoWithTheStandardsStatus) {
    ok(add_rospec({}), msg::ADD_ROSPEC_RESPONSE);
    auto shape = [](auto change) {
        RoSpecShape s;
        s.id = 2;
        change(s);
        return add_rospec(s);
    };
    Element custom = add_rospec({.id = 3});
    custom.subs[0].find(par::AISpec);
    const_cast<Element*>(&custom.subs[0].subs[1])->add(make_parameter(par::Custom));
    Element rf_survey = shape([](RoSpecShape&) {});
    Element& ro = rf_survey.subs[0];
    ro.subs[1] = make_parameter(par::RFSurveySpec);
    ro.subs[1].add(make_parameter(par::RFSurveySpecStopTrigger));
    Element filter = shape([](RoSpecShape&) {});
    Element& ac = filter.subs[0].subs[1].subs[1].add(make_parameter(par::AntennaConfiguration));
    ac.add(make_parameter(par::C1G2InventoryCommand))
        .add(make_parameter(par::C1G2Filter))
        .add(make_parameter(par::C1G2TagInventoryMask));
    Element pc_bits = shape([](RoSpecShape& s) { s.report = 1; });
    pc_bits.subs[0].subs[2].subs[0].add(make_parameter(par::C1G2EPCMemorySelector)).set("EnablePCBits", 1);
    Element too_many = shape([](RoSpecShape&) {});
    too_many.subs[0].subs[1].add(too_many.subs[0].subs[1].subs[1]);
    Element gpi_config = make_message(msg::GET_READER_CONFIG, 1);
    gpi_config.set("GPIPortNum", 1);
    Element antenna_props = make_message(msg::SET_READER_CONFIG, 1);
    antenna_props.add(make_parameter(par::AntennaProperties)).set("AntennaID", 1);
    Element power = make_message(msg::SET_READER_CONFIG, 1);
    power.add(make_parameter(par::AntennaConfiguration)).add(make_parameter(par::RFTransmitter)).set("TransmitPower", 20).set("ChannelIndex", 1);
    Element channel = make_message(msg::SET_READER_CONFIG, 1);
    channel.add(make_parameter(par::AntennaConfiguration)).add(make_parameter(par::RFTransmitter)).set("TransmitPower", 1).set("ChannelIndex", 16);
    Element whole_bank = access_spec(5, {c1g2_read(1, 2, 0, 0)});
    Element three_targets = access_spec(10, {c1g2_read(1, 2, 0, 2)});
    for (int i = 0; i < 2; ++i)
        three_targets.subs[0].subs[1].subs[0].add(make_parameter(par::C1G2TargetTag)).set("MB", 1).set("Pointer", 32);
    Element client_op = access_spec(6, {});
    client_op.subs[0].subs[1].add(make_parameter(par::ClientRequestOpSpec));

    struct Case {
        const char* name;
        Element request;
        std::uint16_t response;
        std::uint16_t code;
    };
    const Case cases[] = {
        {"ROSpec ID 0", shape([](RoSpecShape& s) { s.id = 0; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"ROSpec ID taken", add_rospec({}), msg::ADD_ROSPEC_RESPONSE, status::A_Invalid},
        {"added Active", [&] { Element m = add_rospec({.id = 4}); m.subs[0].set("CurrentState", 2); return m; }(),
         msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"priority 8", shape([](RoSpecShape& s) { s.priority = 8; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"GPI start trigger", shape([](RoSpecShape& s) { s.start = 3; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"GPI stop trigger", shape([](RoSpecShape& s) { s.stop = 2; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"duration 0", shape([](RoSpecShape& s) { s.stop = 1; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"antenna 5", shape([](RoSpecShape& s) { s.antennas = {5}; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"no antenna", shape([](RoSpecShape& s) { s.antennas = {}; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"protocol other than Gen2", shape([](RoSpecShape& s) { s.protocol = 2; }), msg::ADD_ROSPEC_RESPONSE,
         status::P_FieldError},
        {"tag observation type 3", shape([](RoSpecShape& s) { s.ai_stop = 3; s.observation = 3; }),
         msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"tag observation of 0 tags", shape([](RoSpecShape& s) { s.ai_stop = 3; }), msg::ADD_ROSPEC_RESPONSE,
         status::P_FieldError},
        {"report trigger 3", shape([](RoSpecShape& s) { s.report = 3; }), msg::ADD_ROSPEC_RESPONSE, status::P_FieldError},
        {"RF survey", rf_survey, msg::ADD_ROSPEC_RESPONSE, status::P_UnsupportedParameter},
        {"select filter", filter, msg::ADD_ROSPEC_RESPONSE, status::P_UnsupportedParameter},
        {"PC bits in reports", pc_bits, msg::ADD_ROSPEC_RESPONSE, status::P_UnsupportedParameter},
        {"two InventoryParameterSpecs", too_many, msg::ADD_ROSPEC_RESPONSE, status::P_OverflowParameter},
        {"vendor extension", custom, msg::ADD_ROSPEC_RESPONSE, status::M_UnsupportedParameter},
        {"start of an unknown ROSpec", with_id(msg::START_ROSPEC, "ROSpecID", 77), msg::START_ROSPEC_RESPONSE,
         status::A_Invalid},
        {"start of a disabled ROSpec", with_id(msg::START_ROSPEC, "ROSpecID", 1), msg::START_ROSPEC_RESPONSE,
         status::A_Invalid},
        {"stop of an inactive ROSpec", with_id(msg::STOP_ROSPEC, "ROSpecID", 1), msg::STOP_ROSPEC_RESPONSE,
         status::A_Invalid},
        {"enable of an unknown ROSpec", with_id(msg::ENABLE_ROSPEC, "ROSpecID", 77), msg::ENABLE_ROSPEC_RESPONSE,
         status::A_Invalid},
        {"delete of an unknown ROSpec", with_id(msg::DELETE_ROSPEC, "ROSpecID", 77), msg::DELETE_ROSPEC_RESPONSE,
         status::A_Invalid},
        {"capabilities part 5", with_id(msg::GET_READER_CAPABILITIES, "RequestedData", 5),
         msg::GET_READER_CAPABILITIES_RESPONSE, status::P_FieldError},
        {"GPI port state", gpi_config, msg::GET_READER_CONFIG_RESPONSE, status::P_FieldError},
        {"antenna properties", antenna_props, msg::SET_READER_CONFIG_RESPONSE, status::P_UnsupportedParameter},
        {"power index 20", power, msg::SET_READER_CONFIG_RESPONSE, status::P_FieldError},
        {"ETSI channel 16", channel, msg::SET_READER_CONFIG_RESPONSE, status::P_FieldError},
        {"read of a whole bank", whole_bank, msg::ADD_ACCESSSPEC_RESPONSE, status::P_FieldError},
        {"three target tags", three_targets, msg::ADD_ACCESSSPEC_RESPONSE, status::P_OverflowParameter},
        {"client request OpSpec", client_op, msg::ADD_ACCESSSPEC_RESPONSE, status::P_UnsupportedParameter},
        {"enable of an unknown AccessSpec", with_id(msg::ENABLE_ACCESSSPEC, "AccessSpecID", 9),
         msg::ENABLE_ACCESSSPEC_RESPONSE, status::A_Invalid},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ask(c.request, c.response), c.code);
    }
    // A refused SET_READER_CONFIG changes nothing, not even the part before the refusal.
    EXPECT_EQ(port.set_work_calls, 0);
    // Messages that are not requests: ERROR_MESSAGE, unsupported.
    send(make_message(msg::RO_ACCESS_REPORT, 3));
    EXPECT_EQ(inbox.status_of(msg::ERROR_MESSAGE), status::M_UnsupportedMessage);
    send(make_message(msg::CUSTOM_MESSAGE, 3));
    EXPECT_EQ(inbox.status_of(msg::ERROR_MESSAGE), status::M_UnsupportedMessage);
}

TEST_F(LlrpReaderTest, AnswersANewerVersionAsAnLlrp101ReaderDoes) {
    // GET_SUPPORTED_VERSION of LLRP 1.1: version 2, type 46.
    const Bytes get_supported_version = {0x08, 0x2E, 0, 0, 0, 10, 0, 0, 0, 42};
    EXPECT_TRUE(reader.receive(get_supported_version, now));
    auto errors = inbox.take(msg::ERROR_MESSAGE);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].message_id, 42u);
    EXPECT_EQ(errors[0].version, 1);
    EXPECT_EQ(errors[0].find(par::LLRPStatus)->num("StatusCode"), status::M_UnsupportedVersion);
}

TEST_F(LlrpReaderTest, RunsTheROSpecLifeCycle) {
    RoSpecShape s;
    s.report = 0;
    ok(add_rospec(s), msg::ADD_ROSPEC_RESPONSE);
    EXPECT_EQ(state_of(1), 0);
    ok(with_id(msg::ENABLE_ROSPEC, "ROSpecID", 1), msg::ENABLE_ROSPEC_RESPONSE);
    EXPECT_EQ(state_of(1), 1);
    run_for(50);
    EXPECT_EQ(port.rounds, 0) << "a Null start trigger waits for START_ROSPEC";
    ok(with_id(msg::START_ROSPEC, "ROSpecID", 1), msg::START_ROSPEC_RESPONSE);
    EXPECT_EQ(state_of(1), 2);
    EXPECT_EQ(ask(with_id(msg::START_ROSPEC, "ROSpecID", 1), msg::START_ROSPEC_RESPONSE), status::A_Invalid);
    run_for(50);
    EXPECT_GT(port.rounds, 0);
    ok(with_id(msg::STOP_ROSPEC, "ROSpecID", 1), msg::STOP_ROSPEC_RESPONSE);
    EXPECT_EQ(state_of(1), 1);
    const int rounds = port.rounds;
    run_for(50);
    EXPECT_EQ(port.rounds, rounds);
    ok(with_id(msg::DISABLE_ROSPEC, "ROSpecID", 1), msg::DISABLE_ROSPEC_RESPONSE);
    EXPECT_EQ(state_of(1), 0);
    ok(add_rospec({.id = 2}), msg::ADD_ROSPEC_RESPONSE);
    ok(with_id(msg::DELETE_ROSPEC, "ROSpecID", 0), msg::DELETE_ROSPEC_RESPONSE);
    send(make_message(msg::GET_ROSPECS, 1));
    EXPECT_TRUE(inbox.take(msg::GET_ROSPECS_RESPONSE).at(0).all(par::ROSpec).empty());
    EXPECT_TRUE(reports().empty()) << "trigger None reports nothing by itself";
}

TEST_F(LlrpReaderTest, StartAndStopTriggersRunTheROSpecOnTheClock) {
    struct Case {
        const char* name;
        RoSpecShape shape;
        Millis run_ms;
        int min_reports, max_reports;
        std::uint8_t state_after;
    };
    const Case cases[] = {
        {"immediate start, duration stop", {.start = 1, .stop = 1, .duration = 200, .report = 2}, 500, 1, 1, 1},
        {"periodic every 300 ms for 100 ms", {.start = 2, .offset = 50, .period = 300, .stop = 1, .duration = 100, .report = 2},
         900, 3, 3, 1},
        {"null start waits", {.start = 0, .stop = 1, .duration = 100, .report = 2}, 300, 0, 0, 1},
        {"AISpec duration ends the ROSpec", {.start = 1, .ai_stop = 1, .ai_duration = 100, .report = 1}, 400, 1, 1, 1},
        {"N tag observations", {.start = 1, .ai_stop = 3, .observation = 0, .tags = 7, .report = 1}, 300, 1, 1, 1},
        {"N attempts", {.start = 1, .ai_stop = 3, .observation = 2, .attempts = 4, .report = 1}, 300, 1, 1, 1},
        {"no new tags for 80 ms", {.start = 1, .ai_stop = 3, .observation = 1, .quiet_ms = 80, .report = 1}, 300, 1, 1, 1},
        {"tag observation timeout", {.start = 1, .ai_stop = 3, .observation = 0, .tags = 60000, .timeout = 150, .report = 1},
         400, 1, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ok(with_id(msg::DELETE_ROSPEC, "ROSpecID", 0), msg::DELETE_ROSPEC_RESPONSE);
        inbox.messages.clear();
        port.rounds = 0;
        ok(add_rospec(c.shape), msg::ADD_ROSPEC_RESPONSE);
        ok(with_id(msg::ENABLE_ROSPEC, "ROSpecID", 1), msg::ENABLE_ROSPEC_RESPONSE);
        run_for(c.run_ms);
        const auto got = reports();
        EXPECT_GE(static_cast<int>(got.size()), c.min_reports);
        EXPECT_LE(static_cast<int>(got.size()), c.max_reports);
        for (const auto& r : got) EXPECT_EQ(r.size(), 3u);
        EXPECT_EQ(state_of(1), c.state_after);
    }
    // The observation and attempt triggers end after exactly enough rounds.
    ok(with_id(msg::DELETE_ROSPEC, "ROSpecID", 0), msg::DELETE_ROSPEC_RESPONSE);
    port.rounds = 0;
    ok(add_rospec({.start = 1, .ai_stop = 3, .observation = 2, .attempts = 4, .report = 1}), msg::ADD_ROSPEC_RESPONSE);
    ok(with_id(msg::ENABLE_ROSPEC, "ROSpecID", 1), msg::ENABLE_ROSPEC_RESPONSE);
    run_for(300);
    EXPECT_EQ(port.rounds, 4);
}

TEST_F(LlrpReaderTest, ReportsUponNTagsAndAtTheEnd) {
    add_enable_start({.stop = 1, .duration = 100, .report = 2, .n = 2});
    run_for(200);
    const auto got = reports();
    // Tags are counted as report entries: 2 of the first round, then the third with the
    // others' later sightings folded in, sent at the end of the ROSpec.
    ASSERT_GE(got.size(), 2u);
    EXPECT_EQ(got[0].size(), 2u);
    std::set<Bytes> all;
    for (const auto& r : got)
        for (const Bytes& e : r) all.insert(e);
    EXPECT_EQ(all.size(), 3u);
}

TEST_F(LlrpReaderTest, ReportsOnlyTheSelectedContent) {
    port.tags.push_back({epc_of(4, 10)});  // an 80-bit EPC: EPCData, not EPC-96
    struct Case {
        std::vector<std::string> enable;
        std::vector<std::uint16_t> present;
    };
    const std::vector<std::uint16_t> optional = {par::ROSpecID, par::SpecIndex, par::InventoryParameterSpecID,
                                                 par::AntennaID, par::FirstSeenTimestampUTC, par::LastSeenTimestampUTC,
                                                 par::TagSeenCount, par::PeakRSSI, par::ChannelIndex};
    const Case cases[] = {
        {{}, {}},
        {{"EnableROSpecID", "EnableSpecIndex", "EnableInventoryParameterSpecID"},
         {par::ROSpecID, par::SpecIndex, par::InventoryParameterSpecID}},
        {{"EnableAntennaID", "EnableFirstSeenTimestamp", "EnableLastSeenTimestamp", "EnableTagSeenCount"},
         {par::AntennaID, par::FirstSeenTimestampUTC, par::LastSeenTimestampUTC, par::TagSeenCount}},
        // Peak RSSI and channel index are not measured: left out.
        {{"EnablePeakRSSI", "EnableChannelIndex"}, {}},
    };
    std::uint32_t id = 1;
    for (const Case& c : cases) {
        SCOPED_TRACE(id);
        add_enable_start({.id = id, .stop = 1, .duration = 50, .antennas = {3}, .report = 2, .enable = c.enable});
        run_for(100);
        auto got = inbox.take(msg::RO_ACCESS_REPORT);
        ASSERT_EQ(got.size(), 1u);
        const auto tags = got[0].all(par::TagReportData);
        ASSERT_EQ(tags.size(), 4u);
        for (const Element* t : tags) {
            const bool long_epc = t->find(kChoiceBase + 3)->field("EPC").bytes.size() == 10;
            EXPECT_NE(t->find(long_epc ? par::EPCData : par::EPC_96), nullptr);
            for (std::uint16_t p : optional) {
                const bool want = std::find(c.present.begin(), c.present.end(), p) != c.present.end();
                EXPECT_EQ(t->find(p) != nullptr, want) << "parameter " << p;
            }
            if (const Element* a = t->find(par::AntennaID)) {
                EXPECT_EQ(a->num("AntennaID"), 3u);
            }
            if (const Element* n = t->find(par::TagSeenCount)) {
                EXPECT_GE(n->num("TagCount"), 2u);
            }
            if (const Element* i = t->find(par::InventoryParameterSpecID)) {
                EXPECT_EQ(i->num("InventoryParameterSpecID"), 9u);
            }
            if (const Element* f = t->find(par::FirstSeenTimestampUTC)) {
                EXPECT_LT(f->num("Microseconds"), t->find(par::LastSeenTimestampUTC)->num("Microseconds"));
            }
        }
        ++id;
    }
    EXPECT_EQ(port.antenna, 3);
}

TEST_F(LlrpReaderTest, HoldsTheReportOfTriggerNoneForGetReport) {
    add_enable_start({.report = 0});
    run_for(50);
    EXPECT_TRUE(reports().empty());
    send(make_message(msg::GET_REPORT, 33));
    auto got = inbox.take(msg::RO_ACCESS_REPORT);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].message_id, 33u);
    EXPECT_EQ(got[0].all(par::TagReportData).size(), 3u);
    send(make_message(msg::GET_REPORT, 34));
    got = inbox.take(msg::RO_ACCESS_REPORT);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].all(par::TagReportData).size(), 0u) << "reported tags are not reported twice";
}

TEST_F(LlrpReaderTest, AccessSpecOpSpecResults) {
    port.tags[1].user_locked = true;
    port.tags[1].access_password = 0x12345678;
    port.tags[2].tid.resize(4);  // a TID too short for a 6-word read
    ok(access_spec(7, {c1g2_read(1, 2, 0, 6), c1g2_write(2, 3, 0, {0xBEEF})}), msg::ADD_ACCESSSPEC_RESPONSE);
    ok(with_id(msg::ENABLE_ACCESSSPEC, "AccessSpecID", 7), msg::ENABLE_ACCESSSPEC_RESPONSE);
    add_enable_start({.stop = 1, .duration = 15, .report = 2, .enable = {"EnableAccessSpecID"}});
    run_for(30);
    auto got = inbox.take(msg::RO_ACCESS_REPORT);
    ASSERT_EQ(got.size(), 1u);
    std::map<std::uint8_t, std::vector<std::uint64_t>> results;  // by the EPC's last byte: result codes
    for (const Element* t : got[0].all(par::TagReportData)) {
        const auto ops = t->all(kChoiceBase + 4);
        if (ops.empty()) continue;
        EXPECT_EQ(t->find(par::AccessSpecID)->num("AccessSpecID"), 7u);
        auto& codes = results[t->find(kChoiceBase + 3)->field("EPC").bytes.back()];
        codes.clear();
        for (const Element* r : ops) codes.push_back(r->num("Result"));
        if (ops[0]->num("Result") == 0) {
            EXPECT_EQ(ops[0]->field("ReadData").items.size(), 6u);
        }
    }
    EXPECT_EQ(results[1], (std::vector<std::uint64_t>{0, 0}));
    EXPECT_EQ(results[2], (std::vector<std::uint64_t>{0, 2})) << "write to locked memory: Tag_Memory_Locked_Error";
    EXPECT_EQ(results[3], (std::vector<std::uint64_t>{1})) << "read past the TID: Nonspecific_Tag_Error; the write is not run";
    EXPECT_EQ(port.tags[0].user[0], 0xBE);

    // With the access password given, the locked write succeeds; an operation count of 1
    // deletes the AccessSpec after one tag.
    ok(with_id(msg::DELETE_ACCESSSPEC, "AccessSpecID", 0), msg::DELETE_ACCESSSPEC_RESPONSE);
    ok(access_spec(8, {c1g2_write(3, 3, 1, {0x0102}, 0x12345678)}, 1), msg::ADD_ACCESSSPEC_RESPONSE);
    ok(with_id(msg::ENABLE_ACCESSSPEC, "AccessSpecID", 8), msg::ENABLE_ACCESSSPEC_RESPONSE);
    port.tags[0].present = false;
    add_enable_start({.id = 2, .stop = 1, .duration = 15, .report = 2});
    run_for(30);
    EXPECT_EQ(port.tags[1].user[2], 0x01);
    EXPECT_EQ(port.access_checks, (std::vector<std::uint32_t>{0x12345678}));
    send(make_message(msg::GET_ACCESSSPECS, 1));
    EXPECT_TRUE(inbox.take(msg::GET_ACCESSSPECS_RESPONSE).at(0).all(par::AccessSpec).empty());
}

TEST_F(LlrpReaderTest, LockPayloadsBecomeTheReadersLockBytes) {
    Element lock = make_parameter(par::C1G2Lock);
    lock.set("OpSpecID", 1);
    lock.add(make_parameter(par::C1G2LockPayload)).set("Privilege", 0).set("DataField", 4);  // user: read/write lock
    lock.add(make_parameter(par::C1G2LockPayload)).set("Privilege", 1).set("DataField", 1);  // access pwd: perma-lock
    lock.add(make_parameter(par::C1G2LockPayload)).set("Privilege", 2).set("DataField", 2);  // EPC: perma-unlock
    lock.add(make_parameter(par::C1G2LockPayload)).set("Privilege", 3).set("DataField", 3);  // TID: unlock
    ok(access_spec(9, {lock}, 1), msg::ADD_ACCESSSPEC_RESPONSE);
    ok(with_id(msg::ENABLE_ACCESSSPEC, "AccessSpecID", 9), msg::ENABLE_ACCESSSPEC_RESPONSE);
    add_enable_start({.stop = 1, .duration = 15, .report = 2});
    run_for(30);
    ASSERT_EQ(port.locks.size(), 1u);
    EXPECT_EQ(port.locks[0], (std::array<std::uint8_t, 5>{0x00, 0x0F, 0x0D, 0x0C, 0x0E}));
}

TEST_F(LlrpReaderTest, CapabilitiesFollowTheReadersSettings) {
    send(with_id(msg::GET_READER_CAPABILITIES, "RequestedData", 0));
    auto got = inbox.take(msg::GET_READER_CAPABILITIES_RESPONSE);
    ASSERT_EQ(got.size(), 1u);
    const Element& c = got[0];
    EXPECT_EQ(c.find(par::GeneralDeviceCapabilities)->num("MaxNumberOfAntennaSupported"), 4u);
    EXPECT_EQ(c.find(par::GeneralDeviceCapabilities)->text("ReaderFirmwareVersion"), "Heron UHF Reader V1.00");
    const Element* band = c.find(par::RegulatoryCapabilities)->find(par::UHFBandCapabilities);
    const auto powers = band->all(par::TransmitPowerLevelTableEntry);
    ASSERT_EQ(powers.size(), 19u);
    EXPECT_EQ(powers.front()->num("TransmitPowerValue"), 1500u);
    EXPECT_EQ(powers.back()->num("TransmitPowerValue"), 3300u);
    // ETSI (region 3), fixed frequency: 15 channels 865.1 to 867.9 MHz.
    const Element* freq = band->find(par::FrequencyInformation);
    EXPECT_EQ(freq->num("Hopping"), 0u);
    const auto& f = freq->find(par::FixedFrequencyTable)->field("Frequency").items;
    ASSERT_EQ(f.size(), 15u);
    EXPECT_EQ(f.front(), 865100u);
    EXPECT_EQ(f.back(), 867900u);
    EXPECT_EQ(c.find(par::RegulatoryCapabilities)->num("CommunicationsStandard"), 2u);
    EXPECT_NE(c.find(par::C1G2LLRPCapabilities), nullptr);
    // FCC with hopping: one hop table of 50 channels.
    port.work[1] = 2;
    port.work[3] = 1;
    send(with_id(msg::GET_READER_CAPABILITIES, "RequestedData", 3));
    got = inbox.take(msg::GET_READER_CAPABILITIES_RESPONSE);
    const Element* hop = got.at(0).find(par::RegulatoryCapabilities)->find(par::UHFBandCapabilities)->find(par::FrequencyInformation);
    EXPECT_EQ(hop->num("Hopping"), 1u);
    EXPECT_EQ(hop->find(par::FrequencyHopTable)->field("Frequency").items.size(), 50u);
    EXPECT_EQ(got[0].find(par::GeneralDeviceCapabilities), nullptr);
}

TEST_F(LlrpReaderTest, ConfigurationSetsTheReaderAndFactoryResetRestoresIt) {
    Element set = make_message(msg::SET_READER_CONFIG, 1);
    Element& ac = set.add(make_parameter(par::AntennaConfiguration));
    ac.set("AntennaID", 1);
    ac.add(make_parameter(par::RFTransmitter)).set("TransmitPower", 5).set("ChannelIndex", 3);
    ac.add(make_parameter(par::C1G2InventoryCommand)).add(make_parameter(par::C1G2RFControl)).set("ModeIndex", 0);
    ok(set, msg::SET_READER_CONFIG_RESPONSE);
    EXPECT_EQ(port.work[5], 19) << "power index 5 is 19 dBm";
    EXPECT_EQ(port.work[4], 2) << "channel index 3 is channel 2";
    EXPECT_EQ(port.work[2], 0) << "mode 0 is low speed";
    send(with_id(msg::GET_READER_CONFIG, "RequestedData", 3));
    auto cfg = inbox.take(msg::GET_READER_CONFIG_RESPONSE);
    const Element* tx = cfg.at(0).find(par::AntennaConfiguration)->find(par::RFTransmitter);
    EXPECT_EQ(tx->num("TransmitPower"), 5u);
    EXPECT_EQ(tx->num("ChannelIndex"), 3u);
    EXPECT_EQ(cfg[0].all(par::AntennaConfiguration).size(), 4u);

    ok(add_rospec({}), msg::ADD_ROSPEC_RESPONSE);
    ok(access_spec(3, {c1g2_read(1, 2, 0, 2)}), msg::ADD_ACCESSSPEC_RESPONSE);
    Element reset = make_message(msg::SET_READER_CONFIG, 2);
    reset.set("ResetToFactoryDefault", 1);
    ok(reset, msg::SET_READER_CONFIG_RESPONSE);
    EXPECT_EQ(port.work, (WorkParams{2, 3, 1, 0, 4, 27, 1}));
    send(make_message(msg::GET_ROSPECS, 1));
    EXPECT_TRUE(inbox.take(msg::GET_ROSPECS_RESPONSE).at(0).all(par::ROSpec).empty());
    send(make_message(msg::GET_ACCESSSPECS, 1));
    EXPECT_TRUE(inbox.take(msg::GET_ACCESSSPECS_RESPONSE).at(0).all(par::AccessSpec).empty());
}

TEST_F(LlrpReaderTest, SendsKeepalivesAtTheConfiguredPeriod) {
    inbox.messages.clear();
    Element set = make_message(msg::SET_READER_CONFIG, 1);
    set.add(make_parameter(par::KeepaliveSpec)).set("KeepaliveTriggerType", 1).set("PeriodicTriggerValue", 100);
    ok(set, msg::SET_READER_CONFIG_RESPONSE);
    run_for(350);
    EXPECT_EQ(inbox.take(msg::KEEPALIVE).size(), 3u);
    send(make_message(msg::KEEPALIVE_ACK, 5));
    EXPECT_TRUE(inbox.messages.empty()) << "KEEPALIVE_ACK needs no answer";
    send(with_id(msg::GET_READER_CONFIG, "RequestedData", 8));
    const auto config = inbox.take(msg::GET_READER_CONFIG_RESPONSE);
    const Element* ka = config.at(0).find(par::KeepaliveSpec);
    EXPECT_EQ(ka->num("PeriodicTriggerValue"), 100u);
}

TEST_F(LlrpReaderTest, HoldsEventsAndReportsForTheNextClientWhenAsked) {
    Element set = make_message(msg::SET_READER_CONFIG, 1);
    Element& ev = set.add(make_parameter(par::ReaderEventNotificationSpec));
    ev.add(make_parameter(par::EventNotificationState)).set("EventType", 2).set("NotificationState", 1);
    set.add(make_parameter(par::EventsAndReports)).set("HoldEventsAndReportsUponReconnect", 1);
    ok(set, msg::SET_READER_CONFIG_RESPONSE);
    ok(add_rospec({.stop = 1, .duration = 200, .report = 2}), msg::ADD_ROSPEC_RESPONSE);
    ok(with_id(msg::ENABLE_ROSPEC, "ROSpecID", 1), msg::ENABLE_ROSPEC_RESPONSE);
    ok(with_id(msg::START_ROSPEC, "ROSpecID", 1), msg::START_ROSPEC_RESPONSE);
    reader.disconnect();
    run_for(300);
    Inbox second;
    reader.connect(second.sink(), now);
    EXPECT_EQ(second.take(msg::READER_EVENT_NOTIFICATION).size(), 1u) << "only the connection event";
    EXPECT_TRUE(second.messages.empty());
    reader.receive(encode(make_message(msg::ENABLE_EVENTS_AND_REPORTS, 2)), now);
    EXPECT_EQ(second.take(msg::RO_ACCESS_REPORT).size(), 1u);
    EXPECT_EQ(second.take(msg::READER_EVENT_NOTIFICATION).size(), 1u) << "the End_Of_ROSpec event";
}

TEST_F(LlrpReaderTest, AReaderLinkFailureIsAnExceptionEventAndTheInventoryGoesOn) {
    inbox.messages.clear();
    Element set = make_message(msg::SET_READER_CONFIG, 1);
    set.add(make_parameter(par::ReaderEventNotificationSpec))
        .add(make_parameter(par::EventNotificationState))
        .set("EventType", 4)
        .set("NotificationState", 1);
    ok(set, msg::SET_READER_CONFIG_RESPONSE);
    port.inventory_result = KESTREL_E_NO_REPLY;
    add_enable_start({.report = 1, .n = 1});
    run_for(100);
    auto events = inbox.take(msg::READER_EVENT_NOTIFICATION);
    ASSERT_EQ(events.size(), 1u) << "one failure, then a pause before the next attempt";
    const Element* ex = events[0].find(par::ReaderEventNotificationData)->find(par::ReaderExceptionEvent);
    ASSERT_NE(ex, nullptr);
    EXPECT_NE(ex->text("Message").find("KESTREL_E_NO_REPLY"), std::string::npos);
    port.inventory_result = 0;
    run_for(1100);
    EXPECT_FALSE(reports().empty());
}

}  // namespace
}  // namespace kestrel::llrp::test
