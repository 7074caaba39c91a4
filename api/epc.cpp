// EPC Class-1 Gen-2 tag commands (0x20 to 0x2F, custom command 0xE2). Each export names its
// command code and layout; the operations themselves are shared with the GB and GJB families.
#include "api/tag_ops.h"

using namespace kestrel::api;
using namespace kestrel::api::tag_ops;

namespace {

// Write and block write: bank, word address (2), word count N (1), then 2N data bytes.
constexpr WordsLayout kEpcWords{.header = 4, .count_at = 3, .count_width = 1};

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL EPC_Read_Select_Para(int32_t address, uint8_t* record) {
    return read_select(address, 0x20, record);
}

KESTREL_API int32_t KESTREL_CALL EPC_Write_Select_Para(int32_t address, uint8_t* record) {
    return write_select(address, 0x21, record);
}

KESTREL_API int32_t KESTREL_CALL EPC_Query_ON(int32_t address) {
    return status_only(address, 0x22);
}

KESTREL_API int32_t KESTREL_CALL EPC_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block) {
    return read_tag_list(address, 0x23, mode, length, block);
}

// Store flag, access password, kill password: the passwords the reader uses towards tags.
KESTREL_API int32_t KESTREL_CALL EPC_Set_Pwd(int32_t address, int32_t store, uint8_t* access_password,
                                             uint8_t* kill_password) {
    Request request(address, 0x25);
    request.byte(store).bytes(access_password, KESTREL_PASSWORD_SIZE).bytes(kill_password, KESTREL_PASSWORD_SIZE);
    return exchange(request);
}

KESTREL_API int32_t KESTREL_CALL EPC_Wake_TAG(int32_t address, uint8_t* match, uint8_t* epc) {
    return wake(address, 0x26, match, epc);
}

KESTREL_API int32_t KESTREL_CALL EPC_Access_Proc(int32_t address) {
    return status_only(address, 0x27);
}

KESTREL_API int32_t KESTREL_CALL EPC_Read_TAG(int32_t address, uint8_t* request, uint8_t* data) {
    return read_memory(address, 0x28, request, KESTREL_EPC_MEMORY_SIZE, data);
}

KESTREL_API int32_t KESTREL_CALL EPC_Write_TAG(int32_t address, uint8_t* record) {
    return write_words(address, 0x29, record, kEpcWords);
}

KESTREL_API int32_t KESTREL_CALL EPC_Kill_TAG(int32_t address, uint8_t* code) {
    return verdict_command(address, 0x2A, code, KESTREL_KILL_CODE_SIZE);
}

KESTREL_API int32_t KESTREL_CALL EPC_Lock_TAG(int32_t address, uint8_t* lock) {
    return verdict_command(address, 0x2B, lock, KESTREL_EPC_LOCK_SIZE);
}

KESTREL_API int32_t KESTREL_CALL EPC_Write_Block_TAG(int32_t address, uint8_t* record) {
    return write_words(address, 0x2C, record, kEpcWords);
}

KESTREL_API int32_t KESTREL_CALL EPC_Write_Erase_TAG(int32_t address, uint8_t* request) {
    return verdict_command(address, 0x2D, request, KESTREL_EPC_MEMORY_SIZE);
}

KESTREL_API int32_t KESTREL_CALL EPC_Halt_TAG(int32_t address) {
    return status_only(address, 0x2E);
}

// Two new passwords written into the tag, the first buffer's four bytes first.
KESTREL_API int32_t KESTREL_CALL EPC_Edit_TAG_Pwd(int32_t address, uint8_t* first_password,
                                                  uint8_t* second_password) {
    Request request(address, 0x2F);
    request.bytes(first_password, KESTREL_PASSWORD_SIZE).bytes(second_password, KESTREL_PASSWORD_SIZE);
    return exchange(request);
}

KESTREL_API int32_t KESTREL_CALL EPC_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply) {
    return custom_command(address, 0xE2, record, reply);
}

}  // extern "C"
