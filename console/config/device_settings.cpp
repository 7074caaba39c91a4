#include "console/config/device_settings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <array>

#include "console/config/write_number_dialog.h"
#include "console/shell/binding.h"
#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/platform.h"
#include "console/shell/reader_commands.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover {

namespace {

const Text kTitle = QT_TRID_NOOP("Heron（UHF） 通用读写器系统参数设置");

const Text kRestoreDone = QT_TRID_NOOP(" 机器恢复出厂初始参数成功！请等待机器重启后再作其他功能. ");
const Text kRestoreFailed = QT_TRID_NOOP(" 机器恢复出厂初始参数失败！");
const Text kInfoDone = QT_TRID_NOOP(" 读设备信息符成功！ ");
const Text kInfoFailed = QT_TRID_NOOP(" 读设备厂商信息失败！");
const Text kInfoLine = QT_TRID_NOOP("读写器设备厂商信息=");
const Text kNumberDone = QT_TRID_NOOP(" 读模块编号成功！ ");
const Text kNumberFailed = QT_TRID_NOOP(" 读模块编号失败！");
const Text kNumberLine = QT_TRID_NOOP(" 模块编号=");
const Text kRateDone = QT_TRID_NOOP(" 读置波特率成功,请重新用新的波特率联接！ ");
const Text kRateFailed = QT_TRID_NOOP(" 设置波特率失败！");


// The identity reply's length; the buffer handed to the library is larger, as the screen's
// original buffer was.
constexpr int kInfoBytes = 22;
constexpr int kInfoBuffer = 31;

}  // namespace

DeviceSettingsScreen::DeviceSettingsScreen(ScreenContext& context)
    : Screen(context, screen::DeviceSettings, kConsoleCaption) {
    build();
    load();
}

void DeviceSettingsScreen::build() {
    auto* root = new QVBoxLayout(this);
    root->addWidget(ui::title(this, "Label2", kTitle));

    QGroupBox* commands = ui::frame(this, "Frame3", qtTrId(" 设备命令 "));
    auto* grid = new QGridLayout(commands);
    QPushButton* lamp = ui::button(commands, "Lamp_Control", qtTrId("灯  控"));
    QPushButton* reset = ui::button(commands, "Device_Reset", qtTrId("设备复位"));
    QPushButton* restore = ui::button(commands, "Restore_Factory", qtTrId("恢复出厂参数"));
    QPushButton* info = ui::button(commands, "Read_Device_Info", qtTrId("读设备版本信息"));
    QPushButton* readNo = ui::button(commands, "Read_Device_No", qtTrId("读设备号"));
    QPushButton* writeNo = ui::button(commands, "Set_Device_No", qtTrId("写设备号"));
    QPushButton* rate = ui::button(commands, "Set_BaudRate", qtTrId("设置波特率"));
    QPushButton* network = ui::button(commands, "Command1", qtTrId("设置网络参数"));
    const std::array all = {lamp, reset, restore, info, readNo, writeNo, rate, network};
    for (int i = 0; i < static_cast<int>(all.size()); ++i) grid->addWidget(all[i], i / 4, i % 4);
    root->addWidget(commands);

    ui::SystemCommands systemCommands = ui::systemCommands(this);
    QGroupBox* system = systemCommands.frame;
    pcId_ = systemCommands.pcId;
    port_ = systemCommands.port;
    baudRate_ = systemCommands.baudRate;
    QPushButton* clear = ui::button(system, "clear", qtTrId("清  屏"));
    QPushButton* exit = ui::button(system, "EXIT", qtTrId("退    出"));
    systemCommands.column->addStretch();
    systemCommands.column->addWidget(clear);
    systemCommands.column->addWidget(exit);
    list1_ = systemCommands.addLog(360);
    root->addWidget(system, 1);

    command(lamp, [this] { lampAndBuzzer(); });
    command(reset, [this] { resetReader(); });
    command(restore, [this] { restoreFactory(); });
    command(info, [this] { readDeviceInfo(); });
    command(readNo, [this] { readDeviceNumber(); });
    command(rate, [this] { setBaudRate(); });
    // Opening a window and clearing the log send nothing: no busy pointer.
    connect(writeNo, &QPushButton::clicked, this, [this] { openWriteNumber(); });
    connect(network, &QPushButton::clicked, this, [this] { openNetworkAddress(); });
    connect(clear, &QPushButton::clicked, this, [this] { list1_->clear(); });
    exitOn(exit);
}

void DeviceSettingsScreen::load() {
    pcId_->setText(context().addressText());
    // No USB here: the port is shown for reference only.
    for (int n = 1; n <= 10; ++n) port_->addItem(QStringLiteral("COM%1").arg(n));
    port_->setCurrentText(context().portText());
    baudRate_->addItems(reader_commands::rates());
    baudRate_->setCurrentText(context().rateText());
    for (QPushButton* b : findChildren<QPushButton*>()) b->setEnabled(true);
}

QString DeviceSettingsScreen::addressText() const { return pcId_->text(); }

std::uint8_t DeviceSettingsScreen::readerAddress() const { return hex::readerAddress(pcId_->text()); }

std::int32_t DeviceSettingsScreen::rateCode(std::int32_t rate) {
    switch (rate) {
        case 19200: return 0;
        case 38400: return 1;
        case 57600: return 2;
        case 115200: return 4;
        default: return 3;  // 9600, and any rate the reader does not know
    }
}

void DeviceSettingsScreen::adoptDeviceNumber(std::uint8_t number) {
    const QString text = hex::numberText(number);
    pcId_->setText(text);
    context().setAddressText(text);
}

void DeviceSettingsScreen::lampAndBuzzer() {
    reader_commands::lampAndBuzzer(context().binding(), list1_, readerAddress());
}

void DeviceSettingsScreen::resetReader() {
    reader_commands::reset(context().binding(), list1_, readerAddress());
}

void DeviceSettingsScreen::restoreFactory() {
    const std::int32_t r = call(exports::DeviceRestore, readerAddress());
    log::result(list1_, r, {kRestoreDone}, kRestoreFailed);
}

void DeviceSettingsScreen::readDeviceInfo() {
    std::array<std::uint8_t, kInfoBuffer> info{};
    const std::int32_t r = call(exports::GetDeviceInfo, readerAddress(), info.data());
    if (r != 0) {
        log::failure(list1_, kInfoFailed);
        return;
    }
    // The identity is text in the system's ANSI code page; a zero byte ends it.
    qsizetype length = 0;
    while (length < kInfoBytes && info[static_cast<std::size_t>(length)] != 0) ++length;
    const QString text =
        platform::fromAnsiCodePage(QByteArrayView(reinterpret_cast<const char*>(info.data()), length));
    log::success(list1_, {kInfoDone, kInfoLine + QLatin1Char(' ') + text});
}

void DeviceSettingsScreen::readDeviceNumber() {
    std::uint8_t number = 0;
    const std::int32_t r = call(exports::ReadDeviceNo, readerAddress(), &number);
    if (r != 0) {
        log::failure(list1_, kNumberFailed);
        return;
    }
    log::success(list1_, {kNumberDone, kNumberLine + hex::numberText(number)});
    adoptDeviceNumber(number);
}

void DeviceSettingsScreen::setBaudRate() {
    const std::optional<std::int32_t> rate = hex::decimalNumber(baudRate_->currentText());
    if (!rate) {
        log::add(list1_, kRateFailed);
        return;
    }
    const std::int32_t r = call(exports::Set_Baud_Rate, readerAddress(), rateCode(*rate));
    log::result(list1_, r, {kRateDone}, kRateFailed);
}

void DeviceSettingsScreen::openWriteNumber() {
    // A dialog closed before is waiting for its deletion: a fresh one runs the load step again.
    if (!writeNo_ || !writeNo_->isVisible()) writeNo_ = new WriteNumberDialog(context(), *this);
    writeNo_->show();
    writeNo_->raise();
    writeNo_->activateWindow();
}

void DeviceSettingsScreen::openNetworkAddress() { open(screen::NetworkAddress); }

void registerDeviceSettings(ScreenContext& context, ScreenRegistry& registry) {
    registry.add(screen::DeviceSettings, [&context](QWidget*) -> QWidget* { return new DeviceSettingsScreen(context); });
}

}  // namespace plover
