// The reader's network settings: the 20-byte record (gateway, subnet mask, MAC address, IP
// address, port) stored and read. Both report the reader status. TCP_LinkCom, the network link
// itself, is in link/link_api.cpp.
#include "api/handle.h"

using namespace kestrel::api;

namespace {

int set_ip_address(Call& c, In record) {
    Request request(c, KESTREL_CMD_SET_IP_ADDRESS);
    request.bytes(record, KESTREL_IP_RECORD_SIZE);
    return exchange(request);
}

// The record is cleared first; after a valid reply its 20 bytes are copied (0 for bytes the
// reply did not deliver).
int get_ip_address(Call& c, Out record) {
    Request request(c, KESTREL_CMD_GET_IP_ADDRESS);
    if (!request.needs(record, KESTREL_IP_RECORD_SIZE)) return request.refusal();
    std::fill_n(record.data, KESTREL_IP_RECORD_SIZE, std::uint8_t{0});
    return exchange(request, [&](const Reply& reply) { reply.fixed(record, KESTREL_IP_RECORD_SIZE); });
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL Set_IP_Address(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return set_ip_address(c, {record}); });
}
KESTREL_API int32_t KESTREL_CALL Get_IP_Address(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return get_ip_address(c, {record}); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_Set_IP_Address(kestrel_reader* r,
                                                        const uint8_t record[KESTREL_IP_RECORD_SIZE]) {
    return on_handle(r, [&](Call& c) { return set_ip_address(c, {record}); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_Get_IP_Address(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return get_ip_address(c, out(o, cap, len)); });
}

}  // extern "C"
