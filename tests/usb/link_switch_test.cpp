// Switching the link between transports without UnLinkCom, against the libusb double, a
// pseudo-terminal and a loopback TCP port: each open closes the link of the other transport,
// so no port, USB handle or connection is ever orphaned.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>

#include "kestrel.h"
#include "link/session.h"
#include "sim/pty_simulator.h"
#include "sim/reader_model.h"
#include "sim/tcp_simulator.h"
#include "sim/usb/usb_double.h"

using kestrel::link::session;
using kestrel::link::Transport;
using namespace kestrel::sim::usb;

namespace {

constexpr int kCom1 = 0;
constexpr int kUsbPort = 32;

class LinkSwitch : public ::testing::Test {
protected:
    void SetUp() override {
        UnLinkCom();
        usb.reset();
        session().transport = Transport::serial;
        ASSERT_TRUE(pty.start()) << pty.error();
        ASSERT_TRUE(tcp.start("127.0.0.1", 0)) << tcp.error();
        ::setenv("KESTREL_COM1", pty.slave_path().c_str(), 1);
    }
    void TearDown() override {
        UnLinkCom();
        EXPECT_EQ(usb.open_handles(), 0) << "a USB handle was left open";
        EXPECT_EQ(usb.calls_on_closed_handles(), 0) << "libusb was handed a closed device";
        pty.stop();
        tcp.stop();
        ::unsetenv("KESTREL_COM1");
    }

    // Whether another program could take the serial port now (it is not held by the library).
    bool serial_port_free() const {
        const int fd = ::open(pty.slave_path().c_str(), O_RDWR | O_NOCTTY);
        if (fd < 0) return false;
        const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
        ::close(fd);
        return free;
    }
    int tcp_link() { return TCP_LinkCom(1, tcp.port(), "127.0.0.1"); }
    static int read_number() {
        std::uint8_t number = 0;
        return ReadDeviceNo(1, &number);
    }

    UsbDouble& usb = UsbDouble::instance();
    kestrel::sim::ReaderModel serial_model;
    kestrel::sim::PtySimulator pty{serial_model};
    kestrel::sim::ReaderModel tcp_model;
    kestrel::sim::TcpSimulator tcp{tcp_model};
};

}  // namespace

TEST_F(LinkSwitch, SerialThenUsbThenSerialWithoutUnlinkLeavesNoHandle) {
    ASSERT_EQ(LinkCom(1, kCom1, 115200), KESTREL_OK);
    EXPECT_FALSE(serial_port_free());

    ASSERT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_OK) << "the serial port is closed first";
    EXPECT_TRUE(serial_port_free());
    EXPECT_EQ(usb.open_handles(), 1);
    EXPECT_EQ(read_number(), KESTREL_OK);

    usb.clear_calls();
    ASSERT_EQ(LinkCom(1, kCom1, 115200), KESTREL_OK) << "the USB reader is released and closed first";
    EXPECT_EQ(usb.open_handles(), 0);
    ASSERT_GE(usb.calls().size(), 2u);
    EXPECT_EQ(usb.calls()[0].op, Op::release_interface);
    EXPECT_EQ(usb.calls()[1].op, Op::close);
    EXPECT_EQ(read_number(), KESTREL_OK);

    // Before the fix the orphaned handle made every later USB LinkCom return 1.
    ASSERT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_OK);
    EXPECT_EQ(usb.open_handles(), 1);
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    EXPECT_EQ(usb.open_handles(), 0);
}

TEST_F(LinkSwitch, UnLinkComClosesWhateverIsOpenWhateverTheTransportSays) {
    ASSERT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_OK);
    // A transport changed under an open USB link (as a failed serial LinkCom does) no longer
    // hides the handle from UnLinkCom.
    session().transport = Transport::serial;
    EXPECT_EQ(UnLinkCom(), KESTREL_OK);
    EXPECT_EQ(usb.open_handles(), 0);
}

TEST_F(LinkSwitch, AFailedSerialLinkComStillClosesTheUsbReader) {
    ASSERT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_OK);
    EXPECT_EQ(LinkCom(1, 12, 9600), KESTREL_E_OPEN);
    EXPECT_EQ(usb.open_handles(), 0);
    EXPECT_EQ(session().transport, Transport::serial);
    ASSERT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_OK);
}

TEST_F(LinkSwitch, TcpThenUsbThenTcpThenSerial) {
    ASSERT_EQ(tcp_link(), KESTREL_OK);
    ASSERT_EQ(LinkCom(1, kUsbPort, 0), KESTREL_OK) << "the connection is closed first";
    ASSERT_NE(session().link, nullptr);
    EXPECT_EQ(session().link->transport(), Transport::usb);
    EXPECT_EQ(read_number(), KESTREL_OK);

    ASSERT_EQ(tcp_link(), KESTREL_OK) << "TCP_LinkCom closes the USB reader first";
    EXPECT_EQ(usb.open_handles(), 0);
    EXPECT_EQ(read_number(), KESTREL_OK);
    EXPECT_EQ(tcp.connections(), 2u);

    ASSERT_EQ(LinkCom(1, kCom1, 115200), KESTREL_OK);
    ASSERT_NE(session().link, nullptr);
    EXPECT_EQ(session().link->transport(), Transport::serial);
    EXPECT_EQ(read_number(), KESTREL_OK);
    ASSERT_EQ(tcp_link(), KESTREL_OK);
    EXPECT_TRUE(serial_port_free());
}
