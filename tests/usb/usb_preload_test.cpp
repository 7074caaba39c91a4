// The shipped library with the libusb double preloaded in front of the real libusb.
#include <gtest/gtest.h>

#include <unistd.h>

#include <array>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::string run(const std::string& command) {
    std::string out;
    if (std::FILE* p = ::popen(command.c_str(), "r")) {
        std::array<char, 256> buf{};
        while (std::fgets(buf.data(), buf.size(), p) != nullptr) out += buf.data();
        ::pclose(p);
    }
    return out;
}

}  // namespace

TEST(UsbPreload, TheDoubleTakesThePlaceOfLibusb) {
    const std::string log = "/tmp/kestrel-usb-double-" + std::to_string(::getpid()) + ".log";
    std::remove(log.c_str());
    const std::string out = run("KESTREL_USB_DOUBLE_LOG=" + log + " LD_PRELOAD=" KESTREL_USB_DOUBLE_LIBRARY " "
                                KESTREL_USB_PRELOAD_PROBE " " KESTREL_SHARED_LIBRARY);
    EXPECT_EQ(out, "double=1 LinkCom=0 Link_Reader=0 UnLinkCom=0 closed=187\n");

    std::ifstream in(log);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) lines.push_back(line.substr(0, line.find(" bytes=")));
    std::remove(log.c_str());
    const std::vector<std::string> expected = {
        "usb_init device=-1 interface=-1 endpoint=0x00 size=-1 timeout=-1 result=0",
        "usb_find_busses device=-1 interface=-1 endpoint=0x00 size=-1 timeout=-1 result=1",
        "usb_find_devices device=-1 interface=-1 endpoint=0x00 size=-1 timeout=-1 result=1",
        "usb_get_busses device=-1 interface=-1 endpoint=0x00 size=-1 timeout=-1 result=1",
        "usb_open device=0 interface=-1 endpoint=0x00 size=-1 timeout=-1 result=0",
        "usb_claim_interface device=0 interface=0 endpoint=0x00 size=-1 timeout=-1 result=0",
        "usb_bulk_write device=0 interface=-1 endpoint=0x01 size=8 timeout=500 result=8",
        "usb_bulk_read device=0 interface=-1 endpoint=0x82 size=2048 timeout=500 result=10",
        "usb_bulk_write device=0 interface=-1 endpoint=0x01 size=8 timeout=500 result=8",
        "usb_bulk_read device=0 interface=-1 endpoint=0x82 size=2048 timeout=500 result=10",
        "usb_release_interface device=0 interface=0 endpoint=0x00 size=-1 timeout=-1 result=0",
        "usb_close device=0 interface=-1 endpoint=0x00 size=-1 timeout=-1 result=0",
    };
    EXPECT_EQ(lines, expected);
}
