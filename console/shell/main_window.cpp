#include "console/shell/main_window.h"

#include <QCloseEvent>
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

#include "console/shell/binding.h"
#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/reader_commands.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover {

namespace {

const Text kTitle = QT_TRID_NOOP("Heron（UHF） 通用读写器测试应用程序");

const Text kLinked = QT_TRID_NOOP(" 设备联接成功！");
const Text kNotLinked = QT_TRID_NOOP(" 设备联接不成功！");
const Text kUnlinked = QT_TRID_NOOP(" 断开联接成功！");
const Text kRateNotANumber = QT_TRID_NOOP(" 波特率“%1”不是十进制数字，没有联接！");

const QStringList kPorts = {QStringLiteral("USB"),  QStringLiteral("COM1"), QStringLiteral("COM2"),
                            QStringLiteral("COM3"), QStringLiteral("COM4"), QStringLiteral("COM5"),
                            QStringLiteral("COM6"), QStringLiteral("COM7"), QStringLiteral("COM8"),
                            QStringLiteral("COM9"), QStringLiteral("COM10")};

// The buttons a failed connect and a disconnect disable; a successful connect enables them all
// but the three test buttons, which stay disabled for the whole run.
constexpr std::array kNeedLink = {"lampa",         "Reseta",        "unlinka",        "Set_para",
                                  "Set_Tag",       "Set_Device",    "Set_GB",         "Set_GJB",
                                  "PSAM_Command",  "GB_Test",       "GJB_Test",       "EPC_Test",
                                  "GB_Cycle_Read", "GJB_Cycle_Read", "EPC_Cycle_Read", "Command1",
                                  "Command2"};
constexpr std::array kTestButtons = {"GB_Test", "GJB_Test", "EPC_Test"};

bool isTestButton(const char* name) {
    for (const char* t : kTestButtons)
        if (qstrcmp(t, name) == 0) return true;
    return false;
}

}  // namespace

MainWindow::MainWindow(Binding& binding, QWidget* parent) : QWidget(parent), binding_(binding) {
    setObjectName(screen::Main);
    setWindowTitle(kConsoleCaption);
    build();
    load();
}

MainWindow::~MainWindow() { screens_.closeAll(); }

void MainWindow::build() {
    auto* root = new QVBoxLayout(this);
    root->addWidget(ui::title(this, "Label2", kTitle));

    // System commands: link settings, log and the link buttons.
    ui::SystemCommands systemCommands = ui::systemCommands(this);
    QGroupBox* system = systemCommands.frame;
    pcId_ = systemCommands.pcId;
    port_ = systemCommands.port;
    baudRate_ = systemCommands.baudRate;

    auto* buttons = new QGridLayout;
    QPushButton* linka = ui::button(system, "linka", qtTrId("联  接"));
    QPushButton* unlinka = ui::button(system, "unlinka", qtTrId("断开联接"));
    QPushButton* lampa = ui::button(system, "lampa", qtTrId("灯  控"));
    QPushButton* reseta = ui::button(system, "Reseta", qtTrId("设备复位"));
    QPushButton* tcp = ui::button(system, "TCP_Conn", qtTrId("TCP连接"));
    QPushButton* clear = ui::button(system, "clear", qtTrId("清  屏"));
    QPushButton* exita = ui::button(system, "exita", qtTrId("退    出"));
    buttons->addWidget(linka, 0, 0);
    buttons->addWidget(unlinka, 0, 1);
    buttons->addWidget(lampa, 1, 0);
    buttons->addWidget(reseta, 1, 1);
    buttons->addWidget(tcp, 2, 0);
    buttons->addWidget(clear, 2, 1);
    buttons->addWidget(exita, 3, 0, 1, 2);

    systemCommands.column->addLayout(buttons);
    systemCommands.column->addStretch();
    list1_ = systemCommands.addLog(340);
    root->addWidget(system);

    auto addRow = [this, root](const char* name, const QString& caption, QList<QWidget*> widgets) {
        QGroupBox* f = ui::frame(this, name, caption);
        auto* row = new QHBoxLayout(f);
        for (QWidget* w : widgets) {
            w->setParent(f);
            row->addWidget(w);
        }
        root->addWidget(f);
        return f;
    };
    QPushButton* setPara = ui::button(this, "Set_para", qtTrId("设备参数设置命令"));
    addRow("Frame1", qtTrId(" 设备参数设置命令集"),
           {setPara, ui::label(this, "Label6", qtTrId("(该组命令完成对读写器的系统各项参数的设置等)"))});
    QPushButton* setDevice = ui::button(this, "Set_Device", qtTrId("设备工作参数设置命令集"));
    addRow("Frame3", qtTrId(" 设备工作参数设置命令集 "),
           {setDevice, ui::label(this, "Label8", qtTrId("该组命令完成对读写器工作时各项参数的设置等）"))});
    QPushButton* setTag = ui::button(this, "Set_Tag", qtTrId("EPC标签操作命令"));
    QPushButton* setGb = ui::button(this, "Set_GB", qtTrId("GB/T29768标签操作命令"));
    QPushButton* setGjb = ui::button(this, "Set_GJB", qtTrId("GJB/7377.1标签操作命令"));
    addRow("Frame5", qtTrId(" 标签操作命令集 "), {setTag, setGb, setGjb});
    QPushButton* psam = ui::button(this, "PSAM_Command", qtTrId("PSAM卡命令"));
    QPushButton* psamIssue = ui::button(this, "Command1", qtTrId("PSAM卡发行"));
    QPushButton* fm151m = ui::button(this, "Command2", qtTrId("FM151M国密操作命令"));
    addRow("Frame4", qtTrId(" PSAM 命令 "), {psam, psamIssue, fm151m});

    QGroupBox* tests = ui::frame(this, "Frame6", qtTrId(" 自动测试 "));
    auto* testGrid = new QGridLayout(tests);
    QPushButton* gbTest = ui::button(tests, "GB_Test", qtTrId("GB标签测试"));
    QPushButton* epcTest = ui::button(tests, "EPC_Test", qtTrId("EPC标签测试"));
    QPushButton* gjbTest = ui::button(tests, "GJB_Test", qtTrId("GJB标签测试"));
    QPushButton* gbLoop = ui::button(tests, "GB_Cycle_Read", qtTrId("GB循环读"));
    QPushButton* epcLoop = ui::button(tests, "EPC_Cycle_Read", qtTrId("EPC循环读"));
    QPushButton* gjbLoop = ui::button(tests, "GJB_Cycle_Read", qtTrId("GJB循环读"));
    testGrid->addWidget(gbTest, 0, 0);
    testGrid->addWidget(epcTest, 0, 1);
    testGrid->addWidget(gjbTest, 0, 2);
    testGrid->addWidget(gbLoop, 1, 0);
    testGrid->addWidget(epcLoop, 1, 1);
    testGrid->addWidget(gjbLoop, 1, 2);
    root->addWidget(tests);
    // The test buttons have no command: disabled in the window's design and never enabled.
    for (QPushButton* b : {gbTest, epcTest, gjbTest}) b->setEnabled(false);

    QPushButton* readerOutput = ui::button(this, "Command3", qtTrId("门禁读卡头参数设置"));
    addRow("Frame7", qtTrId(" 门禁读卡头应用参数设置 "),
           {readerOutput, ui::label(this, "Label7", qtTrId("(该功能用于将读写器配置为门禁读卡头）"))});

    connect(linka, &QPushButton::clicked, this, [this] { connectReader(); });
    connect(unlinka, &QPushButton::clicked, this, [this] { disconnectReader(); });
    connect(lampa, &QPushButton::clicked, this, [this] { lampAndBuzzer(); });
    connect(reseta, &QPushButton::clicked, this, [this] { resetReader(); });
    connect(clear, &QPushButton::clicked, this, [this] { clearLog(); });
    connect(exita, &QPushButton::clicked, this, [this] { exitConsole(); });

    const std::pair<QPushButton*, QString> opens[] = {
        {setPara, screen::DeviceSettings}, {setDevice, screen::WorkParameters}, {readerOutput, screen::ReaderOutput},
        {tcp, screen::TcpConnect},         {setTag, screen::EpcTags},           {setGb, screen::GbTags},
        {setGjb, screen::GjbTags},         {epcLoop, screen::EpcLoopRead},      {gbLoop, screen::GbLoopRead},
        {gjbLoop, screen::GjbLoopRead},    {psam, screen::Psam},                {psamIssue, screen::PsamIssue},
        {fm151m, screen::Fm151m}};
    for (const auto& [b, name] : opens) {
        const QString screenName = name;
        connect(b, &QPushButton::clicked, this, [this, screenName] { openScreen(screenName); });
    }
}

void MainWindow::load() {
    pcId_->setText(QStringLiteral("FF"));
    port_->clear();
    port_->addItems(kPorts);
    port_->setCurrentText(QStringLiteral("USB"));
    baudRate_->clear();
    baudRate_->addItems(reader_commands::rates());
    baudRate_->setCurrentText(QStringLiteral("9600"));
    for (QPushButton* b : findChildren<QPushButton*>())
        b->setEnabled(!isTestButton(b->objectName().toLatin1().constData()));
}

QString MainWindow::addressText() const { return pcId_->text(); }
void MainWindow::setAddressText(const QString& text) { pcId_->setText(text); }
std::uint8_t MainWindow::readerAddress() const { return hex::readerAddress(pcId_->text()); }
QString MainWindow::portText() const { return port_->currentText(); }
QString MainWindow::rateText() const { return baudRate_->currentText(); }

std::int32_t MainWindow::portIndex(const QString& portText) {
    if (portText == QLatin1String("USB")) return kPortUsb;
    for (int n = 1; n <= 10; ++n)
        if (portText == QStringLiteral("COM%1").arg(n)) return n - 1;
    return 0;
}

void MainWindow::setNeedLinkButtons(bool enabled) {
    for (const char* name : kNeedLink) {
        if (enabled && isTestButton(name)) continue;
        if (auto* b = findChild<QPushButton*>(QLatin1String(name))) b->setEnabled(enabled);
    }
}

void MainWindow::connectReader() {
    BusyPointer busy(this);
    // A rate that is not a number is refused before anything happens to the open link.
    const std::optional<std::int32_t> rate = hex::decimalNumber(rateText());
    if (!rate) {
        log::failure(list1_, kRateNotANumber.arg(rateText()));
        return;
    }
    closeLink();
    const std::int32_t port = portIndex(portText());
    const std::uint8_t address = readerAddress();
    list1_->clear();
    const std::int32_t result = binding_.call(exports::LinkCom, address, port, *rate);
    setNeedLinkButtons(result == 0);
    // Both outcomes replace the log by a blank line and the message.
    log::success(list1_, {result == 0 ? kLinked : kNotLinked});
}

void MainWindow::linkOpened() {
    ++linkChanges_;  // the TCP connect replaced whatever link was open
    setNeedLinkButtons(true);
}

void MainWindow::disconnectReader() {
    BusyPointer busy(this);
    closeLink();
    setNeedLinkButtons(false);
    log::success(list1_, {kUnlinked});
}

void MainWindow::lampAndBuzzer() {
    BusyPointer busy(this);
    reader_commands::lampAndBuzzer(binding_, list1_, readerAddress());
}

void MainWindow::resetReader() {
    BusyPointer busy(this);
    reader_commands::reset(binding_, list1_, readerAddress());
}

void MainWindow::clearLog() {
    BusyPointer busy(this);
    list1_->clear();
}

void MainWindow::exitConsole() {
    {
        BusyPointer busy(this);
        closeLink();
    }
    close();
}

void MainWindow::closeLink() {
    ++linkChanges_;
    // With the library not loaded no link can be open: nothing to close, and nothing to report
    // beyond what the command that needs the library reports.
    if (binding_.isLoaded()) binding_.call(exports::UnLinkCom);
}

void MainWindow::openScreen(const QString& name) {
    screens_.open(name, this);
    defaultPointer(this);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Every screen reads its reader address from this window: they close with it.
    screens_.closeAll();
    event->accept();
}

}  // namespace plover
