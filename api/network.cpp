// The reader's network settings: the 20-byte record (gateway, subnet mask, MAC address, IP
// address, port) stored and read. Both report the reader status. TCP_LinkCom, the network link
// itself, is in link/link_api.cpp.
#include "api/transaction.h"

using namespace kestrel::api;

extern "C" {

KESTREL_API int32_t KESTREL_CALL Set_IP_Address(int32_t address, uint8_t* record) {
    return verdict_result(
        Request(address, KESTREL_CMD_SET_IP_ADDRESS).bytes(record, KESTREL_IP_RECORD_SIZE).transact());
}

// The record is cleared first; after a valid reply its 20 bytes are copied (0 for bytes the
// reply did not deliver).
KESTREL_API int32_t KESTREL_CALL Get_IP_Address(int32_t address, uint8_t* record) {
    Request request(address, KESTREL_CMD_GET_IP_ADDRESS);
    std::fill_n(record, KESTREL_IP_RECORD_SIZE, std::uint8_t{0});
    return exchange(request, [&](const Reply& reply) { reply.fixed(record, KESTREL_IP_RECORD_SIZE); });
}

}  // extern "C"
