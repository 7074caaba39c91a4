// GJB 7377.1 tag commands (0x60 to 0x70, custom command 0xE1). Memory records, wake, select,
// tag list and custom command are laid out as in the GB family; GJB differs in its passwords
// (four per tag) and has no security commands beyond reading the security parameters.
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

extern "C" {

KESTREL_API int32_t KESTREL_CALL GJB_Read_Select_Para(int32_t address, uint8_t* record) {
    return read_select(address, 0x60, record);
}

KESTREL_API int32_t KESTREL_CALL GJB_Write_Select_Para(int32_t address, uint8_t* record) {
    return write_select(address, 0x61, record);
}

KESTREL_API int32_t KESTREL_CALL GJB_Query_ON(int32_t address) {
    return status_only(address, 0x62);
}

KESTREL_API int32_t KESTREL_CALL GJB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block) {
    return read_tag_list(address, 0x63, mode, length, block);
}

// Store flag, then the kill, lock, read and write passwords.
KESTREL_API int32_t KESTREL_CALL GJB_Set_Pwd(int32_t address, int32_t store, uint8_t* passwords) {
    Request request(address, 0x65);
    request.byte(store).bytes(passwords, KESTREL_GJB_PASSWORDS_SIZE);
    return exchange(request);
}

KESTREL_API int32_t KESTREL_CALL GJB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area) {
    return wake(address, 0x66, match, coding_area);
}

// Checks the read (0), write (1), lock (2) or kill (3) password.
KESTREL_API int32_t KESTREL_CALL GJB_Access_Proc(int32_t address, int32_t password_type) {
    Request request(address, 0x67);
    request.byte(password_type);
    return exchange(request);
}

KESTREL_API int32_t KESTREL_CALL GJB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data) {
    return read_memory(address, 0x68, request, KESTREL_AREA_MEMORY_SIZE, data);
}

KESTREL_API int32_t KESTREL_CALL GJB_Write_TAG(int32_t address, uint8_t* request) {
    return write_words(address, 0x69, request, kAreaWords);
}

KESTREL_API int32_t KESTREL_CALL GJB_Kill_TAG(int32_t address, uint8_t* code) {
    return verdict_command(address, 0x6A, code, KESTREL_KILL_CODE_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GJB_Lock_TAG(int32_t address, uint8_t* lock) {
    return verdict_command(address, 0x6B, lock, KESTREL_AREA_LOCK_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GJB_Write_Block_TAG(int32_t address, uint8_t* request) {
    return write_words(address, 0x6C, request, kBlockWords);
}

KESTREL_API int32_t KESTREL_CALL GJB_Erase_TAG(int32_t address, uint8_t* request) {
    return verdict_command(address, 0x6D, request, KESTREL_AREA_MEMORY_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GJB_Halt_TAG(int32_t address) {
    return status_only(address, 0x6E);
}

// New kill, lock, read and write passwords.
KESTREL_API int32_t KESTREL_CALL GJB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords) {
    return verdict_command(address, 0x6F, passwords, KESTREL_GJB_PASSWORDS_SIZE);
}

KESTREL_API int32_t KESTREL_CALL GJB_Get_SecPara(int32_t address, uint8_t* parameters) {
    return read_prefixed(address, 0x70, parameters);
}

KESTREL_API int32_t KESTREL_CALL GJB_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply) {
    return custom_command(address, 0xE1, record, reply);
}

}  // extern "C"
