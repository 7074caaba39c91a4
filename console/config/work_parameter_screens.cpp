#include "console/config/work_parameter_screens.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover::config {

namespace {

const Text kWorkTitle = QT_TRID_NOOP("Heron（UHF） 通用读写器工作参数设置");
const Text kReadDone = QT_TRID_NOOP(" 读读写器工作参数成功！ ");
const Text kReadFailed = QT_TRID_NOOP(" 读读写器工作参数失败！");
const Text kWriteDone = QT_TRID_NOOP(" 设置读写器工作参数成功！ ");
const Text kWriteFailed = QT_TRID_NOOP(" 设置读写器工作参数失败！ ");
const Text kAntennaDone = QT_TRID_NOOP(" 设置当前操作天线成功！ ");
const Text kAntennaFailed = QT_TRID_NOOP(" 设置当前操作天线失败！");
const Text kPowerDone = QT_TRID_NOOP(" 读发射机功率成功！ ");
const Text kPowerFailed = QT_TRID_NOOP(" 读发射机功率失败！");
const Text kCarrierOnDone = QT_TRID_NOOP(" 打开CW信号成功！ ");
const Text kCarrierOnFailed = QT_TRID_NOOP(" 打开CW信号失败！");
const Text kCarrierOffDone = QT_TRID_NOOP(" 关闭CW信号成功！ ");
const Text kCarrierOffFailed = QT_TRID_NOOP(" 关闭CW信号失败！");
const Text kChipOnDone = QT_TRID_NOOP(" 打开解码器电源成功！ ");
const Text kChipOnFailed = QT_TRID_NOOP(" 打开解码器电源失败！");
const Text kChipOffDone = QT_TRID_NOOP(" 关闭解码器电源成功！ ");
const Text kChipOffFailed = QT_TRID_NOOP(" 关闭解码器电源失败！");
const Text kTemperatureDone = QT_TRID_NOOP(" 读机器工作温度成功！ ");
const Text kTemperatureFailed = QT_TRID_NOOP(" 读机器工作温度失败！");
const Text kTemperatureLine = QT_TRID_NOOP(" 机器工作温度=");

const Text kChannelTitle = QT_TRID_NOOP("设置有效频道");
const Text kMaskReadDone = QT_TRID_NOOP(" 读读写器有效频道参数成功！ ");
const Text kMaskReadFailed = QT_TRID_NOOP(" 读读写器频率有效参数失败！");
const Text kMaskWriteDone = QT_TRID_NOOP(" 设置读写器频率有效参数成功！ ");
const Text kMaskWriteFailed = QT_TRID_NOOP(" 设置读写器频率有效参数失败！ ");

const QStringList kTagTypes = {QStringLiteral("0-GB/T 29768-2013"), QStringLiteral("1-GJB 7377.1-2011"),
                               QStringLiteral("2-EPC")};
const QStringList& speeds() {
    static const QStringList value{qtTrId("0-低速"), qtTrId("1-高速")};
    return value;
}
const QStringList& frequencyModes() {
    static const QStringList value{qtTrId("0-定频"), qtTrId("1-自动跳频")};
    return value;
}
const QStringList& antennas() {
    static const QStringList value{qtTrId("1--天线 1"), qtTrId("2--天线 2"), qtTrId("3--天线 3"),
                               qtTrId("4--天线 4")};
    return value;
}
constexpr int kMinPower = 15;
constexpr int kMaxPower = 33;
constexpr int kInitialPower = 27;
constexpr int kAntennaCount = 4;

QString powerItem(int dbm) { return QStringLiteral("%1- %1dBm").arg(dbm); }

QStringList powerItems() {
    QStringList items;
    for (int p = kMinPower; p <= kMaxPower; ++p) items << powerItem(p);
    return items;
}

// A region's channels: channel n at first + n × step kHz, shown with `decimals` MHz decimals.
struct ChannelPlan {
    int channels;
    int firstKHz;
    int stepKHz;
    int decimals;
};
constexpr std::array<ChannelPlan, kRegions> kPlans{{
    {20, 920125, 250, 3},
    {20, 840125, 250, 3},
    {50, 902750, 500, 2},
    {15, 865100, 200, 1},
    {9, 952200, 200, 1},
}};

QString channelItem(const ChannelPlan& plan, int n) {
    // Whole kilohertz, so every frequency is exact: 953000 kHz with one decimal is "953.0".
    const int kHz = plan.firstKHz + n * plan.stepKHz;
    int divisor = 1;
    for (int d = plan.decimals; d < 3; ++d) divisor *= 10;
    const QString mhz = QStringLiteral("%1.%2").arg(kHz / 1000).arg((kHz % 1000) / divisor, plan.decimals, 10,
                                                                   QLatin1Char('0'));
    return qtTrId("%1-频率 %2 MHz").arg(n, 2, 10, QLatin1Char('0')).arg(mhz);
}

// The item of `items` whose number is `value`, counting from `first`; `fallback` for others.
QString itemOf(const QStringList& items, int value, int first, int fallback) {
    const int i = value - first;
    return i >= 0 && i < items.size() ? items[i] : items[fallback - first];
}

// Shows `text` in a list, as its item when it is one.
void showItem(QComboBox* list, const QString& text) {
    const int i = list->findText(text);
    if (i >= 0) list->setCurrentIndex(i);
    list->setCurrentText(text);
}

}  // namespace

const QStringList& regionItems() {
    static const QStringList items = {qtTrId("0-国标920MHz"), qtTrId("1-国标840MHz"),
                                      QStringLiteral("2-FCC 902MHz"), QStringLiteral("3-ETSI 865MHz"),
                                      QStringLiteral("4-JAPAN 952MHz")};
    return items;
}

QStringList channelItems(int region) {
    if (region < 0 || region >= kRegions) return {};
    const ChannelPlan& plan = kPlans[static_cast<std::size_t>(region)];
    QStringList items;
    for (int n = 0; n < plan.channels; ++n) items << channelItem(plan, n);
    return items;
}

int regionOfText(const QString& text) {
    const qsizetype i = regionItems().indexOf(text);
    return i >= 0 ? static_cast<int>(i) : 2;
}

std::optional<int> listNumber(const QString& text, int digits) {
    std::optional<int> value;
    for (QChar c : QStringView(text).left(digits)) {
        const std::optional<int> d = hex::leadingDigit(QString(c));
        if (!d) break;
        value = value.value_or(0) * 10 + *d;
    }
    return value;
}

std::optional<WorkRecord> workRecord(const WorkFields& f) {
    const std::array<std::optional<int>, kWorkRecord> numbers = {
        listNumber(f.tagType, 1), listNumber(f.region, 1),  listNumber(f.speed, 1),  listNumber(f.mode, 1),
        listNumber(f.channel, 2), listNumber(f.power, 2), listNumber(f.antenna, 1),
    };
    WorkRecord record{};
    for (std::size_t i = 0; i < kWorkRecord; ++i) {
        if (!numbers[i]) return std::nullopt;
        record[i] = static_cast<std::uint8_t>(*numbers[i]);
    }
    return record;
}

WorkFields workFieldsOf(std::span<const std::uint8_t, kWorkRecord> r) {
    WorkFields f;
    f.tagType = itemOf(kTagTypes, r[0], 0, 0);
    const int region = r[1] < kRegions ? r[1] : 0;
    f.region = regionItems()[region];
    const QStringList channels = channelItems(region);
    f.channel = itemOf(channels, r[4], 0, 0);
    f.speed = r[2] == 1 ? speeds()[1] : speeds()[0];
    f.mode = r[3] == 0 ? frequencyModes()[0] : frequencyModes()[1];
    f.power = r[5] >= kMinPower && r[5] <= kMaxPower ? powerItem(r[5]) : powerItem(kMinPower);
    f.antenna = itemOf(antennas(), r[6], 1, 1);
    return f;
}

std::optional<int> antennaOf(const QString& text) {
    const std::optional<int> antenna = listNumber(text, 1);
    if (!antenna) return std::nullopt;
    return *antenna > kAntennaCount ? 1 : *antenna;
}

QStringList rfPowerLines(std::span<const std::uint8_t, 3> reading) {
    return {qtTrId(" 发射机设置功率级数 =%1").arg(reading[0]),
            qtTrId(" 发射机实际功率 =%1 dBm").arg(reading[1]),
            qtTrId(" 接收机RSSI =%1 dB").arg(reading[2])};
}

std::optional<ChannelRequest> channelRequest(const QString& regionText, const QString& maskText) {
    const std::optional<int> region = listNumber(regionText, 1);
    if (!region) return std::nullopt;
    ChannelRequest request{};
    request[0] = static_cast<std::uint8_t>(*region);
    const QByteArray mask = hex::leftAligned(maskText, kChannelMask, QLatin1Char('F'));
    std::copy(mask.begin(), mask.end(), request.begin() + 1);
    return request;
}

namespace {

// set_Device_Work. Its commands address the reader as pc_id was when it loaded, except the
// write of the work parameters, which takes pc_id as it is now.
class WorkParameterScreen : public Screen {
public:
    explicit WorkParameterScreen(ScreenContext& context)
        : Screen(context, screen::WorkParameters, kConsoleCaption, Address::Captured) {
        build();
        load();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label2", kWorkTitle));

        QGroupBox* device = ui::frame(this, "WriteDeviceNo", qtTrId("设备参数"));
        auto* deviceLayout = new QHBoxLayout(device);
        auto* lists = new QGridLayout;
        tagType_ = ui::comboBox(device, "Tag_Type", kTagTypes, kTagTypes[0]);
        region_ = ui::comboBox(device, "Work_National", regionItems(), regionItems()[0]);
        speed_ = ui::comboBox(device, "work_model", speeds(), speeds()[0]);
        mode_ = ui::comboBox(device, "Freq_Mode", frequencyModes(), frequencyModes()[0]);
        channel_ = ui::comboBox(device, "Freq_No", channelItems(0), channelItems(0)[0]);
        power_ = ui::comboBox(device, "Power_Value", powerItems(), powerItem(kInitialPower));
        antenna_ = ui::comboBox(device, "Active_ANT", antennas(), antennas()[0]);
        // Wide enough for the longest channel item of any region (18 characters in Chinese).
        int longest = 18;
        for (int r = 0; r < kRegions; ++r)
            for (const QString& item : channelItems(r)) longest = std::max(longest, static_cast<int>(item.size()));
        channel_->setMinimumContentsLength(longest);
        const std::array<std::pair<const char*, QString>, kWorkRecord> captions = {{
            {"Label5", qtTrId("标签类型:")},
            {"Label3", qtTrId("频率区域:")},
            {"Label1", qtTrId("工作速率:")},
            {"Label7", qtTrId("跳频模式：")},
            {"Label8", qtTrId("工作频率：")},
            {"Label6", qtTrId("设定发射机功率：")},
            {"Label4", qtTrId("工作天线：")},
        }};
        const std::array<QComboBox*, kWorkRecord> all = {tagType_, region_, speed_, mode_, channel_, power_, antenna_};
        for (int i = 0; i < static_cast<int>(kWorkRecord); ++i) {
            const auto& [name, caption] = captions[static_cast<std::size_t>(i)];
            lists->addWidget(ui::label(device, name, caption), i, 0);
            lists->addWidget(all[static_cast<std::size_t>(i)], i, 1);
        }
        deviceLayout->addLayout(lists);

        auto* logSide = new QVBoxLayout;
        list1_ = ui::logList(device);
        list1_->setMinimumWidth(300);
        logSide->addWidget(list1_, 1);
        auto* deviceButtons = new QGridLayout;
        QPushButton* read = ui::button(device, "Command3", qtTrId("读设备参数"));
        QPushButton* write = ui::button(device, "Command8", qtTrId("设置设备参数"));
        QPushButton* antenna = ui::button(device, "Command5", qtTrId("设置当前工作天线"));
        QPushButton* clear = ui::button(device, "clear", qtTrId("清  屏"));
        QPushButton* exit = ui::button(device, "EXIT", qtTrId("退    出"));
        deviceButtons->addWidget(read, 0, 0);
        deviceButtons->addWidget(write, 0, 1);
        deviceButtons->addWidget(antenna, 0, 2);
        deviceButtons->addWidget(clear, 1, 1);
        deviceButtons->addWidget(exit, 1, 2);
        logSide->addLayout(deviceButtons);
        deviceLayout->addLayout(logSide, 1);
        root->addWidget(device);

        QGroupBox* radio = ui::frame(this, "Frame3", qtTrId(" 设备操作命令 "));
        auto* radioButtons = new QGridLayout(radio);
        QPushButton* rfPower = ui::button(radio, "Command1", qtTrId("读发射机功率及接收机RSSI"));
        QPushButton* carrierOn = ui::button(radio, "Command15", qtTrId("打开CW信号"));
        QPushButton* carrierOff = ui::button(radio, "Command14", qtTrId("关闭CW信号"));
        QPushButton* chipOn = ui::button(radio, "Command2", qtTrId("打开解码器电源"));
        QPushButton* chipOff = ui::button(radio, "Command31", qtTrId("关闭解码器电源"));
        QPushButton* temperature = ui::button(radio, "Command6", qtTrId("读设备温度"));
        QPushButton* channels = ui::button(radio, "Command4", qtTrId("设置有效频道"));
        const std::array radioAll = {rfPower, carrierOn, carrierOff, chipOn, chipOff, temperature, channels};
        for (int i = 0; i < static_cast<int>(radioAll.size()); ++i)
            radioButtons->addWidget(radioAll[static_cast<std::size_t>(i)], i / 4, i % 4);
        root->addWidget(radio);

        command(read, [this] { readParameters(); });
        command(write, [this] { writeParameters(); });
        command(antenna, [this] { setAntenna(); });
        command(rfPower, [this] { readRfPower(); });
        command(carrierOn, [this] {
            switchResult(call(exports::Set_CW_ON_OFF, address(), 1), kCarrierOnDone, kCarrierOnFailed);
        });
        command(carrierOff, [this] {
            // A failure to switch the carrier off keeps the log, so what led to it stays visible.
            log::result(list1_, call(exports::Set_CW_ON_OFF, address(), 0), {kCarrierOffDone}, kCarrierOffFailed);
        });
        command(chipOn, [this] {
            switchResult(call(exports::Set_R2000_ON_OFF, address(), 1), kChipOnDone, kChipOnFailed);
        });
        command(chipOff, [this] {
            switchResult(call(exports::Set_R2000_ON_OFF, address(), 0), kChipOffDone, kChipOffFailed);
        });
        command(temperature, [this] { readTemperature(); });
        command(channels, [this] { open(screen::ChannelMask); });
        command(clear, [this] { list1_->clear(); });
        exitOn(exit);
        connect(region_, &QComboBox::activated, this, [this] { showChannels(regionOfText(region_->currentText())); });
    }

    void load() {
        // The screen shows the reader's parameters as soon as it opens.
        BusyPointer busy(this);
        readParameters();
    }

    // Freq_No holds the region's channels and shows its channel 00.
    void showChannels(int region) {
        channel_->clear();
        channel_->addItems(channelItems(region));
        channel_->setCurrentIndex(0);
    }

    // The log of most commands: emptied, then a line of one space and the message on success,
    // an empty line and the message on failure.
    void switchResult(std::int32_t code, const QString& done, const QString& failed) {
        if (code == 0)
            log::success(list1_, {done});
        else
            log::replace(list1_, {QString(), failed});
    }

    void readParameters() {
        std::array<std::uint8_t, kExportBuffer> record{};
        if (call(exports::Get_Work_Param, address(), record.data()) != 0) {
            log::replace(list1_, {QString(), kReadFailed});
            return;
        }
        log::replace(list1_, {QString(), kReadDone});
        const WorkFields f = workFieldsOf(std::span(record).first<kWorkRecord>());
        showItem(tagType_, f.tagType);
        showItem(region_, f.region);
        showChannels(regionOfText(f.region));
        showItem(channel_, f.channel);
        showItem(speed_, f.speed);
        showItem(mode_, f.mode);
        showItem(power_, f.power);
        showItem(antenna_, f.antenna);
    }

    void writeParameters() {
        const std::optional<WorkRecord> built =
            workRecord({tagType_->currentText(), region_->currentText(), speed_->currentText(), mode_->currentText(),
                        channel_->currentText(), power_->currentText(), antenna_->currentText()});
        std::int32_t code = -1;
        if (built) {
            std::array<std::uint8_t, kExportBuffer> record{};
            std::copy(built->begin(), built->end(), record.begin());
            code = call(exports::Set_Work_Param, liveAddress(), record.data());
        }
        log::replace(list1_, {QStringLiteral(" "), code == 0 ? kWriteDone : kWriteFailed});
    }

    void setAntenna() {
        const std::optional<int> antenna = antennaOf(antenna_->currentText());
        switchResult(antenna ? call(exports::Set_Active_ANT, address(), *antenna) : -1, kAntennaDone, kAntennaFailed);
    }

    void readRfPower() {
        std::array<std::uint8_t, kExportBuffer> reading{};
        if (call(exports::Get_RF_Power, address(), reading.data()) != 0) {
            log::replace(list1_, {QString(), kPowerFailed});
            return;
        }
        log::replace(list1_, QStringList{kPowerDone} + rfPowerLines(std::span(reading).first<3>()) +
                                 QStringList{QStringLiteral(" ")});
    }

    void readTemperature() {
        std::array<std::uint8_t, kExportBuffer> temperature{};
        if (call(exports::Read_DeviceTemp, address(), temperature.data()) != 0) {
            log::replace(list1_, {QString(), kTemperatureFailed});
            return;
        }
        log::success(list1_, {kTemperatureDone, kTemperatureLine + QString::number(temperature[0])});
    }

    QComboBox* tagType_ = nullptr;
    QComboBox* region_ = nullptr;
    QComboBox* speed_ = nullptr;
    QComboBox* mode_ = nullptr;
    QComboBox* channel_ = nullptr;
    QComboBox* power_ = nullptr;
    QComboBox* antenna_ = nullptr;
    QListWidget* list1_ = nullptr;
};

// set_CH_Active_a. Reading addresses the reader as pc_id was when the screen loaded, writing
// as pc_id is now.
class ChannelActivationScreen : public Screen {
public:
    explicit ChannelActivationScreen(ScreenContext& context)
        : Screen(context, screen::ChannelMask, kConsoleCaption, Address::Captured) {
        build();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label2", kChannelTitle));

        QGroupBox* params = ui::frame(this, "WriteDeviceNo", qtTrId(" 参数 "));
        auto* grid = new QGridLayout(params);
        region_ = ui::comboBox(params, "Work_National", regionItems(), regionItems()[0]);
        mask_ = ui::hexField(params, "CH_data", 16, QStringLiteral("FFFFFFFFFFFFFFFF"));
        mask_->setMinimumWidth(mask_->fontMetrics().horizontalAdvance(QString(20, QLatin1Char('F'))));
        result_ = ui::resultLabel(params, "Result");
        grid->addWidget(ui::label(params, "Label3", qtTrId("频率区域：")), 0, 0);
        grid->addWidget(region_, 0, 1);
        grid->addWidget(ui::label(params, "Label1", qtTrId("有效频道数据：")), 1, 0);
        grid->addWidget(mask_, 1, 1);
        grid->addWidget(ui::label(params, "Label4", qtTrId("(8个字节）")), 1, 2);
        grid->addWidget(result_, 2, 0, 1, 3);
        root->addWidget(params);

        auto* buttons = new QHBoxLayout;
        QPushButton* read = ui::button(this, "Read_ch", qtTrId("读参数"));
        QPushButton* write = ui::button(this, "Write_ch", qtTrId("写参数"));
        QPushButton* exit = ui::button(this, "exit", qtTrId("退    出"));
        for (QPushButton* b : {read, write, exit}) buttons->addWidget(b);
        root->addLayout(buttons);

        command(read, [this] { readMask(); });
        command(write, [this] { writeMask(); });
        exitOn(exit);
    }

    void readMask() {
        const std::optional<int> region = listNumber(region_->currentText(), 1);
        if (!region) {
            result_->setText(kMaskReadFailed);
            return;
        }
        std::array<std::uint8_t, kExportBuffer> mask{};
        mask[0] = static_cast<std::uint8_t>(*region);
        if (call(exports::Get_CH_Active, address(), mask.data()) != 0) {
            result_->setText(kMaskReadFailed);
            return;
        }
        result_->setText(kMaskReadDone);
        mask_->setText(hex::fieldBytes(std::span(mask).first<kChannelMask>()));
    }

    void writeMask() {
        const std::optional<ChannelRequest> request = channelRequest(region_->currentText(), mask_->text());
        std::int32_t code = -1;
        if (request) {
            std::array<std::uint8_t, kExportBuffer> record{};
            std::copy(request->begin(), request->end(), record.begin());
            code = call(exports::Set_CH_Active, liveAddress(), record.data());
        }
        showResult(result_, code, kMaskWriteDone, kMaskWriteFailed);
    }

    QComboBox* region_ = nullptr;
    QLineEdit* mask_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace

void registerWorkParameterScreens(ScreenContext& context, ScreenRegistry& registry) {
    registry.add(screen::WorkParameters, [&context](QWidget*) { return new WorkParameterScreen(context); });
    registry.add(screen::ChannelMask, [&context](QWidget*) { return new ChannelActivationScreen(context); });
}

}  // namespace plover::config
