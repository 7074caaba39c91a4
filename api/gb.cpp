// GB/T 29768 tag commands (0x40 to 0x59, custom command 0xE0). The operations they share
// with the EPC and GJB families are the shared tag operations; GB adds the 2-byte word
// counts of its memory records and the tag security commands.
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

extern "C" {

KESTREL_API int32_t KESTREL_CALL GB_Read_Select_Para(int32_t address, uint8_t* record) {
    return read_select(address, 0x40, record);
}

KESTREL_API int32_t KESTREL_CALL GB_Write_Select_Para(int32_t address, uint8_t* record) {
    return write_select(address, 0x41, record);
}

KESTREL_API int32_t KESTREL_CALL GB_Query_ON(int32_t address) {
    return status_only(address, 0x42);
}

KESTREL_API int32_t KESTREL_CALL GB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block) {
    return read_tag_list(address, 0x43, mode, length, block);
}

// Store flag, memory area, then that area's read and write passwords.
KESTREL_API int32_t KESTREL_CALL GB_Set_Pwd(int32_t address, int32_t store, int32_t area, uint8_t* read_password,
                                            uint8_t* write_password) {
    Request request(address, 0x45);
    request.byte(store).byte(area).bytes(read_password, KESTREL_PASSWORD_SIZE).bytes(write_password,
                                                                                     KESTREL_PASSWORD_SIZE);
    return exchange(request);
}

KESTREL_API int32_t KESTREL_CALL GB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area) {
    return wake(address, 0x46, match, coding_area);
}

// Checks the area's read (0) or write (1) password.
KESTREL_API int32_t KESTREL_CALL GB_Access_Proc(int32_t address, int32_t area, int32_t password_type) {
    Request request(address, 0x47);
    request.byte(area).byte(password_type);
    return exchange(request);
}

KESTREL_API int32_t KESTREL_CALL GB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data) {
    return read_memory(address, 0x48, request, KESTREL_AREA_MEMORY_SIZE, data);
}

KESTREL_API int32_t KESTREL_CALL GB_Write_TAG(int32_t address, uint8_t* request) {
    return write_words(address, 0x49, request, kAreaWords);
}

KESTREL_API int32_t KESTREL_CALL GB_Kill_TAG(int32_t address, uint8_t* code) {
    return verdict_command(address, 0x4A, code, KESTREL_KILL_CODE_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GB_Lock_TAG(int32_t address, uint8_t* lock) {
    return verdict_command(address, 0x4B, lock, KESTREL_AREA_LOCK_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GB_Write_Block_TAG(int32_t address, uint8_t* request) {
    return write_words(address, 0x4C, request, kBlockWords);
}

KESTREL_API int32_t KESTREL_CALL GB_Erase_TAG(int32_t address, uint8_t* request) {
    return verdict_command(address, 0x4D, request, KESTREL_AREA_MEMORY_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GB_Halt_TAG(int32_t address) {
    return status_only(address, 0x4E);
}

// Area, new read password, new write password.
KESTREL_API int32_t KESTREL_CALL GB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords) {
    return verdict_command(address, 0x4F, passwords, KESTREL_GB_PASSWORDS_SIZE);
}

// Tag security: count n, the 6 security parameter bytes, then the TID.
KESTREL_API int32_t KESTREL_CALL GB_Get_SecPara(int32_t address, uint8_t* parameters) {
    return read_prefixed(address, 0x50, parameters);
}

KESTREL_API int32_t KESTREL_CALL GB_Set_SecPara(int32_t address, uint8_t* parameters) {
    return verdict_command(address, 0x51, parameters, KESTREL_SECPARA_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GB_Set_Auth_Pwd(int32_t address, uint8_t* password) {
    return verdict_command(address, 0x52, password, KESTREL_AUTH_KEY_SIZE);
}

// Tag-to-reader, reader-to-tag and mutual authentication, X and S variants, and secure
// communication: the reader runs them with what it holds; nothing travels with them.
KESTREL_API int32_t KESTREL_CALL GB_T2R_XAuth(int32_t address) { return status_only(address, 0x53); }
KESTREL_API int32_t KESTREL_CALL GB_T2R_SAuth(int32_t address) { return status_only(address, 0x54); }
KESTREL_API int32_t KESTREL_CALL GB_R2T_XAuth(int32_t address) { return status_only(address, 0x55); }
KESTREL_API int32_t KESTREL_CALL GB_R2T_SAuth(int32_t address) { return status_only(address, 0x56); }
KESTREL_API int32_t KESTREL_CALL GB_Mul_XAuth(int32_t address) { return status_only(address, 0x57); }
KESTREL_API int32_t KESTREL_CALL GB_Mul_SAuth(int32_t address) { return status_only(address, 0x58); }
KESTREL_API int32_t KESTREL_CALL GB_Sec_Comm(int32_t address) { return status_only(address, 0x59); }

KESTREL_API int32_t KESTREL_CALL GB_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply) {
    return custom_command(address, 0xE0, record, reply);
}

}  // extern "C"
