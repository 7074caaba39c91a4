#include "llrp_support.h"

#include <gtest/gtest.h>

namespace kestrel::llrp::test {

std::uint16_t Inbox::status_of(std::uint16_t type) {
    auto got = take(type);
    EXPECT_EQ(got.size(), 1u) << "responses of type " << type;
    if (got.size() != 1) return 0xFFFF;
    const Element* s = got[0].find(par::LLRPStatus);
    EXPECT_NE(s, nullptr);
    return s ? static_cast<std::uint16_t>(s->num("StatusCode")) : 0xFFFF;
}

Element rospec_parameter(const RoSpecShape& s) {
    Element ro = make_parameter(par::ROSpec);
    ro.set("ROSpecID", s.id).set("Priority", s.priority).set("CurrentState", 0);
    Element& boundary = ro.add(make_parameter(par::ROBoundarySpec));
    Element& start = boundary.add(make_parameter(par::ROSpecStartTrigger));
    start.set("ROSpecStartTriggerType", s.start);
    if (s.start == 2) start.add(make_parameter(par::PeriodicTriggerValue)).set("Offset", s.offset).set("Period", s.period);
    boundary.add(make_parameter(par::ROSpecStopTrigger))
        .set("ROSpecStopTriggerType", s.stop)
        .set("DurationTriggerValue", s.duration);
    Element& ai = ro.add(make_parameter(par::AISpec));
    ai.set_items("AntennaIDs", s.antennas);
    Element& stop = ai.add(make_parameter(par::AISpecStopTrigger));
    stop.set("AISpecStopTriggerType", s.ai_stop).set("DurationTrigger", s.ai_duration);
    if (s.ai_stop == 3)
        stop.add(make_parameter(par::TagObservationTrigger))
            .set("TriggerType", s.observation)
            .set("NumberOfTags", s.tags)
            .set("NumberOfAttempts", s.attempts)
            .set("T", s.quiet_ms)
            .set("Timeout", s.timeout);
    ai.add(make_parameter(par::InventoryParameterSpec)).set("InventoryParameterSpecID", s.ipspec).set("ProtocolID", s.protocol);
    if (s.report) {
        Element& rs = ro.add(make_parameter(par::ROReportSpec));
        rs.set("ROReportTrigger", *s.report).set("N", s.n);
        Element& sel = rs.add(make_parameter(par::TagReportContentSelector));
        for (const std::string& f : s.enable) sel.set(f, 1);
    }
    return ro;
}

Element add_rospec(const RoSpecShape& s, std::uint32_t message_id) {
    Element m = make_message(msg::ADD_ROSPEC, message_id);
    m.add(rospec_parameter(s));
    return m;
}

Element with_id(std::uint16_t type, const char* field, std::uint64_t id, std::uint32_t message_id) {
    Element m = make_message(type, message_id);
    m.set(field, id);
    return m;
}

Element access_spec(std::uint32_t id, std::vector<Element> ops, std::uint16_t operations,
                    std::optional<std::uint8_t> report_trigger) {
    Element m = make_message(msg::ADD_ACCESSSPEC, 1);
    Element& a = m.add(make_parameter(par::AccessSpec));
    a.set("AccessSpecID", id).set("AntennaID", 0).set("ProtocolID", 1).set("CurrentState", 0).set("ROSpecID", 0);
    a.add(make_parameter(par::AccessSpecStopTrigger))
        .set("AccessSpecStopTrigger", operations ? 1 : 0)
        .set("OperationCountValue", operations);
    Element& cmd = a.add(make_parameter(par::AccessCommand));
    Element& spec = cmd.add(make_parameter(par::C1G2TagSpec));
    spec.add(make_parameter(par::C1G2TargetTag)).set("MB", 1).set("Match", 1).set("Pointer", 32);
    for (Element& op : ops) cmd.add(std::move(op));
    if (report_trigger) a.add(make_parameter(par::AccessReportSpec)).set("AccessReportTrigger", *report_trigger);
    return m;
}

Element c1g2_read(std::uint16_t op, std::uint8_t bank, std::uint16_t word, std::uint16_t count, std::uint32_t password) {
    Element e = make_parameter(par::C1G2Read);
    e.set("OpSpecID", op).set("AccessPassword", password).set("MB", bank).set("WordPointer", word).set("WordCount", count);
    return e;
}

Element c1g2_write(std::uint16_t op, std::uint8_t bank, std::uint16_t word, std::vector<std::uint32_t> data,
                   std::uint32_t password) {
    Element e = make_parameter(par::C1G2Write);
    e.set("OpSpecID", op).set("AccessPassword", password).set("MB", bank).set("WordPointer", word);
    e.set_items("WriteData", std::move(data));
    return e;
}

}  // namespace kestrel::llrp::test
