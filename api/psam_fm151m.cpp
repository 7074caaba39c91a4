// The reader's two security devices: the PSAM card slots (ISO/IEC 7816 APDUs, key issuing)
// and the FM151M cryptographic chip. The library only frames the bytes; the reader hands
// them to the device, and the reply's status byte is the result.
#include "api/tag_ops.h"

using namespace kestrel::api;

namespace {

// The answer of the card or chip: a count byte n, then n bytes.
int length_prefixed(Request& request, uint8_t* out) {
    request.needs(out);
    return exchange(request, [&](const Reply& reply) { reply.length_prefixed(out); });
}

// A request whose first byte counts the bytes after it: sends that byte and what it counts
// (the reader's one-byte length wraps when the count is 255).
Request& self_counted(Request& request, const uint8_t* in) { return request.counted(in, 1, 0); }

}  // namespace

extern "C" {

// PSAM slots.

KESTREL_API int32_t KESTREL_CALL PSAM_POWER_ON(int32_t address, int32_t slot, int32_t power, uint8_t* response) {
    Request request(address, 0xF0);
    return length_prefixed(request.byte(slot).byte(power), response);
}

KESTREL_API int32_t KESTREL_CALL PSAM_Warm_Reset(int32_t address, int32_t slot, uint8_t* response) {
    Request request(address, 0xF1);
    return length_prefixed(request.byte(slot), response);
}

KESTREL_API int32_t KESTREL_CALL PSAM_Command(int32_t address, uint8_t* command, uint8_t* response) {
    Request request(address, 0xF2);
    return length_prefixed(self_counted(request, command), response);
}

KESTREL_API int32_t KESTREL_CALL PSAM_FD_Issue(int32_t address, uint8_t* issue, uint8_t* response) {
    Request request(address, 0xF3);
    return length_prefixed(self_counted(request, issue), response);
}

// FM151M chip.

KESTREL_API int32_t KESTREL_CALL FM151M_Get_ID(int32_t address, uint8_t* identity) {
    return tag_ops::read_prefixed(address, 0xD0, identity);
}

// The wanted length travels as its low 16 bits; the reply is a 2-byte count and the bytes.
KESTREL_API int32_t KESTREL_CALL FM151M_Get_RN(int32_t address, int32_t length, uint8_t* random) {
    Request request(address, 0xD1);
    request.word(static_cast<std::uint16_t>(length)).needs(random);
    return exchange(request, [&](const Reply& reply) { reply.count_prefixed(random); });
}

// Phase, algorithm, data count d, then d data bytes.
KESTREL_API int32_t KESTREL_CALL FM151M_Hash(int32_t address, uint8_t* hash, uint8_t* reply) {
    Request request(address, 0xD2);
    return length_prefixed(request.counted(hash, 3, 2), reply);
}

// Phase, direction, mode, algorithm, payload count p, then p payload bytes.
KESTREL_API int32_t KESTREL_CALL FM151M_Cipher(int32_t address, uint8_t* cipher, uint8_t* reply) {
    Request request(address, 0xD3);
    return length_prefixed(request.counted(cipher, 5, 4), reply);
}

}  // extern "C"
