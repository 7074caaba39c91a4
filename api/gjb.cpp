// GJB 7377.1 tag commands (0x60 to 0x70, custom command 0xE1). Memory records, wake, select,
// tag list and custom command are laid out as in the GB family; GJB differs in its passwords
// (four per tag) and has no security commands beyond reading the security parameters. Every
// command has its kestrel.h export and its handle form.
#include "api/handle.h"
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

namespace {

// Store flag, then the kill, lock, read and write passwords.
int set_pwd(Call& c, std::int32_t store, In passwords) {
    Request request(c, 0x65);
    request.byte(store).bytes(passwords, KESTREL_GJB_PASSWORDS_SIZE);
    return exchange(request);
}

// Checks the read (0), write (1), lock (2) or kill (3) password.
int access_proc(Call& c, std::int32_t password_type) {
    Request request(c, 0x67);
    request.byte(password_type);
    return exchange(request);
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL GJB_Read_Select_Para(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return read_select(c, 0x60, {record}); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Write_Select_Para(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return write_select(c, 0x61, {record}); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Query_ON(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x62); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block) {
    return on_default(address, [&](Call& c) { return read_tag_list(c, 0x63, mode, length, {block}); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Set_Pwd(int32_t address, int32_t store, uint8_t* passwords) {
    return on_default(address, [&](Call& c) { return set_pwd(c, store, {passwords}); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area) {
    return on_default(address, [&](Call& c) { return wake(c, 0x66, {match}, {coding_area}); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Access_Proc(int32_t address, int32_t password_type) {
    return on_default(address, [&](Call& c) { return access_proc(c, password_type); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data) {
    return on_default(address, [&](Call& c) { return read_memory(c, 0x68, {request}, kAreaRead, {data}); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Write_TAG(int32_t address, uint8_t* request) {
    return on_default(address, [&](Call& c) { return write_words(c, 0x69, {request}, kAreaWords, request); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Kill_TAG(int32_t address, uint8_t* code) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x6A, {code}, KESTREL_KILL_CODE_SIZE, code); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Lock_TAG(int32_t address, uint8_t* lock) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x6B, {lock}, KESTREL_AREA_LOCK_SIZE, lock); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Write_Block_TAG(int32_t address, uint8_t* request) {
    return on_default(address, [&](Call& c) { return write_words(c, 0x6C, {request}, kBlockWords, request); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Erase_TAG(int32_t address, uint8_t* request) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x6D, {request}, KESTREL_AREA_MEMORY_SIZE, request); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Halt_TAG(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x6E); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x6F, {passwords}, KESTREL_GJB_PASSWORDS_SIZE, passwords); });
}

KESTREL_API int32_t KESTREL_CALL GJB_Get_SecPara(int32_t address, uint8_t* parameters) {
    return on_default(address, [&](Call& c) { return read_prefixed(c, 0x70, {parameters}); });
}

KESTREL_API int32_t KESTREL_CALL GJB_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply) {
    return on_default(address, [&](Call& c) { return custom_command(c, 0xE1, {record}, {reply}); });
}

// ---- handle forms ----------------------------------------------------------------------------

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Read_Select_Para(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_select(c, 0x60, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Write_Select_Para(kestrel_reader* r, const uint8_t* record, size_t size) {
    return on_handle(r, [&](Call& c) { return write_select(c, 0x61, {record, size}); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Query_ON(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x62); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Read_Tag_List(kestrel_reader* r, int32_t mode, int32_t records, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_tag_list(c, 0x63, mode, records, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Set_Pwd(kestrel_reader* r, int32_t store,
                                                     const uint8_t passwords[KESTREL_GJB_PASSWORDS_SIZE]) {
    return on_handle(r, [&](Call& c) { return set_pwd(c, store, {passwords}); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Wake_TAG(kestrel_reader* r, const uint8_t* match, size_t size, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return wake(c, 0x66, {match, size}, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Access_Proc(kestrel_reader* r, int32_t password_type) {
    return on_handle(r, [&](Call& c) { return access_proc(c, password_type); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Read_TAG(kestrel_reader* r, const uint8_t request[KESTREL_AREA_MEMORY_SIZE], uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_memory(c, 0x68, {request}, kAreaRead, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Write_TAG(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return write_words(c, 0x69, {record, size}, kAreaWords, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Kill_TAG(kestrel_reader* r, const uint8_t code[KESTREL_KILL_CODE_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x6A, {code}, KESTREL_KILL_CODE_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Lock_TAG(kestrel_reader* r, const uint8_t lock[KESTREL_AREA_LOCK_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x6B, {lock}, KESTREL_AREA_LOCK_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Write_Block_TAG(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return write_words(c, 0x6C, {record, size}, kBlockWords, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Erase_TAG(kestrel_reader* r, const uint8_t request[KESTREL_AREA_MEMORY_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x6D, {request}, KESTREL_AREA_MEMORY_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Halt_TAG(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x6E); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Edit_TAG_Pwd(kestrel_reader* r, const uint8_t passwords[KESTREL_GJB_PASSWORDS_SIZE], uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x6F, {passwords}, KESTREL_GJB_PASSWORDS_SIZE, verdict); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Get_SecPara(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_prefixed(c, 0x70, out(o, cap, len)); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_GJB_TAG_Cust_Command(kestrel_reader* r, const uint8_t* record, size_t size, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return custom_command(c, 0xE1, {record, size}, out(o, cap, len)); });
}

}  // extern "C"
