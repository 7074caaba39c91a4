// kestrel.dll under Windows (or Wine), from the integrator's side.
//
//   kestrel_windows_test exports   binds every export of kestrel.def by name and by ordinal,
//                                  checks that nothing else answers, and calls a few through
//                                  the bound pointers with no reader attached;
//   kestrel_windows_test serial    links and runs commands over COM1 (and COM10, the same
//                                  port) against the simulated reader at address 1 with its
//                                  default scenario and these faults (scripts/test-windows):
//                                  the reply to 0x05 in 4 pieces 60 ms apart, the reply to
//                                  0x10 after 700 ms, the reply to 0x15 after 2500 ms.
//   kestrel_windows_test usb       run beside tests/windows/libusb0_double.c's libusb0.dll:
//                                  the USB link through libusb0.dll bound at run time.
//
// Prints one PASS or FAIL line per check and exits nonzero when a check failed.
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "def_exports.h"
#include "kestrel.h"

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

}  // namespace

int main(int argc, char** argv) {
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "exports") run_exports();
    else if (mode == "serial") {
        run_link_layer();
        run_commands();
    } else if (mode == "usb") {
        run_usb();
    } else {
        std::fprintf(stderr, "usage: kestrel_windows_test exports|serial|usb\n");
        return 2;
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed == 0 ? 0 : 1;
}
