// The LLRP 1.0.1 binary encoding: messages and parameters as a tree of elements, read and
// written by one generic codec driven by the definition tables (definitions.cpp). Every read
// is bounded by the bytes actually given; a message that does not follow the tables is
// refused with the LLRPStatus code and description the reader sends back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kestrel::llrp {

// ---- Field and type definitions --------------------------------------------------------------

enum class FieldKind : std::uint8_t {
    u1,        // bit fields, packed from the most significant bit: u1, u2 and reserved
    u2,
    reserved,  // `bits` bits, written as 0, ignored when read
    u8,
    s8,
    u16,
    s16,
    u32,
    u64,
    u96,       // 12 bytes (EPC-96)
    u1v,       // 16-bit bit count, then the bits in whole bytes
    u8v,       // 16-bit item count, then the items
    u16v,
    u32v,
    utf8v,     // 16-bit byte count, then UTF-8 text
    bytes_to_end,
};

struct FieldDef {
    const char* name;
    FieldKind kind;
    std::uint8_t bits = 0;  // reserved fields only
};

constexpr std::uint16_t kUnbounded = 0xFFFF;

// One slot in a type's list of sub-parameters, in the order the encoding requires: one
// parameter type, or a choice group (kChoice*), that may occur min..max times.
struct SubRef {
    std::uint16_t type;
    std::uint16_t min;
    std::uint16_t max;
};

struct TypeDef {
    const char* name;
    std::uint16_t number;
    bool message;
    std::span<const FieldDef> fields;
    std::span<const SubRef> subs;
    bool tv() const { return !message && number < 128; }
};

// Choice groups: the standard's abstract parameters, each standing for a list of types.
constexpr std::uint16_t kChoiceBase = 0x8000;
const std::span<const std::uint16_t> choice_members(std::uint16_t choice);
bool choice_admits(std::uint16_t ref_type, std::uint16_t type);
// The standard's name of a choice group ("SpecParameter"), or null.
const char* choice_name(std::uint16_t choice);

const TypeDef* find_message(std::uint16_t number);
const TypeDef* find_parameter(std::uint16_t number);
std::span<const TypeDef> all_messages();
std::span<const TypeDef> all_parameters();

// ---- Type numbers ----------------------------------------------------------------------------

namespace msg {
constexpr std::uint16_t GET_READER_CAPABILITIES = 1, GET_READER_CONFIG = 2, SET_READER_CONFIG = 3,
                        CLOSE_CONNECTION_RESPONSE = 4, GET_READER_CAPABILITIES_RESPONSE = 11,
                        GET_READER_CONFIG_RESPONSE = 12, SET_READER_CONFIG_RESPONSE = 13, CLOSE_CONNECTION = 14,
                        ADD_ROSPEC = 20, DELETE_ROSPEC = 21, START_ROSPEC = 22, STOP_ROSPEC = 23, ENABLE_ROSPEC = 24,
                        DISABLE_ROSPEC = 25, GET_ROSPECS = 26, ADD_ROSPEC_RESPONSE = 30, DELETE_ROSPEC_RESPONSE = 31,
                        START_ROSPEC_RESPONSE = 32, STOP_ROSPEC_RESPONSE = 33, ENABLE_ROSPEC_RESPONSE = 34,
                        DISABLE_ROSPEC_RESPONSE = 35, GET_ROSPECS_RESPONSE = 36, ADD_ACCESSSPEC = 40,
                        DELETE_ACCESSSPEC = 41, ENABLE_ACCESSSPEC = 42, DISABLE_ACCESSSPEC = 43, GET_ACCESSSPECS = 44,
                        ADD_ACCESSSPEC_RESPONSE = 50, DELETE_ACCESSSPEC_RESPONSE = 51,
                        ENABLE_ACCESSSPEC_RESPONSE = 52, DISABLE_ACCESSSPEC_RESPONSE = 53,
                        GET_ACCESSSPECS_RESPONSE = 54, GET_REPORT = 60, RO_ACCESS_REPORT = 61, KEEPALIVE = 62,
                        READER_EVENT_NOTIFICATION = 63, ENABLE_EVENTS_AND_REPORTS = 64, KEEPALIVE_ACK = 72,
                        ERROR_MESSAGE = 100, CUSTOM_MESSAGE = 1023;
}  // namespace msg

namespace par {
constexpr std::uint16_t AntennaID = 1, FirstSeenTimestampUTC = 2, FirstSeenTimestampUptime = 3,
                        LastSeenTimestampUTC = 4, LastSeenTimestampUptime = 5, PeakRSSI = 6, ChannelIndex = 7,
                        TagSeenCount = 8, ROSpecID = 9, InventoryParameterSpecID = 10, C1G2_CRC = 11, C1G2_PC = 12,
                        EPC_96 = 13, SpecIndex = 14, ClientRequestOpSpecResult = 15, AccessSpecID = 16, OpSpecID = 17,
                        C1G2SingulationDetails = 18, UTCTimestamp = 128, Uptime = 129, GeneralDeviceCapabilities = 137,
                        ReceiveSensitivityTableEntry = 139, PerAntennaAirProtocol = 140, GPIOCapabilities = 141,
                        LLRPCapabilities = 142, RegulatoryCapabilities = 143, UHFBandCapabilities = 144,
                        TransmitPowerLevelTableEntry = 145, FrequencyInformation = 146, FrequencyHopTable = 147,
                        FixedFrequencyTable = 148, PerAntennaReceiveSensitivityRange = 149, ROSpec = 177,
                        ROBoundarySpec = 178, ROSpecStartTrigger = 179, PeriodicTriggerValue = 180,
                        GPITriggerValue = 181, ROSpecStopTrigger = 182, AISpec = 183, AISpecStopTrigger = 184,
                        TagObservationTrigger = 185, InventoryParameterSpec = 186, RFSurveySpec = 187,
                        RFSurveySpecStopTrigger = 188, AccessSpec = 207, AccessSpecStopTrigger = 208,
                        AccessCommand = 209, ClientRequestOpSpec = 210, ClientRequestResponse = 211,
                        LLRPConfigurationStateValue = 217, Identification = 218, GPOWriteData = 219,
                        KeepaliveSpec = 220, AntennaProperties = 221, AntennaConfiguration = 222, RFReceiver = 223,
                        RFTransmitter = 224, GPIPortCurrentState = 225, EventsAndReports = 226, ROReportSpec = 237,
                        TagReportContentSelector = 238, AccessReportSpec = 239, TagReportData = 240, EPCData = 241,
                        RFSurveyReportData = 242, FrequencyRSSILevelEntry = 243, ReaderEventNotificationSpec = 244,
                        EventNotificationState = 245, ReaderEventNotificationData = 246, HoppingEvent = 247,
                        GPIEvent = 248, ROSpecEvent = 249, ReportBufferLevelWarningEvent = 250,
                        ReportBufferOverflowErrorEvent = 251, ReaderExceptionEvent = 252, RFSurveyEvent = 253,
                        AISpecEvent = 254, AntennaEvent = 255, ConnectionAttemptEvent = 256,
                        ConnectionCloseEvent = 257, LLRPStatus = 287, FieldError = 288, ParameterError = 289,
                        C1G2LLRPCapabilities = 327, C1G2UHFRFModeTable = 328, C1G2UHFRFModeTableEntry = 329,
                        C1G2InventoryCommand = 330, C1G2Filter = 331, C1G2TagInventoryMask = 332,
                        C1G2TagInventoryStateAwareFilterAction = 333, C1G2TagInventoryStateUnawareFilterAction = 334,
                        C1G2RFControl = 335, C1G2SingulationControl = 336,
                        C1G2TagInventoryStateAwareSingulationAction = 337, C1G2TagSpec = 338, C1G2TargetTag = 339,
                        C1G2Read = 341, C1G2Write = 342, C1G2Kill = 343, C1G2Lock = 344, C1G2LockPayload = 345,
                        C1G2BlockErase = 346, C1G2BlockWrite = 347, C1G2EPCMemorySelector = 348,
                        C1G2ReadOpSpecResult = 349, C1G2WriteOpSpecResult = 350, C1G2KillOpSpecResult = 351,
                        C1G2LockOpSpecResult = 352, C1G2BlockEraseOpSpecResult = 353,
                        C1G2BlockWriteOpSpecResult = 354, Custom = 1023;
}  // namespace par

// LLRPStatus codes.
namespace status {
constexpr std::uint16_t M_Success = 0, M_ParameterError = 100, M_FieldError = 101, M_UnexpectedParameter = 102,
                        M_MissingParameter = 103, M_DuplicateParameter = 104, M_OverflowParameter = 105,
                        M_OverflowField = 106, M_UnknownParameter = 107, M_UnknownField = 108,
                        M_UnsupportedMessage = 109, M_UnsupportedVersion = 110, M_UnsupportedParameter = 111,
                        P_ParameterError = 200, P_FieldError = 201, P_UnexpectedParameter = 202,
                        P_MissingParameter = 203, P_DuplicateParameter = 204, P_OverflowParameter = 205,
                        P_OverflowField = 206, P_UnknownParameter = 207, P_UnknownField = 208,
                        P_UnsupportedParameter = 209, A_Invalid = 300, A_OutOfRange = 301, R_DeviceError = 401;
}  // namespace status

// ---- Elements --------------------------------------------------------------------------------

// One field's value: numbers in `number`; u96, u1v and utf8v bytes in `bytes` (u1v: its bit
// count in `number`); u8v, u16v and u32v items in `items`.
struct Value {
    std::uint64_t number = 0;
    std::vector<std::uint8_t> bytes;
    std::vector<std::uint32_t> items;
};

// A message or a parameter: its definition, its fields in table order and its sub-parameters
// in wire order. A message also carries its header's version and message ID.
struct Element {
    const TypeDef* def = nullptr;
    std::vector<Value> fields;
    std::vector<Element> subs;
    std::uint32_t message_id = 0;
    std::uint8_t version = 1;

    std::uint16_t type() const { return def ? def->number : 0; }
    // The value of the field `name` (which the type must have).
    Value& field(std::string_view name);
    const Value& field(std::string_view name) const;
    std::uint64_t num(std::string_view name) const { return field(name).number; }
    Element& set(std::string_view name, std::uint64_t number);
    Element& set_bytes(std::string_view name, std::vector<std::uint8_t> bytes, std::uint64_t bit_count = 0);
    Element& set_items(std::string_view name, std::vector<std::uint32_t> items);
    Element& set_text(std::string_view name, std::string_view text);
    std::string text(std::string_view name) const;
    // The first sub-parameter of `type` (or of a choice group), or null.
    const Element* find(std::uint16_t type) const;
    std::vector<const Element*> all(std::uint16_t type) const;
    Element& add(Element sub);
};

// A new element of the message or parameter type, its fields zero.
Element make_message(std::uint16_t type, std::uint32_t message_id = 0);
Element make_parameter(std::uint16_t type);

// ---- Encoding and decoding -------------------------------------------------------------------

constexpr std::size_t kHeaderSize = 10;
constexpr std::uint8_t kVersion = 1;  // LLRP 1.0.1

// A message header: version, type, whole length (header included) and message ID.
struct Header {
    std::uint8_t version = 0;
    std::uint16_t type = 0;
    std::uint32_t length = 0;
    std::uint32_t message_id = 0;
};
// Reads a header from the first kHeaderSize bytes (nullopt when fewer are given).
std::optional<Header> read_header(std::span<const std::uint8_t> bytes);

// Why a message was refused: the LLRPStatus code, its description, and where (the type of
// the parameter at fault and the field's index, when known).
struct Refusal {
    std::uint16_t code = status::M_Success;
    std::string description;
    std::optional<std::uint16_t> parameter_type;
    std::optional<std::uint16_t> field_number;
    std::uint16_t detail_code = 0;  // the ParameterError / FieldError code
};

// Parameters may nest this deep in a message (the deepest definition nests 6).
constexpr int kMaxDepth = 16;

// Decodes one whole message (header included; the header's length must equal bytes.size()).
// On failure returns the refusal; `out` is then unspecified.
std::optional<Refusal> decode(std::span<const std::uint8_t> bytes, Element& out);

// Encodes a message element (header with its message_id and version 1).
std::vector<std::uint8_t> encode(const Element& message);
// Writes a message's length into its header after parameters were appended to it.
void set_message_length(std::vector<std::uint8_t>& message);
// Appends one parameter's encoding.
void encode_parameter(const Element& parameter, std::vector<std::uint8_t>& out);

// An LLRPStatus parameter for a refusal (with ParameterError / FieldError detail) or success.
Element status_parameter(const Refusal& refusal);
Element success_status();

}  // namespace kestrel::llrp
