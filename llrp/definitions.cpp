// The LLRP 1.0.1 message and parameter definitions: type numbers, field layouts and the
// sub-parameters each type may carry, in encoding order. Parameters numbered below 128 are
// TV-encoded (a one-byte header, fixed length); the rest are TLV.
#include <algorithm>
#include <array>

#include "llrp/codec.h"

namespace kestrel::llrp {
namespace {

using K = FieldKind;
constexpr std::uint16_t N = kUnbounded;

// Choice groups (the standard's abstract parameters).
constexpr std::uint16_t SpecParameter = kChoiceBase + 1, AccessCommandOpSpec = kChoiceBase + 2,
                        EPCParameter = kChoiceBase + 3, AccessCommandOpSpecResult = kChoiceBase + 4,
                        Timestamp = kChoiceBase + 5, AirProtocolLLRPCapabilities = kChoiceBase + 6,
                        AirProtocolUHFRFModeTable = kChoiceBase + 7,
                        AirProtocolInventoryCommandSettings = kChoiceBase + 8, AirProtocolTagSpec = kChoiceBase + 9,
                        AirProtocolEPCMemorySelector = kChoiceBase + 10, AirProtocolTagData = kChoiceBase + 11,
                        AirProtocolSingulationDetails = kChoiceBase + 12;

using namespace par;

constexpr std::uint16_t kSpecParameter[] = {AISpec, RFSurveySpec, Custom};
constexpr std::uint16_t kOpSpec[] = {C1G2Read, C1G2Write, C1G2Kill, C1G2Lock, C1G2BlockErase, C1G2BlockWrite,
                                     ClientRequestOpSpec, Custom};
constexpr std::uint16_t kEpcParameter[] = {EPCData, EPC_96};
constexpr std::uint16_t kOpSpecResult[] = {C1G2ReadOpSpecResult,       C1G2WriteOpSpecResult,
                                           C1G2KillOpSpecResult,       C1G2LockOpSpecResult,
                                           C1G2BlockEraseOpSpecResult, C1G2BlockWriteOpSpecResult,
                                           ClientRequestOpSpecResult,  Custom};
constexpr std::uint16_t kTimestamp[] = {UTCTimestamp, Uptime};
constexpr std::uint16_t kAirCapabilities[] = {C1G2LLRPCapabilities};
constexpr std::uint16_t kAirModeTable[] = {C1G2UHFRFModeTable};
constexpr std::uint16_t kAirInventory[] = {C1G2InventoryCommand};
constexpr std::uint16_t kAirTagSpec[] = {C1G2TagSpec};
constexpr std::uint16_t kAirMemorySelector[] = {C1G2EPCMemorySelector};
constexpr std::uint16_t kAirTagData[] = {C1G2_PC, C1G2_CRC};
constexpr std::uint16_t kAirSingulation[] = {C1G2SingulationDetails};

struct Choice {
    std::uint16_t id;
    const char* name;
    std::span<const std::uint16_t> members;
};
constexpr Choice kChoices[] = {
    {SpecParameter, "SpecParameter", kSpecParameter},
    {AccessCommandOpSpec, "AccessCommandOpSpec", kOpSpec},
    {EPCParameter, "EPCParameter", kEpcParameter},
    {AccessCommandOpSpecResult, "AccessCommandOpSpecResult", kOpSpecResult},
    {Timestamp, "Timestamp", kTimestamp},
    {AirProtocolLLRPCapabilities, "AirProtocolLLRPCapabilities", kAirCapabilities},
    {AirProtocolUHFRFModeTable, "AirProtocolUHFRFModeTable", kAirModeTable},
    {AirProtocolInventoryCommandSettings, "AirProtocolInventoryCommandSettings", kAirInventory},
    {AirProtocolTagSpec, "AirProtocolTagSpec", kAirTagSpec},
    {AirProtocolEPCMemorySelector, "AirProtocolEPCMemorySelector", kAirMemorySelector},
    {AirProtocolTagData, "AirProtocolTagData", kAirTagData},
    {AirProtocolSingulationDetails, "AirProtocolSingulationDetails", kAirSingulation},
};

// ---- field layouts ----

constexpr FieldDef fMicroseconds[] = {{"Microseconds", K::u64}};
constexpr FieldDef fAntennaID[] = {{"AntennaID", K::u16}};
constexpr FieldDef fPeakRSSI[] = {{"PeakRSSI", K::s8}};
constexpr FieldDef fChannelIndex[] = {{"ChannelIndex", K::u16}};
constexpr FieldDef fTagSeenCount[] = {{"TagCount", K::u16}};
constexpr FieldDef fROSpecID[] = {{"ROSpecID", K::u32}};
constexpr FieldDef fInventoryParameterSpecID[] = {{"InventoryParameterSpecID", K::u16}};
constexpr FieldDef fCRC[] = {{"CRC", K::u16}};
constexpr FieldDef fPC[] = {{"PC_Bits", K::u16}};
constexpr FieldDef fEPC96[] = {{"EPC", K::u96}};
constexpr FieldDef fSpecIndex[] = {{"SpecIndex", K::u16}};
constexpr FieldDef fOpSpecID[] = {{"OpSpecID", K::u16}};
constexpr FieldDef fAccessSpecID[] = {{"AccessSpecID", K::u32}};
constexpr FieldDef fSingulationDetails[] = {{"NumCollisionSlots", K::u16}, {"NumEmptySlots", K::u16}};
constexpr FieldDef fCustom[] = {{"VendorIdentifier", K::u32}, {"ParameterSubtype", K::u32}, {"Data", K::bytes_to_end}};
constexpr FieldDef fCustomMessage[] = {
    {"VendorIdentifier", K::u32}, {"MessageSubtype", K::u8}, {"Data", K::bytes_to_end}};
constexpr FieldDef fGeneralDeviceCapabilities[] = {
    {"MaxNumberOfAntennaSupported", K::u16}, {"CanSetAntennaProperties", K::u1}, {"HasUTCClockCapability", K::u1},
    {"Reserved", K::reserved, 14},           {"DeviceManufacturerName", K::u32}, {"ModelName", K::u32},
    {"ReaderFirmwareVersion", K::utf8v}};
constexpr FieldDef fReceiveSensitivityTableEntry[] = {{"Index", K::u16}, {"ReceiveSensitivityValue", K::s16}};
constexpr FieldDef fPerAntennaReceiveSensitivityRange[] = {
    {"AntennaID", K::u16}, {"ReceiveSensitivityIndexMin", K::u16}, {"ReceiveSensitivityIndexMax", K::u16}};
constexpr FieldDef fPerAntennaAirProtocol[] = {{"AntennaID", K::u16}, {"ProtocolID", K::u8v}};
constexpr FieldDef fGPIOCapabilities[] = {{"NumGPIs", K::u16}, {"NumGPOs", K::u16}};
constexpr FieldDef fLLRPCapabilities[] = {{"CanDoRFSurvey", K::u1},
                                          {"CanReportBufferFillWarning", K::u1},
                                          {"SupportsClientRequestOpSpec", K::u1},
                                          {"CanDoTagInventoryStateAwareSingulation", K::u1},
                                          {"SupportsEventAndReportHolding", K::u1},
                                          {"Reserved", K::reserved, 3},
                                          {"MaxNumPriorityLevelsSupported", K::u8},
                                          {"ClientRequestOpSpecTimeout", K::u16},
                                          {"MaxNumROSpecs", K::u32},
                                          {"MaxNumSpecsPerROSpec", K::u32},
                                          {"MaxNumInventoryParameterSpecsPerAISpec", K::u32},
                                          {"MaxNumAccessSpecs", K::u32},
                                          {"MaxNumOpSpecsPerAccessSpec", K::u32}};
constexpr FieldDef fRegulatoryCapabilities[] = {{"CountryCode", K::u16}, {"CommunicationsStandard", K::u16}};
constexpr FieldDef fTransmitPowerLevelTableEntry[] = {{"Index", K::u16}, {"TransmitPowerValue", K::s16}};
constexpr FieldDef fFrequencyInformation[] = {{"Hopping", K::u1}, {"Reserved", K::reserved, 7}};
constexpr FieldDef fFrequencyHopTable[] = {{"HopTableID", K::u8}, {"Reserved", K::reserved, 8}, {"Frequency", K::u32v}};
constexpr FieldDef fFixedFrequencyTable[] = {{"Frequency", K::u32v}};
constexpr FieldDef fROSpec[] = {{"ROSpecID", K::u32}, {"Priority", K::u8}, {"CurrentState", K::u8}};
constexpr FieldDef fROSpecStartTrigger[] = {{"ROSpecStartTriggerType", K::u8}};
constexpr FieldDef fPeriodicTriggerValue[] = {{"Offset", K::u32}, {"Period", K::u32}};
constexpr FieldDef fGPITriggerValue[] = {
    {"GPIPortNum", K::u16}, {"GPIEvent", K::u1}, {"Reserved", K::reserved, 7}, {"Timeout", K::u32}};
constexpr FieldDef fROSpecStopTrigger[] = {{"ROSpecStopTriggerType", K::u8}, {"DurationTriggerValue", K::u32}};
constexpr FieldDef fAISpec[] = {{"AntennaIDs", K::u16v}};
constexpr FieldDef fAISpecStopTrigger[] = {{"AISpecStopTriggerType", K::u8}, {"DurationTrigger", K::u32}};
constexpr FieldDef fTagObservationTrigger[] = {{"TriggerType", K::u8},      {"Reserved", K::reserved, 8},
                                               {"NumberOfTags", K::u16},    {"NumberOfAttempts", K::u16},
                                               {"T", K::u16},               {"Timeout", K::u32}};
constexpr FieldDef fInventoryParameterSpec[] = {{"InventoryParameterSpecID", K::u16}, {"ProtocolID", K::u8}};
constexpr FieldDef fRFSurveySpec[] = {{"AntennaID", K::u16}, {"StartFrequency", K::u32}, {"EndFrequency", K::u32}};
constexpr FieldDef fRFSurveySpecStopTrigger[] = {{"StopTriggerType", K::u8}, {"DurationPeriod", K::u32}, {"N", K::u32}};
constexpr FieldDef fAccessSpec[] = {{"AccessSpecID", K::u32}, {"AntennaID", K::u16},         {"ProtocolID", K::u8},
                                    {"CurrentState", K::u1},  {"Reserved", K::reserved, 7}, {"ROSpecID", K::u32}};
constexpr FieldDef fAccessSpecStopTrigger[] = {{"AccessSpecStopTrigger", K::u8}, {"OperationCountValue", K::u16}};
constexpr FieldDef fClientRequestOpSpec[] = {{"OpSpecID", K::u16}};
constexpr FieldDef fLLRPConfigurationStateValue[] = {{"LLRPConfigurationStateValue", K::u32}};
constexpr FieldDef fIdentification[] = {{"IDType", K::u8}, {"ReaderID", K::u8v}};
constexpr FieldDef fGPOWriteData[] = {{"GPOPortNumber", K::u16}, {"GPOData", K::u1}, {"Reserved", K::reserved, 7}};
constexpr FieldDef fKeepaliveSpec[] = {{"KeepaliveTriggerType", K::u8}, {"PeriodicTriggerValue", K::u32}};
constexpr FieldDef fAntennaProperties[] = {
    {"AntennaConnected", K::u1}, {"Reserved", K::reserved, 7}, {"AntennaID", K::u16}, {"AntennaGain", K::s16}};
constexpr FieldDef fRFReceiver[] = {{"ReceiverSensitivity", K::u16}};
constexpr FieldDef fRFTransmitter[] = {{"HopTableID", K::u16}, {"ChannelIndex", K::u16}, {"TransmitPower", K::u16}};
constexpr FieldDef fGPIPortCurrentState[] = {
    {"GPIPortNum", K::u16}, {"Config", K::u1}, {"Reserved", K::reserved, 7}, {"State", K::u8}};
constexpr FieldDef fEventsAndReports[] = {{"HoldEventsAndReportsUponReconnect", K::u1}, {"Reserved", K::reserved, 7}};
constexpr FieldDef fROReportSpec[] = {{"ROReportTrigger", K::u8}, {"N", K::u16}};
constexpr FieldDef fTagReportContentSelector[] = {
    {"EnableROSpecID", K::u1},         {"EnableSpecIndex", K::u1},          {"EnableInventoryParameterSpecID", K::u1},
    {"EnableAntennaID", K::u1},        {"EnableChannelIndex", K::u1},       {"EnablePeakRSSI", K::u1},
    {"EnableFirstSeenTimestamp", K::u1}, {"EnableLastSeenTimestamp", K::u1}, {"EnableTagSeenCount", K::u1},
    {"EnableAccessSpecID", K::u1},     {"Reserved", K::reserved, 6}};
constexpr FieldDef fAccessReportSpec[] = {{"AccessReportTrigger", K::u8}};
constexpr FieldDef fEPCData[] = {{"EPC", K::u1v}};
constexpr FieldDef fFrequencyRSSILevelEntry[] = {
    {"Frequency", K::u32}, {"Bandwidth", K::u32}, {"AverageRSSI", K::s8}, {"PeakRSSI", K::s8}};
constexpr FieldDef fEventNotificationState[] = {
    {"EventType", K::u16}, {"NotificationState", K::u1}, {"Reserved", K::reserved, 7}};
constexpr FieldDef fHoppingEvent[] = {{"HopTableID", K::u16}, {"NextChannelIndex", K::u16}};
constexpr FieldDef fGPIEvent[] = {{"GPIPortNumber", K::u16}, {"GPIEvent", K::u1}, {"Reserved", K::reserved, 7}};
constexpr FieldDef fROSpecEvent[] = {{"EventType", K::u8}, {"ROSpecID", K::u32}, {"PreemptingROSpecID", K::u32}};
constexpr FieldDef fReportBufferLevelWarningEvent[] = {{"ReportBufferPercentageFull", K::u8}};
constexpr FieldDef fReaderExceptionEvent[] = {{"Message", K::utf8v}};
constexpr FieldDef fSpecEvent[] = {{"EventType", K::u8}, {"ROSpecID", K::u32}, {"SpecIndex", K::u16}};
constexpr FieldDef fAntennaEvent[] = {{"EventType", K::u8}, {"AntennaID", K::u16}};
constexpr FieldDef fConnectionAttemptEvent[] = {{"Status", K::u16}};
constexpr FieldDef fLLRPStatus[] = {{"StatusCode", K::u16}, {"ErrorDescription", K::utf8v}};
constexpr FieldDef fFieldError[] = {{"FieldNum", K::u16}, {"ErrorCode", K::u16}};
constexpr FieldDef fParameterError[] = {{"ParameterType", K::u16}, {"ErrorCode", K::u16}};
constexpr FieldDef fC1G2LLRPCapabilities[] = {{"CanSupportBlockErase", K::u1},
                                              {"CanSupportBlockWrite", K::u1},
                                              {"Reserved", K::reserved, 6},
                                              {"MaxNumSelectFiltersPerQuery", K::u16}};
constexpr FieldDef fC1G2UHFRFModeTableEntry[] = {
    {"ModeIdentifier", K::u32}, {"DRValue", K::u1},          {"EPCHAGTCConformance", K::u1},
    {"Reserved", K::reserved, 6}, {"MValue", K::u8},         {"ForwardLinkModulation", K::u8},
    {"SpectralMaskIndicator", K::u8}, {"BDRValue", K::u32},  {"PIEValue", K::u32},
    {"MinTariValue", K::u32},   {"MaxTariValue", K::u32},    {"StepTariValue", K::u32}};
constexpr FieldDef fC1G2InventoryCommand[] = {{"TagInventoryStateAware", K::u1}, {"Reserved", K::reserved, 7}};
constexpr FieldDef fC1G2Filter[] = {{"T", K::u2}, {"Reserved", K::reserved, 6}};
constexpr FieldDef fC1G2TagInventoryMask[] = {
    {"MB", K::u2}, {"Reserved", K::reserved, 6}, {"Pointer", K::u16}, {"TagMask", K::u1v}};
constexpr FieldDef fStateAwareFilterAction[] = {{"Target", K::u8}, {"Action", K::u8}};
constexpr FieldDef fStateUnawareFilterAction[] = {{"Action", K::u8}};
constexpr FieldDef fC1G2RFControl[] = {{"ModeIndex", K::u16}, {"Tari", K::u16}};
constexpr FieldDef fC1G2SingulationControl[] = {
    {"Session", K::u2}, {"Reserved", K::reserved, 6}, {"TagPopulation", K::u16}, {"TagTransitTime", K::u32}};
constexpr FieldDef fStateAwareSingulationAction[] = {{"I", K::u1}, {"S", K::u1}, {"Reserved", K::reserved, 6}};
constexpr FieldDef fC1G2TargetTag[] = {{"MB", K::u2},      {"Match", K::u1},    {"Reserved", K::reserved, 5},
                                       {"Pointer", K::u16}, {"TagMask", K::u1v}, {"TagData", K::u1v}};
constexpr FieldDef fC1G2Read[] = {{"OpSpecID", K::u16}, {"AccessPassword", K::u32}, {"MB", K::u2},
                                  {"Reserved", K::reserved, 6}, {"WordPointer", K::u16}, {"WordCount", K::u16}};
constexpr FieldDef fC1G2Write[] = {{"OpSpecID", K::u16}, {"AccessPassword", K::u32}, {"MB", K::u2},
                                   {"Reserved", K::reserved, 6}, {"WordPointer", K::u16}, {"WriteData", K::u16v}};
constexpr FieldDef fC1G2Kill[] = {{"OpSpecID", K::u16}, {"KillPassword", K::u32}};
constexpr FieldDef fC1G2Lock[] = {{"OpSpecID", K::u16}, {"AccessPassword", K::u32}};
constexpr FieldDef fC1G2LockPayload[] = {{"Privilege", K::u8}, {"DataField", K::u8}};
constexpr FieldDef fC1G2EPCMemorySelector[] = {
    {"EnableCRC", K::u1}, {"EnablePCBits", K::u1}, {"Reserved", K::reserved, 6}};
constexpr FieldDef fReadResult[] = {{"Result", K::u8}, {"OpSpecID", K::u16}, {"ReadData", K::u16v}};
constexpr FieldDef fWriteResult[] = {{"Result", K::u8}, {"OpSpecID", K::u16}, {"NumWordsWritten", K::u16}};
constexpr FieldDef fResult[] = {{"Result", K::u8}, {"OpSpecID", K::u16}};
constexpr FieldDef fRequestedData[] = {{"RequestedData", K::u8}};
constexpr FieldDef fGetReaderConfig[] = {
    {"AntennaID", K::u16}, {"RequestedData", K::u8}, {"GPIPortNum", K::u16}, {"GPOPortNum", K::u16}};
constexpr FieldDef fSetReaderConfig[] = {{"ResetToFactoryDefault", K::u1}, {"Reserved", K::reserved, 7}};

// ---- sub-parameters ----

constexpr SubRef sCustom[] = {{Custom, 0, N}};
constexpr SubRef sStatus[] = {{LLRPStatus, 1, 1}};
constexpr SubRef sCapabilitiesResponse[] = {{LLRPStatus, 1, 1},
                                            {GeneralDeviceCapabilities, 0, 1},
                                            {LLRPCapabilities, 0, 1},
                                            {RegulatoryCapabilities, 0, 1},
                                            {AirProtocolLLRPCapabilities, 0, 1},
                                            {Custom, 0, N}};
constexpr SubRef sGeneralDeviceCapabilities[] = {{ReceiveSensitivityTableEntry, 1, N},
                                                 {PerAntennaReceiveSensitivityRange, 0, N},
                                                 {GPIOCapabilities, 1, 1},
                                                 {PerAntennaAirProtocol, 1, N}};
constexpr SubRef sRegulatoryCapabilities[] = {{UHFBandCapabilities, 0, 1}, {Custom, 0, N}};
constexpr SubRef sUHFBandCapabilities[] = {
    {TransmitPowerLevelTableEntry, 1, N}, {FrequencyInformation, 1, 1}, {AirProtocolUHFRFModeTable, 1, N}};
constexpr SubRef sFrequencyInformation[] = {{FrequencyHopTable, 0, N}, {FixedFrequencyTable, 0, 1}};
constexpr SubRef sAddROSpec[] = {{ROSpec, 1, 1}};
constexpr SubRef sGetROSpecsResponse[] = {{LLRPStatus, 1, 1}, {ROSpec, 0, N}};
constexpr SubRef sROSpec[] = {{ROBoundarySpec, 1, 1}, {SpecParameter, 1, N}, {ROReportSpec, 0, 1}};
constexpr SubRef sROBoundarySpec[] = {{ROSpecStartTrigger, 1, 1}, {ROSpecStopTrigger, 1, 1}};
constexpr SubRef sROSpecStartTrigger[] = {{PeriodicTriggerValue, 0, 1}, {GPITriggerValue, 0, 1}};
constexpr SubRef sPeriodicTriggerValue[] = {{UTCTimestamp, 0, 1}};
constexpr SubRef sGPITrigger[] = {{GPITriggerValue, 0, 1}};
constexpr SubRef sAISpec[] = {{AISpecStopTrigger, 1, 1}, {InventoryParameterSpec, 1, N}, {Custom, 0, N}};
constexpr SubRef sAISpecStopTrigger[] = {{GPITriggerValue, 0, 1}, {TagObservationTrigger, 0, 1}};
constexpr SubRef sInventoryParameterSpec[] = {{AntennaConfiguration, 0, N}, {Custom, 0, N}};
constexpr SubRef sRFSurveySpec[] = {{RFSurveySpecStopTrigger, 1, 1}, {Custom, 0, N}};
constexpr SubRef sAddAccessSpec[] = {{AccessSpec, 1, 1}};
constexpr SubRef sGetAccessSpecsResponse[] = {{LLRPStatus, 1, 1}, {AccessSpec, 0, N}};
constexpr SubRef sAccessSpec[] = {
    {AccessSpecStopTrigger, 1, 1}, {AccessCommand, 1, 1}, {AccessReportSpec, 0, 1}, {Custom, 0, N}};
constexpr SubRef sAccessCommand[] = {{AirProtocolTagSpec, 1, 1}, {AccessCommandOpSpec, 1, N}, {Custom, 0, N}};
constexpr SubRef sGetReaderConfigResponse[] = {{LLRPStatus, 1, 1},
                                               {Identification, 0, 1},
                                               {AntennaProperties, 0, N},
                                               {AntennaConfiguration, 0, N},
                                               {ReaderEventNotificationSpec, 0, 1},
                                               {ROReportSpec, 0, 1},
                                               {AccessReportSpec, 0, 1},
                                               {LLRPConfigurationStateValue, 0, 1},
                                               {KeepaliveSpec, 0, 1},
                                               {GPIPortCurrentState, 0, N},
                                               {GPOWriteData, 0, N},
                                               {EventsAndReports, 0, 1},
                                               {Custom, 0, N}};
constexpr SubRef sSetReaderConfig[] = {{ReaderEventNotificationSpec, 0, 1},
                                       {AntennaProperties, 0, N},
                                       {AntennaConfiguration, 0, N},
                                       {ROReportSpec, 0, 1},
                                       {AccessReportSpec, 0, 1},
                                       {KeepaliveSpec, 0, 1},
                                       {GPOWriteData, 0, N},
                                       {GPIPortCurrentState, 0, N},
                                       {EventsAndReports, 0, 1},
                                       {Custom, 0, N}};
constexpr SubRef sAntennaConfiguration[] = {
    {RFReceiver, 0, 1}, {RFTransmitter, 0, 1}, {AirProtocolInventoryCommandSettings, 0, N}};
constexpr SubRef sROAccessReport[] = {{TagReportData, 0, N}, {RFSurveyReportData, 0, N}, {Custom, 0, N}};
constexpr SubRef sReaderEventNotification[] = {{ReaderEventNotificationData, 1, 1}};
constexpr SubRef sROReportSpec[] = {{TagReportContentSelector, 1, 1}, {Custom, 0, N}};
constexpr SubRef sTagReportContentSelector[] = {{AirProtocolEPCMemorySelector, 0, N}};
constexpr SubRef sTagReportData[] = {{EPCParameter, 1, 1},
                                     {ROSpecID, 0, 1},
                                     {SpecIndex, 0, 1},
                                     {InventoryParameterSpecID, 0, 1},
                                     {AntennaID, 0, 1},
                                     {PeakRSSI, 0, 1},
                                     {ChannelIndex, 0, 1},
                                     {FirstSeenTimestampUTC, 0, 1},
                                     {FirstSeenTimestampUptime, 0, 1},
                                     {LastSeenTimestampUTC, 0, 1},
                                     {LastSeenTimestampUptime, 0, 1},
                                     {TagSeenCount, 0, 1},
                                     {AirProtocolTagData, 0, N},
                                     {AccessSpecID, 0, 1},
                                     {AccessCommandOpSpecResult, 0, N},
                                     {Custom, 0, N}};
constexpr SubRef sRFSurveyReportData[] = {
    {ROSpecID, 0, 1}, {SpecIndex, 0, 1}, {FrequencyRSSILevelEntry, 1, N}, {Custom, 0, N}};
constexpr SubRef sFrequencyRSSILevelEntry[] = {{Timestamp, 1, 1}};
constexpr SubRef sReaderEventNotificationSpec[] = {{EventNotificationState, 1, N}};
constexpr SubRef sReaderEventNotificationData[] = {{Timestamp, 1, 1},
                                                   {HoppingEvent, 0, 1},
                                                   {GPIEvent, 0, 1},
                                                   {ROSpecEvent, 0, 1},
                                                   {ReportBufferLevelWarningEvent, 0, 1},
                                                   {ReportBufferOverflowErrorEvent, 0, 1},
                                                   {ReaderExceptionEvent, 0, 1},
                                                   {RFSurveyEvent, 0, 1},
                                                   {AISpecEvent, 0, 1},
                                                   {AntennaEvent, 0, 1},
                                                   {ConnectionAttemptEvent, 0, 1},
                                                   {ConnectionCloseEvent, 0, 1},
                                                   {Custom, 0, N}};
constexpr SubRef sReaderExceptionEvent[] = {{ROSpecID, 0, 1},     {SpecIndex, 0, 1},    {InventoryParameterSpecID, 0, 1},
                                            {AntennaID, 0, 1},    {AccessSpecID, 0, 1}, {OpSpecID, 0, 1},
                                            {Custom, 0, N}};
constexpr SubRef sAISpecEvent[] = {{AirProtocolSingulationDetails, 0, 1}};
constexpr SubRef sLLRPStatus[] = {{FieldError, 0, 1}, {ParameterError, 0, 1}};
constexpr SubRef sParameterError[] = {{FieldError, 0, 1}, {ParameterError, 0, 1}};
constexpr SubRef sC1G2UHFRFModeTable[] = {{C1G2UHFRFModeTableEntry, 1, N}};
constexpr SubRef sC1G2InventoryCommand[] = {
    {C1G2Filter, 0, N}, {C1G2RFControl, 0, 1}, {C1G2SingulationControl, 0, 1}, {Custom, 0, N}};
constexpr SubRef sC1G2Filter[] = {{C1G2TagInventoryMask, 1, 1},
                                  {C1G2TagInventoryStateAwareFilterAction, 0, 1},
                                  {C1G2TagInventoryStateUnawareFilterAction, 0, 1}};
constexpr SubRef sC1G2SingulationControl[] = {{C1G2TagInventoryStateAwareSingulationAction, 0, 1}};
constexpr SubRef sC1G2TagSpec[] = {{C1G2TargetTag, 1, N}};
constexpr SubRef sC1G2Lock[] = {{C1G2LockPayload, 1, N}};

constexpr TypeDef kMessages[] = {
    {"GET_READER_CAPABILITIES", msg::GET_READER_CAPABILITIES, true, fRequestedData, sCustom},
    {"GET_READER_CAPABILITIES_RESPONSE", msg::GET_READER_CAPABILITIES_RESPONSE, true, {}, sCapabilitiesResponse},
    {"GET_READER_CONFIG", msg::GET_READER_CONFIG, true, fGetReaderConfig, sCustom},
    {"GET_READER_CONFIG_RESPONSE", msg::GET_READER_CONFIG_RESPONSE, true, {}, sGetReaderConfigResponse},
    {"SET_READER_CONFIG", msg::SET_READER_CONFIG, true, fSetReaderConfig, sSetReaderConfig},
    {"SET_READER_CONFIG_RESPONSE", msg::SET_READER_CONFIG_RESPONSE, true, {}, sStatus},
    {"CLOSE_CONNECTION", msg::CLOSE_CONNECTION, true, {}, {}},
    {"CLOSE_CONNECTION_RESPONSE", msg::CLOSE_CONNECTION_RESPONSE, true, {}, sStatus},
    {"ADD_ROSPEC", msg::ADD_ROSPEC, true, {}, sAddROSpec},
    {"ADD_ROSPEC_RESPONSE", msg::ADD_ROSPEC_RESPONSE, true, {}, sStatus},
    {"DELETE_ROSPEC", msg::DELETE_ROSPEC, true, fROSpecID, {}},
    {"DELETE_ROSPEC_RESPONSE", msg::DELETE_ROSPEC_RESPONSE, true, {}, sStatus},
    {"START_ROSPEC", msg::START_ROSPEC, true, fROSpecID, {}},
    {"START_ROSPEC_RESPONSE", msg::START_ROSPEC_RESPONSE, true, {}, sStatus},
    {"STOP_ROSPEC", msg::STOP_ROSPEC, true, fROSpecID, {}},
    {"STOP_ROSPEC_RESPONSE", msg::STOP_ROSPEC_RESPONSE, true, {}, sStatus},
    {"ENABLE_ROSPEC", msg::ENABLE_ROSPEC, true, fROSpecID, {}},
    {"ENABLE_ROSPEC_RESPONSE", msg::ENABLE_ROSPEC_RESPONSE, true, {}, sStatus},
    {"DISABLE_ROSPEC", msg::DISABLE_ROSPEC, true, fROSpecID, {}},
    {"DISABLE_ROSPEC_RESPONSE", msg::DISABLE_ROSPEC_RESPONSE, true, {}, sStatus},
    {"GET_ROSPECS", msg::GET_ROSPECS, true, {}, {}},
    {"GET_ROSPECS_RESPONSE", msg::GET_ROSPECS_RESPONSE, true, {}, sGetROSpecsResponse},
    {"ADD_ACCESSSPEC", msg::ADD_ACCESSSPEC, true, {}, sAddAccessSpec},
    {"ADD_ACCESSSPEC_RESPONSE", msg::ADD_ACCESSSPEC_RESPONSE, true, {}, sStatus},
    {"DELETE_ACCESSSPEC", msg::DELETE_ACCESSSPEC, true, fAccessSpecID, {}},
    {"DELETE_ACCESSSPEC_RESPONSE", msg::DELETE_ACCESSSPEC_RESPONSE, true, {}, sStatus},
    {"ENABLE_ACCESSSPEC", msg::ENABLE_ACCESSSPEC, true, fAccessSpecID, {}},
    {"ENABLE_ACCESSSPEC_RESPONSE", msg::ENABLE_ACCESSSPEC_RESPONSE, true, {}, sStatus},
    {"DISABLE_ACCESSSPEC", msg::DISABLE_ACCESSSPEC, true, fAccessSpecID, {}},
    {"DISABLE_ACCESSSPEC_RESPONSE", msg::DISABLE_ACCESSSPEC_RESPONSE, true, {}, sStatus},
    {"GET_ACCESSSPECS", msg::GET_ACCESSSPECS, true, {}, {}},
    {"GET_ACCESSSPECS_RESPONSE", msg::GET_ACCESSSPECS_RESPONSE, true, {}, sGetAccessSpecsResponse},
    {"GET_REPORT", msg::GET_REPORT, true, {}, {}},
    {"RO_ACCESS_REPORT", msg::RO_ACCESS_REPORT, true, {}, sROAccessReport},
    {"KEEPALIVE", msg::KEEPALIVE, true, {}, {}},
    {"KEEPALIVE_ACK", msg::KEEPALIVE_ACK, true, {}, {}},
    {"READER_EVENT_NOTIFICATION", msg::READER_EVENT_NOTIFICATION, true, {}, sReaderEventNotification},
    {"ENABLE_EVENTS_AND_REPORTS", msg::ENABLE_EVENTS_AND_REPORTS, true, {}, {}},
    {"ERROR_MESSAGE", msg::ERROR_MESSAGE, true, {}, sStatus},
    {"CUSTOM_MESSAGE", msg::CUSTOM_MESSAGE, true, fCustomMessage, {}},
};

constexpr TypeDef kParameters[] = {
    // TV parameters
    {"AntennaID", AntennaID, false, fAntennaID, {}},
    {"FirstSeenTimestampUTC", FirstSeenTimestampUTC, false, fMicroseconds, {}},
    {"FirstSeenTimestampUptime", FirstSeenTimestampUptime, false, fMicroseconds, {}},
    {"LastSeenTimestampUTC", LastSeenTimestampUTC, false, fMicroseconds, {}},
    {"LastSeenTimestampUptime", LastSeenTimestampUptime, false, fMicroseconds, {}},
    {"PeakRSSI", PeakRSSI, false, fPeakRSSI, {}},
    {"ChannelIndex", ChannelIndex, false, fChannelIndex, {}},
    {"TagSeenCount", TagSeenCount, false, fTagSeenCount, {}},
    {"ROSpecID", ROSpecID, false, fROSpecID, {}},
    {"InventoryParameterSpecID", InventoryParameterSpecID, false, fInventoryParameterSpecID, {}},
    {"C1G2_CRC", C1G2_CRC, false, fCRC, {}},
    {"C1G2_PC", C1G2_PC, false, fPC, {}},
    {"EPC_96", EPC_96, false, fEPC96, {}},
    {"SpecIndex", SpecIndex, false, fSpecIndex, {}},
    {"ClientRequestOpSpecResult", ClientRequestOpSpecResult, false, fOpSpecID, {}},
    {"AccessSpecID", AccessSpecID, false, fAccessSpecID, {}},
    {"OpSpecID", OpSpecID, false, fOpSpecID, {}},
    {"C1G2SingulationDetails", C1G2SingulationDetails, false, fSingulationDetails, {}},
    // TLV parameters
    {"UTCTimestamp", UTCTimestamp, false, fMicroseconds, {}},
    {"Uptime", Uptime, false, fMicroseconds, {}},
    {"GeneralDeviceCapabilities", GeneralDeviceCapabilities, false, fGeneralDeviceCapabilities,
     sGeneralDeviceCapabilities},
    {"ReceiveSensitivityTableEntry", ReceiveSensitivityTableEntry, false, fReceiveSensitivityTableEntry, {}},
    {"PerAntennaAirProtocol", PerAntennaAirProtocol, false, fPerAntennaAirProtocol, {}},
    {"GPIOCapabilities", GPIOCapabilities, false, fGPIOCapabilities, {}},
    {"LLRPCapabilities", LLRPCapabilities, false, fLLRPCapabilities, {}},
    {"RegulatoryCapabilities", RegulatoryCapabilities, false, fRegulatoryCapabilities, sRegulatoryCapabilities},
    {"UHFBandCapabilities", UHFBandCapabilities, false, {}, sUHFBandCapabilities},
    {"TransmitPowerLevelTableEntry", TransmitPowerLevelTableEntry, false, fTransmitPowerLevelTableEntry, {}},
    {"FrequencyInformation", FrequencyInformation, false, fFrequencyInformation, sFrequencyInformation},
    {"FrequencyHopTable", FrequencyHopTable, false, fFrequencyHopTable, {}},
    {"FixedFrequencyTable", FixedFrequencyTable, false, fFixedFrequencyTable, {}},
    {"PerAntennaReceiveSensitivityRange", PerAntennaReceiveSensitivityRange, false,
     fPerAntennaReceiveSensitivityRange, {}},
    {"ROSpec", ROSpec, false, fROSpec, sROSpec},
    {"ROBoundarySpec", ROBoundarySpec, false, {}, sROBoundarySpec},
    {"ROSpecStartTrigger", ROSpecStartTrigger, false, fROSpecStartTrigger, sROSpecStartTrigger},
    {"PeriodicTriggerValue", PeriodicTriggerValue, false, fPeriodicTriggerValue, sPeriodicTriggerValue},
    {"GPITriggerValue", GPITriggerValue, false, fGPITriggerValue, {}},
    {"ROSpecStopTrigger", ROSpecStopTrigger, false, fROSpecStopTrigger, sGPITrigger},
    {"AISpec", AISpec, false, fAISpec, sAISpec},
    {"AISpecStopTrigger", AISpecStopTrigger, false, fAISpecStopTrigger, sAISpecStopTrigger},
    {"TagObservationTrigger", TagObservationTrigger, false, fTagObservationTrigger, {}},
    {"InventoryParameterSpec", InventoryParameterSpec, false, fInventoryParameterSpec, sInventoryParameterSpec},
    {"RFSurveySpec", RFSurveySpec, false, fRFSurveySpec, sRFSurveySpec},
    {"RFSurveySpecStopTrigger", RFSurveySpecStopTrigger, false, fRFSurveySpecStopTrigger, {}},
    {"AccessSpec", AccessSpec, false, fAccessSpec, sAccessSpec},
    {"AccessSpecStopTrigger", AccessSpecStopTrigger, false, fAccessSpecStopTrigger, {}},
    {"AccessCommand", AccessCommand, false, {}, sAccessCommand},
    {"ClientRequestOpSpec", ClientRequestOpSpec, false, fClientRequestOpSpec, {}},
    {"LLRPConfigurationStateValue", LLRPConfigurationStateValue, false, fLLRPConfigurationStateValue, {}},
    {"Identification", Identification, false, fIdentification, {}},
    {"GPOWriteData", GPOWriteData, false, fGPOWriteData, {}},
    {"KeepaliveSpec", KeepaliveSpec, false, fKeepaliveSpec, {}},
    {"AntennaProperties", AntennaProperties, false, fAntennaProperties, {}},
    {"AntennaConfiguration", AntennaConfiguration, false, fAntennaID, sAntennaConfiguration},
    {"RFReceiver", RFReceiver, false, fRFReceiver, {}},
    {"RFTransmitter", RFTransmitter, false, fRFTransmitter, {}},
    {"GPIPortCurrentState", GPIPortCurrentState, false, fGPIPortCurrentState, {}},
    {"EventsAndReports", EventsAndReports, false, fEventsAndReports, {}},
    {"ROReportSpec", ROReportSpec, false, fROReportSpec, sROReportSpec},
    {"TagReportContentSelector", TagReportContentSelector, false, fTagReportContentSelector,
     sTagReportContentSelector},
    {"AccessReportSpec", AccessReportSpec, false, fAccessReportSpec, {}},
    {"TagReportData", TagReportData, false, {}, sTagReportData},
    {"EPCData", EPCData, false, fEPCData, {}},
    {"RFSurveyReportData", RFSurveyReportData, false, {}, sRFSurveyReportData},
    {"FrequencyRSSILevelEntry", FrequencyRSSILevelEntry, false, fFrequencyRSSILevelEntry, sFrequencyRSSILevelEntry},
    {"ReaderEventNotificationSpec", ReaderEventNotificationSpec, false, {}, sReaderEventNotificationSpec},
    {"EventNotificationState", EventNotificationState, false, fEventNotificationState, {}},
    {"ReaderEventNotificationData", ReaderEventNotificationData, false, {}, sReaderEventNotificationData},
    {"HoppingEvent", HoppingEvent, false, fHoppingEvent, {}},
    {"GPIEvent", GPIEvent, false, fGPIEvent, {}},
    {"ROSpecEvent", ROSpecEvent, false, fROSpecEvent, {}},
    {"ReportBufferLevelWarningEvent", ReportBufferLevelWarningEvent, false, fReportBufferLevelWarningEvent, {}},
    {"ReportBufferOverflowErrorEvent", ReportBufferOverflowErrorEvent, false, {}, {}},
    {"ReaderExceptionEvent", ReaderExceptionEvent, false, fReaderExceptionEvent, sReaderExceptionEvent},
    {"RFSurveyEvent", RFSurveyEvent, false, fSpecEvent, {}},
    {"AISpecEvent", AISpecEvent, false, fSpecEvent, sAISpecEvent},
    {"AntennaEvent", AntennaEvent, false, fAntennaEvent, {}},
    {"ConnectionAttemptEvent", ConnectionAttemptEvent, false, fConnectionAttemptEvent, {}},
    {"ConnectionCloseEvent", ConnectionCloseEvent, false, {}, {}},
    {"LLRPStatus", LLRPStatus, false, fLLRPStatus, sLLRPStatus},
    {"FieldError", FieldError, false, fFieldError, {}},
    {"ParameterError", ParameterError, false, fParameterError, sParameterError},
    {"C1G2LLRPCapabilities", C1G2LLRPCapabilities, false, fC1G2LLRPCapabilities, {}},
    {"C1G2UHFRFModeTable", C1G2UHFRFModeTable, false, {}, sC1G2UHFRFModeTable},
    {"C1G2UHFRFModeTableEntry", C1G2UHFRFModeTableEntry, false, fC1G2UHFRFModeTableEntry, {}},
    {"C1G2InventoryCommand", C1G2InventoryCommand, false, fC1G2InventoryCommand, sC1G2InventoryCommand},
    {"C1G2Filter", C1G2Filter, false, fC1G2Filter, sC1G2Filter},
    {"C1G2TagInventoryMask", C1G2TagInventoryMask, false, fC1G2TagInventoryMask, {}},
    {"C1G2TagInventoryStateAwareFilterAction", C1G2TagInventoryStateAwareFilterAction, false,
     fStateAwareFilterAction, {}},
    {"C1G2TagInventoryStateUnawareFilterAction", C1G2TagInventoryStateUnawareFilterAction, false,
     fStateUnawareFilterAction, {}},
    {"C1G2RFControl", C1G2RFControl, false, fC1G2RFControl, {}},
    {"C1G2SingulationControl", C1G2SingulationControl, false, fC1G2SingulationControl, sC1G2SingulationControl},
    {"C1G2TagInventoryStateAwareSingulationAction", C1G2TagInventoryStateAwareSingulationAction, false,
     fStateAwareSingulationAction, {}},
    {"C1G2TagSpec", C1G2TagSpec, false, {}, sC1G2TagSpec},
    {"C1G2TargetTag", C1G2TargetTag, false, fC1G2TargetTag, {}},
    {"C1G2Read", C1G2Read, false, fC1G2Read, {}},
    {"C1G2Write", C1G2Write, false, fC1G2Write, {}},
    {"C1G2Kill", C1G2Kill, false, fC1G2Kill, {}},
    {"C1G2Lock", C1G2Lock, false, fC1G2Lock, sC1G2Lock},
    {"C1G2LockPayload", C1G2LockPayload, false, fC1G2LockPayload, {}},
    {"C1G2BlockErase", C1G2BlockErase, false, fC1G2Read, {}},
    {"C1G2BlockWrite", C1G2BlockWrite, false, fC1G2Write, {}},
    {"C1G2EPCMemorySelector", C1G2EPCMemorySelector, false, fC1G2EPCMemorySelector, {}},
    {"C1G2ReadOpSpecResult", C1G2ReadOpSpecResult, false, fReadResult, {}},
    {"C1G2WriteOpSpecResult", C1G2WriteOpSpecResult, false, fWriteResult, {}},
    {"C1G2KillOpSpecResult", C1G2KillOpSpecResult, false, fResult, {}},
    {"C1G2LockOpSpecResult", C1G2LockOpSpecResult, false, fResult, {}},
    {"C1G2BlockEraseOpSpecResult", C1G2BlockEraseOpSpecResult, false, fResult, {}},
    {"C1G2BlockWriteOpSpecResult", C1G2BlockWriteOpSpecResult, false, fWriteResult, {}},
    {"Custom", Custom, false, fCustom, {}},
};

// Type numbers are 10 bits: an index of 1024 entries per table, built on first use.
template <std::size_t n>
const TypeDef* lookup(const TypeDef (&table)[n], std::uint16_t number) {
    struct Index {
        std::array<const TypeDef*, 1024> by_number{};
        explicit Index(const TypeDef (&t)[n]) {
            for (const TypeDef& d : t) by_number[d.number] = &d;
        }
    };
    static const Index index(table);
    return number < 1024 ? index.by_number[number] : nullptr;
}

}  // namespace

const std::span<const std::uint16_t> choice_members(std::uint16_t choice) {
    for (const Choice& c : kChoices)
        if (c.id == choice) return c.members;
    return {};
}

const char* choice_name(std::uint16_t choice) {
    for (const Choice& c : kChoices)
        if (c.id == choice) return c.name;
    return nullptr;
}

bool choice_admits(std::uint16_t ref_type, std::uint16_t type) {
    if (ref_type < kChoiceBase) return ref_type == type;
    const auto members = choice_members(ref_type);
    return std::find(members.begin(), members.end(), type) != members.end();
}

const TypeDef* find_message(std::uint16_t number) { return lookup(kMessages, number); }
const TypeDef* find_parameter(std::uint16_t number) { return lookup(kParameters, number); }
std::span<const TypeDef> all_messages() { return kMessages; }
std::span<const TypeDef> all_parameters() { return kParameters; }

}  // namespace kestrel::llrp
