#include "console/shell/reader_commands.h"

#include "console/shell/binding.h"
#include "console/shell/conventions.h"
#include "console/shell/exports.h"
#include "console/shell/text.h"

namespace plover::reader_commands {

namespace {

const Text kLampDone = QT_TRID_NOOP(" 驱动LED和蜂鸣器成功！(请等动作完成后再作下一个操作) ");
const Text kLampFailed = QT_TRID_NOOP(" 驱动LED和蜂鸣器失败！");
const Text kResetDone = QT_TRID_NOOP(" 机器复位成功！请等待机器重启后再作其他功能. ");
const Text kResetFailed = QT_TRID_NOOP(" 机器复位失败！");

}  // namespace

const QStringList& rates() {
    static const QStringList list = {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                                     QStringLiteral("57600"), QStringLiteral("115200")};
    return list;
}

void lampAndBuzzer(Binding& binding, QListWidget* log, std::int32_t address) {
    const std::int32_t result = binding.call(exports::ALARM, address, 7, 20, 20, 3);
    log::result(log, result, {kLampDone}, kLampFailed);
}

void reset(Binding& binding, QListWidget* log, std::int32_t address) {
    const std::int32_t result = binding.call(exports::DeviceReset, address);
    log::result(log, result, {kResetDone}, kResetFailed);
}

}  // namespace plover::reader_commands
