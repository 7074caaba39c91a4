#include "llrp/llrp_reader.h"

#include <algorithm>
#include <chrono>

#include "kestrel/reader.h"
#include "llrp/rf_plan.h"

namespace kestrel::llrp {
namespace {

constexpr std::uint8_t kProtocolEpcGen2 = 1;
constexpr std::uint16_t kEventHopping = 0, kEventGpi = 1, kEventROSpec = 2, kEventBufferWarning = 3,
                        kEventReaderException = 4, kEventRFSurvey = 5, kEventAISpec = 6, kEventAISpecDetails = 7,
                        kEventAntenna = 8;
constexpr std::uint16_t kConnectionSuccess = 0, kConnectionClientExists = 2;
// A reader link failure pauses the inventory this long before the next attempt.
constexpr Millis kRetryAfterFailure = 1000;

std::int64_t utc_now_us() {
    return std::chrono::duration_cast<std::chrono::microseconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

Refusal refusal(std::uint16_t code, std::string description, std::optional<std::uint16_t> parameter = std::nullopt,
                std::optional<std::uint16_t> field = std::nullopt) {
    Refusal r;
    r.code = code;
    r.description = std::move(description);
    r.parameter_type = parameter;
    r.field_number = field;
    r.detail_code = code;
    return r;
}

// A field refused inside a parameter (P_FieldError naming the parameter and the field).
Refusal bad_field(const Element& e, std::string_view name, std::string why) {
    std::uint16_t index = 0;
    for (std::size_t i = 0; i < e.def->fields.size(); ++i)
        if (name == e.def->fields[i].name) index = static_cast<std::uint16_t>(i);
    return refusal(status::P_FieldError, std::string(e.def->name) + "." + std::string(name) + ": " + why,
                   e.type(), index);
}

Refusal unsupported(const Element& e, std::string why) {
    return refusal(status::P_UnsupportedParameter, std::string(e.def->name) + ": " + why, e.type());
}

// The first Custom parameter anywhere below `e`: vendor extensions this reader has none of.
const Element* find_custom(const Element& e) {
    for (const Element& s : e.subs) {
        if (s.type() == par::Custom) return &s;
        if (const Element* c = find_custom(s)) return c;
    }
    return nullptr;
}

Element timestamp_now() {
    Element t = make_parameter(par::UTCTimestamp);
    t.set("Microseconds", static_cast<std::uint64_t>(utc_now_us()));
    return t;
}

Element notification(Element event_param) {
    Element data = make_parameter(par::ReaderEventNotificationData);
    data.add(timestamp_now());
    data.add(std::move(event_param));
    Element m = make_message(msg::READER_EVENT_NOTIFICATION);
    m.add(std::move(data));
    return m;
}


// The bit `i` of a byte string, most significant bit first.
bool bit_at(const Bytes& b, std::size_t i) { return (b[i / 8] >> (7 - i % 8)) & 1u; }

// Request types and the response each is answered with.
struct Exchange {
    std::uint16_t request, response;
};
constexpr Exchange kExchanges[] = {
    {msg::GET_READER_CAPABILITIES, msg::GET_READER_CAPABILITIES_RESPONSE},
    {msg::GET_READER_CONFIG, msg::GET_READER_CONFIG_RESPONSE},
    {msg::SET_READER_CONFIG, msg::SET_READER_CONFIG_RESPONSE},
    {msg::CLOSE_CONNECTION, msg::CLOSE_CONNECTION_RESPONSE},
    {msg::ADD_ROSPEC, msg::ADD_ROSPEC_RESPONSE},
    {msg::DELETE_ROSPEC, msg::DELETE_ROSPEC_RESPONSE},
    {msg::START_ROSPEC, msg::START_ROSPEC_RESPONSE},
    {msg::STOP_ROSPEC, msg::STOP_ROSPEC_RESPONSE},
    {msg::ENABLE_ROSPEC, msg::ENABLE_ROSPEC_RESPONSE},
    {msg::DISABLE_ROSPEC, msg::DISABLE_ROSPEC_RESPONSE},
    {msg::GET_ROSPECS, msg::GET_ROSPECS_RESPONSE},
    {msg::ADD_ACCESSSPEC, msg::ADD_ACCESSSPEC_RESPONSE},
    {msg::DELETE_ACCESSSPEC, msg::DELETE_ACCESSSPEC_RESPONSE},
    {msg::ENABLE_ACCESSSPEC, msg::ENABLE_ACCESSSPEC_RESPONSE},
    {msg::DISABLE_ACCESSSPEC, msg::DISABLE_ACCESSSPEC_RESPONSE},
    {msg::GET_ACCESSSPECS, msg::GET_ACCESSSPECS_RESPONSE},
};

std::optional<std::uint16_t> response_of(std::uint16_t request) {
    for (const Exchange& x : kExchanges)
        if (x.request == request) return x.response;
    return std::nullopt;
}

}  // namespace

LlrpReader::LlrpReader(ReaderPort& port, ReaderLimits limits) : port_(port), limits_(limits) { factory_defaults(); }

void LlrpReader::factory_defaults() {
    config_ = Config{};
    for (std::uint16_t t = kEventHopping; t <= kEventAntenna; ++t) config_.events[t] = false;
    config_.report.trigger = 1;
    config_.report.selector.antenna = config_.report.selector.first_seen = config_.report.selector.last_seen =
        config_.report.selector.seen_count = config_.report.selector.rospec_id = true;
}

// ---- connection ------------------------------------------------------------------------------

void LlrpReader::connect(Send send, Millis now) {
    send_ = std::move(send);
    holding_ = config_.hold;
    next_keepalive_ = now + config_.keepalive_ms;
    Element ev = make_parameter(par::ConnectionAttemptEvent);
    ev.set("Status", kConnectionSuccess);
    Element m = notification(std::move(ev));
    m.message_id = next_id();
    send_now(encode(m));
}

void LlrpReader::disconnect() { send_ = nullptr; }

Bytes LlrpReader::connection_refused_event() {
    Element ev = make_parameter(par::ConnectionAttemptEvent);
    ev.set("Status", kConnectionClientExists);
    return encode(notification(std::move(ev)));
}

Bytes LlrpReader::error_message(std::uint32_t message_id, const Refusal& r) {
    Element m = make_message(msg::ERROR_MESSAGE, message_id);
    m.add(status_parameter(r));
    return encode(m);
}

void LlrpReader::send_now(const Bytes& b) {
    if (send_) send_(b);
}

// Reports and events go out at once, or are held while the client asked for holding, or
// (with no client) while the configuration says to hold them for the next one.
void LlrpReader::emit(Element m) {
    m.message_id = next_id();
    emit_encoded(encode(m));
}

void LlrpReader::emit_encoded(Bytes b) {
    if (send_ && !holding_) {
        send_now(b);
    } else if (config_.hold && held_.size() < limits_.held_messages) {
        held_.push_back(std::move(b));
    }
}

bool LlrpReader::receive(std::span<const std::uint8_t> bytes, Millis now) {
    Element m;
    if (auto r = decode(bytes, m)) {
        const auto h = read_header(bytes);
        send_now(error_message(h ? h->message_id : 0, *r));
        return true;
    }
    if (m.type() == msg::CLOSE_CONNECTION) {
        respond(m, msg::CLOSE_CONNECTION_RESPONSE, std::nullopt);
        return false;
    }
    handle(m, now);
    return true;
}

Element LlrpReader::reply(const Element& request, std::uint16_t type, const Result& result) {
    Element out = make_message(type, request.message_id);
    out.add(result ? status_parameter(*result) : success_status());
    return out;
}

void LlrpReader::respond(const Element& request, std::uint16_t type, const Result& result) {
    send_now(encode(reply(request, type, result)));
}

void LlrpReader::handle(const Element& m, Millis now) {
    const std::uint16_t type = m.type();
    const auto response = response_of(type);
    if (type == msg::KEEPALIVE_ACK) return;
    if (type == msg::ENABLE_EVENTS_AND_REPORTS) {
        holding_ = false;
        for (const Bytes& b : held_) send_now(b);
        held_.clear();
        return;
    }
    if (type == msg::GET_REPORT) {
        report_all(m.message_id);
        return;
    }
    if (!response) {
        send_now(error_message(m.message_id, refusal(status::M_UnsupportedMessage,
                                                     std::string(m.def->name) + " is not a request this reader takes")));
        return;
    }
    if (const Element* c = find_custom(m)) {
        respond(m, *response, refusal(status::M_UnsupportedParameter, "vendor extensions (Custom) are not supported",
                                      c->type()));
        return;
    }
    Result r;
    switch (type) {
    case msg::GET_READER_CAPABILITIES: {
        Element out = make_message(*response, m.message_id);
        r = capabilities(m, out);
        if (!r) {
            send_now(encode(out));
            return;
        }
        break;
    }
    case msg::GET_READER_CONFIG: {
        Element out = make_message(*response, m.message_id);
        r = get_config(m, out);
        if (!r) {
            send_now(encode(out));
            return;
        }
        break;
    }
    case msg::SET_READER_CONFIG: r = set_config(m, now); break;
    case msg::ADD_ROSPEC: r = add_rospec(m); break;
    case msg::DELETE_ROSPEC: r = delete_rospec(static_cast<std::uint32_t>(m.num("ROSpecID"))); break;
    case msg::ENABLE_ROSPEC: r = enable_rospec(static_cast<std::uint32_t>(m.num("ROSpecID")), now); break;
    case msg::DISABLE_ROSPEC: r = disable_rospec(static_cast<std::uint32_t>(m.num("ROSpecID"))); break;
    case msg::START_ROSPEC: r = start_rospec(static_cast<std::uint32_t>(m.num("ROSpecID")), now); break;
    case msg::STOP_ROSPEC: r = stop_rospec(static_cast<std::uint32_t>(m.num("ROSpecID"))); break;
    case msg::GET_ROSPECS: {
        Element out = reply(m, *response, std::nullopt);
        for (const RoSpec& s : rospecs_) {
            Element e = s.element;
            e.set("CurrentState", s.state);
            out.add(std::move(e));
        }
        send_now(encode(out));
        return;
    }
    case msg::ADD_ACCESSSPEC: r = add_access_spec(m); break;
    case msg::DELETE_ACCESSSPEC: r = delete_access_spec(static_cast<std::uint32_t>(m.num("AccessSpecID"))); break;
    case msg::ENABLE_ACCESSSPEC:
        r = enable_access_spec(static_cast<std::uint32_t>(m.num("AccessSpecID")), true);
        break;
    case msg::DISABLE_ACCESSSPEC:
        r = enable_access_spec(static_cast<std::uint32_t>(m.num("AccessSpecID")), false);
        break;
    case msg::GET_ACCESSSPECS: {
        Element out = reply(m, *response, std::nullopt);
        for (const AccessSpec& s : access_specs_) {
            Element e = s.element;
            e.set("CurrentState", s.enabled ? 1 : 0);
            out.add(std::move(e));
        }
        send_now(encode(out));
        return;
    }
    default: break;
    }
    // A refused request, or one whose only answer is its status. Messages of the response
    // types carry no fields other than the status, so the status may be refused in them too.
    respond(m, *response, r);
}

// ---- capabilities and configuration ----------------------------------------------------------

LlrpReader::Result LlrpReader::capabilities(const Element& m, Element& out) {
    const auto requested = m.num("RequestedData");
    if (requested > 4) return bad_field(m, "RequestedData", "must be 0 to 4");
    const bool all = requested == 0;
    std::string firmware;
    WorkParams work{};
    if (all || requested == 1 || requested == 3) {
        const std::int32_t a = port_.identity(firmware);
        const std::int32_t b = port_.get_work_params(work);
        if (a != 0 || b != 0)
            return refusal(status::R_DeviceError, std::string("the reader does not answer: ") +
                                                      kestrel_result_string(a != 0 ? a : b));
    }
    out.add(success_status());
    if (all || requested == 1) {
        Element g = make_parameter(par::GeneralDeviceCapabilities);
        g.set("MaxNumberOfAntennaSupported", kAntennas)
            .set("CanSetAntennaProperties", 0)
            .set("HasUTCClockCapability", 1)
            .set("DeviceManufacturerName", 0)
            .set("ModelName", 0)
            .set_text("ReaderFirmwareVersion", firmware);
        g.add(make_parameter(par::ReceiveSensitivityTableEntry)).set("Index", 1).set("ReceiveSensitivityValue", 0);
        g.add(make_parameter(par::GPIOCapabilities)).set("NumGPIs", 0).set("NumGPOs", 0);
        for (int a = 1; a <= kAntennas; ++a)
            g.add(make_parameter(par::PerAntennaAirProtocol)).set("AntennaID", a).set_items("ProtocolID", {kProtocolEpcGen2});
        out.add(std::move(g));
    }
    if (all || requested == 2) {
        Element l = make_parameter(par::LLRPCapabilities);
        l.set("CanDoRFSurvey", 0)
            .set("CanReportBufferFillWarning", 0)
            .set("SupportsClientRequestOpSpec", 0)
            .set("CanDoTagInventoryStateAwareSingulation", 0)
            .set("SupportsEventAndReportHolding", 1)
            .set("MaxNumPriorityLevelsSupported", 8)
            .set("ClientRequestOpSpecTimeout", 0)
            .set("MaxNumROSpecs", limits_.rospecs)
            .set("MaxNumSpecsPerROSpec", limits_.specs_per_rospec)
            .set("MaxNumInventoryParameterSpecsPerAISpec", 1)
            .set("MaxNumAccessSpecs", limits_.access_specs)
            .set("MaxNumOpSpecsPerAccessSpec", limits_.opspecs_per_access_spec);
        out.add(std::move(l));
    }
    if (all || requested == 3) {
        const RegionPlan& region = region_plan(work[work::region]);
        Element reg = make_parameter(par::RegulatoryCapabilities);
        reg.set("CountryCode", region.country).set("CommunicationsStandard", region.communications);
        Element band = make_parameter(par::UHFBandCapabilities);
        for (int i = 1; i <= kPowerSteps; ++i)
            band.add(make_parameter(par::TransmitPowerLevelTableEntry))
                .set("Index", i)
                .set("TransmitPowerValue", static_cast<std::uint16_t>(power_dbm(i) * 100));
        Element freq = make_parameter(par::FrequencyInformation);
        const bool hopping = work[work::frequency_mode] == 1;
        freq.set("Hopping", hopping ? 1 : 0);
        if (hopping) {
            Element hop = make_parameter(par::FrequencyHopTable);
            hop.set("HopTableID", 1).set_items("Frequency", channel_frequencies(region));
            freq.add(std::move(hop));
        } else {
            Element fixed = make_parameter(par::FixedFrequencyTable);
            fixed.set_items("Frequency", channel_frequencies(region));
            freq.add(std::move(fixed));
        }
        band.add(std::move(freq));
        // The reader's two working speeds are its two RF modes: 0 low, 1 high.
        Element modes = make_parameter(par::C1G2UHFRFModeTable);
        for (int mode = 0; mode < 2; ++mode) modes.add(make_parameter(par::C1G2UHFRFModeTableEntry)).set("ModeIdentifier", mode);
        band.add(std::move(modes));
        reg.add(std::move(band));
        out.add(std::move(reg));
    }
    if (all || requested == 4) {
        Element c = make_parameter(par::C1G2LLRPCapabilities);
        c.set("CanSupportBlockErase", 1).set("CanSupportBlockWrite", 1).set("MaxNumSelectFiltersPerQuery", 0);
        out.add(std::move(c));
    }
    return std::nullopt;
}

LlrpReader::Result LlrpReader::get_config(const Element& m, Element& out) {
    const auto requested = m.num("RequestedData");
    const auto antenna = m.num("AntennaID");
    if (requested > 11) return bad_field(m, "RequestedData", "must be 0 to 11");
    if (antenna > kAntennas) return bad_field(m, "AntennaID", "this reader has antennas 1 to 4");
    if (m.num("GPIPortNum") != 0) return bad_field(m, "GPIPortNum", "this reader has no GPI ports");
    if (m.num("GPOPortNum") != 0) return bad_field(m, "GPOPortNum", "this reader has no GPO ports");
    const bool all = requested == 0;
    WorkParams work{};
    if (all || requested == 3) {
        if (const std::int32_t r = port_.get_work_params(work); r != 0)
            return refusal(status::R_DeviceError, std::string("the reader does not answer: ") + kestrel_result_string(r));
    }
    out.add(success_status());
    if (all || requested == 1) {
        std::array<std::uint8_t, 6> mac{};
        if (port_.mac_address(mac) == 0) {
            // The MAC address as an EUI-64 (FF FE in the middle).
            Element id = make_parameter(par::Identification);
            id.set("IDType", 0).set_items("ReaderID", {mac[0], mac[1], mac[2], 0xFF, 0xFE, mac[3], mac[4], mac[5]});
            out.add(std::move(id));
        }
    }
    const int first = antenna ? static_cast<int>(antenna) : 1, last = antenna ? static_cast<int>(antenna) : kAntennas;
    if (all || requested == 2) {
        for (int a = first; a <= last; ++a)
            out.add(make_parameter(par::AntennaProperties))
                .set("AntennaConnected", 1)
                .set("AntennaID", a)
                .set("AntennaGain", 0);
    }
    if (all || requested == 3) {
        for (int a = first; a <= last; ++a) {
            Element c = make_parameter(par::AntennaConfiguration);
            c.set("AntennaID", a);
            c.add(make_parameter(par::RFReceiver)).set("ReceiverSensitivity", 1);
            c.add(make_parameter(par::RFTransmitter))
                .set("HopTableID", 1)
                .set("ChannelIndex", work[work::channel] + 1u)
                .set("TransmitPower", static_cast<std::uint64_t>(std::clamp(power_index(work[work::power]), 1, kPowerSteps)));
            Element inv = make_parameter(par::C1G2InventoryCommand);
            inv.add(make_parameter(par::C1G2RFControl)).set("ModeIndex", work[work::speed] == 1 ? 1 : 0).set("Tari", 0);
            c.add(std::move(inv));
            out.add(std::move(c));
        }
    }
    if (all || requested == 5) {
        Element notification = make_parameter(par::ReaderEventNotificationSpec);
        for (const auto& [type, on] : config_.events)
            notification.add(make_parameter(par::EventNotificationState)).set("EventType", type).set("NotificationState", on);
        out.add(std::move(notification));
    }
    if (all || requested == 4) {
        const ReportSpec& r = config_.report;
        Element ro_report = make_parameter(par::ROReportSpec);
        ro_report.set("ROReportTrigger", r.trigger).set("N", r.n);
        Element sel = make_parameter(par::TagReportContentSelector);
        sel.set("EnableROSpecID", r.selector.rospec_id)
            .set("EnableSpecIndex", r.selector.spec_index)
            .set("EnableInventoryParameterSpecID", r.selector.ipspec_id)
            .set("EnableAntennaID", r.selector.antenna)
            .set("EnableFirstSeenTimestamp", r.selector.first_seen)
            .set("EnableLastSeenTimestamp", r.selector.last_seen)
            .set("EnableTagSeenCount", r.selector.seen_count)
            .set("EnableAccessSpecID", r.selector.accessspec_id);
        ro_report.add(std::move(sel));
        out.add(std::move(ro_report));
    }
    if (all || requested == 6)
        out.add(make_parameter(par::AccessReportSpec)).set("AccessReportTrigger", config_.access_report_trigger);
    if (all || requested == 7)
        out.add(make_parameter(par::LLRPConfigurationStateValue)).set("LLRPConfigurationStateValue", config_state_);
    if (all || requested == 8)
        out.add(make_parameter(par::KeepaliveSpec))
            .set("KeepaliveTriggerType", config_.keepalive_type)
            .set("PeriodicTriggerValue", config_.keepalive_ms);
    if (all || requested == 11)
        out.add(make_parameter(par::EventsAndReports)).set("HoldEventsAndReportsUponReconnect", config_.hold);
    return std::nullopt;
}

LlrpReader::Result LlrpReader::parse_report_spec(const Element& e, ReportSpec& out) {
    out.trigger = static_cast<std::uint8_t>(e.num("ROReportTrigger"));
    if (out.trigger > 2) return bad_field(e, "ROReportTrigger", "must be 0 to 2");
    out.n = static_cast<std::uint16_t>(e.num("N"));
    const Element* sel = e.find(par::TagReportContentSelector);
    out.selector.rospec_id = sel->num("EnableROSpecID");
    out.selector.spec_index = sel->num("EnableSpecIndex");
    out.selector.ipspec_id = sel->num("EnableInventoryParameterSpecID");
    out.selector.antenna = sel->num("EnableAntennaID");
    out.selector.first_seen = sel->num("EnableFirstSeenTimestamp");
    out.selector.last_seen = sel->num("EnableLastSeenTimestamp");
    out.selector.seen_count = sel->num("EnableTagSeenCount");
    out.selector.accessspec_id = sel->num("EnableAccessSpecID");
    // Channel index and peak RSSI are not measured by this reader: left out of the reports.
    // The PC and CRC words are not in the reader's tag records either.
    for (const Element* ms : sel->all(par::C1G2EPCMemorySelector))
        if (ms->num("EnableCRC") || ms->num("EnablePCBits"))
            return unsupported(*ms, "the reader's tag records carry neither the CRC nor the PC bits");
    return std::nullopt;
}

LlrpReader::Result LlrpReader::parse_antenna_configuration(const Element& e, RfChoice& out) {
    const auto antenna = e.num("AntennaID");
    if (antenna > kAntennas) return bad_field(e, "AntennaID", "this reader has antennas 1 to 4");
    if (const Element* rx = e.find(par::RFReceiver); rx && rx->num("ReceiverSensitivity") != 1)
        return bad_field(*rx, "ReceiverSensitivity", "the receive sensitivity table has the one entry 1");
    WorkParams work{};
    if (const Element* tx = e.find(par::RFTransmitter)) {
        const auto power = tx->num("TransmitPower");
        if (power < 1 || power > kPowerSteps) return bad_field(*tx, "TransmitPower", "the power table runs 1 to 19");
        out.power_dbm = power_dbm(static_cast<int>(power));
        if (const std::int32_t r = port_.get_work_params(work); r != 0)
            return refusal(status::R_DeviceError, std::string("the reader does not answer: ") + kestrel_result_string(r));
        const RegionPlan& region = region_plan(work[work::region]);
        const auto channel = tx->num("ChannelIndex");
        const bool hopping = work[work::frequency_mode] == 1;
        if (hopping && tx->num("HopTableID") != 1) return bad_field(*tx, "HopTableID", "the one hop table is 1");
        if (!hopping) {
            if (channel < 1 || channel > static_cast<std::uint64_t>(region.channels))
                return bad_field(*tx, "ChannelIndex", "the region's channels run 1 to " + std::to_string(region.channels));
            out.channel = static_cast<int>(channel - 1);
        }
    }
    for (const Element* inv : e.all(par::C1G2InventoryCommand)) {
        if (inv->num("TagInventoryStateAware")) return bad_field(*inv, "TagInventoryStateAware", "not supported");
        if (const Element* f = inv->find(par::C1G2Filter))
            return unsupported(*f, "the reader takes no select filters through LLRP");
        if (const Element* s = inv->find(par::C1G2SingulationControl))
            return unsupported(*s, "the reader chooses session and population itself");
        if (const Element* rf = inv->find(par::C1G2RFControl)) {
            if (rf->num("ModeIndex") > 1) return bad_field(*rf, "ModeIndex", "the modes are 0 (low speed) and 1 (high speed)");
            if (rf->num("Tari") != 0) return bad_field(*rf, "Tari", "only 0 (the mode's own) is supported");
            out.speed = static_cast<int>(rf->num("ModeIndex"));
        }
    }
    return std::nullopt;
}

void LlrpReader::apply_rf(const RfChoice& rf, bool remember) {
    WorkParams work{};
    if (!rf.any() || port_.get_work_params(work) != 0) return;
    if (!factory_rf_) factory_rf_ = work;
    if (remember && run_) {
        run_->rf_changed = true;
        run_->rf_before = work;
    }
    WorkParams next = work;
    if (rf.power_dbm) next[work::power] = static_cast<std::uint8_t>(*rf.power_dbm);
    if (rf.channel) next[work::channel] = static_cast<std::uint8_t>(*rf.channel);
    if (rf.speed) next[work::speed] = static_cast<std::uint8_t>(*rf.speed);
    if (next != work) port_.set_work_params(next);
}

LlrpReader::Result LlrpReader::set_config(const Element& m, Millis now) {
    // Everything is checked before anything is changed.
    std::vector<RfChoice> rf;
    for (const Element* e : m.all(par::AntennaProperties))
        return unsupported(*e, "antenna properties are fixed (CanSetAntennaProperties is 0)");
    for (const Element* e : m.all(par::GPOWriteData)) return bad_field(*e, "GPOPortNumber", "this reader has no GPO ports");
    for (const Element* e : m.all(par::GPIPortCurrentState)) return bad_field(*e, "GPIPortNum", "this reader has no GPI ports");
    for (const Element* e : m.all(par::AntennaConfiguration)) {
        RfChoice c;
        if (auto r = parse_antenna_configuration(*e, c)) return r;
        rf.push_back(c);
    }
    ReportSpec report;
    const Element* rs = m.find(par::ROReportSpec);
    if (rs)
        if (auto r = parse_report_spec(*rs, report)) return r;
    const Element* ars = m.find(par::AccessReportSpec);
    if (ars && ars->num("AccessReportTrigger") > 1) return bad_field(*ars, "AccessReportTrigger", "must be 0 or 1");
    const Element* ka = m.find(par::KeepaliveSpec);
    if (ka) {
        if (ka->num("KeepaliveTriggerType") > 1) return bad_field(*ka, "KeepaliveTriggerType", "must be 0 or 1");
        if (ka->num("KeepaliveTriggerType") == 1 && ka->num("PeriodicTriggerValue") == 0)
            return bad_field(*ka, "PeriodicTriggerValue", "a periodic keepalive needs a period");
    }
    const Element* ev = m.find(par::ReaderEventNotificationSpec);
    if (ev)
        for (const Element* s : ev->all(par::EventNotificationState))
            if (s->num("EventType") > kEventAntenna) return bad_field(*s, "EventType", "must be 0 to 8");

    if (m.num("ResetToFactoryDefault")) {
        while (!rospecs_.empty()) delete_rospec(rospecs_.front().id);
        access_specs_.clear();
        pending_.clear();
        held_.clear();
        factory_defaults();
        if (factory_rf_) {
            WorkParams work{};
            if (port_.get_work_params(work) == 0 && work != *factory_rf_) port_.set_work_params(*factory_rf_);
        }
    }
    for (const RfChoice& c : rf) apply_rf(c, false);
    if (rs) config_.report = report;
    if (ars) config_.access_report_trigger = static_cast<std::uint8_t>(ars->num("AccessReportTrigger"));
    if (ka) {
        config_.keepalive_type = static_cast<std::uint8_t>(ka->num("KeepaliveTriggerType"));
        config_.keepalive_ms = config_.keepalive_type ? static_cast<std::uint32_t>(ka->num("PeriodicTriggerValue")) : 0;
        next_keepalive_ = now + config_.keepalive_ms;
    }
    if (ev)
        for (const Element* s : ev->all(par::EventNotificationState))
            config_.events[static_cast<std::uint16_t>(s->num("EventType"))] = s->num("NotificationState") != 0;
    if (const Element* er = m.find(par::EventsAndReports)) config_.hold = er->num("HoldEventsAndReportsUponReconnect");
    ++config_state_;
    return std::nullopt;
}

// ---- ROSpecs ---------------------------------------------------------------------------------

LlrpReader::RoSpec* LlrpReader::rospec(std::uint32_t id) {
    for (RoSpec& s : rospecs_)
        if (s.id == id) return &s;
    return nullptr;
}

LlrpReader::Result LlrpReader::parse_aispec(const Element& e, AiSpec& out) {
    const auto& antennas = e.field("AntennaIDs").items;
    if (antennas.empty()) return bad_field(e, "AntennaIDs", "names no antenna");
    for (std::uint32_t a : antennas) {
        if (a > kAntennas) return bad_field(e, "AntennaIDs", "this reader has antennas 1 to 4 (0: all)");
        if (a == 0) {
            out.antennas = {1, 2, 3, 4};
            break;
        }
        out.antennas.push_back(static_cast<int>(a));
    }
    const Element* st = e.find(par::AISpecStopTrigger);
    out.stop.type = static_cast<std::uint8_t>(st->num("AISpecStopTriggerType"));
    out.stop.duration = static_cast<std::uint32_t>(st->num("DurationTrigger"));
    switch (out.stop.type) {
    case 0: break;
    case 1:
        if (out.stop.duration == 0) return bad_field(*st, "DurationTrigger", "a duration trigger needs a duration");
        break;
    case 2: return bad_field(*st, "AISpecStopTriggerType", "this reader has no GPI ports");
    case 3: {
        const Element* obs = st->find(par::TagObservationTrigger);
        if (!obs)
            return refusal(status::P_MissingParameter, "AISpecStopTrigger: a tag observation trigger needs TagObservationTrigger",
                           par::AISpecStopTrigger);
        out.stop.observation = static_cast<std::uint8_t>(obs->num("TriggerType"));
        out.stop.tags = static_cast<std::uint16_t>(obs->num("NumberOfTags"));
        out.stop.attempts = static_cast<std::uint16_t>(obs->num("NumberOfAttempts"));
        out.stop.quiet_ms = static_cast<std::uint16_t>(obs->num("T"));
        out.stop.timeout = static_cast<std::uint32_t>(obs->num("Timeout"));
        if (out.stop.observation > 2) return bad_field(*obs, "TriggerType", "must be 0 to 2");
        if (out.stop.observation == 0 && out.stop.tags == 0) return bad_field(*obs, "NumberOfTags", "must be at least 1");
        if (out.stop.observation == 1 && out.stop.quiet_ms == 0) return bad_field(*obs, "T", "must be at least 1 ms");
        if (out.stop.observation == 2 && out.stop.attempts == 0)
            return bad_field(*obs, "NumberOfAttempts", "must be at least 1");
        break;
    }
    default: return bad_field(*st, "AISpecStopTriggerType", "must be 0 to 3");
    }
    const auto specs = e.all(par::InventoryParameterSpec);
    if (specs.size() > 1)
        return refusal(status::P_OverflowParameter, "AISpec: this reader runs one InventoryParameterSpec per AISpec",
                       par::AISpec);
    const Element& ips = *specs.front();
    if (ips.num("ProtocolID") != kProtocolEpcGen2)
        return bad_field(ips, "ProtocolID", "this reader inventories EPC Class-1 Gen-2 tags (1) only");
    out.ipspec_id = static_cast<std::uint16_t>(ips.num("InventoryParameterSpecID"));
    for (const Element* ac : ips.all(par::AntennaConfiguration))
        if (auto r = parse_antenna_configuration(*ac, out.rf)) return r;
    return std::nullopt;
}

LlrpReader::Result LlrpReader::parse_rospec(const Element& e, RoSpec& out) {
    out.id = static_cast<std::uint32_t>(e.num("ROSpecID"));
    out.priority = static_cast<std::uint8_t>(e.num("Priority"));
    if (out.id == 0) return bad_field(e, "ROSpecID", "0 is not a valid ROSpec ID");
    if (out.priority > 7) return bad_field(e, "Priority", "must be 0 to 7");
    if (e.num("CurrentState") != 0) return bad_field(e, "CurrentState", "a new ROSpec must be Disabled");
    const Element* boundary = e.find(par::ROBoundarySpec);
    const Element* start = boundary->find(par::ROSpecStartTrigger);
    out.start_type = static_cast<std::uint8_t>(start->num("ROSpecStartTriggerType"));
    if (out.start_type == 3) return bad_field(*start, "ROSpecStartTriggerType", "this reader has no GPI ports");
    if (out.start_type > 3) return bad_field(*start, "ROSpecStartTriggerType", "must be 0 to 3");
    if (out.start_type == 2) {
        const Element* p = start->find(par::PeriodicTriggerValue);
        if (!p)
            return refusal(status::P_MissingParameter, "ROSpecStartTrigger: a periodic trigger needs PeriodicTriggerValue",
                           par::ROSpecStartTrigger);
        out.offset = static_cast<std::uint32_t>(p->num("Offset"));
        out.period = static_cast<std::uint32_t>(p->num("Period"));
        if (const Element* utc = p->find(par::UTCTimestamp)) out.utc_start_us = static_cast<std::int64_t>(utc->num("Microseconds"));
    }
    const Element* stop = boundary->find(par::ROSpecStopTrigger);
    out.stop_type = static_cast<std::uint8_t>(stop->num("ROSpecStopTriggerType"));
    out.duration = static_cast<std::uint32_t>(stop->num("DurationTriggerValue"));
    if (out.stop_type == 2) return bad_field(*stop, "ROSpecStopTriggerType", "this reader has no GPI ports");
    if (out.stop_type > 2) return bad_field(*stop, "ROSpecStopTriggerType", "must be 0 to 2");
    if (out.stop_type == 1 && out.duration == 0)
        return bad_field(*stop, "DurationTriggerValue", "a duration trigger needs a duration");
    const auto specs = e.all(kChoiceBase + 1);
    if (specs.size() > limits_.specs_per_rospec)
        return refusal(status::P_OverflowParameter, "ROSpec: more specs than MaxNumSpecsPerROSpec", par::ROSpec);
    for (const Element* s : specs) {
        if (s->type() != par::AISpec) return unsupported(*s, "this reader runs AISpecs only (no RF survey)");
        AiSpec ai;
        if (auto r = parse_aispec(*s, ai)) return r;
        out.ais.push_back(std::move(ai));
    }
    if (const Element* rs = e.find(par::ROReportSpec)) {
        ReportSpec ro_report;
        if (auto r = parse_report_spec(*rs, ro_report)) return r;
        out.report = ro_report;
    }
    out.element = e;
    return std::nullopt;
}

LlrpReader::Result LlrpReader::add_rospec(const Element& m) {
    const Element& e = *m.find(par::ROSpec);
    RoSpec added;
    if (auto r = parse_rospec(e, added)) return r;
    if (rospec(added.id)) return refusal(status::A_Invalid, "ROSpec " + std::to_string(added.id) + " exists already");
    if (rospecs_.size() >= limits_.rospecs)
        return refusal(status::A_Invalid, "the reader holds MaxNumROSpecs ROSpecs already");
    rospecs_.push_back(std::move(added));
    return std::nullopt;
}

LlrpReader::Result LlrpReader::delete_rospec(std::uint32_t id) {
    if (id != 0 && !rospec(id)) return refusal(status::A_Invalid, "no ROSpec " + std::to_string(id));
    if (run_ && (id == 0 || run_->rospec == id)) end_rospec();
    std::erase_if(rospecs_, [&](const RoSpec& s) { return id == 0 || s.id == id; });
    return std::nullopt;
}

LlrpReader::Result LlrpReader::enable_rospec(std::uint32_t id, Millis now) {
    auto enable = [&](RoSpec& s) {
        if (s.state != 0) return;
        s.state = 1;
        if (s.start_type == 1) {
            s.next_start = now;
        } else if (s.start_type == 2) {
            Millis first = now + s.offset;
            if (s.utc_start_us) first = now + std::max<std::int64_t>(0, (*s.utc_start_us - utc_now_us()) / 1000) + s.offset;
            s.next_start = first;
        }
    };
    if (id == 0) {
        for (RoSpec& s : rospecs_) enable(s);
        return std::nullopt;
    }
    RoSpec* s = rospec(id);
    if (!s) return refusal(status::A_Invalid, "no ROSpec " + std::to_string(id));
    enable(*s);
    return std::nullopt;
}

LlrpReader::Result LlrpReader::disable_rospec(std::uint32_t id) {
    if (id != 0 && !rospec(id)) return refusal(status::A_Invalid, "no ROSpec " + std::to_string(id));
    if (run_ && (id == 0 || run_->rospec == id)) end_rospec();
    for (RoSpec& s : rospecs_)
        if (id == 0 || s.id == id) {
            s.state = 0;
            s.next_start.reset();
        }
    return std::nullopt;
}

LlrpReader::Result LlrpReader::start_rospec(std::uint32_t id, Millis now) {
    RoSpec* s = rospec(id);
    if (!s) return refusal(status::A_Invalid, "no ROSpec " + std::to_string(id));
    if (s->state == 0) return refusal(status::A_Invalid, "ROSpec " + std::to_string(id) + " is disabled");
    if (s->state == 2) return refusal(status::A_Invalid, "ROSpec " + std::to_string(id) + " is active already");
    if (run_) {
        RoSpec* active = rospec(run_->rospec);
        if (active && active->priority <= s->priority)
            return refusal(status::A_Invalid, "ROSpec " + std::to_string(active->id) +
                                                  " of the same or a higher priority is active");
        end_rospec(true);
    }
    start(*s, now);
    return std::nullopt;
}

LlrpReader::Result LlrpReader::stop_rospec(std::uint32_t id) {
    RoSpec* s = rospec(id);
    if (!s) return refusal(status::A_Invalid, "no ROSpec " + std::to_string(id));
    if (s->state != 2) return refusal(status::A_Invalid, "ROSpec " + std::to_string(id) + " is not active");
    end_rospec();
    return std::nullopt;
}

void LlrpReader::start(RoSpec& s, Millis now) {
    s.state = 2;
    run_ = Run{};
    run_->rospec = s.id;
    run_->ro_start = now;
    if (config_.events[kEventROSpec]) {
        Element ev = make_parameter(par::ROSpecEvent);
        ev.set("EventType", 0).set("ROSpecID", s.id);
        emit(notification(std::move(ev)));
    }
    begin_ai(now);
}

void LlrpReader::begin_ai(Millis now) {
    run_->ai_start = now;
    run_->last_new = now;
    run_->rounds = run_->observations = 0;
    run_->seen.clear();
    run_->antenna_pos = 0;
    RoSpec* s = rospec(run_->rospec);
    if (s && run_->ai < s->ais.size()) apply_rf(s->ais[run_->ai].rf, !run_->rf_changed);
}

bool LlrpReader::ai_done(Millis now) const {
    const RoSpec* s = const_cast<LlrpReader*>(this)->rospec(run_->rospec);
    const AiStop& st = s->ais[run_->ai].stop;
    const Millis elapsed = now - run_->ai_start;
    switch (st.type) {
    case 1: return elapsed >= st.duration;
    case 3:
        if (st.timeout && elapsed >= st.timeout) return true;
        switch (st.observation) {
        case 0: return run_->observations >= st.tags;
        case 1: return run_->rounds > 0 && now - run_->last_new >= st.quiet_ms;
        case 2: return run_->rounds >= st.attempts;
        }
        return false;
    default: return false;
    }
}

void LlrpReader::end_ai(Millis now) {
    RoSpec* s = rospec(run_->rospec);
    const auto index = static_cast<std::uint16_t>(run_->ai + 1);
    if (config_.events[kEventAISpec] || config_.events[kEventAISpecDetails]) {
        Element ev = make_parameter(par::AISpecEvent);
        ev.set("EventType", 0).set("ROSpecID", s->id).set("SpecIndex", index);
        emit(notification(std::move(ev)));
    }
    if (report_spec(s->id).trigger == 1) report(s->id);
    ++run_->ai;
    if (run_->ai >= s->ais.size()) {
        end_rospec();
        return;
    }
    begin_ai(now);
}

void LlrpReader::end_rospec(bool preempted) {
    RoSpec* s = rospec(run_->rospec);
    const Run ended = *run_;
    run_.reset();
    if (ended.rf_changed) {
        WorkParams work{};
        if (port_.get_work_params(work) == 0 && work != ended.rf_before) port_.set_work_params(ended.rf_before);
    }
    if (!s) return;
    s->state = 1;
    if (s->start_type == 2 && s->period) s->next_start = ended.ro_start + s->period;
    else if (s->start_type == 2 || s->start_type == 1) s->next_start.reset();
    if (report_spec(s->id).trigger != 0) report(s->id);
    if (config_.events[kEventROSpec]) {
        Element ev = make_parameter(par::ROSpecEvent);
        ev.set("EventType", preempted ? 2 : 1).set("ROSpecID", s->id);
        emit(notification(std::move(ev)));
    }
}

Millis LlrpReader::run(Millis now) {
    if (send_ && config_.keepalive_type == 1 && now >= next_keepalive_) {
        emit(make_message(msg::KEEPALIVE));
        next_keepalive_ = now + config_.keepalive_ms;
    }
    if (!run_) {
        // The highest-priority ROSpec whose start trigger is due.
        RoSpec* next = nullptr;
        for (RoSpec& s : rospecs_)
            if (s.state == 1 && s.next_start && *s.next_start <= now && (!next || s.priority < next->priority))
                next = &s;
        if (next) {
            const bool periodic = next->start_type == 2;
            next->next_start.reset();
            start(*next, now);
            if (periodic && next->period) next->next_start = now + next->period;
        }
    }
    if (run_) {
        RoSpec* s = rospec(run_->rospec);
        if (s->stop_type == 1 && now - run_->ro_start >= s->duration) {
            end_rospec();
        } else if (ai_done(now)) {
            end_ai(now);
        } else if (now >= retry_at_) {
            inventory_round(now);
            if (run_ && ai_done(now)) end_ai(now);
        }
    }
    if (run_) return now >= retry_at_ ? 0 : retry_at_ - now;
    Millis wait = 1000;
    for (const RoSpec& s : rospecs_)
        if (s.state == 1 && s.next_start) wait = std::min(wait, std::max<Millis>(0, *s.next_start - now));
    if (send_ && config_.keepalive_type == 1) wait = std::min(wait, std::max<Millis>(0, next_keepalive_ - now));
    return wait;
}

// ---- inventory and reports -------------------------------------------------------------------

void LlrpReader::inventory_round(Millis now) {
    RoSpec* s = rospec(run_->rospec);
    const AiSpec& ai = s->ais[run_->ai];
    const int antenna = ai.antennas[run_->antenna_pos % ai.antennas.size()];
    ++run_->antenna_pos;
    std::vector<Sighting> tags;
    std::int32_t result = 0;
    if (ai.antennas.size() > 1 || run_->rounds == 0) result = port_.set_antenna(antenna);
    if (result == 0) result = port_.inventory(tags);
    ++run_->rounds;
    if (result != 0) {
        retry_at_ = now + kRetryAfterFailure;
        if (config_.events[kEventReaderException]) {
            Element ev = make_parameter(par::ReaderExceptionEvent);
            ev.set_text("Message", std::string("reader link: ") + kestrel_result_string(result));
            ev.add(make_parameter(par::ROSpecID)).set("ROSpecID", s->id);
            emit(notification(std::move(ev)));
        }
        return;
    }
    const ReportSpec& ro_report = report_spec(s->id);
    const std::uint32_t rospec_id = s->id;
    // Which tags were seen before matters only to the "no new tag for T ms" trigger.
    const bool track_new = ai.stop.type == 3 && ai.stop.observation == 1;
    Pending* pending = &pending_[rospec_id];
    for (Sighting& t : tags) {
        ++run_->observations;
        if (track_new && run_->seen.insert(t.epc).second) run_->last_new = now;
        if (!access_specs_.empty()) {
            run_access(t, antenna);
            pending = &pending_[rospec_id];
        }
        Pending& p = *pending;
        if (p.entries.empty()) {
            p.entries.reserve(tags.size());
            p.index.reserve(tags.size());
        }
        // One entry a tag and antenna (and AISpec), counting its sightings.
        std::string key(t.epc.begin(), t.epc.end());
        key += static_cast<char>(ro_report.selector.antenna ? antenna : 0);
        key += static_cast<char>(ro_report.selector.spec_index ? run_->ai : 0);
        auto [it, fresh] = p.index.try_emplace(key, p.entries.size());
        if (fresh) {
            Entry e;
            e.epc = std::move(t.epc);  // the round's sighting is not needed after this
            e.antenna = static_cast<std::uint16_t>(antenna);
            e.spec_index = static_cast<std::uint16_t>(run_->ai + 1);
            e.ipspec_id = ai.ipspec_id;
            e.rospec = rospec_id;
            e.first_us = t.utc_us;
            p.entries.push_back(std::move(e));
        }
        Entry& e = p.entries[it->second];
        e.last_us = t.utc_us;
        ++e.count;
        if (ro_report.n && pending->entries.size() >= ro_report.n) {
            report(rospec_id);
            pending = &pending_[rospec_id];
        }
    }
}

const LlrpReader::ReportSpec& LlrpReader::report_spec(std::uint32_t id) const {
    for (const RoSpec& s : rospecs_)
        if (s.id == id && s.report) return *s.report;
    return config_.report;
}

Element LlrpReader::tag_report(const Entry& e, const Selector& s) const {
    Element d = make_parameter(par::TagReportData);
    if (e.epc.size() == 12) {
        d.add(make_parameter(par::EPC_96)).set_bytes("EPC", e.epc);
    } else {
        d.add(make_parameter(par::EPCData)).set_bytes("EPC", e.epc, 8 * e.epc.size());
    }
    if (s.rospec_id) d.add(make_parameter(par::ROSpecID)).set("ROSpecID", e.rospec);
    if (s.spec_index) d.add(make_parameter(par::SpecIndex)).set("SpecIndex", e.spec_index);
    if (s.ipspec_id) d.add(make_parameter(par::InventoryParameterSpecID)).set("InventoryParameterSpecID", e.ipspec_id);
    if (s.antenna) d.add(make_parameter(par::AntennaID)).set("AntennaID", e.antenna);
    if (s.first_seen)
        d.add(make_parameter(par::FirstSeenTimestampUTC)).set("Microseconds", static_cast<std::uint64_t>(e.first_us));
    if (s.last_seen)
        d.add(make_parameter(par::LastSeenTimestampUTC)).set("Microseconds", static_cast<std::uint64_t>(e.last_us));
    if (s.seen_count)
        d.add(make_parameter(par::TagSeenCount)).set("TagCount", std::min<std::uint32_t>(e.count, 0xFFFF));
    if (e.accessspec && s.accessspec_id) d.add(make_parameter(par::AccessSpecID)).set("AccessSpecID", e.accessspec);
    for (const Element& r : e.results) d.add(r);
    return d;
}

// Writes the entries' TagReportData after `out`. Entries of one shape (same EPC encoding, no
// OpSpec results) reuse one parameter tree whose values are replaced in place, so a report of
// many tags costs no allocation per tag.
void LlrpReader::append_tag_reports(const std::vector<Entry>& entries, const Selector& sel, Bytes& out) const {
    std::optional<Element> shape;
    bool shape_is_96 = false;
    for (const Entry& e : entries) {
        const bool is_96 = e.epc.size() == 12;
        if (!e.results.empty() || e.accessspec) {
            encode_parameter(tag_report(e, sel), out);
            continue;
        }
        if (!shape || shape_is_96 != is_96) {
            shape = tag_report(e, sel);
            shape_is_96 = is_96;
        }
        for (Element& p : shape->subs) {
            std::uint64_t& v = p.fields[0].number;
            switch (p.type()) {
            case par::EPC_96: p.fields[0].bytes.assign(e.epc.begin(), e.epc.end()); break;
            case par::EPCData:
                p.fields[0].bytes.assign(e.epc.begin(), e.epc.end());
                v = 8 * e.epc.size();
                break;
            case par::ROSpecID: v = e.rospec; break;
            case par::SpecIndex: v = e.spec_index; break;
            case par::InventoryParameterSpecID: v = e.ipspec_id; break;
            case par::AntennaID: v = e.antenna; break;
            case par::FirstSeenTimestampUTC: v = static_cast<std::uint64_t>(e.first_us); break;
            case par::LastSeenTimestampUTC: v = static_cast<std::uint64_t>(e.last_us); break;
            case par::TagSeenCount: v = std::min<std::uint32_t>(e.count, 0xFFFF); break;
            default: break;
            }
        }
        encode_parameter(*shape, out);
    }
}

void LlrpReader::report(std::uint32_t rospec_id, std::optional<std::uint32_t> message_id) {
    auto it = pending_.find(rospec_id);
    if (it == pending_.end() || it->second.entries.empty()) return;
    const Selector& sel = report_spec(rospec_id).selector;
    Bytes b = encode(make_message(msg::RO_ACCESS_REPORT, message_id ? *message_id : next_id()));
    b.reserve(b.size() + 48 * it->second.entries.size());
    append_tag_reports(it->second.entries, sel, b);
    set_message_length(b);
    tags_reported_ += it->second.entries.size();
    pending_.erase(it);
    if (message_id) {
        send_now(b);
    } else {
        emit_encoded(std::move(b));
    }
}

void LlrpReader::report_all(std::uint32_t message_id) {
    Bytes b = encode(make_message(msg::RO_ACCESS_REPORT, message_id));
    for (auto& [id, p] : pending_) {
        append_tag_reports(p.entries, report_spec(id).selector, b);
        tags_reported_ += p.entries.size();
    }
    set_message_length(b);
    pending_.clear();
    send_now(b);
}

// ---- AccessSpecs -----------------------------------------------------------------------------

LlrpReader::AccessSpec* LlrpReader::access_spec(std::uint32_t id) {
    for (AccessSpec& s : access_specs_)
        if (s.id == id) return &s;
    return nullptr;
}

LlrpReader::Result LlrpReader::parse_opspec(const Element& op) {
    switch (op.type()) {
    case par::C1G2Read: {
        const auto count = op.num("WordCount");
        if (count == 0) return bad_field(op, "WordCount", "0 (the whole bank) is not supported; name the words");
        if (count > 127) return bad_field(op, "WordCount", "the reader reads at most 127 words at once");
        break;
    }
    case par::C1G2Write:
    case par::C1G2BlockWrite: {
        const auto& data = op.field("WriteData").items;
        if (data.empty()) return bad_field(op, "WriteData", "holds no word");
        if (data.size() > 125) return bad_field(op, "WriteData", "the reader writes at most 125 words at once");
        break;
    }
    case par::C1G2BlockErase: {
        const auto count = op.num("WordCount");
        if (count == 0 || count > 255) return bad_field(op, "WordCount", "must be 1 to 255");
        break;
    }
    case par::C1G2Lock:
        for (const Element* p : op.all(par::C1G2LockPayload)) {
            if (p->num("Privilege") > 3) return bad_field(*p, "Privilege", "must be 0 to 3");
            if (p->num("DataField") > 4) return bad_field(*p, "DataField", "must be 0 to 4");
        }
        break;
    case par::C1G2Kill: break;
    default: return unsupported(op, "client request OpSpecs are not supported");
    }
    if (op.type() != par::C1G2Kill && op.type() != par::C1G2Lock && op.num("MB") > 3)
        return bad_field(op, "MB", "must be 0 to 3");
    return std::nullopt;
}

LlrpReader::Result LlrpReader::parse_access_spec(const Element& e, AccessSpec& out) {
    out.id = static_cast<std::uint32_t>(e.num("AccessSpecID"));
    out.antenna = static_cast<std::uint16_t>(e.num("AntennaID"));
    out.rospec = static_cast<std::uint32_t>(e.num("ROSpecID"));
    if (out.id == 0) return bad_field(e, "AccessSpecID", "0 is not a valid AccessSpec ID");
    if (out.antenna > kAntennas) return bad_field(e, "AntennaID", "this reader has antennas 1 to 4 (0: any)");
    if (e.num("ProtocolID") != kProtocolEpcGen2) return bad_field(e, "ProtocolID", "EPC Class-1 Gen-2 (1) only");
    if (e.num("CurrentState") != 0) return bad_field(e, "CurrentState", "a new AccessSpec must be Disabled");
    const Element* stop = e.find(par::AccessSpecStopTrigger);
    out.stop_type = static_cast<std::uint8_t>(stop->num("AccessSpecStopTrigger"));
    out.operations = static_cast<std::uint16_t>(stop->num("OperationCountValue"));
    if (out.stop_type > 1) return bad_field(*stop, "AccessSpecStopTrigger", "must be 0 or 1");
    if (out.stop_type == 1 && out.operations == 0)
        return bad_field(*stop, "OperationCountValue", "an operation count trigger needs a count");
    const Element* cmd = e.find(par::AccessCommand);
    const Element* tag_spec = cmd->find(kChoiceBase + 9);
    if (tag_spec->all(par::C1G2TargetTag).size() > 2)
        return refusal(status::P_OverflowParameter, "C1G2TagSpec: at most two C1G2TargetTag (both must match)",
                       par::C1G2TagSpec);
    for (const Element* t : tag_spec->all(par::C1G2TargetTag)) {
        Target target;
        target.bank = static_cast<std::uint8_t>(t->num("MB"));
        target.match = t->num("Match") != 0;
        target.pointer = static_cast<std::uint16_t>(t->num("Pointer"));
        target.bits = static_cast<std::uint16_t>(t->num("TagMask"));
        target.mask = t->field("TagMask").bytes;
        target.data = t->field("TagData").bytes;
        if (t->num("TagData") != target.bits)
            return bad_field(*t, "TagData", "must have as many bits as TagMask");
        if (target.bank != 1 && target.bits > 8 * 254)
            return bad_field(*t, "TagMask", "the reader reads at most 127 words to compare");
        out.targets.push_back(std::move(target));
    }
    const auto ops = cmd->all(kChoiceBase + 2);
    if (ops.size() > limits_.opspecs_per_access_spec)
        return refusal(status::P_OverflowParameter, "AccessCommand: more OpSpecs than MaxNumOpSpecsPerAccessSpec",
                       par::AccessCommand);
    for (const Element* op : ops) {
        if (auto r = parse_opspec(*op)) return r;
        out.ops.push_back(*op);
    }
    if (const Element* rs = e.find(par::AccessReportSpec)) {
        if (rs->num("AccessReportTrigger") > 1) return bad_field(*rs, "AccessReportTrigger", "must be 0 or 1");
        out.report_trigger = static_cast<std::uint8_t>(rs->num("AccessReportTrigger"));
    }
    out.element = e;
    return std::nullopt;
}

LlrpReader::Result LlrpReader::add_access_spec(const Element& m) {
    AccessSpec added;
    if (auto r = parse_access_spec(*m.find(par::AccessSpec), added)) return r;
    if (access_spec(added.id)) return refusal(status::A_Invalid, "AccessSpec " + std::to_string(added.id) + " exists already");
    if (access_specs_.size() >= limits_.access_specs)
        return refusal(status::A_Invalid, "the reader holds MaxNumAccessSpecs AccessSpecs already");
    access_specs_.push_back(std::move(added));
    return std::nullopt;
}

LlrpReader::Result LlrpReader::delete_access_spec(std::uint32_t id) {
    if (id != 0 && !access_spec(id)) return refusal(status::A_Invalid, "no AccessSpec " + std::to_string(id));
    std::erase_if(access_specs_, [&](const AccessSpec& s) { return id == 0 || s.id == id; });
    return std::nullopt;
}

LlrpReader::Result LlrpReader::enable_access_spec(std::uint32_t id, bool enable) {
    if (id != 0 && !access_spec(id)) return refusal(status::A_Invalid, "no AccessSpec " + std::to_string(id));
    for (AccessSpec& s : access_specs_)
        if (id == 0 || s.id == id) s.enabled = enable;
    return std::nullopt;
}

bool LlrpReader::target_matches(const Target& t, const Sighting& s) {
    if (t.bits == 0) return t.match;
    Bytes memory;
    std::size_t offset = 0;  // the bit of `memory` where the pointer lands
    if (t.bank == 1 && t.pointer >= 32) {
        memory = s.epc;
        offset = t.pointer - 32u;
    } else {
        const std::uint16_t first = t.pointer / 16;
        const std::size_t words = (t.pointer % 16 + t.bits + 15) / 16;
        if (!port_.read(t.bank, first, static_cast<std::uint8_t>(words), memory).ok()) return false;
        offset = t.pointer % 16;
    }
    bool equal = true;
    for (std::size_t i = 0; i < t.bits && equal; ++i) {
        if (!bit_at(t.mask, i)) continue;
        if (offset + i >= 8 * memory.size()) return false;
        equal = bit_at(memory, offset + i) == bit_at(t.data, i);
    }
    return equal == t.match;
}

namespace {

// OpSpec result codes of the standard, per OpSpec kind, for each way a tag command ends.
struct ResultCodes {
    std::uint8_t overrun, locked, tag_error, no_response, reader_error;
};
ResultCodes result_codes(std::uint16_t op) {
    switch (op) {
    case par::C1G2Read: return {1, 1, 1, 2, 3};
    case par::C1G2Lock: return {2, 2, 2, 3, 4};
    case par::C1G2Kill: return {3, 3, 3, 4, 5};
    default: return {1, 2, 4, 5, 6};  // write, block write, block erase
    }
}

std::uint8_t result_code(std::uint16_t op, const TagOutcome& o) {
    const ResultCodes c = result_codes(op);
    if (o.ok()) return 0;
    if (o.link != 0) return c.reader_error;
    switch (o.tag_error) {
    case tag_error::no_tag: return c.no_response;
    case tag_error::memory_overrun: return c.overrun;
    case tag_error::memory_locked: return c.locked;
    case tag_error::chip_off:
    case tag_error::bad_request: return c.reader_error;
    default: return c.tag_error;
    }
}

// One lock byte: bit 3 the protect setting counts, bit 2 the permanent setting counts,
// bit 1 protect, bit 0 permanent.
std::uint8_t lock_byte(std::uint8_t privilege) {
    switch (privilege) {
    case 0: return 0x0E;  // read/write: protected, not permanently
    case 1: return 0x0F;  // permanently locked
    case 2: return 0x0D;  // permanently unlocked
    default: return 0x0C; // unlocked
    }
}

}  // namespace

Element LlrpReader::execute(const Element& op, bool& ok) {
    const std::uint16_t type = op.type();
    const auto id = op.num("OpSpecID");
    TagOutcome o;
    Element result;
    const std::uint32_t password =
        type == par::C1G2Kill ? 0 : static_cast<std::uint32_t>(op.num("AccessPassword"));
    if (password != 0) o = port_.access(password);
    switch (type) {
    case par::C1G2Read: {
        Bytes data;
        if (o.ok())
            o = port_.read(static_cast<std::uint8_t>(op.num("MB")), static_cast<std::uint16_t>(op.num("WordPointer")),
                           static_cast<std::uint8_t>(op.num("WordCount")), data);
        result = make_parameter(par::C1G2ReadOpSpecResult);
        std::vector<std::uint32_t> words;
        if (o.ok())
            for (std::size_t i = 0; i + 1 < data.size(); i += 2) words.push_back((data[i] << 8) | data[i + 1]);
        if (o.ok() && words.size() != op.num("WordCount")) o.tag_error = tag_error::memory_overrun, o.status = 1;
        if (o.ok()) result.set_items("ReadData", std::move(words));
        break;
    }
    case par::C1G2Write:
    case par::C1G2BlockWrite: {
        const auto& items = op.field("WriteData").items;
        std::vector<std::uint16_t> words(items.begin(), items.end());
        if (o.ok())
            o = port_.write(static_cast<std::uint8_t>(op.num("MB")), static_cast<std::uint16_t>(op.num("WordPointer")),
                            words, type == par::C1G2BlockWrite);
        result = make_parameter(type == par::C1G2Write ? par::C1G2WriteOpSpecResult : par::C1G2BlockWriteOpSpecResult);
        result.set("NumWordsWritten", o.ok() ? words.size() : 0);
        break;
    }
    case par::C1G2BlockErase:
        if (o.ok())
            o = port_.erase(static_cast<std::uint8_t>(op.num("MB")), static_cast<std::uint16_t>(op.num("WordPointer")),
                            static_cast<std::uint8_t>(op.num("WordCount")));
        result = make_parameter(par::C1G2BlockEraseOpSpecResult);
        break;
    case par::C1G2Lock: {
        std::array<std::uint8_t, 5> lock{};
        // LLRP names the targets kill password, access password, EPC, TID, User: the order of
        // the reader's lock bytes.
        for (const Element* p : op.all(par::C1G2LockPayload))
            lock[p->num("DataField")] = lock_byte(static_cast<std::uint8_t>(p->num("Privilege")));
        if (o.ok()) o = port_.lock(lock);
        result = make_parameter(par::C1G2LockOpSpecResult);
        break;
    }
    case par::C1G2Kill: {
        result = make_parameter(par::C1G2KillOpSpecResult);
        const auto kill_password = static_cast<std::uint32_t>(op.num("KillPassword"));
        if (kill_password == 0) {
            result.set("Result", 1).set("OpSpecID", id);  // a zero kill password cannot kill
            ok = false;
            return result;
        }
        o = port_.kill(kill_password);
        break;
    }
    }
    ok = o.ok();
    result.set("Result", result_code(type, o)).set("OpSpecID", id);
    return result;
}

void LlrpReader::run_access(const Sighting& s, int antenna) {
    for (std::size_t i = 0; i < access_specs_.size(); ++i) {
        AccessSpec& a = access_specs_[i];
        if (!a.enabled || (a.rospec && a.rospec != run_->rospec) || (a.antenna && a.antenna != antenna)) continue;
        if (!port_.select(s.epc).ok()) continue;
        bool all_match = true;
        for (const Target& t : a.targets) all_match = all_match && target_matches(t, s);
        if (!all_match) continue;
        Entry e;
        e.epc = s.epc;
        e.antenna = static_cast<std::uint16_t>(antenna);
        e.spec_index = static_cast<std::uint16_t>(run_->ai + 1);
        RoSpec* ro = rospec(run_->rospec);
        e.ipspec_id = ro->ais[run_->ai].ipspec_id;
        e.rospec = run_->rospec;
        e.accessspec = a.id;
        e.first_us = e.last_us = s.utc_us;
        e.count = 1;
        for (const Element& op : a.ops) {
            bool ok = false;
            e.results.push_back(execute(op, ok));
            if (!ok) break;  // the OpSpecs after a failed one are not run
        }
        const std::uint8_t trigger = a.report_trigger.value_or(config_.access_report_trigger);
        const std::uint32_t id = a.id;
        const bool finished = a.stop_type == 1 && ++a.done >= a.operations;
        if (trigger == 1) {
            // End of AccessSpec: the results are sent when it ends, in a report of their own.
            auto& waiting = access_waiting_;
            waiting[id].push_back(std::move(e));
            if (finished) {
                Element m = make_message(msg::RO_ACCESS_REPORT);
                Selector sel = report_spec(run_->rospec).selector;
                sel.accessspec_id = true;
                for (const Entry& w : waiting[id]) m.add(tag_report(w, sel));
                waiting.erase(id);
                emit(std::move(m));
            }
        } else {
            Pending& p = pending_[run_->rospec];
            p.entries.push_back(std::move(e));
        }
        if (finished) {
            access_specs_.erase(access_specs_.begin() + static_cast<std::ptrdiff_t>(i));
            --i;
        }
    }
}

}  // namespace kestrel::llrp
