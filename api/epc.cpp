// EPC Class-1 Gen-2 tag commands (0x20 to 0x2F, custom command 0xE2). Each export names its
// command code and layout; the operations themselves are shared with the GB and GJB families.
// Every command has its kestrel.h export and its handle form.
#include "api/handle.h"
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

namespace {

// Write and block write: bank, word address (2), word count N (1), then 2N data bytes.
constexpr WordsLayout kEpcWords{.header = 4, .count_at = 3, .count_width = 1};

// Store flag, access password, kill password: the passwords the reader uses towards tags.
int set_pwd(Call& c, std::int32_t store, In access_password, In kill_password) {
    Request request(c, 0x25);
    request.byte(store).bytes(access_password, KESTREL_PASSWORD_SIZE).bytes(kill_password, KESTREL_PASSWORD_SIZE);
    return exchange(request);
}

// Two new passwords written into the tag, the first buffer's four bytes first.
int edit_tag_pwd(Call& c, In first_password, In second_password) {
    Request request(c, 0x2F);
    request.bytes(first_password, KESTREL_PASSWORD_SIZE).bytes(second_password, KESTREL_PASSWORD_SIZE);
    return exchange(request);
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL EPC_Read_Select_Para(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return read_select(c, 0x20, {record}); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Write_Select_Para(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return write_select(c, 0x21, {record}); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Query_ON(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x22); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block) {
    return on_default(address, [&](Call& c) { return read_tag_list(c, 0x23, mode, length, {block}); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Set_Pwd(int32_t address, int32_t store, uint8_t* access_password,
                                             uint8_t* kill_password) {
    return on_default(address, [&](Call& c) { return set_pwd(c, store, {access_password}, {kill_password}); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Wake_TAG(int32_t address, uint8_t* match, uint8_t* epc) {
    return on_default(address, [&](Call& c) { return wake(c, 0x26, {match}, {epc}); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Access_Proc(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x27); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Read_TAG(int32_t address, uint8_t* request, uint8_t* data) {
    return on_default(address, [&](Call& c) { return read_memory(c, 0x28, {request}, kEpcRead, {data}); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Write_TAG(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return write_words(c, 0x29, {record}, kEpcWords, record); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Kill_TAG(int32_t address, uint8_t* code) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x2A, {code}, KESTREL_KILL_CODE_SIZE, code); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Lock_TAG(int32_t address, uint8_t* lock) {
    return on_default(address, [&](Call& c) { return verdict_command(c, 0x2B, {lock}, KESTREL_EPC_LOCK_SIZE, lock); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Write_Block_TAG(int32_t address, uint8_t* record) {
    return on_default(address, [&](Call& c) { return write_words(c, 0x2C, {record}, kEpcWords, record); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Write_Erase_TAG(int32_t address, uint8_t* request) {
    return on_default(address,
                      [&](Call& c) { return verdict_command(c, 0x2D, {request}, KESTREL_EPC_MEMORY_SIZE, request); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Halt_TAG(int32_t address) {
    return on_default(address, [&](Call& c) { return status_only(c, 0x2E); });
}
KESTREL_API int32_t KESTREL_CALL EPC_Edit_TAG_Pwd(int32_t address, uint8_t* first_password,
                                                  uint8_t* second_password) {
    return on_default(address, [&](Call& c) { return edit_tag_pwd(c, {first_password}, {second_password}); });
}
KESTREL_API int32_t KESTREL_CALL EPC_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply) {
    return on_default(address, [&](Call& c) { return custom_command(c, 0xE2, {record}, {reply}); });
}

// ---- handle forms ----------------------------------------------------------------------------

KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Read_Select_Para(kestrel_reader* r, uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_select(c, 0x20, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_Select_Para(kestrel_reader* r, const uint8_t* record, size_t size) {
    return on_handle(r, [&](Call& c) { return write_select(c, 0x21, {record, size}); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Query_ON(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x22); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Read_Tag_List(kestrel_reader* r, int32_t mode, int32_t records, uint8_t* o,
                                                           size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_tag_list(c, 0x23, mode, records, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Set_Pwd(kestrel_reader* r, int32_t store,
                                                     const uint8_t access_password[KESTREL_PASSWORD_SIZE],
                                                     const uint8_t kill_password[KESTREL_PASSWORD_SIZE]) {
    return on_handle(r, [&](Call& c) { return set_pwd(c, store, {access_password}, {kill_password}); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Wake_TAG(kestrel_reader* r, const uint8_t* match, size_t size, uint8_t* o,
                                                      size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return wake(c, 0x26, {match, size}, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Access_Proc(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x27); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Read_TAG(kestrel_reader* r, const uint8_t request[KESTREL_EPC_MEMORY_SIZE],
                                                      uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return read_memory(c, 0x28, {request}, kEpcRead, out(o, cap, len)); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_TAG(kestrel_reader* r, const uint8_t* record, size_t size,
                                                       uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return write_words(c, 0x29, {record, size}, kEpcWords, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Kill_TAG(kestrel_reader* r, const uint8_t code[KESTREL_KILL_CODE_SIZE],
                                                      uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x2A, {code}, KESTREL_KILL_CODE_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Lock_TAG(kestrel_reader* r, const uint8_t lock[KESTREL_EPC_LOCK_SIZE],
                                                      uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return verdict_command(c, 0x2B, {lock}, KESTREL_EPC_LOCK_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_Block_TAG(kestrel_reader* r, const uint8_t* record, size_t size,
                                                             uint8_t* verdict) {
    return on_handle(r, [&](Call& c) { return write_words(c, 0x2C, {record, size}, kEpcWords, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_Erase_TAG(kestrel_reader* r,
                                                             const uint8_t request[KESTREL_EPC_MEMORY_SIZE],
                                                             uint8_t* verdict) {
    return on_handle(r,
                     [&](Call& c) { return verdict_command(c, 0x2D, {request}, KESTREL_EPC_MEMORY_SIZE, verdict); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Halt_TAG(kestrel_reader* r) {
    return on_handle(r, [&](Call& c) { return status_only(c, 0x2E); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Edit_TAG_Pwd(kestrel_reader* r,
                                                          const uint8_t first_password[KESTREL_PASSWORD_SIZE],
                                                          const uint8_t second_password[KESTREL_PASSWORD_SIZE]) {
    return on_handle(r, [&](Call& c) { return edit_tag_pwd(c, {first_password}, {second_password}); });
}
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_TAG_Cust_Command(kestrel_reader* r, const uint8_t* record, size_t size,
                                                              uint8_t* o, size_t cap, size_t* len) {
    return on_handle(r, [&](Call& c) { return custom_command(c, 0xE2, {record, size}, out(o, cap, len)); });
}

}  // extern "C"
