// kestrel.dll under Windows (or Wine), from the integrator's side.
//
//   kestrel_windows_test exports   binds every export of kestrel.def by name and by ordinal,
//                                  checks that nothing else answers, and calls a few through
//                                  the bound pointers with no reader attached;
//   kestrel_windows_test serial    links and runs commands over COM1 (and COM10, the same
//                                  port) against the simulated reader at address 1 with its
//                                  default scenario and these faults (scripts/test-windows):
//                                  the reply to 0x05 in 4 pieces 60 ms apart, the reply to
//                                  0x10 after 700 ms, the reply to 0x15 after 2500 ms; then
//                                  reader handles over COM1 (exclusive use, cancel), and over
//                                  TCP to a scripted peer inside this program (purge, cancel,
//                                  timeouts, the peer's close, name and IPv6 connects, refusal).
//   kestrel_windows_test usb       run beside tests/windows/libusb0_double.c's libusb0.dll:
//                                  the USB link through libusb0.dll bound at run time.
//
// Prints one PASS or FAIL line per check and exits nonzero when a check failed.
#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "def_exports.h"
#include "kestrel.h"
#include "kestrel/reader.h"

namespace {

int passed = 0;
int failed = 0;

void check(bool ok, const char* format, ...) {
    char text[256];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    std::printf("%s %s\n", ok ? "PASS" : "FAIL", text);
    ++(ok ? passed : failed);
}

std::vector<std::uint8_t> hex(const char* text) {
    std::vector<std::uint8_t> bytes;
    int high = -1;
    for (const char* p = text; *p != '\0'; ++p) {
        int v = -1;
        if (*p >= '0' && *p <= '9') v = *p - '0';
        else if (*p >= 'A' && *p <= 'F') v = *p - 'A' + 10;
        else if (*p >= 'a' && *p <= 'f') v = *p - 'a' + 10;
        if (v < 0) continue;
        if (high < 0) high = v;
        else {
            bytes.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return bytes;
}

bool starts_with(const std::uint8_t* data, const std::vector<std::uint8_t>& expected) {
    return std::equal(expected.begin(), expected.end(), data);
}

template <class F>
F bound(FARPROC p) {
    return reinterpret_cast<F>(reinterpret_cast<void*>(p));
}

// ---------------------------------------------------------------------------------------------

void run_exports() {
    HMODULE lib = ::LoadLibraryA("kestrel.dll");
    check(lib != nullptr, "LoadLibrary(\"kestrel.dll\")");
    if (lib == nullptr) return;

    // Every row of kestrel.def: the same function by name and by ordinal.
    unsigned max_ordinal = 0;
    int bound_rows = 0;
    bool listed[1024] = {};
    for (const DefExport& e : kDefExports) {
        const FARPROC by_name = ::GetProcAddress(lib, e.name);
        const FARPROC by_ordinal = ::GetProcAddress(lib, MAKEINTRESOURCEA(e.ordinal));
        if (by_name == nullptr || by_name != by_ordinal)
            check(false, "%s: by name %p, by ordinal %u %p", e.name, reinterpret_cast<void*>(by_name), e.ordinal,
                  reinterpret_cast<void*>(by_ordinal));
        else ++bound_rows;
        max_ordinal = std::max(max_ordinal, e.ordinal);
        if (e.ordinal < 1024) listed[e.ordinal] = true;
    }
    const int rows = static_cast<int>(std::size(kDefExports));
    check(bound_rows == rows, "%d of %d exports of kestrel.def bound by name and by ordinal, to the same address",
          bound_rows, rows);

    // Nothing answers at the ordinals the table leaves empty, nor by decorated or internal names.
    std::string answering;
    for (unsigned o = 1; o <= max_ordinal + 3 && o < 1024; ++o)
        if (!listed[o] && ::GetProcAddress(lib, MAKEINTRESOURCEA(o)) != nullptr) answering += " " + std::to_string(o);
    check(answering.empty(), "unlisted ordinals 1..%u answer nothing%s", max_ordinal + 3, answering.c_str());
    for (const char* name : {"_LinkCom@12", "LinkCom@12", "_LinkCom", "linkcom", "Link_Transact", "Serial_Open",
                             "DllMain", "DllMainCRTStartup"})
        check(::GetProcAddress(lib, name) == nullptr, "no export named %s", name);

    // Calls through pointers bound the way an integrator binds them (the header's calling
    // convention), with no reader attached.
    const auto link_com = bound<decltype(&LinkCom)>(::GetProcAddress(lib, "LinkCom"));
    const auto link_com_1 = bound<decltype(&LinkCom)>(::GetProcAddress(lib, MAKEINTRESOURCEA(1)));
    const auto un_link_com = bound<decltype(&UnLinkCom)>(::GetProcAddress(lib, "UnLinkCom"));
    const auto get_info = bound<decltype(&GetDeviceInfo)>(::GetProcAddress(lib, "GetDeviceInfo"));
    if (!link_com || !link_com_1 || !un_link_com || !get_info) return;

    check(un_link_com() == 0 && un_link_com() == 0, "UnLinkCom with nothing open, twice: 0");
    struct Case {
        std::int32_t port;
        std::int32_t rate;
        std::int32_t result;
        const char* why;
    };
    const Case cases[] = {
        {KESTREL_PORT_USB, 0, KESTREL_E_USB_NO_READER, "USB without libusb0.dll: no reader"},
        {10, 9600, KESTREL_E_OPEN, "port index 10 refused"},
        {31, 9600, KESTREL_E_OPEN, "port index 31 refused"},
        {-1, 9600, KESTREL_E_OPEN, "port index -1 refused"},
    };
    for (const Case& c : cases) {
        const std::int32_t r = link_com(1, c.port, c.rate);
        check(r == c.result, "LinkCom(1, %d, %d) = %d (want %d): %s", c.port, c.rate, r, c.result, c.why);
    }
    check(link_com_1(1, KESTREL_PORT_USB, 0) == KESTREL_E_USB_NO_READER, "LinkCom bound by ordinal 1 answers too");
    check(::GetModuleHandleA("libusb0.dll") == nullptr, "libusb0.dll was not loaded");
    std::array<std::uint8_t, KESTREL_DEVICE_INFO_SIZE> info{};
    check(get_info(1, info.data()) == KESTREL_E_SEND_DLE, "GetDeviceInfo with no link: 225");
    un_link_com();
}

// ---------------------------------------------------------------------------------------------

double seconds_since(ULONGLONG from) { return static_cast<double>(::GetTickCount64() - from) / 1000.0; }

void run_link_layer() {
    ULONGLONG t = ::GetTickCount64();
    std::int32_t r = LinkCom(1, 0, 115200);
    check(r == KESTREL_OK, "LinkCom(1, COM1, 115200) = %d in %.2f s", r, seconds_since(t));
    if (r != KESTREL_OK) return;

    std::uint8_t number = 0;
    r = LinkCom(1, 0, 115200);
    check(r == KESTREL_E_OPEN, "LinkCom on the port this library holds: %d", r);
    r = ReadDeviceNo(1, &number);
    check(r == KESTREL_OK && number == 1, "the open link keeps working: %d, device number %u", r, number);
    check(Link_Reader(1) == KESTREL_OK, "Link_Reader(1) = 0");

    // A reader that does not answer: each one-byte read ends empty after its timeout.
    t = ::GetTickCount64();
    r = Link_Reader(2);
    const double silent = seconds_since(t);
    check(r == KESTREL_E_NO_REPLY, "Link_Reader(2), no reader 2: %d (want 234)", r);
    check(silent > 0.3 && silent < 1.5, "the probe waited %.2f s for its first reply byte (about 0.4 s)", silent);
    check(ReadDeviceNo(1, &number) == KESTREL_E_SEND_DLE, "the failed probe closed the link: 225");

    struct Open {
        std::int32_t port;
        std::int32_t rate;
        const char* what;
    };
    const Open opens[] = {
        {0, 9600, "COM1 at 9600"},
        {0, 4800, "COM1 at 4800 (opened at 9600)"},
        {9, 57600, "COM10, index 9 (the same simulated port)"},
    };
    for (const Open& o : opens) {
        r = LinkCom(1, o.port, o.rate);
        const std::int32_t probe = r == KESTREL_OK ? Link_Reader(0xFF) : -1;
        check(r == KESTREL_OK && probe == KESTREL_OK, "LinkCom %s = %d, broadcast probe %d", o.what, r, probe);
        check(UnLinkCom() == 0 && UnLinkCom() == 0, "UnLinkCom after %s, twice: 0", o.what);
    }
    check(ReadDeviceNo(1, &number) == KESTREL_E_SEND_DLE, "a command after UnLinkCom: 225");
}

// One transaction per row against the default scenario; the link is open at 115200.
void run_commands() {
    if (LinkCom(1, 0, 115200) != KESTREL_OK) {
        check(false, "LinkCom for the command checks");
        return;
    }
    static std::array<std::uint8_t, 2561> block;
    static std::array<std::uint8_t, 512> out;
    struct Command {
        const char* what;
        std::int32_t (*run)();  // the export's result
        std::int32_t result;
        const char* reply;  // hex the reply must start with; nullptr: not compared
        const std::uint8_t* into;
    };
    const Command commands[] = {
        {"GetDeviceInfo: the identity, in pieces", [] { return GetDeviceInfo(1, out.data()); }, 0,
         "4865726F6E2055484620526561646572205631 2E3030", out.data()},
        {"Read_DeviceTemp: a reply 700 ms late is waited for", [] { return Read_DeviceTemp(1, out.data()); }, 0,
         "24", out.data()},
        {"Set_Work_Param", [] {
             std::uint8_t p[] = {0x02, 0x00, 0x01, 0x01, 0x05, 0x1A, 0x01};
             return Set_Work_Param(1, p);
         }, 0, nullptr, nullptr},
        {"Get_Work_Param reads it back", [] { return Get_Work_Param(1, out.data()); }, 0, "02 00 01 01 05 1A 01",
         out.data()},
        {"EPC_Query_ON", [] { return EPC_Query_ON(1); }, 0, nullptr, nullptr},
        {"EPC_Read_Tag_List: three tags, the first one's PC and EPC",
         [] { return EPC_Read_Tag_List(1, 0, 10, block.data()); }, 0, nullptr, nullptr},
        {"EPC_Read_TAG: TID of the first tag", [] {
             std::uint8_t req[] = {2, 0x00, 0x00, 6};
             return EPC_Read_TAG(1, req, out.data());
         }, 0, "0C E280 1130 2000 3C1A 0000 0001", out.data()},
        {"GB_Write_TAG: data with DLE bytes", [] {
             std::uint8_t req[] = {3, 0x00, 0x02, 0x00, 0x02, 0x10, 0x10, 0x02, 0x10};
             return GB_Write_TAG(1, req);
         }, 0, nullptr, nullptr},
        {"GB_Read_TAG reads them back", [] {
             std::uint8_t req[] = {3, 0x00, 0x02, 0x00, 0x02};
             return GB_Read_TAG(1, req, out.data());
         }, 0, "04 1010 0210", out.data()},
        {"GJB_Query_ON", [] { return GJB_Query_ON(1); }, 0, nullptr, nullptr},
        {"GJB_Read_Tag_List: three tags", [] { return GJB_Read_Tag_List(1, 0, 10, block.data()); }, 0, nullptr,
         nullptr},
        {"FM151M_Hash start", [] {
             std::uint8_t req[3 + 240] = {0, 1, 0};
             return FM151M_Hash(1, req, out.data());
         }, 0, nullptr, nullptr},
        {"FM151M_Hash data", [] {
             std::uint8_t req[3 + 240] = {1, 1, 3, 'a', 'b', 'c'};
             return FM151M_Hash(1, req, out.data());
         }, 0, nullptr, nullptr},
        {"FM151M_Hash end: SHA-256 of abc", [] {
             std::uint8_t req[3 + 240] = {2, 1, 0};
             return FM151M_Hash(1, req, out.data());
         }, 0, "20 ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad", out.data()},
        {"PSAM_POWER_ON: an answer to reset", [] { return PSAM_POWER_ON(1, 1, 1, out.data()); }, 0, nullptr,
         nullptr},
    };
    for (const Command& c : commands) {
        out.fill(0xEE);
        const std::int32_t r = c.run();
        bool ok = r == c.result;
        if (ok && c.reply != nullptr) ok = starts_with(c.into, hex(c.reply));
        check(ok, "%s: %d", c.what, r);
        if (std::strncmp(c.what, "EPC_Read_Tag_List", 17) == 0)
            check(block[4] == 3 && starts_with(block.data() + 5, hex("0C 3000 E200 6811 0000 0000 0001")),
                  "EPC tag list block: %u records, first %02X %02X %02X", block[4], block[5], block[6], block[7]);
        if (std::strncmp(c.what, "GJB_Read_Tag_List", 17) == 0)
            check(block[4] == 3, "GJB tag list block: %u records", block[4]);
    }

    // A reply later than the whole first-byte wait (16 reads of about 100 ms): no reply.
    const ULONGLONG t = ::GetTickCount64();
    const std::int32_t r = Get_RF_Power(1, out.data());
    const double waited = seconds_since(t);
    check(r == KESTREL_E_NO_REPLY && waited > 1.2 && waited < 3.5,
          "Get_RF_Power, reply 2500 ms late: %d after %.2f s (want 234 after about 1.6 s)", r, waited);
    UnLinkCom();
}

// The USB link through the libusb0.dll stand-in beside the program.
void run_usb() {
    std::int32_t r = LinkCom(1, KESTREL_PORT_USB, 0);
    check(r == KESTREL_OK, "LinkCom(1, 32, 0) through libusb0.dll: %d", r);
    HMODULE usb = ::GetModuleHandleA("libusb0.dll");
    const auto calls = bound<int (*)(const char*)>(usb ? ::GetProcAddress(usb, "usb_double_calls") : nullptr);
    check(calls != nullptr, "libusb0.dll loaded by the first USB LinkCom is the stand-in");
    if (r != KESTREL_OK || calls == nullptr) return;
    check(calls("usb_open") == 1 && calls("usb_claim_interface") == 1,
          "the reader on the second bus opened and claimed, the other device left alone (%d open, %d claim)",
          calls("usb_open"), calls("usb_claim_interface"));
    r = Link_Reader(1);
    check(r == KESTREL_OK && calls("usb_bulk_write") == 2 && calls("usb_bulk_read") == 2,
          "Link_Reader(1) over USB: %d, %d writes, %d reads", r, calls("usb_bulk_write"), calls("usb_bulk_read"));
    check(UnLinkCom() == 0 && calls("usb_release_interface") == 1 && calls("usb_close") == 1,
          "UnLinkCom released and closed the reader");
    std::uint8_t number = 0;
    r = ReadDeviceNo(1, &number);
    check(r == KESTREL_E_USB_SEND && calls("usb_bulk_write") == 2, "a command after UnLinkCom on USB: %d, no write", r);
}

// ---------------------------------------------------------------------------------------------
// Reader handles.

double now_s() {
    static const double ticks_per_s = [] {
        LARGE_INTEGER f;
        ::QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    ::QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / ticks_per_s;
}

// Runs `call` while another thread cancels the handle `after_ms` into it. Returns the call's
// result; `lag_ms` is how long the call went on after the cancel.
template <class Call>
std::int32_t cancelled_call(kestrel_reader* reader, int after_ms, Call call, double& lag_ms) {
    double cancelled_at = 0;
    std::thread canceller([&] {
        ::Sleep(static_cast<DWORD>(after_ms));
        cancelled_at = now_s();
        kestrel_cancel(reader);
    });
    const std::int32_t result = call();
    const double ended = now_s();
    canceller.join();
    lag_ms = (ended - cancelled_at) * 1000.0;
    return result;
}

bool under_wine() {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll != nullptr && ::GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

// A cancelled wait ends within about 10 ms; this leaves room for a busy host, and is far
// below any wait that ran its course.
constexpr double kCancelLagMs = 100.0;

// Handles over COM1 after the command checks: exclusive use of the port against the default
// link and other handles, and a cancel that ends a wait for a reply 2500 ms late.
void run_serial_handles() {
    // The late reply to the command checks' last 0x15 arrives meanwhile; the open purges it.
    ::Sleep(1200);
    kestrel_reader* a = nullptr;
    std::int32_t r = kestrel_open("serial:COM1?baud=115200&address=1", &a);
    check(r == KESTREL_OK && a != nullptr, "kestrel_open(serial:COM1) = %d", r);
    if (a == nullptr) return;

    // Windows' serial driver refuses a second open of a port; Wine does not emulate that for
    // the device it maps a port to, so there the second opens succeed and are closed again.
    const bool shared_under_wine = under_wine();
    struct Busy {
        const char* uri;
        const char* what;
    };
    const Busy busy[] = {
        {"serial:COM1?address=1", "COM1 again"},
        {"serial:COM1?baud=9600&address=1", "COM1 again at 9600"},
    };
    for (const Busy& b : busy) {
        kestrel_reader* other = nullptr;
        r = kestrel_open(b.uri, &other);
        if (!shared_under_wine)
            check(r == KESTREL_E_OPEN && other == nullptr, "kestrel_open of %s while a handle holds it: %d (want 1)",
                  b.what, r);
        kestrel_close(other);
    }
    r = LinkCom(1, 0, 115200);
    if (!shared_under_wine) check(r == KESTREL_E_OPEN, "LinkCom on COM1 while a handle holds it: %d (want 1)", r);
    if (r == KESTREL_OK) UnLinkCom();
    if (shared_under_wine)
        std::printf("SKIP exclusive use of COM1: Wine shares the device it maps a port to (%s)\n",
                    r == KESTREL_OK ? "LinkCom opened it too" : "LinkCom was refused");

    std::uint8_t out[32] = {};
    std::size_t length = 0;
    r = kestrel_ReadDeviceNo(a, out, sizeof out, &length);
    check(r == KESTREL_OK && length == 1 && out[0] == 1, "kestrel_ReadDeviceNo over the handle: %d, %u byte(s), %u", r,
          static_cast<unsigned>(length), out[0]);

    // One-byte reads that wait 1 s each: a cancel that were only seen between reads would
    // come hundreds of milliseconds late.
    kestrel_timeouts t{0, 2000, 1000, 0};
    kestrel_set_timeouts(a, &t);
    double lag = 0;
    r = cancelled_call(a, 300, [&] { return kestrel_Get_RF_Power(a, out, sizeof out, &length); }, lag);
    check(r == KESTREL_E_CANCELLED && lag < kCancelLagMs,
          "kestrel_cancel 300 ms into Get_RF_Power (reply 2500 ms late, 1 s reads): %d, %.1f ms after the cancel "
          "(want 249)",
          r, lag);
    r = kestrel_ReadDeviceNo(a, out, sizeof out, &length);
    check(r == KESTREL_OK && length == 1 && out[0] == 1,
          "the next call passes over the late reply and gets its own: %d, device number %u", r, out[0]);

    // The port's read wait follows the handle's: two first-byte reads of 250 ms each.
    t = {0, 500, 250, 0};
    kestrel_set_timeouts(a, &t);
    const double start = now_s();
    r = kestrel_Get_RF_Power(a, out, sizeof out, &length);
    const double waited = now_s() - start;
    check(r == KESTREL_E_NO_REPLY && waited > 0.4 && waited < 0.9,
          "Get_RF_Power with 250 ms reads and a 500 ms first-byte wait: %d after %.2f s (want 234 after 0.5 s)", r,
          waited);
    ::Sleep(2200);  // its late reply goes by; the close purges it

    kestrel_close(a);
    r = LinkCom(1, 0, 115200);
    check(r == KESTREL_OK, "LinkCom after kestrel_close: the handle released COM1: %d", r);
    UnLinkCom();
}

// A scripted network module: each connection accepted in turn, each request read whole and
// answered (or not) as its step says.
struct PeerStep {
    enum Kind { answer, silent, hang_up };
    Kind kind = answer;
    std::vector<std::uint8_t> data;  // the reply's data (status 0, the request's address and echo)
    int delay_ms = 0;                // before the reply
    std::size_t noise = 0;           // bytes of 0xAA sent after the reply
};

struct PeerConnection {
    SOCKET listener;
    std::vector<PeerStep> steps;
};

std::vector<std::uint8_t> reply_frame(std::uint8_t address, std::uint8_t echo, const std::vector<std::uint8_t>& data) {
    std::vector<std::uint8_t> fields;
    fields.reserve(data.size() + 6);
    for (std::uint8_t b : {address, echo, std::uint8_t{0}, static_cast<std::uint8_t>(data.size() >> 8),
                           static_cast<std::uint8_t>(data.size() & 0xFF)})
        fields.push_back(b);
    for (std::uint8_t b : data) fields.push_back(b);
    std::uint8_t check = 0;
    for (std::uint8_t b : fields)
        if (b != 0x10) check ^= b;  // the check leaves every 0x10 out
    fields.push_back(check);
    std::vector<std::uint8_t> wire = {0x10, 0x01};
    for (std::uint8_t b : fields) {
        wire.push_back(b);
        if (b == 0x10) wire.push_back(b);
    }
    wire.push_back(0x10);
    wire.push_back(0x02);
    return wire;
}

bool send_all(SOCKET s, const std::vector<std::uint8_t>& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        const int n = ::send(s, reinterpret_cast<const char*>(bytes.data() + done), static_cast<int>(bytes.size() - done), 0);
        if (n <= 0) return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Reads one command frame: DLE SOH, stuffed address, command, length, data and check, DLE STX.
bool read_command(SOCKET s, std::uint8_t& address, std::uint8_t& command) {
    auto get = [&](std::uint8_t& b) {
        char c = 0;
        const bool ok = ::recv(s, &c, 1, 0) == 1;
        b = static_cast<std::uint8_t>(c);
        return ok;
    };
    std::uint8_t b = 0;
    if (!get(b) || b != 0x10 || !get(b) || b != 0x01) return false;
    std::vector<std::uint8_t> fields;
    for (;;) {
        if (!get(b)) return false;
        if (b == 0x10) {
            if (!get(b)) return false;
            if (b == 0x02) break;
            if (b != 0x10) return false;
        }
        fields.push_back(b);
    }
    if (fields.size() < 4 || fields.size() != 4u + fields[2]) return false;
    address = fields[0];
    command = fields[1];
    return true;
}

// The peer's thread. Any request that did not come as the script says is noted in `error`.
void serve(const std::vector<PeerConnection>& script, std::string& error) {
    for (std::size_t n = 0; n < script.size(); ++n) {
        const PeerConnection& connection = script[n];
        fd_set ready;
        FD_ZERO(&ready);
        FD_SET(connection.listener, &ready);
        timeval wait{10, 0};
        if (::select(0, &ready, nullptr, nullptr, &wait) != 1) {
            error += " connection " + std::to_string(n) + " never came;";
            return;
        }
        SOCKET c = ::accept(connection.listener, nullptr, nullptr);
        if (c == INVALID_SOCKET) {
            error += " accept failed;";
            return;
        }
        const DWORD receive_wait_ms = 10000;
        ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&receive_wait_ms), sizeof receive_wait_ms);
        for (std::size_t i = 0; i < connection.steps.size() && c != INVALID_SOCKET; ++i) {
            const PeerStep& step = connection.steps[i];
            std::uint8_t address = 0, command = 0;
            if (!read_command(c, address, command)) {
                error += " connection " + std::to_string(n) + ", request " + std::to_string(i) + " not read;";
                break;
            }
            if (step.kind == PeerStep::hang_up) {
                ::closesocket(c);
                c = INVALID_SOCKET;
                break;
            }
            if (step.kind == PeerStep::silent) continue;
            ::Sleep(static_cast<DWORD>(step.delay_ms));
            if (!send_all(c, reply_frame(address, command, step.data)) ||
                (step.noise > 0 && !send_all(c, std::vector<std::uint8_t>(step.noise, 0xAA))))
                error += " connection " + std::to_string(n) + ", reply " + std::to_string(i) + " not sent;";
        }
        if (c == INVALID_SOCKET) continue;
        // Until the library closes its side.
        char scratch[256];
        while (::recv(c, scratch, sizeof scratch, 0) > 0) {
        }
        ::closesocket(c);
    }
}

SOCKET listen_on(int family, const char* address, std::uint16_t& port) {
    sockaddr_storage at{};
    int length = 0;
    if (family == AF_INET) {
        auto* in = reinterpret_cast<sockaddr_in*>(&at);
        in->sin_family = AF_INET;
        if (::inet_pton(AF_INET, address, &in->sin_addr) != 1) return INVALID_SOCKET;
        length = sizeof(sockaddr_in);
    } else {
        auto* in6 = reinterpret_cast<sockaddr_in6*>(&at);
        in6->sin6_family = AF_INET6;
        if (::inet_pton(AF_INET6, address, &in6->sin6_addr) != 1) return INVALID_SOCKET;
        length = sizeof(sockaddr_in6);
    }
    const SOCKET s = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return INVALID_SOCKET;
    if (::bind(s, reinterpret_cast<const sockaddr*>(&at), length) != 0 || ::listen(s, 4) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&at), &length) != 0) {
        ::closesocket(s);
        return INVALID_SOCKET;
    }
    port = ntohs(family == AF_INET ? reinterpret_cast<sockaddr_in*>(&at)->sin_port
                                   : reinterpret_cast<sockaddr_in6*>(&at)->sin6_port);
    return s;
}

// Handles over TCP to the scripted peer.
void run_tcp_handles() {
    WSADATA wsa{};
    if (::WSAStartup(MAKEWORD(2, 2), &wsa) != 0) {
        check(false, "WSAStartup for the TCP peer");
        return;
    }
    std::uint16_t port4 = 0, port6 = 0;
    const SOCKET v4 = listen_on(AF_INET, "127.0.0.1", port4);
    const SOCKET v6 = listen_on(AF_INET6, "::1", port6);
    check(v4 != INVALID_SOCKET, "the TCP peer listens on 127.0.0.1:%u", port4);
    if (v4 == INVALID_SOCKET) {
        ::WSACleanup();
        return;
    }
    // More noise than the 32 KB the purge of an earlier version stopped at.
    constexpr std::size_t kNoise = 40 * 1024;
    std::vector<PeerConnection> script = {
        {v4,
         {
             {PeerStep::answer, {}, 0, kNoise},  // the probe, then noise
             {PeerStep::answer, {0x01}, 0, 0},   // ReadDeviceNo after the purge
             {PeerStep::answer, {0x24}, 600, 0}, // Read_DeviceTemp, cancelled before its reply
             {PeerStep::answer, {0x01}, 0, 0},   // ReadDeviceNo after the drain
             {PeerStep::silent, {}, 0, 0},       // Read_DeviceTemp with a 300 ms reply wait
             {PeerStep::hang_up, {}, 0, 0},      // GetDeviceInfo
         }},
        {v4, {{PeerStep::answer, {}, 0, 0}}},  // by name
    };
    if (v6 != INVALID_SOCKET) script.push_back({v6, {{PeerStep::answer, {}, 0, 0}}});
    std::string peer_error;
    std::thread peer([&] { serve(script, peer_error); });

    char uri[128];
    std::snprintf(uri, sizeof uri, "tcp://127.0.0.1:%u?address=1", port4);
    kestrel_reader* a = nullptr;
    std::int32_t r = kestrel_open(uri, &a);
    check(r == KESTREL_OK && a != nullptr && kestrel_get_transport(a) == KESTREL_TRANSPORT_TCP, "kestrel_open(%s) = %d",
          uri, r);

    std::uint8_t out[32] = {};
    std::size_t length = 0;
    ::Sleep(300);  // the noise arrives
    r = kestrel_ReadDeviceNo(a, out, sizeof out, &length);
    check(r == KESTREL_OK && length == 1 && out[0] == 1,
          "the purge before a request discards all of %u bytes of noise: %d, device number %u",
          static_cast<unsigned>(kNoise), r, out[0]);

    double lag = 0;
    r = cancelled_call(a, 150, [&] { return kestrel_Read_DeviceTemp(a, out, sizeof out, &length); }, lag);
    check(r == KESTREL_E_CANCELLED && lag < kCancelLagMs,
          "kestrel_cancel 150 ms into a wait for a reply 600 ms late: %d, %.1f ms after the cancel (want 249)", r, lag);
    r = kestrel_ReadDeviceNo(a, out, sizeof out, &length);
    check(r == KESTREL_OK && length == 1 && out[0] == 1, "the next call drains the late reply and gets its own: %d", r);

    kestrel_timeouts t{0, 300, 0, 0};
    kestrel_set_timeouts(a, &t);
    double start = now_s();
    r = kestrel_Read_DeviceTemp(a, out, sizeof out, &length);
    double waited = now_s() - start;
    check(r == KESTREL_E_NO_REPLY && waited > 0.25 && waited < 0.8,
          "a peer that does not answer: %d after %.2f s (want 234 after the 0.3 s reply wait)", r, waited);

    t.reply_ms = 1500;
    kestrel_set_timeouts(a, &t);
    start = now_s();
    r = kestrel_GetDeviceInfo(a, out, sizeof out, &length);
    waited = now_s() - start;
    // The drain of the unanswered request takes its 0.3 s first; the close then ends the wait.
    check(r != KESTREL_OK && waited < 1.0,
          "the peer closes the connection on a request: %d after %.2f s, not the 1.5 s reply wait", r, waited);
    start = now_s();
    r = kestrel_ReadDeviceNo(a, out, sizeof out, &length);
    waited = now_s() - start;
    check(r != KESTREL_OK && waited < 0.5, "a request on the closed connection: %d after %.2f s", r, waited);
    kestrel_close(a);

    struct Open {
        const char* host;
        std::uint16_t port;
        const char* what;
    };
    std::vector<Open> opens = {{"localhost", port4, "a host name"}};
    if (v6 != INVALID_SOCKET) opens.push_back({"[::1]", port6, "an IPv6 literal"});
    for (const Open& o : opens) {
        std::snprintf(uri, sizeof uri, "tcp://%s:%u", o.host, o.port);
        kestrel_reader* b = nullptr;
        r = kestrel_open(uri, &b);
        check(r == KESTREL_OK && b != nullptr, "kestrel_open(%s), %s: %d", uri, o.what, r);
        kestrel_close(b);
    }
    if (v6 == INVALID_SOCKET) std::printf("SKIP IPv6: no listening socket on ::1 here\n");
    peer.join();
    check(peer_error.empty(), "the peer got every request as its script says:%s", peer_error.c_str());

    // Nothing listens on the port any more: refused at once, not waited out.
    ::closesocket(v4);
    if (v6 != INVALID_SOCKET) ::closesocket(v6);
    std::snprintf(uri, sizeof uri, "tcp://127.0.0.1:%u", port4);
    kestrel_reader* c = nullptr;
    start = now_s();
    r = kestrel_open(uri, &c);
    waited = now_s() - start;
    check(r == KESTREL_E_OPEN && c == nullptr && waited < 1.0, "kestrel_open(%s), refused: %d after %.2f s", uri, r,
          waited);
    kestrel_close(c);
    ::WSACleanup();
}

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "exports") run_exports();
    else if (mode == "serial") {
        run_link_layer();
        run_commands();
        run_serial_handles();
        run_tcp_handles();
    } else if (mode == "usb") {
        run_usb();
    } else {
        std::fprintf(stderr, "usage: kestrel_windows_test exports|serial|usb\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
