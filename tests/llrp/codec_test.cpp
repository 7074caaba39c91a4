// The LLRP codec: byte-exact encodings, round trips of full messages, the tables' own
// consistency, and every kind of malformed input refused with its status code.
#include <gtest/gtest.h>

#include <set>

#include "llrp/codec.h"
#include "llrp_support.h"

namespace kestrel::llrp::test {
namespace {

Bytes hex(std::string_view text) {
    Bytes out;
    int nibble = -1;
    for (char c : text) {
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'A' && c <= 'F' ? c - 'A' + 10 : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) continue;
        if (nibble < 0) nibble = v;
        else {
            out.push_back(static_cast<std::uint8_t>(nibble << 4 | v));
            nibble = -1;
        }
    }
    return out;
}

Bytes with_length(Bytes b) {
    const std::size_t n = b.size();
    for (int i = 0; i < 4; ++i) b[2 + i] = static_cast<std::uint8_t>(n >> (8 * (3 - i)));
    return b;
}

TEST(LlrpCodec, EncodesMessagesAndParametersByteForByte) {
    struct Case {
        const char* name;
        Element message;
        const char* bytes;
    };
    Element report = make_message(msg::RO_ACCESS_REPORT, 7);
    Element& tag = report.add(make_parameter(par::TagReportData));
    tag.add(make_parameter(par::EPC_96)).set_bytes("EPC", hex("3000E2006811000000000001"));
    tag.add(make_parameter(par::AntennaID)).set("AntennaID", 1);
    Element event = make_message(msg::READER_EVENT_NOTIFICATION, 1);
    Element& data = event.add(make_parameter(par::ReaderEventNotificationData));
    data.add(make_parameter(par::UTCTimestamp)).set("Microseconds", 0x0102030405060708ull);
    data.add(make_parameter(par::ConnectionAttemptEvent)).set("Status", 2);
    Element selector = make_message(msg::SET_READER_CONFIG, 3);
    selector.set("ResetToFactoryDefault", 1);
    Element& rs = selector.add(make_parameter(par::ROReportSpec));
    rs.set("ROReportTrigger", 2).set("N", 0x0102);
    rs.add(make_parameter(par::TagReportContentSelector))
        .set("EnableROSpecID", 1)
        .set("EnableAntennaID", 1)
        .set("EnableAccessSpecID", 1);
    Element epc_data = make_message(msg::RO_ACCESS_REPORT, 8);
    epc_data.add(make_parameter(par::TagReportData)).add(make_parameter(par::EPCData)).set_bytes("EPC", hex("ABCD"), 12);
    const Case cases[] = {
        {"KEEPALIVE", make_message(msg::KEEPALIVE, 0x01020304), "043E0000000A 01020304"},
        {"DELETE_ROSPEC 0", with_id(msg::DELETE_ROSPEC, "ROSpecID", 0, 5), "0415 0000000E 00000005 00000000"},
        {"TV EPC-96 and AntennaID", report, "043D 0000001E 00000007 00F0 0014 8D 3000E2006811000000000001 81 0001"},
        {"event", event,
         "043F 00000020 00000001 00F6 0016 0080 000C 0102030405060708 0100 0006 0002"},
        {"bit fields", selector, "0403 00000018 00000003 80 00ED 000D 02 0102 00EE 0006 9040"},
        {"EPCData u1v", epc_data, "043D 00000016 00000008 00F0 000C 00F1 0008 000C ABCD"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(encode(c.message), hex(c.bytes));
        Element back;
        const auto r = decode(hex(c.bytes), back);
        ASSERT_FALSE(r) << r->description;
        EXPECT_EQ(encode(back), hex(c.bytes));
    }
}

// Full requests and responses decode to what was encoded, field by field.
TEST(LlrpCodec, RoundTripsFullMessages) {
    RoSpecShape shape;
    shape.start = 2;
    shape.offset = 10;
    shape.period = 1000;
    shape.stop = 1;
    shape.duration = 500;
    shape.antennas = {1, 2, 3, 4};
    shape.ai_stop = 3;
    shape.observation = 1;
    shape.quiet_ms = 300;
    shape.timeout = 5000;
    shape.report = 1;
    shape.n = 100;
    Element write = c1g2_write(2, 3, 4, {0x1234, 0xABCD}, 0x12345678);
    Element lock = make_parameter(par::C1G2Lock);
    lock.set("OpSpecID", 3).set("AccessPassword", 9);
    lock.add(make_parameter(par::C1G2LockPayload)).set("Privilege", 1).set("DataField", 4);
    Element caps = make_message(msg::GET_READER_CAPABILITIES_RESPONSE, 4);
    caps.add(success_status());
    Element& g = caps.add(make_parameter(par::GeneralDeviceCapabilities));
    g.set("MaxNumberOfAntennaSupported", 4).set("HasUTCClockCapability", 1).set_text("ReaderFirmwareVersion", "V1.00");
    g.add(make_parameter(par::ReceiveSensitivityTableEntry)).set("Index", 1).set("ReceiveSensitivityValue", 0xFFF6);
    g.add(make_parameter(par::GPIOCapabilities));
    g.add(make_parameter(par::PerAntennaAirProtocol)).set("AntennaID", 1).set_items("ProtocolID", {1});
    Element refused = make_message(msg::ERROR_MESSAGE, 5);
    Refusal r;
    r.code = status::P_FieldError;
    r.description = "ROSpec.ROSpecID: 0";
    r.parameter_type = par::ROSpec;
    r.field_number = 0;
    r.detail_code = status::P_FieldError;
    refused.add(status_parameter(r));

    const Element messages[] = {add_rospec(shape), access_spec(7, {c1g2_read(1, 2, 0, 6), write, lock}, 3, 1), caps,
                                refused};
    for (const Element& m : messages) {
        SCOPED_TRACE(m.def->name);
        const Bytes b = encode(m);
        Element back;
        const auto refusal = decode(b, back);
        ASSERT_FALSE(refusal) << refusal->description;
        EXPECT_EQ(encode(back), b);
        EXPECT_EQ(back.message_id, m.message_id);
    }
    Element back;
    ASSERT_FALSE(decode(encode(add_rospec(shape)), back));
    const Element* ai = back.find(par::ROSpec)->find(par::AISpec);
    EXPECT_EQ(ai->field("AntennaIDs").items, (std::vector<std::uint32_t>{1, 2, 3, 4}));
    EXPECT_EQ(ai->find(par::AISpecStopTrigger)->find(par::TagObservationTrigger)->num("T"), 300u);
}

// The tables themselves: unique type numbers, TV parameters of fixed size, bit fields that
// fill whole bytes, every sub-parameter slot naming a known type or choice.
TEST(LlrpCodec, DefinitionTablesAreConsistent) {
    for (auto table : {all_messages(), all_parameters()}) {
        std::set<std::uint16_t> numbers;
        for (const TypeDef& t : table) {
            SCOPED_TRACE(t.name);
            EXPECT_TRUE(numbers.insert(t.number).second);
            unsigned bits = 0;
            for (const FieldDef& f : t.fields) {
                const bool bit_field = f.kind == FieldKind::u1 || f.kind == FieldKind::u2 || f.kind == FieldKind::reserved;
                if (!bit_field) {
                    EXPECT_EQ(bits % 8, 0u) << f.name << " starts inside a byte";
                }
                if (f.kind == FieldKind::u1) bits += 1;
                else if (f.kind == FieldKind::u2) bits += 2;
                else if (f.kind == FieldKind::reserved) bits += f.bits;
                if (t.tv()) {
                    EXPECT_TRUE(!bit_field && f.kind < FieldKind::u1v) << f.name;
                }
            }
            EXPECT_EQ(bits % 8, 0u);
            if (t.tv()) {
                EXPECT_TRUE(t.subs.empty());
            }
            for (const SubRef& s : t.subs) {
                EXPECT_TRUE(s.type >= kChoiceBase ? !choice_members(s.type).empty() : find_parameter(s.type) != nullptr)
                    << s.type;
                EXPECT_LE(s.min, s.max);
            }
        }
    }
    EXPECT_EQ(find_parameter(par::EPC_96)->tv(), true);
    EXPECT_EQ(find_parameter(par::EPCData)->tv(), false);
}

TEST(LlrpCodec, RefusesMalformedMessagesWithTheirStatus) {
    const Bytes capabilities = encode(with_id(msg::GET_READER_CAPABILITIES, "RequestedData", 0, 9));
    struct Case {
        const char* name;
        Bytes bytes;
        std::uint16_t code;
        const char* says;
    };
    const Case cases[] = {
        {"header length differs from the bytes", hex("0401 0000000F 00000009 00"), status::M_ParameterError, "length"},
        {"length below the header", hex("0401 00000004 00000009 00"), status::M_ParameterError, "length"},
        {"version 2 (LLRP 1.1)", hex("082E 0000000A 00000009"), status::M_UnsupportedVersion, "version 2"},
        {"unknown message type", hex("07E7 0000000A 00000009"), status::M_UnsupportedMessage, "999"},
        {"message field truncated", hex("0415 0000000C 00000009 0000"), status::M_FieldError, "ROSpecID"},
        {"parameter length below its header", with_length(hex("0414 00000000 00000001 00B1 0002")),
         status::M_ParameterError, "less than its header"},
        {"parameter longer than the message", with_length(hex("0414 00000000 00000001 00B1 0040 00000001 00 00")),
         status::M_ParameterError, "more than"},
        {"truncated parameter header", with_length(hex("0414 00000000 00000001 00B1")), status::M_ParameterError,
         "truncated"},
        {"unknown TLV parameter", with_length(hex("0414 00000000 00000001 0300 0004")), status::M_UnknownParameter,
         "768"},
        {"unknown TV parameter", with_length(hex("043D 00000000 00000001 00F0 0005 FF")), status::P_UnknownParameter,
         "TV"},
        {"TV parameter cut short", with_length(hex("043D 00000000 00000001 00F0 0008 8D 3000 E200")),
         status::P_ParameterError, "EPC_96"},
        {"missing required parameter", with_length(hex("0414 00000000 00000001")), status::M_MissingParameter,
         "ROSpec"},
        {"parameter twice", with_length(hex("0464 00000000 00000001 011F 0008 0000 0000 011F 0008 0000 0000")),
         status::M_DuplicateParameter, "LLRPStatus"},
        {"parameter not allowed here", with_length(hex("0414 00000000 00000001 011F 0008 0000 0000")),
         status::M_UnexpectedParameter, "LLRPStatus"},
        {"field in a parameter truncated", with_length(hex("0414 00000000 00000001 00B1 0006 0000")),
         status::P_FieldError, "ROSpec.ROSpecID"},
        {"u16v count beyond the bytes",
         with_length(hex("043D 00000000 00000001 00F0 001A 8D 3000E2006811000000000001 015D 0009 00 0001 0005")),
         status::P_FieldError, "ReadData"},
        {"u1v bits beyond the bytes", with_length(hex("043D 00000000 00000001 00F0 000A 00F1 0006 0040")),
         status::P_FieldError, "EPCData.EPC"},
        {"utf8v beyond the bytes", with_length(hex("0464 00000000 00000001 011F 0008 0000 00FF")), status::P_FieldError,
         "ErrorDescription"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Element e;
        const auto r = decode(c.bytes, e);
        ASSERT_TRUE(r);
        EXPECT_EQ(r->code, c.code) << r->description;
        EXPECT_NE(r->description.find(c.says), std::string::npos) << r->description;
    }
    Element e;
    EXPECT_FALSE(decode(capabilities, e));
}

TEST(LlrpCodec, RefusesParametersNestedPastTheLimit) {
    // ParameterError may hold a ParameterError: a chain deeper than the limit is refused
    // rather than followed.
    Bytes chain;
    for (int i = 0; i < 40; ++i) {
        Bytes outer = hex("0121 0000 0000 0000");
        outer.insert(outer.end(), chain.begin(), chain.end());
        outer[2] = static_cast<std::uint8_t>(outer.size() >> 8);
        outer[3] = static_cast<std::uint8_t>(outer.size());
        chain = outer;
    }
    Bytes m = hex("0464 00000000 00000001 011F");
    Bytes status_len = {0, 0};
    m.insert(m.end(), status_len.begin(), status_len.end());
    m.insert(m.end(), {0, 0, 0, 0});
    m.insert(m.end(), chain.begin(), chain.end());
    const std::size_t status_size = m.size() - 10;
    m[12] = static_cast<std::uint8_t>(status_size >> 8);
    m[13] = static_cast<std::uint8_t>(status_size);
    m = with_length(m);
    Element e;
    const auto r = decode(m, e);
    ASSERT_TRUE(r);
    EXPECT_NE(r->description.find("nest too deep"), std::string::npos) << r->description;
}

// Every prefix of a valid message, presented as a whole message, is refused without reading
// past it (run under ASan by the sanitizer stage).
TEST(LlrpCodec, RefusesEveryTruncationOfAValidMessage) {
    RoSpecShape shape;
    shape.report = 2;
    shape.ai_stop = 3;
    shape.tags = 5;
    const Bytes full = encode(add_rospec(shape));
    for (std::size_t n = kHeaderSize; n < full.size(); ++n) {
        Bytes cut = with_length(Bytes(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n)));
        Element e;
        EXPECT_TRUE(decode(cut, e)) << "prefix of " << n << " bytes accepted";
    }
}

}  // namespace
}  // namespace kestrel::llrp::test
