#include "console/tags/tag_standard.h"

#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/text.h"

namespace plover::tags {

namespace {

// The buttons every standard's tag screen has, with the captions they share.
QList<OpenButton> buttons(const char* p, OpenButton command11, OpenButton command15,
                          QList<OpenButton> extra) {
    QList<OpenButton> list = {
        {"Command4", qtTrId("休眠标签"), screen::tag::name(p, screen::tag::Halt)},
        {"Command5", qtTrId("唤醒标签"), screen::tag::name(p, screen::tag::Wake)},
        {"Command6", qtTrId("设置密码"), screen::tag::name(p, screen::tag::SetKey)},
        {"Command7", qtTrId("读标签数据"), screen::tag::name(p, screen::tag::Read)},
        {"Command8", qtTrId("写标签数据"), screen::tag::name(p, screen::tag::Write)},
        {"Command9", qtTrId("灭活标签"), screen::tag::name(p, screen::tag::Kill)},
        {"Command10", qtTrId("锁定标签"), screen::tag::name(p, screen::tag::Lock)},
        command11,
        {"Command13", qtTrId("校验密码"), screen::tag::name(p, screen::tag::AccessKey)},
        {"Command14", qtTrId("盘存标签"), screen::tag::name(p, screen::tag::Query)},
        command15,
        {"Command17", qtTrId("标签厂商专用命令"), screen::tag::name(p, screen::tag::CustomCommand)},
    };
    list += extra;
    return list;
}

QStringList gbBanks() {
    QStringList items = {qtTrId("00-标签信息区"), qtTrId("01-编码区"), qtTrId("02-安全区")};
    for (int n = 1; n <= 16; ++n)
        items << qtTrId("%1-用户区 %2").arg(hex::byteText(static_cast<std::uint8_t>(n + 2))).arg(n);
    return items;
}

const TagStandard& epcStandard() {
    static const TagStandard value{
    .id = StandardId::Epc,
    .prefix = QLatin1String(screen::tag::Epc),
    .captionSuffix = QStringLiteral(" EPC 18000-6C"),
    .heading = qtTrId("EPC电子标签操作命令"),
    .selectBanks = {QStringLiteral("0--RFU"), QStringLiteral("1--EPC"), QStringLiteral("2--TID"),
                    QStringLiteral("3--User")},
    .selectBankInitial = QStringLiteral("1--EPC"),
    .bankCodeChars = 1,
    .selectBankFallback = 3,
    .selectAddressLabel = qtTrId("掩码启始地址："),
    .hasQ = true,
    .queryTimeInitial = QStringLiteral("100"),
    .resultName = "result",
    .buttons = buttons(screen::tag::Epc,
                       {"Command11", qtTrId("块写入标签"), screen::tag::name(screen::tag::Epc, screen::tag::WriteBlock)},
                       {"Command15", qtTrId("修改密码"), screen::tag::name(screen::tag::Epc, screen::tag::EditKey)},
                       {{"Command12", qtTrId("块擦除标签"), screen::tag::name(screen::tag::Epc, screen::tag::Erase)}}),
    .tagListFrame = qtTrId(" 标签 EPC 列表 "),
    .tagListHeading = {},
    .epcRecordLines = true,
    .clearBeforeListRead = true,
    .exports = {exports::EPC_Read_Select_Para, exports::EPC_Write_Select_Para, exports::EPC_Query_ON,
                exports::EPC_Read_Tag_List, exports::EPC_Read_TAG, exports::EPC_Write_TAG,
                exports::EPC_Write_Erase_TAG, exports::EPC_Write_Block_TAG, exports::EPC_Kill_TAG,
                exports::EPC_Lock_TAG, exports::EPC_Halt_TAG, exports::EPC_Wake_TAG,
                exports::EPC_TAG_Cust_Command},
};
    return value;
}

const TagStandard& gbStandard() {
    static const TagStandard value{
    .id = StandardId::Gb,
    .prefix = QLatin1String(screen::tag::Gb),
    .captionSuffix = QStringLiteral(" GB/T 29768-2013"),
    .heading = qtTrId("GB/T 29768-2013 电子标签操作命令"),
    .selectBanks = gbBanks(),
    .selectBankInitial = qtTrId("00--标签信息区"),
    .bankCodeChars = 2,
    .selectBankFallback = 0,
    .selectAddressLabel = qtTrId("匹配启始地址："),
    .hasQ = false,
    .queryTimeInitial = QStringLiteral("10"),
    .resultName = "Result",
    .buttons = buttons(screen::tag::Gb,
                       {"Command11", qtTrId("修改密码"), screen::tag::name(screen::tag::Gb, screen::tag::EditPwd)},
                       {"Command15", qtTrId("安全鉴别"), screen::GbAuth},
                       {{"Command12", qtTrId("擦除数据"), screen::tag::name(screen::tag::Gb, screen::tag::Erase)},
                        {"Command16", qtTrId("复旦标签专用命令"), screen::GbFudan}}),
    .tagListFrame = qtTrId(" 标签列表: 数据长度 + 安全字 + 编码区 "),
    .tagListHeading = {qtTrId("数据长度 + 安全字 + 编码区 ")},
    .epcRecordLines = false,
    .clearBeforeListRead = false,
    .exports = {exports::GB_Read_Select_Para, exports::GB_Write_Select_Para, exports::GB_Query_ON,
                exports::GB_Read_Tag_List, exports::GB_Read_TAG, exports::GB_Write_TAG, exports::GB_Erase_TAG,
                exports::GB_Write_Block_TAG, exports::GB_Kill_TAG, exports::GB_Lock_TAG, exports::GB_Halt_TAG,
                exports::GB_Wake_TAG, exports::GB_TAG_Cust_Command},
};
    return value;
}

const TagStandard& gjbStandard() {
    static const TagStandard value{
    .id = StandardId::Gjb,
    .prefix = QLatin1String(screen::tag::Gjb),
    .captionSuffix = QStringLiteral(" GJB 7377.1-2011"),
    .heading = qtTrId("GJB 7377.1-2011 电子标签操作命令"),
    .selectBanks = {qtTrId("0-标签信息区"), qtTrId("1-编码区"), qtTrId("2-安全区"),
                    qtTrId("3-用户区")},
    .selectBankInitial = qtTrId("0--标签信息区"),
    .bankCodeChars = 1,
    .selectBankFallback = 0,
    .selectAddressLabel = qtTrId("匹配起始地址："),
    .hasQ = false,
    .queryTimeInitial = QStringLiteral("10"),
    .resultName = "result",
    .buttons = buttons(screen::tag::Gjb,
                       {"Command11", qtTrId("安全鉴别"), screen::GjbAuth},
                       {"Command15", qtTrId("修改密码"), screen::tag::name(screen::tag::Gjb, screen::tag::EditPwd)},
                       {{"Command12", qtTrId("擦除数据"), screen::tag::name(screen::tag::Gjb, screen::tag::Erase)},
                        {"Command16", qtTrId("复旦标签专用命令"), screen::GjbFudan}}),
    .tagListFrame = qtTrId(" 标签列表: 数据长度 + 安全字 + 编码区"),
    .tagListHeading = {qtTrId("数据长度 + 安全字 + 编码区 "), QString()},
    .epcRecordLines = false,
    .clearBeforeListRead = false,
    .exports = {exports::GJB_Read_Select_Para, exports::GJB_Write_Select_Para, exports::GJB_Query_ON,
                exports::GJB_Read_Tag_List, exports::GJB_Read_TAG, exports::GJB_Write_TAG,
                exports::GJB_Erase_TAG, exports::GJB_Write_Block_TAG, exports::GJB_Kill_TAG,
                exports::GJB_Lock_TAG, exports::GJB_Halt_TAG, exports::GJB_Wake_TAG,
                exports::GJB_TAG_Cust_Command},
};
    return value;
}

}  // namespace

QString TagStandard::caption() const { return kConsoleCaption + captionSuffix; }

std::uint8_t TagStandard::selectBankCode(const QString& text) const {
    return hex::byteOf(QStringView(text).left(bankCodeChars));
}

QString TagStandard::selectBankText(std::uint8_t code) const {
    return code < selectBanks.size() ? selectBanks[code] : selectBanks[selectBankFallback];
}

const TagStandard& epc() { return epcStandard(); }
const TagStandard& gb() { return gbStandard(); }
const TagStandard& gjb() { return gjbStandard(); }

const std::array<const TagStandard*, 3>& standards() {
    static const std::array<const TagStandard*, 3> all = {&epcStandard(), &gbStandard(), &gjbStandard()};
    return all;
}

// ---- Passwords ----

const PasswordExports& passwordExports(StandardId id) {
    static const PasswordExports kEpcPasswords{.epcSet = exports::EPC_Set_Pwd,
                                               .epcCheck = exports::EPC_Access_Proc,
                                               .epcChange = exports::EPC_Edit_TAG_Pwd};
    static const PasswordExports kGbPasswords{.gbSet = exports::GB_Set_Pwd,
                                              .gbCheck = exports::GB_Access_Proc,
                                              .recordChange = exports::GB_Edit_TAG_Pwd};
    static const PasswordExports kGjbPasswords{.gjbSet = exports::GJB_Set_Pwd,
                                               .gjbCheck = exports::GJB_Access_Proc,
                                               .recordChange = exports::GJB_Edit_TAG_Pwd};
    switch (id) {
        case StandardId::Gb: return kGbPasswords;
        case StandardId::Gjb: return kGjbPasswords;
        case StandardId::Epc: break;
    }
    return kEpcPasswords;
}

}  // namespace plover::tags
