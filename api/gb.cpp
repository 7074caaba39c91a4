// GB/T 29768 tag commands (0x40 to 0x59, custom command 0xE0). The operations they share
// with the EPC and GJB families are the shared tag operations; GB adds the 2-byte word
// counts of its memory records and the tag security commands. Every command has its kestrel.h
// export and its handle form.
#include "api/handle.h"
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

namespace {

// Store flag, memory area, then that area's read and write passwords.
int set_pwd(Call& c, std::int32_t store, std::int32_t area, In read_password, In write_password) {
    Request request(c, 0x45);
    request.byte(store).byte(area).bytes(read_password, KESTREL_PASSWORD_SIZE).bytes(write_password, KESTREL_PASSWORD_SIZE);
    return exchange(request);
}

// Checks the area's read (0) or write (1) password.
int access_proc(Call& c, std::int32_t area, std::int32_t password_type) {
    Request request(c, 0x47);
    request.byte(area).byte(password_type);
    return exchange(request);
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL GB_Read_Select_Para(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return read_select(c, 0x40, {record}); });
}

KESTREL_API int32_t KESTREL_CALL GB_Write_Select_Para(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return write_select(c, 0x41, {record}); });
}

KESTREL_API int32_t KESTREL_CALL GB_Query_ON(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x42); });
}

KESTREL_API int32_t KESTREL_CALL GB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block) {
    return on_default(address, [&](Call& c) { return read_tag_list(c, 0x43, mode, length, {block}); });
}

KESTREL_API int32_t KESTREL_CALL GB_Set_Pwd(int32_t address, int32_t store, int32_t area, uint8_t* read_password,
                                            uint8_t* write_password) {
    return on_default(address, [&](Call& c) { return set_pwd(c, store, area, {read_password}, {write_password}); });
}

KESTREL_API int32_t KESTREL_CALL GB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area) {
    return on_default(address, [&](Call& c) { return wake(c, 0x46, {match}, {coding_area}); });
}

KESTREL_API int32_t KESTREL_CALL GB_Access_Proc(int32_t address, int32_t area, int32_t password_type) {
    return on_default(address, [&](Call& c) { return access_proc(c, area, password_type); });
}

KESTREL_API int32_t KESTREL_CALL GB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data) {
    return on_default(address, [&](Call& c) { return read_memory(c, 0x48, {request}, kAreaRead, {data}); });
}

KESTREL_API int32_t KESTREL_CALL GB_Write_TAG(int32_t address, uint8_t* request) {
    return on_default(address, [&](Call& c) { return write_words(c, 0x49, {request}, kAreaWords, request); });
}

KESTREL_API int32_t KESTREL_CALL GB_Kill_TAG(int32_t address, uint8_t* code) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x4A, {code}, KESTREL_KILL_CODE_SIZE, code); });
}

KESTREL_API int32_t KESTREL_CALL GB_Lock_TAG(int32_t address, uint8_t* lock) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x4B, {lock}, KESTREL_AREA_LOCK_SIZE, lock); });
}

KESTREL_API int32_t KESTREL_CALL GB_Write_Block_TAG(int32_t address, uint8_t* request) {
    return on_default(address, [&](Call& c) { return write_words(c, 0x4C, {request}, kBlockWords, request); });
}

KESTREL_API int32_t KESTREL_CALL GB_Erase_TAG(int32_t address, uint8_t* request) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x4D, {request}, KESTREL_AREA_MEMORY_SIZE, request); });
}

KESTREL_API int32_t KESTREL_CALL GB_Halt_TAG(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x4E); });
}

KESTREL_API int32_t KESTREL_CALL GB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x4F, {passwords}, KESTREL_GB_PASSWORDS_SIZE, passwords); });
}

KESTREL_API int32_t KESTREL_CALL GB_Get_SecPara(int32_t address, uint8_t* parameters) {
    return on_default(address, [&](Call& c) { return read_prefixed(c, 0x50, {parameters}); });
}

KESTREL_API int32_t KESTREL_CALL GB_Set_SecPara(int32_t address, uint8_t* parameters) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x51, {parameters}, KESTREL_SECPARA_SIZE, parameters); });
}

KESTREL_API int32_t KESTREL_CALL GB_Set_Auth_Pwd(int32_t address, uint8_t* password) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x52, {password}, KESTREL_AUTH_KEY_SIZE, password); });
}

KESTREL_API int32_t KESTREL_CALL GB_T2R_XAuth(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x53); });
}

KESTREL_API int32_t KESTREL_CALL GB_T2R_SAuth(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x54); });
}

KESTREL_API int32_t KESTREL_CALL GB_R2T_XAuth(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x55); });
}

KESTREL_API int32_t KESTREL_CALL GB_R2T_SAuth(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x56); });
}

KESTREL_API int32_t KESTREL_CALL GB_Mul_XAuth(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x57); });
}

KESTREL_API int32_t KESTREL_CALL GB_Mul_SAuth(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x58); });
}

KESTREL_API int32_t KESTREL_CALL GB_Sec_Comm(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x59); });
}

KESTREL_API int32_t KESTREL_CALL GB_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply) {
    return on_default(address, [&](Call& c) { return custom_command(c, 0xE0, {record}, {reply}); });
}

// ---- handle forms ----------------------------------------------------------------------------

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Read_Select_Para(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_select(c, 0x40, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Write_Select_Para(kestrel_reader* r, const uint8_t* record, size_t size) {
    return on_handle(r, [&](Call& c) { return write_select(c, 0x41, {record, size}); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Query_ON(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x42); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Read_Tag_List(kestrel_reader* r, int32_t mode, int32_t records, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_tag_list(c, 0x43, mode, records, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Set_Pwd(kestrel_reader* r, int32_t store, int32_t area,
                                                    const uint8_t read_password[KESTREL_PASSWORD_SIZE],
                                                    const uint8_t write_password[KESTREL_PASSWORD_SIZE]) {
    return on_handle(r, [&](Call& c) { return set_pwd(c, store, area, {read_password}, {write_password}); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Wake_TAG(kestrel_reader* r, const uint8_t* match, size_t size, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return wake(c, 0x46, {match, size}, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Access_Proc(kestrel_reader* r, int32_t area, int32_t password_type) {
    return on_handle(r, [&](Call& c) { return access_proc(c, area, password_type); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Read_TAG(kestrel_reader* r, const uint8_t request[KESTREL_AREA_MEMORY_SIZE], uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_memory(c, 0x48, {request}, kAreaRead, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Write_TAG(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return write_words(c, 0x49, {record, size}, kAreaWords, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Kill_TAG(kestrel_reader* r, const uint8_t code[KESTREL_KILL_CODE_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x4A, {code}, KESTREL_KILL_CODE_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Lock_TAG(kestrel_reader* r, const uint8_t lock[KESTREL_AREA_LOCK_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x4B, {lock}, KESTREL_AREA_LOCK_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Write_Block_TAG(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return write_words(c, 0x4C, {record, size}, kBlockWords, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Erase_TAG(kestrel_reader* r, const uint8_t request[KESTREL_AREA_MEMORY_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x4D, {request}, KESTREL_AREA_MEMORY_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Halt_TAG(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x4E); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Edit_TAG_Pwd(kestrel_reader* r, const uint8_t passwords[KESTREL_GB_PASSWORDS_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x4F, {passwords}, KESTREL_GB_PASSWORDS_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Get_SecPara(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_prefixed(c, 0x50, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Set_SecPara(kestrel_reader* r, const uint8_t parameters[KESTREL_SECPARA_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x51, {parameters}, KESTREL_SECPARA_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Set_Auth_Pwd(kestrel_reader* r, const uint8_t password[KESTREL_AUTH_KEY_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x52, {password}, KESTREL_AUTH_KEY_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_T2R_XAuth(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x53); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_T2R_SAuth(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x54); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_R2T_XAuth(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x55); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_R2T_SAuth(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x56); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Mul_XAuth(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x57); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Mul_SAuth(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x58); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_Sec_Comm(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x59); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GB_TAG_Cust_Command(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return custom_command(c, 0xE0, {record, size}, out(o, cap, len)); });
}

}  // extern "C"
