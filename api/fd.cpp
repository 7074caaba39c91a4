// Vendor commands of Fudan security tags. The GB group (0xA0 to 0xA7) manages the tag's
// security password, quick initialisation and authentication key; the GJB group (0xB0 to
// 0xB4) reads, writes, erases and locks blocks of two user sub-areas, with the GJB memory and
// lock layouts and the sub-area code in place of the memory area.
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

extern "C" {

// GB group.

KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Access(int32_t address, uint8_t* password) {
    return verdict_command(address, 0xA0, password, KESTREL_PASSWORD_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Write(int32_t address, uint8_t* password) {
    return verdict_command(address, 0xA1, password, KESTREL_PASSWORD_SIZE);
}

// Lock mode: 0 the security password stays writable, 1 read only.
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Lock(int32_t address, uint8_t* mode) {
    return verdict_command(address, 0xA2, mode, 1);
}

KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Init_End(int32_t address, uint8_t* end_code) {
    return verdict_command(address, 0xA3, end_code, KESTREL_FD_END_CODE_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Lock_Info(int32_t address, uint8_t* info) {
    return read_prefixed(address, 0xA4, info);
}

KESTREL_API int32_t KESTREL_CALL GB_FD_Write_Auth_Pwd(int32_t address, uint8_t* key) {
    return verdict_command(address, 0xA5, key, KESTREL_AUTH_KEY_SIZE);
}

// Mutual authentication with the key of `key_id`, diversified for the tag when `diversify` is 1.
KESTREL_API int32_t KESTREL_CALL GB_FD_Dual_Auth(int32_t address, int32_t diversify, int32_t key_id) {
    Request request(address, 0xA6);
    request.byte(diversify).byte(key_id);
    return exchange(request);
}

// The diversified key of `key_id`: always 16 bytes, no count byte.
KESTREL_API int32_t KESTREL_CALL GB_FD_Get_Diver_Key(int32_t address, int32_t key_id, uint8_t* key) {
    Request request(address, 0xA7);
    request.byte(key_id).needs(key);
    return exchange(request, [&](const Reply& reply) { reply.fixed(key, KESTREL_AUTH_KEY_SIZE); });
}

// GJB group: the GJB memory commands with their own codes.

KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Read_Block(int32_t address, uint8_t* request, uint8_t* data) {
    return read_memory(address, 0xB0, request, KESTREL_AREA_MEMORY_SIZE, data);
}

KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Write_Block(int32_t address, uint8_t* request) {
    return write_words(address, 0xB1, request, kAreaWords);
}

KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Erase_Block(int32_t address, uint8_t* request) {
    return verdict_command(address, 0xB2, request, KESTREL_AREA_MEMORY_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Blck(int32_t address, uint8_t* lock) {
    return verdict_command(address, 0xB3, lock, KESTREL_AREA_LOCK_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Info(int32_t address, uint8_t* info) {
    return read_prefixed(address, 0xB4, info);
}

}  // extern "C"
