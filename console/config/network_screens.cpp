#include "console/config/network_screens.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringList>
#include <QVBoxLayout>

#include <algorithm>

#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover {

namespace network {

namespace {

// One group of an address text in `base` (10 or 16), at most three digits; an empty group is
// 0; none for a group that is not a number.
std::optional<unsigned> groupValue(const QString& group, int base) {
    const QString digits = group.trimmed();
    if (digits.isEmpty()) return 0u;
    if (digits.size() > 3) return std::nullopt;
    bool ok = false;
    const unsigned v = digits.toUInt(&ok, base);
    if (!ok || (base == 10 && !std::all_of(digits.begin(), digits.end(), [](QChar c) { return c.isDigit(); })))
        return std::nullopt;
    return v;
}

template <std::size_t N>
std::optional<std::array<std::uint8_t, N>> groups(const QString& text, int base) {
    const QStringList parts = text.split(QLatin1Char('.'));
    if (parts.size() < static_cast<qsizetype>(N)) return std::nullopt;
    std::array<std::uint8_t, N> out{};
    for (std::size_t i = 0; i < N; ++i) {
        const std::optional<unsigned> v = groupValue(parts[static_cast<qsizetype>(i)], base);
        if (!v || *v > 255) return std::nullopt;
        out[i] = static_cast<std::uint8_t>(*v);
    }
    return out;
}

QString decimalGroups(const std::uint8_t* bytes) {
    QStringList parts;
    for (int i = 0; i < 4; ++i) parts << QStringLiteral("%1").arg(bytes[i], 3, 10, QLatin1Char('0'));
    return parts.join(QLatin1Char('.'));
}

}  // namespace

std::optional<std::array<std::uint8_t, 4>> addressBytes(const QString& text) { return groups<4>(text, 10); }

std::optional<std::array<std::uint8_t, 6>> macBytes(const QString& text) { return groups<6>(text, 16); }

std::optional<std::uint16_t> portNumber(const QString& text) {
    const std::optional<std::int32_t> p = hex::decimalNumber(text);
    if (!p || *p < 1 || *p > 65535) return std::nullopt;
    return static_cast<std::uint16_t>(*p);
}

std::optional<Record> record(const Texts& t) {
    const auto gate = addressBytes(t.gate);
    const auto mask = addressBytes(t.mask);
    const auto mac = macBytes(t.mac);
    const auto ip = addressBytes(t.ip);
    const auto port = portNumber(t.port);
    if (!gate || !mask || !mac || !ip || !port) return std::nullopt;
    Record r{};
    auto at = std::copy(gate->begin(), gate->end(), r.begin());
    at = std::copy(mask->begin(), mask->end(), at);
    at = std::copy(mac->begin(), mac->end(), at);
    at = std::copy(ip->begin(), ip->end(), at);
    *at++ = static_cast<std::uint8_t>(*port / 256);
    *at = static_cast<std::uint8_t>(*port % 256);
    return r;
}

Texts texts(const Record& r) {
    QStringList mac;
    for (std::size_t i = 8; i < 14; ++i) mac << hex::byteText(r[i]);
    return {decimalGroups(&r[14]), QString::number(r[18] * 256 + r[19]), mac.join(QLatin1Char('.')),
            decimalGroups(&r[4]), decimalGroups(&r[0])};
}

}  // namespace network

namespace {

const Text kCaption = QT_TRID_NOOP("设置网络参数");
const Text kFrame = QT_TRID_NOOP(" 网络地址 ");
const Text kExit = QT_TRID_NOOP("退  出 ");

// The masks of the fields. The port takes five digits, so that every port a reader can have
// (up to 65535) is shown and stored whole.
const QString kAddressMask = QStringLiteral("000.000.000.000");
const QString kPortMask = QStringLiteral("00000");
const QString kMacMask = QStringLiteral("HH.HH.HH.HH.HH.HH");

// Defaults: the reader's factory settings.
const QString kDefaultIp = QStringLiteral("192.168.001.200");
const QString kDefaultPort = QStringLiteral("5084");
const QString kDefaultMac = QStringLiteral("0C.0D.0E.0F.10.11");
const QString kDefaultMask = QStringLiteral("255.255.255.000");
const QString kDefaultGate = QStringLiteral("192.168.001.001");

const Text kLinked = QT_TRID_NOOP(" TCP/IP 连接成功！ ");
const Text kNotLinked = QT_TRID_NOOP("TCP/IP 连接失败！");
const Text kStored = QT_TRID_NOOP(" 设置读写器IP地址参数成功！ ");
const Text kNotStored = QT_TRID_NOOP(" 设置读写器IP地址参数失败！ ");
const Text kRead = QT_TRID_NOOP(" 读读写器IP地址参数成功！");
const Text kNotRead = QT_TRID_NOOP(" 读读写器IP地址参数失败！");

// y_tcp_connect: IP address and port of a reader's network module, and the connect.
class TcpConnectScreen : public Screen {
public:
    explicit TcpConnectScreen(ScreenContext& context) : Screen(context, screen::TcpConnect, kCaption) { build(); }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("TCP网络连接")));
        QGroupBox* frame = ui::frame(this, "Frame1", kFrame);
        auto* grid = new QGridLayout(frame);
        ip_ = ui::maskedField(frame, "ip_address", kAddressMask, kDefaultIp);
        port_ = ui::maskedField(frame, "port_address", kPortMask, kDefaultPort);
        grid->addWidget(ui::label(frame, "Label5", qtTrId("IP地址： ")), 0, 0);
        grid->addWidget(ip_, 0, 1);
        grid->addWidget(ui::label(frame, "Label6", qtTrId("端口号: ")), 1, 0);
        grid->addWidget(port_, 1, 1);
        result_ = ui::resultLabel(frame, "Result");
        grid->addWidget(result_, 2, 0, 1, 2);
        root->addWidget(frame);
        auto* buttons = new QHBoxLayout;
        QPushButton* link = ui::button(this, "Command2", qtTrId("连    接"));
        QPushButton* exit = ui::button(this, "Command3", kExit);
        buttons->addWidget(link);
        buttons->addWidget(exit);
        root->addLayout(buttons);

        command(link, [this] { connectReader(); });
        exitOn(exit);
    }

    // The IP text goes to the library as shown, in the system's code page. An address or port the
    // reader cannot have is refused here, and nothing is sent; the library closes whatever link
    // is open itself before it connects.
    void connectReader() {
        const std::optional<std::uint16_t> port = network::portNumber(port_->text());
        if (!port || !network::addressBytes(ip_->text())) {
            result_->setText(kNotLinked);
            return;
        }
        const QByteArray ip = ip_->text().toLocal8Bit();
        const std::int32_t r = call(exports::TCP_LinkCom, address(), std::int32_t{*port}, ip.constData());
        if (r != 0) {
            result_->setText(kNotLinked);
            return;
        }
        result_->setText(kLinked);
        context().linkOpened();
    }

    QLineEdit* ip_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLabel* result_ = nullptr;
};

// yset_ip_address: the reader's network settings, read and stored; modal over the device
// settings screen.
class NetworkAddressScreen : public Screen {
public:
    explicit NetworkAddressScreen(ScreenContext& context) : Screen(context, screen::NetworkAddress, kCaption) {
        build();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("设置网络地址参数")));
        QGroupBox* frame = ui::frame(this, "Frame1", kFrame);
        auto* grid = new QGridLayout(frame);
        ip_ = ui::maskedField(frame, "ip_address", kAddressMask, kDefaultIp);
        port_ = ui::maskedField(frame, "port_address", kPortMask, kDefaultPort);
        mac_ = ui::maskedField(frame, "phy_address", kMacMask, kDefaultMac);
        HexKeyFilter::install(mac_);
        mask_ = ui::maskedField(frame, "mask_address", kAddressMask, kDefaultMask);
        gate_ = ui::maskedField(frame, "gate_address", kAddressMask, kDefaultGate);
        const std::pair<const char*, QString> labels[] = {{"Label5", qtTrId("IP地址： ")},
                                                          {"Label6", qtTrId("端口号: ")},
                                                          {"Label4", qtTrId("物理地址：")},
                                                          {"Label3", qtTrId("子网掩码：")},
                                                          {"Label2", qtTrId("网关地址： ")}};
        QLineEdit* const fields[] = {ip_, port_, mac_, mask_, gate_};
        for (int row = 0; row < 5; ++row) {
            grid->addWidget(ui::label(frame, labels[row].first, labels[row].second), row, 0);
            grid->addWidget(fields[row], row, 1);
        }
        result_ = ui::resultLabel(frame, "Result");
        grid->addWidget(result_, 5, 0, 1, 2);
        root->addWidget(frame);
        auto* buttons = new QHBoxLayout;
        QPushButton* read = ui::button(this, "Command1", qtTrId("读取地址"));
        QPushButton* store = ui::button(this, "Command2", qtTrId("存储地址"));
        QPushButton* exit = ui::button(this, "Command3", kExit);
        for (QPushButton* b : {read, store, exit}) buttons->addWidget(b);
        root->addLayout(buttons);

        command(read, [this] { readSettings(); });
        command(store, [this] { storeSettings(); });
        exitOn(exit);
    }

    // A group above 255, a MAC group that is not hex, or a port of 0 is refused with the failure
    // text, and nothing is sent.
    void storeSettings() {
        const std::optional<network::Record> r =
            network::record({ip_->text(), port_->text(), mac_->text(), mask_->text(), gate_->text()});
        if (!r) {
            result_->setText(kNotStored);
            return;
        }
        std::array<std::uint8_t, kExportBuffer> buffer{};
        std::copy(r->begin(), r->end(), buffer.begin());
        showResult(result_, call(exports::Set_IP_Address, address(), buffer.data()), kStored, kNotStored);
    }

    void readSettings() {
        std::array<std::uint8_t, kExportBuffer> buffer{};
        if (call(exports::Get_IP_Address, address(), buffer.data()) != 0) {
            result_->setText(kNotRead);
            return;
        }
        network::Record r{};
        std::copy_n(buffer.begin(), r.size(), r.begin());
        const network::Texts t = network::texts(r);
        ip_->setText(t.ip);
        port_->setText(t.port);
        mac_->setText(t.mac);
        mask_->setText(t.mask);
        gate_->setText(t.gate);
        result_->setText(kRead);
    }

    QLineEdit* ip_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* mac_ = nullptr;
    QLineEdit* mask_ = nullptr;
    QLineEdit* gate_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace

void registerNetworkScreens(ScreenContext& context, ScreenRegistry& registry) {
    registry.add(screen::TcpConnect, [&context](QWidget*) -> QWidget* { return new TcpConnectScreen(context); });
    registry.add(screen::NetworkAddress, [&context](QWidget* opener) -> QWidget* {
        auto* s = new NetworkAddressScreen(context);
        // Modal over the screen that opened it.
        if (opener) s->setParent(opener, Qt::Dialog);
        s->setWindowModality(Qt::ApplicationModal);
        return s;
    });
}

}  // namespace plover
