// RF and work parameters: chip power, carrier wave, RF power reading, antenna, channel
// activation, work parameters and the access-control card-reader output. The setting exports
// report the reader status; Set_R2000_ON_OFF and the reading exports only the link status.
#include "api/transaction.h"

using namespace kestrel::api;

extern "C" {

KESTREL_API int32_t KESTREL_CALL Set_Work_Param(int32_t address, uint8_t* params) {
    return verdict_result(Request(address, 0x11).bytes(params, KESTREL_WORK_PARAM_SIZE).transact());
}

KESTREL_API int32_t KESTREL_CALL Get_Work_Param(int32_t address, uint8_t* params) {
    Request request(address, 0x12);
    return read_fixed(request, params, KESTREL_WORK_PARAM_SIZE, KESTREL_WORK_PARAM_SIZE);
}

KESTREL_API int32_t KESTREL_CALL Set_R2000_ON_OFF(int32_t address, int32_t on) {
    return link_result(Request(address, 0x13).byte(on).transact());
}

KESTREL_API int32_t KESTREL_CALL Set_CW_ON_OFF(int32_t address, int32_t on) {
    return verdict_result(Request(address, 0x14).byte(on).transact());
}

// Only the set level (byte 0) is cleared beforehand; the other two keep their contents
// when the transaction fails.
KESTREL_API int32_t KESTREL_CALL Get_RF_Power(int32_t address, uint8_t* power) {
    Request request(address, 0x15);
    return read_fixed(request, power, 1, KESTREL_RF_POWER_SIZE);
}

KESTREL_API int32_t KESTREL_CALL Set_Active_ANT(int32_t address, int32_t antenna) {
    return verdict_result(Request(address, 0x17).byte(antenna).transact());
}

KESTREL_API int32_t KESTREL_CALL Set_CH_Active(int32_t address, uint8_t* channels) {
    return verdict_result(Request(address, 0x18).bytes(channels, KESTREL_CH_ACTIVE_SIZE).transact());
}

// Byte 0 of the buffer names the region on the way in and is overwritten by the mask.
KESTREL_API int32_t KESTREL_CALL Get_CH_Active(int32_t address, uint8_t* channels) {
    Request request(address, 0x19);
    request.bytes(channels, 1);
    return read_fixed(request, channels, 0, KESTREL_CH_MASK_SIZE);
}

KESTREL_API int32_t KESTREL_CALL Set_Menjin_Param(int32_t address, uint8_t* params) {
    return verdict_result(Request(address, 0x1A).bytes(params, KESTREL_MENJIN_PARAM_SIZE).transact());
}

KESTREL_API int32_t KESTREL_CALL Get_Menjin_Param(int32_t address, uint8_t* params) {
    Request request(address, 0x1B);
    return read_fixed(request, params, KESTREL_MENJIN_PARAM_SIZE, KESTREL_MENJIN_PARAM_SIZE);
}

}  // extern "C"
