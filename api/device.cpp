// Reader management: factory restore, reset, serial rate, LED and buzzer, identity text,
// device number and temperature. One transaction each; only ALARM reports the reader status.
#include "api/transaction.h"

using namespace kestrel::api;

extern "C" {

KESTREL_API int32_t KESTREL_CALL DeviceRestore(int32_t address) {
    return link_result(Request(address, 0x01).transact());
}

KESTREL_API int32_t KESTREL_CALL DeviceReset(int32_t address) {
    return link_result(Request(address, 0x02).transact());
}

// Only the code goes to the reader; the library's own port keeps the rate it was opened with.
KESTREL_API int32_t KESTREL_CALL Set_Baud_Rate(int32_t address, int32_t rate_code) {
    return link_result(Request(address, 0x03).byte(rate_code).transact());
}

// LED and buzzer. A selector above 7 (signed comparison) is refused before anything is sent;
// a negative one goes out as its low byte.
KESTREL_API int32_t KESTREL_CALL ALARM(int32_t address, int32_t selector, int32_t value1, int32_t value2,
                                       int32_t value3) {
    Request request(address, 0x04);
    request.byte(selector).byte(value1).byte(value2).byte(value3);
    if (selector > KESTREL_ALARM_MAX_SELECTOR) return KESTREL_E_ALARM_SELECTOR;
    return verdict_result(request.transact());
}

KESTREL_API int32_t KESTREL_CALL GetDeviceInfo(int32_t address, uint8_t* info) {
    Request request(address, 0x05);
    return read_fixed(request, info, KESTREL_DEVICE_INFO_SIZE, KESTREL_DEVICE_INFO_SIZE);
}

KESTREL_API int32_t KESTREL_CALL ReadDeviceNo(int32_t address, uint8_t* number) {
    Request request(address, 0x07);
    return read_fixed(request, number, 1, 1);
}

// The reader answers from its new number; the engine accepts a reply to 0x06 from any address.
KESTREL_API int32_t KESTREL_CALL WriteDeviceNo(int32_t address, int32_t number) {
    return link_result(Request(address, 0x06).byte(number).transact());
}

KESTREL_API int32_t KESTREL_CALL Read_DeviceTemp(int32_t address, uint8_t* temperature) {
    Request request(address, 0x10);
    return read_fixed(request, temperature, 1, 1);
}

}  // extern "C"
