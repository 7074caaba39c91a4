// The network screens: the record both ways (edge cases of the texts), a TCP connect that brings
// the main window's buttons to life, and the settings read and stored over that very link.
#include "console/config/network_screens.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;

namespace {

constexpr std::uint8_t kSetIp = 0x08;
constexpr std::uint8_t kGetIp = 0x09;

// Buttons a connect enables on the main window.
const QStringList kLinkButtons = {"lampa",   "Reseta",       "unlinka",       "Set_para",       "Set_Device",
                                  "Set_Tag", "Set_GB",       "Set_GJB",       "PSAM_Command",   "GB_Cycle_Read",
                                  "GJB_Cycle_Read", "EPC_Cycle_Read", "Command1", "Command2"};

Bytes recordOf(const network::Texts& t) {
    const auto r = network::record(t);
    return r ? Bytes(r->begin(), r->end()) : Bytes{};
}

const network::Texts kDefaults = {"192.168.001.200", "5084", "0C.0D.0E.0F.10.11", "255.255.255.000", "192.168.001.001"};

}  // namespace

class NetworkScreensTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    bool enabled(const QString& button) { return control<QPushButton>(console.heron.get(), button)->isEnabled(); }

    QWidget* tcpScreen() { return console.open(console.heron.get(), "TCP_Conn", "y_tcp_connect"); }

    // Connects over TCP from the TCP screen to the simulated reader's port.
    void tcpConnect(QWidget* tcp) {
        setText(tcp, "ip_address", "127.000.000.001");
        setText(tcp, "port_address", QString::number(console.reader->tcpPort()));
        click(tcp, "Command2");
    }

    QWidget* settingsScreen() {
        QWidget* device = console.open(console.heron.get(), "Set_para", "set_Device_a");
        return console.open(device, "Command1", "yset_ip_address");
    }

private Q_SLOTS:
    void init() {
        QVERIFY(console.start());
        QVERIFY(console.reader->startTcp());
    }
    void cleanup() {
        QVERIFY2(console.problems.isEmpty(), qPrintable(console.problems.join('\n')));
        console.stop();
    }

    void recordsFromTexts() {
        // Mask 255.255.255.000 and port 5084: FF FF FF 00 and 13 DC; the MAC as typed.
        QCOMPARE(recordOf(kDefaults), Bytes({0xC0, 0xA8, 0x01, 0x01, 0xFF, 0xFF, 0xFF, 0x00, 0x0C, 0x0D,
                                             0x0E, 0x0F, 0x10, 0x11, 0xC0, 0xA8, 0x01, 0xC8, 0x13, 0xDC}));
        // Groups as the masked fields give them: unpadded, or empty where nothing was typed.
        network::Texts t = kDefaults;
        t.ip = "10.0.0.7";
        t.gate = "10.0..1";
        t.mac = "AB.cd.1.0..F";
        t.port = "65535";
        QCOMPARE(recordOf(t), Bytes({10, 0, 0, 1, 0xFF, 0xFF, 0xFF, 0x00, 0xAB, 0xCD, 0x01, 0x00, 0x00, 0x0F, 10, 0,
                                     0, 7, 0xFF, 0xFF}));
        // Refused: a group above 255, fewer groups, a port of 0 or above 65535, no port, junk.
        const QList<std::function<void(network::Texts&)>> refused = {
            [](auto& x) { x.ip = "192.168.001.256"; },   [](auto& x) { x.mask = "999.255.255.000"; },
            [](auto& x) { x.gate = "192.168.001"; },     [](auto& x) { x.port = "0"; },
            [](auto& x) { x.port = "65536"; },          [](auto& x) { x.port = ""; },
            [](auto& x) { x.mac = "0C.0D.0E.0F.10"; },   [](auto& x) { x.mac = "0G.0D.0E.0F.10.11"; },
            [](auto& x) { x.ip = "1a2.168.001.200"; },
        };
        for (const auto& change : refused) {
            network::Texts x = kDefaults;
            change(x);
            QVERIFY2(recordOf(x).empty(), qPrintable(x.ip + " " + x.mask + " " + x.gate + " " + x.port + " " + x.mac));
        }
    }

    void textsFromRecords() {
        network::Record r{0xC0, 0xA8, 0x01, 0x01, 0xFF, 0xFF, 0x00, 0x00, 0x0c, 0xab,
                          0x00, 0x10, 0xfe, 0x01, 0x0A, 0x00, 0x00, 0x02, 0x13, 0x88};
        const network::Texts t = network::texts(r);
        QCOMPARE(t.gate, QStringLiteral("192.168.001.001"));
        QCOMPARE(t.mask, QStringLiteral("255.255.000.000"));
        QCOMPARE(t.mac, QStringLiteral("0C.AB.00.10.FE.01"));
        QCOMPARE(t.ip, QStringLiteral("010.000.000.002"));
        QCOMPARE(t.port, QStringLiteral("5000"));
        r[18] = 0xFF;
        r[19] = 0xFF;
        QCOMPARE(network::texts(r).port, QStringLiteral("65535"));
        // Shown and stored again: unchanged.
        QCOMPARE(recordOf(network::texts(r)), Bytes(r.begin(), r.end()));
    }

    // The TCP screen connects; the main window's link buttons come alive; its log is untouched.
    void connectOverTcp() {
        click(console.heron.get(), "unlinka");
        for (const QString& b : kLinkButtons) QVERIFY2(!enabled(b), qPrintable(b));
        const QStringList log = lines(console.heron.get());
        QWidget* tcp = tcpScreen();
        QCOMPARE(tcp->windowTitle(), QStringLiteral("设置网络参数"));
        QCOMPARE(text(tcp, "ip_address"), QStringLiteral("192.168.001.200"));
        QCOMPARE(text(tcp, "port_address"), QStringLiteral("5084"));
        setText(console.heron.get(), "pc_id", "01");
        tcpConnect(tcp);
        QCOMPARE(text(tcp, "Result"), QStringLiteral(" TCP/IP 连接成功！ "));
        for (const QString& b : kLinkButtons) QVERIFY2(enabled(b), qPrintable(b));
        QCOMPARE(lines(console.heron.get()), log);
        QCOMPARE(console.reader->tcpConnections(), std::size_t{1});
        QVERIFY(screenshot(tcp));

        // Every screen now works over the network link: the device settings screen reads the identity.
        QWidget* device = console.open(console.heron.get(), "Set_para", "set_Device_a");
        setText(device, "pc_id", "01");
        click(device, "Read_Device_Info");
        QVERIFY(lines(device).join('\n').contains("Heron UHF Reader V1.00"));
    }

    void refusedOrFailedConnects() {
        click(console.heron.get(), "unlinka");
        QWidget* tcp = tcpScreen();
        // An address or port the reader cannot have: refused before anything is sent.
        const std::pair<QString, QString> refused[] = {{"256.000.000.001", "5084"}, {"127.000.000.001", "0"}};
        for (const auto& [ip, port] : refused) {
            setText(tcp, "ip_address", ip);
            setText(tcp, "port_address", port);
            click(tcp, "Command2");
            QCOMPARE(text(tcp, "Result"), QStringLiteral("TCP/IP 连接失败！"));
        }
        QCOMPARE(console.reader->tcpConnections(), std::size_t{0});
        // Nobody listens on the port: the library's failure; the buttons stay as they were.
        setText(tcp, "ip_address", "127.000.000.001");
        setText(tcp, "port_address", "1");
        click(tcp, "Command2");
        QCOMPARE(text(tcp, "Result"), QStringLiteral("TCP/IP 连接失败！"));
        QVERIFY(!enabled("lampa"));
    }

    // Read over the TCP link, then store: the record on the wire and back on the screen.
    void readAndStoreSettings() {
        setText(console.heron.get(), "pc_id", "01");
        tcpConnect(tcpScreen());
        QWidget* settings = settingsScreen();
        QCOMPARE(settings->windowTitle(), QStringLiteral("设置网络参数"));
        QVERIFY(settings->isModal());
        console.reader->withModel([](kestrel::sim::ReaderModel& m) {
            m.settings.network.gateway = {0xC0, 0xA8, 0x01, 0x01};
            m.settings.network.ip = {10, 1, 2, 3};
            m.settings.network.port = 0x1388;
            m.settings.network.mac = {0x02, 0x00, 0x5E, 0xAB, 0xCD, 0xEF};
        });
        click(settings, "Command1");
        QCOMPARE(text(settings, "Result"), QStringLiteral(" 读读写器IP地址参数成功！"));
        QCOMPARE(text(settings, "gate_address"), QStringLiteral("192.168.001.001"));
        QCOMPARE(text(settings, "ip_address"), QStringLiteral("010.001.002.003"));
        QCOMPARE(text(settings, "port_address"), QStringLiteral("5000"));
        QCOMPARE(text(settings, "phy_address"), QStringLiteral("02.00.5E.AB.CD.EF"));
        QCOMPARE(text(settings, "mask_address"), QStringLiteral("255.255.255.000"));
        QVERIFY(screenshot(settings));

        setText(settings, "mask_address", "255.255.255.000");
        setText(settings, "port_address", "5084");
        setText(settings, "phy_address", "0C.0D.0E.0F.10.11");
        click(settings, "Command2");
        QCOMPARE(text(settings, "Result"), QStringLiteral(" 设置读写器IP地址参数成功！ "));
        const Bytes sent = console.sent(kSetIp);
        QCOMPARE(sent.size(), std::size_t{20});
        QCOMPARE(Bytes(sent.begin() + 4, sent.begin() + 8), Bytes({0xFF, 0xFF, 0xFF, 0x00}));
        QCOMPARE(Bytes(sent.begin() + 8, sent.begin() + 14), Bytes({0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11}));
        QCOMPARE(Bytes(sent.begin() + 18, sent.end()), Bytes({0x13, 0xDC}));
        console.reader->withModel([](kestrel::sim::ReaderModel& m) { QCOMPARE(m.settings.network.port, 5084); });

        // A group above 255 is refused with the failure text and nothing is sent.
        const std::size_t before = console.reader->count();
        setText(settings, "gate_address", "300.168.001.001");
        click(settings, "Command2");
        QCOMPARE(text(settings, "Result"), QStringLiteral(" 设置读写器IP地址参数失败！ "));
        QCOMPARE(console.reader->count(), before);

        // A reader that refuses: the failure texts, and the fields stay as they were.
        console.reader->script(kGetIp, {0x03, {}});
        click(settings, "Command1");
        QCOMPARE(text(settings, "Result"), QStringLiteral(" 读读写器IP地址参数失败！"));
        QCOMPARE(text(settings, "port_address"), QStringLiteral("5084"));
        setText(settings, "gate_address", "192.168.001.001");
        console.reader->script(kSetIp, {0x03, {}});
        click(settings, "Command2");
        QCOMPARE(text(settings, "Result"), QStringLiteral(" 设置读写器IP地址参数失败！ "));
        click(settings, "Command3");
        QVERIFY(!console.heron->screens().find("yset_ip_address"));
    }
};

QTEST_MAIN(NetworkScreensTest)
#include "network_screens_test.moc"
