// Vendor commands of Fudan security tags. The GB group (0xA0 to 0xA7) manages the tag's
// security password, quick initialisation and authentication key; the GJB group (0xB0 to
// 0xB4) reads, writes, erases and locks blocks of two user sub-areas, with the GJB memory and
// lock layouts and the sub-area code in place of the memory area. Every command has its
// kestrel.h export and its handle form.
#include "api/handle.h"
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

namespace {

// Mutual authentication with the key of `key_id`, diversified for the tag when `diversify` is 1.
int dual_auth(Call& c, std::int32_t diversify, std::int32_t key_id) {
    Request request(c, 0xA6);
    request.byte(diversify).byte(key_id);
    return exchange(request);
}

// The diversified key of `key_id`: always 16 bytes, no count byte.
int get_diver_key(Call& c, std::int32_t key_id, Out key) {
    Request request(c, 0xA7);
    request.byte(key_id).needs(key, KESTREL_AUTH_KEY_SIZE);
    return exchange(request, key, [](const Reply& reply, Out& o) { reply.fixed(o, KESTREL_AUTH_KEY_SIZE); });
}

}  // namespace

extern "C" {

// GB group.

KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Access(int32_t address, uint8_t* password) {
    return on_default(address,
                      [&](Call& c) { return verdict_command(c, 0xA0, {password}, KESTREL_PASSWORD_SIZE, password); });
}
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Write(int32_t address, uint8_t* password) {
    return on_default(address,
                      [&](Call& c) { return verdict_command(c, 0xA1, {password}, KESTREL_PASSWORD_SIZE, password); });
}
// Lock mode: 0 the security password stays writable, 1 read only.
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Lock(int32_t address, uint8_t* mode) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0xA2, {mode}, 1, mode); });
}
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Init_End(int32_t address, uint8_t* end_code) {
    return on_default(address,
                      [&](Call& c) { return verdict_command(c, 0xA3, {end_code}, KESTREL_FD_END_CODE_SIZE, end_code); });
}
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Lock_Info(int32_t address, uint8_t* info) {
    return on_default(address, [&](Call& c) { return read_prefixed(c, 0xA4, {info}); });
}
KESTREL_API int32_t KESTREL_CALL GB_FD_Write_Auth_Pwd(int32_t address, uint8_t* key) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0xA5, {key}, KESTREL_AUTH_KEY_SIZE, key); });
}
KESTREL_API int32_t KESTREL_CALL GB_FD_Dual_Auth(int32_t address, int32_t diversify, int32_t key_id) {
    return on_default(address, [&](Call& c) { return dual_auth(c, diversify, key_id); });
}
KESTREL_API int32_t KESTREL_CALL GB_FD_Get_Diver_Key(int32_t address, int32_t key_id, uint8_t* key) {
    return on_default(address, [&](Call& c) { return get_diver_key(c, key_id, {key}); });
}

// GJB group: the GJB memory commands with their own codes.

KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Read_Block(int32_t address, uint8_t* request, uint8_t* data) {
    return on_default(address, [&](Call& c) { return read_memory(c, 0xB0, {request}, kAreaRead, {data}); });
}
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Write_Block(int32_t address, uint8_t* request) {
    return on_default(address, [&](Call& c) { return write_words(c, 0xB1, {request}, kAreaWords, request); });
}
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Erase_Block(int32_t address, uint8_t* request) {
    return on_default(address,
                      [&](Call& c) { return verdict_command(c, 0xB2, {request}, KESTREL_AREA_MEMORY_SIZE, request); });
}
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Blck(int32_t address, uint8_t* lock) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0xB3, {lock}, KESTREL_AREA_LOCK_SIZE, lock); });
}
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Info(int32_t address, uint8_t* info) {
    return on_default(address, [&](Call& c) { return read_prefixed(c, 0xB4, {info}); });
}

// ---- handle forms ----------------------------------------------------------------------------

KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Access(kestrel_reader* r,
                                                           const uint8_t password[KESTREL_PASSWORD_SIZE],
                                                           uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0xA0, {password}, KESTREL_PASSWORD_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Pwd_Write(kestrel_reader* r,
                                                              const uint8_t password[KESTREL_PASSWORD_SIZE],
                                                              uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0xA1, {password}, KESTREL_PASSWORD_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Pwd_Lock(kestrel_reader* r, const uint8_t mode[1],
                                                             uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0xA2, {mode}, 1, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Init_End(kestrel_reader* r,
                                                             const uint8_t end_code[KESTREL_FD_END_CODE_SIZE],
                                                             uint8_t* verdict) {
    return on_handle(r,
                     [&](Call& c) { return verdict_command(c, 0xA3, {end_code}, KESTREL_FD_END_CODE_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Lock_Info(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_prefixed(c, 0xA4, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Write_Auth_Pwd(kestrel_reader* r,
                                                              const uint8_t key[KESTREL_AUTH_KEY_SIZE],
                                                              uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0xA5, {key}, KESTREL_AUTH_KEY_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Dual_Auth(kestrel_reader* r, int32_t diversify, int32_t key_id) {
    return on_handle(r, [&](Call& c) { return dual_auth(c, diversify, key_id); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Get_Diver_Key(kestrel_reader* r, int32_t key_id, uint8_t* o,
                                                             size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return get_diver_key(c, key_id, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Read_Block(kestrel_reader* r,
                                                                const uint8_t request[KESTREL_AREA_MEMORY_SIZE],
                                                                uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_memory(c, 0xB0, {request}, kAreaRead, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Write_Block(kestrel_reader* r, const uint8_t* record,
                                                                 size_t size, uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return write_words(c, 0xB1, {record, size}, kAreaWords, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Erase_Block(kestrel_reader* r,
                                                                 const uint8_t request[KESTREL_AREA_MEMORY_SIZE],
                                                                 uint8_t* verdict) {
    return on_handle(r,
                     [&](Call& c) { return verdict_command(c, 0xB2, {request}, KESTREL_AREA_MEMORY_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Lock_Blck(kestrel_reader* r,
                                                               const uint8_t lock[KESTREL_AREA_LOCK_SIZE],
                                                               uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0xB3, {lock}, KESTREL_AREA_LOCK_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Lock_Info(kestrel_reader* r, uint8_t* o, size_t cap,
                                                               size_t* len) {
    return on_handle(r, [&](Call& c) { return read_prefixed(c, 0xB4, out(o, cap, len)); });
}

}  // extern "C"
