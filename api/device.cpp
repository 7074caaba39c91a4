// Reader management: factory restore, reset, serial rate, LED and buzzer, identity text,
// device number and temperature. One transaction each; only ALARM reports the reader status.
// Every command has its kestrel.h export and its handle form.
#include "api/handle.h"

using namespace kestrel::api;

namespace {

int link_only(Call& c, std::uint8_t command) {
    Request request(c, command);
    return link_result(request.transact());
}

// Only the code goes to the reader; the library's own port keeps the rate it was opened with.
int set_baud_rate(Call& c, std::int32_t rate_code) {
    Request request(c, 0x03);
    return link_result(request.byte(rate_code).transact());
}

// LED and buzzer. A selector above 7 (signed comparison) is refused before anything is sent;
// a negative one goes out as its low byte.
int alarm(Call& c, std::int32_t selector, std::int32_t value1, std::int32_t value2, std::int32_t value3) {
    if (selector > KESTREL_ALARM_MAX_SELECTOR) return KESTREL_E_ALARM_SELECTOR;
    Request request(c, 0x04);
    request.byte(selector).byte(value1).byte(value2).byte(value3);
    return exchange(request);
}

int read_bytes(Call& c, std::uint8_t command, Out out, std::size_t size) {
    Request request(c, command);
    return read_fixed(request, out, size, size);
}

// The reader answers from its new number; the engine accepts a reply to 0x06 from any address.
int write_device_no(Call& c, std::int32_t number) {
    Request request(c, kestrel::link::kWriteDeviceNo);
    return link_result(request.byte(number).transact());
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL DeviceRestore(int32_t address) {
    return on_default(address, [&](Call& c) { return link_only(c, 0x01); });
}
KESTREL_API int32_t KESTREL_CALL DeviceReset(int32_t address) {
    return on_default(address, [&](Call& c) { return link_only(c, 0x02); });
}
KESTREL_API int32_t KESTREL_CALL Set_Baud_Rate(int32_t address, int32_t rate_code) {
    return on_default(address, [&](Call& c) { return set_baud_rate(c, rate_code); });
}
KESTREL_API int32_t KESTREL_CALL ALARM(int32_t address, int32_t selector, int32_t value1, int32_t value2,
                                       int32_t value3) {
    return on_default(address, [&](Call& c) { return alarm(c, selector, value1, value2, value3); });
}
KESTREL_API int32_t KESTREL_CALL GetDeviceInfo(int32_t address, uint8_t* info) {
    return on_default(address, [&](Call& c) { return read_bytes(c, 0x05, {info}, KESTREL_DEVICE_INFO_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL ReadDeviceNo(int32_t address, uint8_t* number) {
    return on_default(address, [&](Call& c) { return read_bytes(c, 0x07, {number}, 1); });
}
KESTREL_API int32_t KESTREL_CALL WriteDeviceNo(int32_t address, int32_t number) {
    return on_default(address, [&](Call& c) { return write_device_no(c, number); });
}
KESTREL_API int32_t KESTREL_CALL Read_DeviceTemp(int32_t address, uint8_t* temperature) {
    return on_default(address, [&](Call& c) { return read_bytes(c, 0x10, {temperature}, 1); });
}

// ---- handle forms ----------------------------------------------------------------------------

KESTREL_API int32_t KESTREL_CALL kestrel_DeviceRestore(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return link_only(c, 0x01); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_DeviceReset(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return link_only(c, 0x02); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Set_Baud_Rate(kestrel_reader* r, int32_t rate_code) {
    return on_handle(r, [&](Call& c) { return set_baud_rate(c, rate_code); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_ALARM(kestrel_reader* r, int32_t selector, int32_t value1, int32_t value2,
                                               int32_t value3) {
    return on_handle(r, [&](Call& c) { return alarm(c, selector, value1, value2, value3); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GetDeviceInfo(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_bytes(c, 0x05, out(o, cap, len), KESTREL_DEVICE_INFO_SIZE); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_ReadDeviceNo(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_bytes(c, 0x07, out(o, cap, len), 1); });
}
// A reader that took its new number answers only to it: the handle follows.
KESTREL_API int32_t KESTREL_CALL kestrel_WriteDeviceNo(kestrel_reader* r, int32_t number) {
    return on_handle(r, [&](Call& c) {
        const int code = write_device_no(c, number);
        if (code == KESTREL_OK) r->address.store(static_cast<std::uint8_t>(number));
        return code;
    });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Read_DeviceTemp(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_bytes(c, 0x10, out(o, cap, len), 1); });
}

}  // extern "C"
