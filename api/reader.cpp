// The handle API of kestrel/reader.h beyond the reader operations: opening and closing,
// cancel, address, timeouts, trace, and the typed inventory.
#include <chrono>
#include <cstring>
#include <new>

#include "api/handle.h"
#include "api/tag_ops.h"
#include "link/open.h"
#include "link/uri.h"

using namespace kestrel;
using namespace kestrel::api;

namespace {

void deliver_trace(void* context, const link::TraceEvent& e) {
    auto* reader = static_cast<kestrel_reader*>(context);
    const kestrel_trace_event event{e.direction, e.result, e.time_ns, e.address, e.command, e.bytes, e.length};
    reader->trace(reader->trace_context, &event);
}

std::int64_t steady_now_ns() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(link::Clock::now().time_since_epoch()).count();
}

// One standard's inventory: its Query_ON and Read_Tag_List codes, and whether its tag records
// start with the security word.
struct InventoryStandard {
    std::uint8_t query_on;
    std::uint8_t read_tag_list;
    bool security_word;
};

const InventoryStandard* inventory_standard(std::int32_t standard) {
    static constexpr InventoryStandard kEpc{0x22, 0x23, false};
    static constexpr InventoryStandard kGb{0x42, 0x43, true};
    static constexpr InventoryStandard kGjb{0x62, 0x63, true};
    switch (standard) {
        case KESTREL_STANDARD_EPC: return &kEpc;
        case KESTREL_STANDARD_GB: return &kGb;
        case KESTREL_STANDARD_GJB: return &kGjb;
        default: return nullptr;
    }
}

// Read modes of Read_Tag_List.
constexpr std::int32_t kFromStart = 0;
constexpr std::int32_t kContinue = 2;
constexpr std::size_t kBlockHeader = 5;

// Runs the inventory and delivers each tag record of the list. Returns the result of
// kestrel_inventory; `delivered` counts the tags handed to `on_tag`.
int run_inventory(Call& c, const InventoryStandard& standard, std::int32_t standard_code, std::int32_t per_block,
                  kestrel_tag_fn on_tag, void* context, std::size_t& delivered) {
    int code = tag_ops::status_only(c, standard.query_on);
    if (code != KESTREL_OK) return code;

    std::uint8_t block[KESTREL_MAX_REPLY_DATA];
    kestrel_tag tag;
    for (std::int32_t mode = kFromStart;; mode = kContinue) {
        std::size_t length = 0;
        code = tag_ops::read_tag_list(c, standard.read_tag_list, mode, per_block, Out{block, sizeof block, &length});
        if (code != KESTREL_OK) return code;
        const std::size_t stated = static_cast<std::size_t>(block[0]) << 8 | block[1];
        if (stated != length) return KESTREL_E_REPLY_DATA;
        if (length < kBlockHeader) return KESTREL_OK;  // an empty list
        const std::size_t held = static_cast<std::size_t>(block[2]) << 8 | block[3];
        const std::size_t records = block[4];
        const std::int64_t steady = steady_now_ns();
        const std::int64_t utc = std::chrono::duration_cast<std::chrono::microseconds>(
                                     std::chrono::system_clock::now().time_since_epoch())
                                     .count();
        std::size_t pos = kBlockHeader;
        for (std::size_t n = 0; n < records; ++n) {
            if (pos >= length) return KESTREL_E_REPLY_DATA;
            const std::size_t size = block[pos];
            if (pos + 1 + size > length) return KESTREL_E_REPLY_DATA;
            const std::uint8_t* data = block + pos + 1;
            pos += 1 + size;
            std::memset(&tag, 0, sizeof tag);
            tag.standard = standard_code;
            tag.raw_length = static_cast<std::uint16_t>(size);
            std::memcpy(tag.raw, data, size);
            if (standard.security_word) {
                if (size < 2) return KESTREL_E_REPLY_DATA;
                tag.has_security_word = 1;
                tag.security_word = static_cast<std::uint16_t>(data[0] << 8 | data[1]);
                data += 2;
                tag.id_length = static_cast<std::uint16_t>(size - 2);
            } else {
                tag.id_length = static_cast<std::uint16_t>(size);
            }
            std::memcpy(tag.id, data, tag.id_length);
            tag.utc_us = utc;
            tag.steady_ns = steady;
            ++delivered;
            if (on_tag(context, &tag) != 0) return KESTREL_OK;
        }
        if (records == 0 || delivered >= held) return KESTREL_OK;
        if (c.s.cancelled()) return KESTREL_E_CANCELLED;
    }
}

struct IntoArray {
    kestrel_tag* tags;
    std::size_t capacity;
    std::size_t stored = 0;
    bool full = false;
};

int store_tag(void* context, const kestrel_tag* tag) {
    auto* into = static_cast<IntoArray*>(context);
    if (into->stored == into->capacity) {
        into->full = true;
        return 1;
    }
    into->tags[into->stored++] = *tag;
    return 0;
}

}  // namespace

extern "C" {

KESTREL_API int32_t KESTREL_CALL kestrel_open(const char* uri, kestrel_reader** reader) {
    if (reader == nullptr) return KESTREL_E_ARGUMENT;
    *reader = nullptr;
    link::ReaderUri target;
    if (!link::parse_reader_uri(uri, target)) return KESTREL_E_BAD_URI;
    auto* r = new (std::nothrow) kestrel_reader;
    if (r == nullptr) return KESTREL_E_OPEN;
    r->address.store(target.address);
    r->transport = target.transport;
    int code = KESTREL_E_OPEN;
    for (int attempt = 1; attempt <= link::kLinkAttempts; ++attempt) {
        code = link::open_uri_link(r->s, target);
        if (code != KESTREL_OK) break;  // a device that cannot be opened does not open on a retry
        code = link::probe(r->s, target.address);
        if (code == KESTREL_OK) break;
        link::close_session_link(r->s);
    }
    if (code != KESTREL_OK) {
        delete r;
        return code;
    }
    *reader = r;
    return KESTREL_OK;
}

KESTREL_API void KESTREL_CALL kestrel_close(kestrel_reader* reader) {
    if (reader == nullptr) return;
    {
        const std::lock_guard<std::mutex> lock(reader->s.mutex);
        link::close_session_link(reader->s);
    }
    delete reader;
}

KESTREL_API int32_t KESTREL_CALL kestrel_cancel(kestrel_reader* reader) {
    if (reader == nullptr) return KESTREL_E_ARGUMENT;
    reader->cancel.raise();
    return KESTREL_OK;
}

KESTREL_API int32_t KESTREL_CALL kestrel_probe(kestrel_reader* reader) {
    return on_handle(reader, [](Call& c) { return link::probe(c.s, c.address); });
}

KESTREL_API int32_t KESTREL_CALL kestrel_set_address(kestrel_reader* reader, int32_t address) {
    if (reader == nullptr) return KESTREL_E_ARGUMENT;
    reader->address.store(static_cast<std::uint8_t>(address));
    return KESTREL_OK;
}

KESTREL_API int32_t KESTREL_CALL kestrel_get_address(const kestrel_reader* reader) {
    if (reader == nullptr) return KESTREL_E_ARGUMENT;
    return reader->address.load();
}

KESTREL_API int32_t KESTREL_CALL kestrel_get_transport(const kestrel_reader* reader) {
    if (reader == nullptr) return KESTREL_E_ARGUMENT;
    switch (reader->transport) {
        case link::Transport::serial: return KESTREL_TRANSPORT_SERIAL;
        case link::Transport::usb: return KESTREL_TRANSPORT_USB;
        case link::Transport::tcp: return KESTREL_TRANSPORT_TCP;
    }
    return KESTREL_E_ARGUMENT;
}

KESTREL_API int32_t KESTREL_CALL kestrel_set_timeouts(kestrel_reader* reader, const kestrel_timeouts* timeouts) {
    if (reader == nullptr || timeouts == nullptr) return KESTREL_E_ARGUMENT;
    const std::lock_guard<std::mutex> lock(reader->s.mutex);
    reader->s.timeouts_set = {timeouts->probe_reply_ms, timeouts->reply_ms, timeouts->byte_ms,
                              timeouts->transaction_ms};
    return KESTREL_OK;
}

KESTREL_API int32_t KESTREL_CALL kestrel_get_timeouts(const kestrel_reader* reader, kestrel_timeouts* timeouts) {
    if (reader == nullptr || timeouts == nullptr) return KESTREL_E_ARGUMENT;
    auto* r = const_cast<kestrel_reader*>(reader);  // the lock only
    const std::lock_guard<std::mutex> lock(r->s.mutex);
    const link::Timeouts t = r->s.timeouts();
    *timeouts = {t.probe_reply_ms, t.reply_ms, t.byte_ms, t.transaction_ms};
    return KESTREL_OK;
}

KESTREL_API int32_t KESTREL_CALL kestrel_set_trace(kestrel_reader* reader, kestrel_trace_fn trace, void* context) {
    if (reader == nullptr) return KESTREL_E_ARGUMENT;
    const std::lock_guard<std::mutex> lock(reader->s.mutex);
    reader->trace = trace;
    reader->trace_context = context;
    reader->s.trace = trace != nullptr ? deliver_trace : nullptr;
    reader->s.trace_context = reader;
    return KESTREL_OK;
}

KESTREL_API int64_t KESTREL_CALL kestrel_steady_ns(void) { return steady_now_ns(); }

KESTREL_API const char* KESTREL_CALL kestrel_result_string(int32_t result) {
    return kestrel_result_name(result);
}

KESTREL_API int32_t KESTREL_CALL kestrel_inventory(kestrel_reader* reader, int32_t standard, int32_t per_block,
                                                   kestrel_tag_fn on_tag, void* context, size_t* count) {
    if (count != nullptr) *count = 0;
    const InventoryStandard* s = inventory_standard(standard);
    if (s == nullptr || on_tag == nullptr || per_block < 0 || per_block > 255) return KESTREL_E_ARGUMENT;
    if (per_block == 0) per_block = 32;
    std::size_t delivered = 0;
    const int code = on_handle(
        reader, [&](Call& c) { return run_inventory(c, *s, standard, per_block, on_tag, context, delivered); });
    if (count != nullptr) *count = delivered;
    return code;
}

KESTREL_API int32_t KESTREL_CALL kestrel_inventory_into(kestrel_reader* reader, int32_t standard, int32_t per_block,
                                                        kestrel_tag* tags, size_t capacity, size_t* count) {
    if (count != nullptr) *count = 0;
    if (tags == nullptr && capacity != 0) return KESTREL_E_ARGUMENT;
    IntoArray into{tags, capacity};
    const int code = kestrel_inventory(reader, standard, per_block, store_tag, &into, nullptr);
    if (count != nullptr) *count = into.stored;
    if (code == KESTREL_OK && into.full) return KESTREL_E_BUFFER_SMALL;
    return code;
}

}  // extern "C"
