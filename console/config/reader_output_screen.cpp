#include "console/config/reader_output_screen.h"

#include <QCheckBox>
#include <QComboBox>
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

namespace plover::config {

namespace {

const Text kCaption = QT_TRID_NOOP("kestrel门禁读卡头参数设定");
const Text kTitle = QT_TRID_NOOP("kestrel门禁读卡头参数设置");
const Text kReadDone = QT_TRID_NOOP(" 读门禁读卡头参数成功！ ");
const Text kReadFailed = QT_TRID_NOOP(" 读门禁读卡头参数失败！");
const Text kWriteDone = QT_TRID_NOOP(" 写门禁读卡头参数成功！ ");
const Text kWriteFailed = QT_TRID_NOOP(" 写门禁读卡头参数失败！");

const QStringList kFormats = {QStringLiteral("0--WIG 26"), QStringLiteral("1--WIG 32"), QStringLiteral("2--WIG 34"),
                              QStringLiteral("3--ABA"), QStringLiteral("4--RS 232")};

}  // namespace

std::optional<ReaderOutputRecord> readerOutputRecord(const ReaderOutputFields& f) {
    const std::optional<int> format = hex::leadingDigit(f.format);
    if (!format) return std::nullopt;
    return ReaderOutputRecord{
        static_cast<std::uint8_t>(f.enabled ? 1 : 0),
        static_cast<std::uint8_t>(hex::rightAligned(f.bank, 1)[0]),
        static_cast<std::uint8_t>(hex::rightAligned(f.address, 1)[0]),
        static_cast<std::uint8_t>(hex::rightAligned(f.length, 1)[0]),
        static_cast<std::uint8_t>(*format),
    };
}

ReaderOutputFields readerOutputFieldsOf(std::span<const std::uint8_t, kReaderOutputRecord> r) {
    return {r[0] == 1, hex::numberText(r[1]), hex::numberText(r[2]), hex::numberText(r[3]),
            r[4] < kFormats.size() ? kFormats[r[4]] : kFormats[0]};
}

namespace {

class ReaderOutputScreen : public Screen {
public:
    explicit ReaderOutputScreen(ScreenContext& context) : Screen(context, screen::ReaderOutput, kCaption) { build(); }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", kTitle));

        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 读卡头参数 "));
        auto* grid = new QGridLayout(frame);
        enabled_ = ui::checkBox(frame, "reader_enable", qtTrId("门禁读卡头有效"));
        bank_ = ui::hexField(frame, "Read_Bank", 2, QStringLiteral("1"));
        address_ = ui::hexField(frame, "address", 2, QStringLiteral("0"));
        length_ = ui::hexField(frame, "Read_len", 2, QStringLiteral("4"));
        format_ = ui::comboBox(frame, "outputformat", kFormats, kFormats[0]);
        result_ = ui::resultLabel(frame);
        grid->addWidget(enabled_, 0, 0, 1, 2);
        grid->addWidget(ui::label(frame, "Label2", qtTrId("标签数据存储体：")), 1, 0);
        grid->addWidget(bank_, 1, 1);
        grid->addWidget(ui::label(frame, "Label4", qtTrId("标签数据起始地址：")), 2, 0);
        grid->addWidget(address_, 2, 1);
        grid->addWidget(ui::label(frame, "Label3", qtTrId("标签数据长度：")), 3, 0);
        grid->addWidget(length_, 3, 1);
        grid->addWidget(ui::label(frame, "Label11", qtTrId("输出数据格式:")), 4, 0);
        grid->addWidget(format_, 4, 1);
        grid->addWidget(result_, 5, 0, 1, 2);
        root->addWidget(frame);

        auto* buttons = new QHBoxLayout;
        QPushButton* read = ui::button(this, "Yread", qtTrId("读 参 数"));
        QPushButton* write = ui::button(this, "ywrite", qtTrId("写 参 数 "));
        QPushButton* exit = ui::button(this, "yexit", qtTrId("退  出"));
        for (QPushButton* b : {read, write, exit}) buttons->addWidget(b);
        root->addLayout(buttons);

        command(read, [this] { readRecord(); });
        command(write, [this] { writeRecord(); });
        exitOn(exit);
    }

    void readRecord() {
        std::array<std::uint8_t, kExportBuffer> record{};
        if (call(exports::Get_Menjin_Param, address(), record.data()) != 0) {
            result_->setText(kReadFailed);
            return;
        }
        result_->setText(kReadDone);
        const ReaderOutputFields f = readerOutputFieldsOf(std::span(record).first<kReaderOutputRecord>());
        enabled_->setChecked(f.enabled);
        bank_->setText(f.bank);
        address_->setText(f.address);
        length_->setText(f.length);
        const int i = format_->findText(f.format);
        if (i >= 0) format_->setCurrentIndex(i);
        format_->setCurrentText(f.format);
    }

    void writeRecord() {
        const std::optional<ReaderOutputRecord> built = readerOutputRecord(
            {enabled_->isChecked(), bank_->text(), address_->text(), length_->text(), format_->currentText()});
        std::int32_t code = -1;
        if (built) {
            std::array<std::uint8_t, kExportBuffer> record{};
            std::copy(built->begin(), built->end(), record.begin());
            code = call(exports::Set_Menjin_Param, address(), record.data());
        }
        showResult(result_, code, kWriteDone, kWriteFailed);
    }

    QCheckBox* enabled_ = nullptr;
    QLineEdit* bank_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* length_ = nullptr;
    QComboBox* format_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace

void registerReaderOutputScreen(ScreenContext& context, ScreenRegistry& registry) {
    registry.add(screen::ReaderOutput, [&context](QWidget*) { return new ReaderOutputScreen(context); });
}

}  // namespace plover::config
