#include "llrp/reader_port.h"

#include <algorithm>

#include "kestrel/reader.h"

namespace kestrel::llrp {
namespace {

// On an open handle every link failure has a code of 187 (KESTREL_E_USB_SEND) or above; a
// smaller nonzero result of a tag command is the reader's status.
constexpr std::int32_t kFirstLinkFailure = KESTREL_E_USB_SEND;
bool link_failure(std::int32_t r) { return r >= kFirstLinkFailure; }

void put32(std::uint8_t* out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(v >> (24 - 8 * i));
}

// The records per tag list block: as many as the reader's largest block holds.
constexpr std::int32_t kRecordsPerBlock = 255;

}  // namespace

KestrelPort::KestrelPort(std::string uri) : uri_(std::move(uri)) {}

KestrelPort::~KestrelPort() { kestrel_close(reader_); }

std::int32_t KestrelPort::open() {
    if (reader_) return 0;
    return kestrel_open(uri_.c_str(), &reader_);
}

kestrel_reader* KestrelPort::handle() {
    if (!reader_) open();
    return reader_;
}

std::int32_t KestrelPort::judge(std::int32_t result, bool reader_status) {
    if (result != 0 && (!reader_status || link_failure(result))) {
        kestrel_close(reader_);
        reader_ = nullptr;
    }
    return result;
}

TagOutcome KestrelPort::tag_outcome(std::int32_t result, std::uint8_t verdict) {
    TagOutcome o;
    if (!reader_) {
        o.link = KESTREL_E_OPEN;
        return o;
    }
    judge(result, true);
    if (link_failure(result)) {
        o.link = result;
    } else {
        o.status = static_cast<std::uint8_t>(result);
        if (result != 0) o.tag_error = verdict;
    }
    return o;
}

namespace {
struct Collect {
    std::vector<Sighting>* out;
};
int collect(void* context, const kestrel_tag* tag) {
    auto* c = static_cast<Collect*>(context);
    Sighting s;
    s.epc.assign(tag->id, tag->id + tag->id_length);
    s.utc_us = tag->utc_us;
    c->out->push_back(std::move(s));
    return 0;
}
}  // namespace

std::int32_t KestrelPort::inventory(std::vector<Sighting>& tags) {
    tags.clear();
    kestrel_reader* r = handle();
    if (!r) return KESTREL_E_OPEN;
    Collect c{&tags};
    return judge(kestrel_inventory(r, KESTREL_STANDARD_EPC, kRecordsPerBlock, collect, &c, nullptr), true);
}

std::int32_t KestrelPort::set_antenna(int antenna) {
    kestrel_reader* r = handle();
    if (!r) return KESTREL_E_OPEN;
    return judge(kestrel_Set_Active_ANT(r, antenna), true);
}

std::int32_t KestrelPort::get_work_params(WorkParams& params) {
    kestrel_reader* r = handle();
    if (!r) return KESTREL_E_OPEN;
    return judge(kestrel_Get_Work_Param(r, params.data(), params.size(), nullptr), false);
}

std::int32_t KestrelPort::set_work_params(const WorkParams& params) {
    kestrel_reader* r = handle();
    if (!r) return KESTREL_E_OPEN;
    return judge(kestrel_Set_Work_Param(r, params.data()), true);
}

std::int32_t KestrelPort::identity(std::string& text) {
    kestrel_reader* r = handle();
    if (!r) return KESTREL_E_OPEN;
    std::uint8_t info[KESTREL_DEVICE_INFO_SIZE] = {};
    const std::int32_t result = judge(kestrel_GetDeviceInfo(r, info, sizeof info, nullptr), false);
    if (result == 0) {
        const std::uint8_t* end = std::find(info, info + sizeof info, std::uint8_t{0});
        text.assign(reinterpret_cast<const char*>(info), reinterpret_cast<const char*>(end));
    }
    return result;
}

std::int32_t KestrelPort::mac_address(std::array<std::uint8_t, 6>& mac) {
    kestrel_reader* r = handle();
    if (!r) return KESTREL_E_OPEN;
    std::uint8_t record[KESTREL_IP_RECORD_SIZE] = {};
    const std::int32_t result = judge(kestrel_Get_IP_Address(r, record, sizeof record, nullptr), true);
    // gateway (4), mask (4), MAC (6), IP (4), port (2)
    if (result == 0) std::copy(record + 8, record + 14, mac.begin());
    return result;
}

TagOutcome KestrelPort::select(const std::vector<std::uint8_t>& epc) {
    kestrel_reader* r = handle();
    if (!r || epc.size() > 31) return tag_outcome(r ? KESTREL_E_ARGUMENT : KESTREL_E_OPEN, 0);
    // Match the whole EPC: bank 1 from bit 32 (after the stored CRC and PC words).
    std::uint8_t match[4 + 31] = {1, 0x00, 0x20, static_cast<std::uint8_t>(8 * epc.size())};
    std::copy(epc.begin(), epc.end(), match + 4);
    std::uint8_t out[1 + 255] = {};
    const std::int32_t result = kestrel_EPC_Wake_TAG(r, match, 4 + epc.size(), out, sizeof out, nullptr);
    return tag_outcome(result, out[0]);
}

TagOutcome KestrelPort::access(std::uint32_t password) {
    kestrel_reader* r = handle();
    if (!r) return tag_outcome(KESTREL_E_OPEN, 0);
    if (password != access_password_) {
        std::uint8_t access[4], kill[4];
        put32(access, password);
        put32(kill, kill_password_.value_or(0));
        const std::int32_t set = kestrel_EPC_Set_Pwd(r, 0, access, kill);
        if (set != 0) return tag_outcome(set, 0);
        access_password_ = password;
    }
    return tag_outcome(kestrel_EPC_Access_Proc(r), 0);
}

TagOutcome KestrelPort::read(std::uint8_t bank, std::uint16_t word, std::uint8_t count, std::vector<std::uint8_t>& data) {
    kestrel_reader* r = handle();
    if (!r) return tag_outcome(KESTREL_E_OPEN, 0);
    const std::uint8_t request[KESTREL_EPC_MEMORY_SIZE] = {bank, static_cast<std::uint8_t>(word >> 8),
                                                           static_cast<std::uint8_t>(word), count};
    std::uint8_t out[1 + 255] = {};
    const std::int32_t result = kestrel_EPC_Read_TAG(r, request, out, sizeof out, nullptr);
    TagOutcome o = tag_outcome(result, out[0]);
    data.clear();
    if (o.ok()) data.assign(out + 1, out + 1 + std::min<std::size_t>(out[0], 2u * count));
    return o;
}

TagOutcome KestrelPort::write(std::uint8_t bank, std::uint16_t word, const std::vector<std::uint16_t>& words,
                              bool block) {
    kestrel_reader* r = handle();
    if (!r || words.size() > 125) return tag_outcome(r ? KESTREL_E_ARGUMENT : KESTREL_E_OPEN, 0);
    std::vector<std::uint8_t> record = {bank, static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word),
                                        static_cast<std::uint8_t>(words.size())};
    for (std::uint16_t w : words) {
        record.push_back(static_cast<std::uint8_t>(w >> 8));
        record.push_back(static_cast<std::uint8_t>(w));
    }
    std::uint8_t verdict = 0;
    const std::int32_t result = block ? kestrel_EPC_Write_Block_TAG(r, record.data(), record.size(), &verdict)
                                      : kestrel_EPC_Write_TAG(r, record.data(), record.size(), &verdict);
    return tag_outcome(result, verdict);
}

TagOutcome KestrelPort::erase(std::uint8_t bank, std::uint16_t word, std::uint8_t count) {
    kestrel_reader* r = handle();
    if (!r) return tag_outcome(KESTREL_E_OPEN, 0);
    const std::uint8_t request[KESTREL_EPC_MEMORY_SIZE] = {bank, static_cast<std::uint8_t>(word >> 8),
                                                           static_cast<std::uint8_t>(word), count};
    std::uint8_t verdict = 0;
    return tag_outcome(kestrel_EPC_Write_Erase_TAG(r, request, &verdict), verdict);
}

TagOutcome KestrelPort::lock(const std::array<std::uint8_t, 5>& lock) {
    kestrel_reader* r = handle();
    if (!r) return tag_outcome(KESTREL_E_OPEN, 0);
    std::uint8_t verdict = 0;
    return tag_outcome(kestrel_EPC_Lock_TAG(r, lock.data(), &verdict), verdict);
}

TagOutcome KestrelPort::kill(std::uint32_t kill_password) {
    kestrel_reader* r = handle();
    if (!r) return tag_outcome(KESTREL_E_OPEN, 0);
    if (kill_password != kill_password_) {
        std::uint8_t access[4], kill[4];
        put32(access, access_password_.value_or(0));
        put32(kill, kill_password);
        const std::int32_t set = kestrel_EPC_Set_Pwd(r, 0, access, kill);
        if (set != 0) return tag_outcome(set, 0);
        kill_password_ = kill_password;
    }
    // The confirmation code the reader's kill command asks for.
    const std::uint8_t code[KESTREL_KILL_CODE_SIZE] = {'K', 'I', 'L', 'L'};
    std::uint8_t verdict = 0;
    return tag_outcome(kestrel_EPC_Kill_TAG(r, code, &verdict), verdict);
}

}  // namespace kestrel::llrp
