// A stand-in for libusb 0.1: the same C functions the library calls, over configurable busses
// and devices, recording every call. Bulk writes go to the simulated reader; its answers come
// back through bulk reads, so a USB link and a serial link talk to the same reader model.
#pragma once

#include <usb.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <vector>

#include "sim/reader_model.h"
#include "sim/responder.h"

namespace kestrel::sim::usb {

enum class Op {
    init, find_busses, find_devices, get_busses, open, claim_interface, release_interface, close,
    bulk_write, bulk_read
};
const char* op_name(Op op);

// One call into the double, with what it was given and what it returned.
struct Call {
    Op op{};
    int device = -1;  // position of the device in bus-then-device order, for calls on a handle
    int interface = -1;
    int endpoint = -1;
    int size = -1;
    int timeout = -1;
    int result = 0;
    std::vector<std::uint8_t> bytes;  // bytes written, or delivered by a read
};

struct DeviceId {
    std::uint16_t vendor = 0;
    std::uint16_t product = 0;
};
inline constexpr DeviceId kReaderId{0x03EB, 0x6125};

// Results the double gives for failures, as libusb 0.1 does (negative errno values).
inline constexpr int kTimedOut = -110;
inline constexpr int kBadHandle = -9;

class UsbDouble {
public:
    static UsbDouble& instance();

    // Back to one bus with one reader, a fresh reader model numbered 1, no faults and no calls.
    void reset();

    // The busses in libusb's order, each with its devices in order. Busses and devices become
    // visible to usb_get_busses only after usb_find_busses and usb_find_devices.
    void set_busses(std::vector<std::vector<DeviceId>> busses);
    // Results of usb_find_busses / usb_find_devices; a negative one (no USB file system)
    // leaves the list empty.
    void set_find_results(int busses, int devices);

    void fail_open(bool fail) { fail_open_ = fail; }
    void set_claim_result(int result) { claim_result_ = result; }
    // The write that follows `after` further writes returns `result` instead of its size;
    // only that many bytes (none when negative) reach the reader.
    void shorten_write(int after, int result);
    // The next `count` reads time out, and whatever the reader had answered is lost.
    void time_out_reads(int count) { reads_to_time_out_ = count; }
    // The next `count` reads time out, but the reader's answer is only late: it stays on the
    // endpoint for a later read.
    void delay_reads(int count) { reads_late_ = count; }
    // Replaces the reader's answers: the queued blocks are the answer to the next command
    // written (they become readable with its first bulk write), each delivered by one read.
    void queue_read(std::vector<std::uint8_t> bytes);
    // When false the reader model still hears every frame but its answers are dropped.
    void set_model_answers(bool answer) { model_answers_ = answer; }

    ReaderModel& model() { return *model_; }
    Responder& responder() { return *responder_; }

    const std::vector<Call>& calls() const { return calls_; }
    std::vector<Call> calls_of(Op op) const;
    void clear_calls() { calls_.clear(); }
    // Calls made on a handle after it was closed (a fault in the caller).
    int calls_on_closed_handles() const { return calls_on_closed_; }
    // Handles opened and not closed yet (an orphaned handle stays counted here).
    int open_handles() const;

    // The C entry points' bodies.
    void init();
    int find_busses();
    int find_devices();
    struct ::usb_bus* get_busses();
    ::usb_dev_handle* open(struct ::usb_device* dev);
    int close(::usb_dev_handle* h);
    int claim_interface(::usb_dev_handle* h, int interface);
    int release_interface(::usb_dev_handle* h, int interface);
    int bulk_write(::usb_dev_handle* h, int ep, const char* bytes, int size, int timeout);
    int bulk_read(::usb_dev_handle* h, int ep, char* bytes, int size, int timeout);

private:
    UsbDouble();
    void rebuild_lists();
    Call& record(Op op, ::usb_dev_handle* h = nullptr);
    bool usable(::usb_dev_handle* h);

    std::vector<std::vector<DeviceId>> layout_;
    std::deque<struct ::usb_bus> busses_;
    std::deque<struct ::usb_device> devices_;
    std::vector<std::unique_ptr<::usb_dev_handle>> handles_;
    bool busses_found_ = false;
    bool devices_found_ = false;
    std::optional<int> find_busses_result_;  // none: report the number of busses
    std::optional<int> find_devices_result_;
    bool fail_open_ = false;
    int claim_result_ = 0;
    int writes_before_fault_ = -1;
    int fault_result_ = 0;
    int reads_to_time_out_ = 0;
    int reads_late_ = 0;
    bool model_answers_ = true;
    std::deque<std::vector<std::uint8_t>> pending_;
    std::deque<std::vector<std::uint8_t>> scripted_;
    std::unique_ptr<ReaderModel> model_;
    std::unique_ptr<Responder> responder_;
    std::vector<Call> calls_;
    int calls_on_closed_ = 0;
};

}  // namespace kestrel::sim::usb
