// The reader's two security devices: the PSAM card slots (ISO/IEC 7816 APDUs, key issuing)
// and the FM151M cryptographic chip. The library only frames the bytes; the reader hands
// them to the device, and the reply's status byte is the result.
#include "api/transaction.h"

using kestrel::api::exchange;
using kestrel::api::Reply;
using kestrel::api::Request;

namespace {

// A request whose first byte counts the bytes after it: sends that byte and what it counts
// (the reader's one-byte length wraps when the count is 255).
Request& self_counted(Request&& request, const uint8_t* in) { return request.bytes(in, 1u + in[0]); }

}  // namespace

extern "C" {

// PSAM slots.

KESTREL_API int32_t KESTREL_CALL PSAM_POWER_ON(int32_t address, int32_t slot, int32_t power, uint8_t* response) {
    return exchange(Request(address, 0xF0).byte(slot).byte(power), &Reply::length_prefixed, response);
}

KESTREL_API int32_t KESTREL_CALL PSAM_Warm_Reset(int32_t address, int32_t slot, uint8_t* response) {
    return exchange(Request(address, 0xF1).byte(slot), &Reply::length_prefixed, response);
}

KESTREL_API int32_t KESTREL_CALL PSAM_Command(int32_t address, uint8_t* command, uint8_t* response) {
    return exchange(self_counted(Request(address, 0xF2), command), &Reply::length_prefixed, response);
}

KESTREL_API int32_t KESTREL_CALL PSAM_FD_Issue(int32_t address, uint8_t* issue, uint8_t* response) {
    return exchange(self_counted(Request(address, 0xF3), issue), &Reply::length_prefixed, response);
}

// FM151M chip.

KESTREL_API int32_t KESTREL_CALL FM151M_Get_ID(int32_t address, uint8_t* identity) {
    return exchange(Request(address, 0xD0), &Reply::length_prefixed, identity);
}

// The wanted length travels as its low 16 bits; the reply is a 2-byte count and the bytes.
KESTREL_API int32_t KESTREL_CALL FM151M_Get_RN(int32_t address, int32_t length, uint8_t* random) {
    return exchange(Request(address, 0xD1).word(static_cast<std::uint16_t>(length)), &Reply::count_prefixed,
                    random);
}

// Phase, algorithm, data count d, then d data bytes.
KESTREL_API int32_t KESTREL_CALL FM151M_Hash(int32_t address, uint8_t* request, uint8_t* reply) {
    return exchange(Request(address, 0xD2).bytes(request, 3u + request[2]), &Reply::length_prefixed, reply);
}

// Phase, direction, mode, algorithm, payload count p, then p payload bytes.
KESTREL_API int32_t KESTREL_CALL FM151M_Cipher(int32_t address, uint8_t* request, uint8_t* reply) {
    return exchange(Request(address, 0xD3).bytes(request, 5u + request[4]), &Reply::length_prefixed, reply);
}

}  // extern "C"
