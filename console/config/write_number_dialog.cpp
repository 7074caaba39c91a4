#include "console/config/write_number_dialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "console/config/device_settings.h"
#include "console/shell/binding.h"
#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen_names.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover {

namespace {
const Text kCaption = QT_TRID_NOOP("写设备编号");
const Text kWritten = QT_TRID_NOOP(" 写模块成功！ ");
const Text kNumberLine = QT_TRID_NOOP(" 模块编号=");
const Text kFailed = QT_TRID_NOOP(" 写模块编号失败！");
const Text kOneByte = QT_TRID_NOOP("(1字节16进制数据)");
}  // namespace

WriteNumberDialog::WriteNumberDialog(ScreenContext& context, DeviceSettingsScreen& settings)
    : Screen(context, screen::WriteNumber, kCaption), settings_(settings) {
    setParent(&settings, Qt::Dialog);
    setWindowModality(Qt::ApplicationModal);
    setAttribute(Qt::WA_DeleteOnClose);

    auto* root = new QVBoxLayout(this);
    root->addWidget(ui::title(this, "Label1", kCaption));
    auto* grid = new QGridLayout;
    // Load step: the present number is the device settings screen's address; the new one empty.
    oldId_ = ui::hexField(this, "old_id", 2, settings.addressText());
    newId_ = ui::hexField(this, "new_id", 2);
    grid->addWidget(ui::label(this, "Label2", qtTrId("机器原编号: ")), 0, 0);
    grid->addWidget(oldId_, 0, 1);
    grid->addWidget(ui::label(this, "Label5(0)", kOneByte), 0, 2);
    grid->addWidget(ui::label(this, "Label3", qtTrId("机器新编号:")), 1, 0);
    grid->addWidget(newId_, 1, 1);
    grid->addWidget(ui::label(this, "Label5(1)", kOneByte), 1, 2);
    root->addLayout(grid);
    auto* buttons = new QHBoxLayout;
    QPushButton* ok = ui::button(this, "Command1", qtTrId("确  定"));
    QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
    buttons->addWidget(ok);
    buttons->addWidget(exit);
    root->addLayout(buttons);

    // The dialog closes once the command is done, whatever its result.
    connect(ok, &QPushButton::clicked, this, [this] { write(); });
    exitOn(exit);
}

void WriteNumberDialog::write() {
    {
        BusyPointer busy(this);
        const std::uint8_t present = hex::readerAddress(oldId_->text());
        const std::uint8_t next = hex::readerAddress(newId_->text());
        const std::int32_t r = call(exports::WriteDeviceNo, present, next);
        if (r == 0) {
            log::success(settings_.log(), {kWritten, kNumberLine + hex::numberText(next)});
            settings_.adoptDeviceNumber(next);
        } else {
            log::failure(settings_.log(), kFailed);
        }
    }
    close();
}

}  // namespace plover
