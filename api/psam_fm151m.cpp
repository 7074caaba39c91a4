// The reader's two security devices: the PSAM card slots (ISO/IEC 7816 APDUs, key issuing)
// and the FM151M cryptographic chip. The library only frames the bytes; the reader hands
// them to the device, and the reply's status byte is the result. Every command has its
// kestrel.h export and its handle form.
#include "api/handle.h"
#include "api/tag_ops.h"

using namespace kestrel::api;

namespace {

// The answer of the card or chip: a count byte n, then n bytes.
int length_prefixed(Request& request, Out out) {
    request.needs(out);
    return exchange(request, out, [](const Reply& reply, Out& o) { reply.length_prefixed(o); });
}

int power_on(Call& c, std::int32_t slot, std::int32_t power, Out response) {
    Request request(c, 0xF0);
    return length_prefixed(request.byte(slot).byte(power), response);
}

int warm_reset(Call& c, std::int32_t slot, Out response) {
    Request request(c, 0xF1);
    return length_prefixed(request.byte(slot), response);
}

// A request whose first byte n counts the bytes after it: sends that byte and what it counts.
// n = 255 makes 256 bytes, more than the frame's one-byte length carries: refused.
int self_counted(Call& c, std::uint8_t command, In record, Out response) {
    Request request(c, command);
    return length_prefixed(request.counted(record, 1, 0), response);
}

// The wanted length travels as its low 16 bits; the reply is a 2-byte count and the bytes.
int get_rn(Call& c, std::int32_t length, Out random) {
    Request request(c, 0xD1);
    request.word(static_cast<std::uint16_t>(length)).needs(random);
    return exchange(request, random, [](const Reply& reply, Out& o) { reply.count_prefixed(o); });
}

// Hash: phase, algorithm, data count d, then d data bytes.
int hash(Call& c, In record, Out reply) {
    Request request(c, 0xD2);
    return length_prefixed(request.counted(record, 3, 2), reply);
}

// Cipher: phase, direction, mode, algorithm, payload count p, then p payload bytes.
int cipher(Call& c, In record, Out reply) {
    Request request(c, 0xD3);
    return length_prefixed(request.counted(record, 5, 4), reply);
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL PSAM_POWER_ON(int32_t address, int32_t slot, int32_t power, uint8_t* response) {
    return on_default(address, [&](Call& c) { return power_on(c, slot, power, {response}); });
}
KESTREL_API int32_t KESTREL_CALL PSAM_Warm_Reset(int32_t address, int32_t slot, uint8_t* response) {
    return on_default(address, [&](Call& c) { return warm_reset(c, slot, {response}); });
}
KESTREL_API int32_t KESTREL_CALL PSAM_Command(int32_t address, uint8_t* command, uint8_t* response) {
    return on_default(address, [&](Call& c) { return self_counted(c, 0xF2, {command}, {response}); });
}
KESTREL_API int32_t KESTREL_CALL PSAM_FD_Issue(int32_t address, uint8_t* issue, uint8_t* response) {
    return on_default(address, [&](Call& c) { return self_counted(c, 0xF3, {issue}, {response}); });
}
KESTREL_API int32_t KESTREL_CALL FM151M_Get_ID(int32_t address, uint8_t* identity) {
    return on_default(address, [&](Call& c) { return tag_ops::read_prefixed(c, 0xD0, {identity}); });
}
KESTREL_API int32_t KESTREL_CALL FM151M_Get_RN(int32_t address, int32_t length, uint8_t* random) {
    return on_default(address, [&](Call& c) { return get_rn(c, length, {random}); });
}
KESTREL_API int32_t KESTREL_CALL FM151M_Hash(int32_t address, uint8_t* record, uint8_t* reply) {
    return on_default(address, [&](Call& c) { return hash(c, {record}, {reply}); });
}
KESTREL_API int32_t KESTREL_CALL FM151M_Cipher(int32_t address, uint8_t* record, uint8_t* reply) {
    return on_default(address, [&](Call& c) { return cipher(c, {record}, {reply}); });
}

// ---- handle forms ----------------------------------------------------------------------------

KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_POWER_ON(kestrel_reader* r, int32_t slot, int32_t power, uint8_t* o,
                                                       size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return power_on(c, slot, power, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_Warm_Reset(kestrel_reader* r, int32_t slot, uint8_t* o, size_t cap,
                                                         size_t* len) {
    return on_handle(r, [&](Call& c) { return warm_reset(c, slot, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_Command(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* o,
                                                      size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return self_counted(c, 0xF2, {record, size}, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_FD_Issue(kestrel_reader* r, const uint8_t* record, size_t size,
                                                       uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return self_counted(c, 0xF3, {record, size}, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Get_ID(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return tag_ops::read_prefixed(c, 0xD0, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Get_RN(kestrel_reader* r, int32_t count, uint8_t* o, size_t cap,
                                                       size_t* len) {
    return on_handle(r, [&](Call& c) { return get_rn(c, count, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Hash(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* o,
                                                     size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return hash(c, {record, size}, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Cipher(kestrel_reader* r, const uint8_t* record, size_t size,
                                                       uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return cipher(c, {record, size}, out(o, cap, len)); });
}

}  // extern "C"
