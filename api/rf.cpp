// RF and work parameters: chip power, carrier wave, RF power reading, antenna, channel
// activation, work parameters and the access-control card-reader output. The setting exports
// report the reader status; Set_R2000_ON_OFF and the reading exports only the link status.
// Every command has its kestrel.h export and its handle form.
#include "api/handle.h"

using namespace kestrel::api;

namespace {

// A fixed-size setting record; reports the reader status.
int set_record(Call& c, std::uint8_t command, In record, std::size_t size) {
    Request request(c, command);
    request.bytes(record, size);
    return exchange(request);
}

// A one-byte setting; reports the reader status.
int set_byte(Call& c, std::uint8_t command, std::int32_t value) {
    Request request(c, command);
    request.byte(value);
    return exchange(request);
}

int set_r2000(Call& c, std::int32_t on) {
    Request request(c, 0x13);
    return link_result(request.byte(on).transact());
}

// A fixed-size reading: the first `cleared` bytes of `out` are cleared beforehand.
int get_record(Call& c, std::uint8_t command, Out out, std::size_t cleared, std::size_t size) {
    Request request(c, command);
    return read_fixed(request, out, cleared, size);
}

// The region byte goes out; the 8-byte channel mask comes back.
int get_ch_active(Call& c, In region, Out mask) {
    Request request(c, 0x19);
    request.bytes(region, 1);
    return read_fixed(request, mask, 0, KESTREL_CH_MASK_SIZE);
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL Set_Work_Param(int32_t address, uint8_t* params) {
    return on_default(address, [&](Call& c) { return set_record(c, 0x11, {params}, KESTREL_WORK_PARAM_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL Get_Work_Param(int32_t address, uint8_t* params) {
    return on_default(address, [&](Call& c) {
        return get_record(c, 0x12, {params}, KESTREL_WORK_PARAM_SIZE, KESTREL_WORK_PARAM_SIZE);
    });
}
KESTREL_API int32_t KESTREL_CALL Set_R2000_ON_OFF(int32_t address, int32_t on) {
    return on_default(address, [&](Call& c) { return set_r2000(c, on); });
}
KESTREL_API int32_t KESTREL_CALL Set_CW_ON_OFF(int32_t address, int32_t on) {
    return on_default(address, [&](Call& c) { return set_byte(c, 0x14, on); });
}
// Only the set level (byte 0) is cleared beforehand; the other two keep their contents
// when the transaction fails.
KESTREL_API int32_t KESTREL_CALL Get_RF_Power(int32_t address, uint8_t* power) {
    return on_default(address, [&](Call& c) { return get_record(c, 0x15, {power}, 1, KESTREL_RF_POWER_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL Set_Active_ANT(int32_t address, int32_t antenna) {
    return on_default(address, [&](Call& c) { return set_byte(c, 0x17, antenna); });
}
KESTREL_API int32_t KESTREL_CALL Set_CH_Active(int32_t address, uint8_t* channels) {
    return on_default(address, [&](Call& c) { return set_record(c, 0x18, {channels}, KESTREL_CH_ACTIVE_SIZE); });
}
// Byte 0 of the buffer names the region on the way in and is overwritten by the mask.
KESTREL_API int32_t KESTREL_CALL Get_CH_Active(int32_t address, uint8_t* channels) {
    return on_default(address, [&](Call& c) { return get_ch_active(c, {channels}, {channels}); });
}
KESTREL_API int32_t KESTREL_CALL Set_Menjin_Param(int32_t address, uint8_t* params) {
    return on_default(address, [&](Call& c) { return set_record(c, 0x1A, {params}, KESTREL_MENJIN_PARAM_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL Get_Menjin_Param(int32_t address, uint8_t* params) {
    return on_default(address, [&](Call& c) {
        return get_record(c, 0x1B, {params}, KESTREL_MENJIN_PARAM_SIZE, KESTREL_MENJIN_PARAM_SIZE);
    });
}

// ---- handle forms ----------------------------------------------------------------------------

KESTREL_API int32_t KESTREL_CALL kestrel_Set_Work_Param(kestrel_reader* r,
                                                        const uint8_t params[KESTREL_WORK_PARAM_SIZE]) {
    return on_handle(r, [&](Call& c) { return set_record(c, 0x11, {params}, KESTREL_WORK_PARAM_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Get_Work_Param(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) {
        return get_record(c, 0x12, out(o, cap, len), KESTREL_WORK_PARAM_SIZE, KESTREL_WORK_PARAM_SIZE);
    });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Set_R2000_ON_OFF(kestrel_reader* r, int32_t on) {
    return on_handle(r, [&](Call& c) { return set_r2000(c, on); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Set_CW_ON_OFF(kestrel_reader* r, int32_t on) {
    return on_handle(r, [&](Call& c) { return set_byte(c, 0x14, on); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Get_RF_Power(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return get_record(c, 0x15, out(o, cap, len), 1, KESTREL_RF_POWER_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Set_Active_ANT(kestrel_reader* r, int32_t antenna) {
    return on_handle(r, [&](Call& c) { return set_byte(c, 0x17, antenna); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Set_CH_Active(kestrel_reader* r,
                                                       const uint8_t channels[KESTREL_CH_ACTIVE_SIZE]) {
    return on_handle(r, [&](Call& c) { return set_record(c, 0x18, {channels}, KESTREL_CH_ACTIVE_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Get_CH_Active(kestrel_reader* r, int32_t region, uint8_t* o, size_t cap,
                                                       size_t* len) {
    const std::uint8_t region_byte = static_cast<std::uint8_t>(region);
    return on_handle(r, [&](Call& c) { return get_ch_active(c, {&region_byte, 1}, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Set_Menjin_Param(kestrel_reader* r,
                                                          const uint8_t params[KESTREL_MENJIN_PARAM_SIZE]) {
    return on_handle(r, [&](Call& c) { return set_record(c, 0x1A, {params}, KESTREL_MENJIN_PARAM_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Get_Menjin_Param(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) {
        return get_record(c, 0x1B, out(o, cap, len), KESTREL_MENJIN_PARAM_SIZE, KESTREL_MENJIN_PARAM_SIZE);
    });
}

}  // extern "C"
