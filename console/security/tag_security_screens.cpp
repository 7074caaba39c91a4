// Tag security screens: the mutual authentication of a Fudan GB tag (GB_TAG_Auth), the security
// parameters of a GJB tag (GJB_TAG_Auth), the Fudan GB commands (GB_TAG_FD_APP) with the
// authentication key screen (GB_FD_Get_Diver_Key_A), and the Fudan GJB block commands
// (GJB_TAG_FD_APP).
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>
#include <memory>

#include "console/security/security_screens.h"
#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover::security {

std::array<std::uint8_t, 4> quickInitEndCode() {
    // "QEND", built from its letters' codes.
    constexpr std::uint8_t q = 0x51, e = 0x45, n = 0x4E, d = 0x44;
    return {q, e, n, d};
}

std::optional<QByteArray> gjbBlockRequest(std::uint8_t subArea, const QString& address, const QString& words,
                                          const QString* data) {
    QByteArray r;
    r += static_cast<char>(subArea);
    r += hex::rightAligned(address, 2);
    const QByteArray count = hex::rightAligned(words, 2);
    r += count;
    if (data) {
        const int n = static_cast<std::uint8_t>(count[0]) << 8 | static_cast<std::uint8_t>(count[1]);
        if (n > kGjbFdWriteWords) return std::nullopt;
        r += hex::leftAligned(*data, 2 * n, QLatin1Char('0'));
    }
    return r;
}

namespace {

QString gbCaption() { return kConsoleCaption + QStringLiteral(" GB/T 29768-2013"); }

using Buffer = std::array<std::uint8_t, kExportBuffer>;

// A frame holding a list, the list given back.
QListWidget* listIn(QWidget* parent, QLayout* layout, const char* frameName, const QString& caption,
                    const char* listName = "result") {
    QGroupBox* frame = ui::frame(parent, frameName, caption);
    auto* frameLayout = new QVBoxLayout(frame);
    QListWidget* list = ui::logList(frame, listName);
    list->setMinimumWidth(460);
    frameLayout->addWidget(list);
    layout->addWidget(frame);
    return list;
}

QHBoxLayout* buttonRow(const QList<QPushButton*>& buttons) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : buttons) row->addWidget(b);
    return row;
}

// GB_TAG_Auth.
class GbAuthScreen : public Screen {
public:
    explicit GbAuthScreen(ScreenContext& context) : Screen(context, screen::GbAuth, gbCaption()) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("标签安全鉴别")));
        auto* row = new QHBoxLayout;
        keyId_ = ui::textField(this, "Auth_ID");
        keyId_->setMaxLength(2);
        keyId_->setMaximumWidth(60);
        diversify_ = ui::checkBox(this, "Dis", qtTrId("标签密钥分散"));
        row->addWidget(ui::label(this, "Label2", qtTrId("密钥标识：")));
        row->addWidget(keyId_);
        row->addWidget(diversify_);
        row->addStretch();
        root->addLayout(row);
        result_ = listIn(this, root, "Frame1", qtTrId(" 操作结果 "));
        QPushButton* run = ui::button(this, "Command3", qtTrId("复旦标签双向鉴别"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({run, exit}));
        command(run, [this] {
            const std::int32_t r = call(exports::GB_FD_Dual_Auth, address(), diversify_->isChecked() ? 1 : 0,
                                        keyIdentifier(keyId_->text()));
            log::replace(result_, {r == 0 ? qtTrId(" 复旦标签双向鉴别成功！ ")
                                          : qtTrId(" 复旦标签双向鉴别失败！")});
        });
        exitOn(exit);
    }

private:
    QLineEdit* keyId_ = nullptr;
    QCheckBox* diversify_ = nullptr;
    QListWidget* result_ = nullptr;
};

// GJB_TAG_Auth.
class GjbAuthScreen : public Screen {
public:
    explicit GjbAuthScreen(ScreenContext& context)
        : Screen(context, screen::GjbAuth, kConsoleCaption + QStringLiteral(" GJB 7377.1-2011")) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("安全鉴别")));
        result_ = listIn(this, root, "Frame1", qtTrId(" 操作结果 "));
        label_ = ui::resultLabel(this, "a_result");
        root->addWidget(label_);
        QPushButton* read = ui::button(this, "Command1", qtTrId("读安全参数"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({read, exit}));
        command(read, [this] { readParameters(); });
        exitOn(exit);
    }

private:
    void readParameters() {
        Buffer answer{};
        const std::int32_t r = call(exports::GJB_Get_SecPara, address(), answer.data());
        const QString failed = qtTrId(" 读标签安全参数失败！");
        if (r != 0) {
            label_->setText(failed);
        } else if (!fits(answer, kGjbSecParaAnswer)) {
            label_->setText(tooLong(failed, answer[0], kGjbSecParaAnswer));
        } else {
            log::append(result_, {QString(), hex::logBytes(std::span(answer).subspan(1, answer[0]))});
            label_->setText(qtTrId(" 读标签安全参数成功！ "));
        }
    }

    QListWidget* result_ = nullptr;
    QLabel* label_ = nullptr;
};

// GB_TAG_FD_APP.
class GbFdScreen : public Screen {
public:
    explicit GbFdScreen(ScreenContext& context) : Screen(context, screen::GbFudan, gbCaption()) { build(); }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("复旦微电子专用命令")));
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 操作结果 "));
        auto* grid = new QGridLayout(frame);
        readParameters_ = ui::textField(frame, "Read_SecPara");
        tid_ = ui::textField(frame, "TID");
        writeParameters_ = ui::hexField(frame, "Write_SecPara", 12);
        accessPassword_ = ui::textField(frame, "Access_Pwd");
        accessPassword_->setMaxLength(8);
        newPassword_ = ui::hexField(frame, "Pwd_Write", 8);
        const QList<std::pair<QString, QLineEdit*>> fields = {
            {qtTrId("读出的安全参数："), readParameters_}, {QStringLiteral("TID:"), tid_},
            {qtTrId("待写入的安全参数："), writeParameters_},
            {qtTrId("安全口令校验密码："), accessPassword_},
            {qtTrId("安全口令写入密码："), newPassword_}};
        int row = 0;
        for (const auto& [caption, field] : fields) {
            grid->addWidget(new QLabel(caption, frame), row, 0);
            grid->addWidget(field, row++, 1);
        }
        readParameters_->setMinimumWidth(300);
        QGroupBox* lockFrame = ui::frame(frame, "Frame2", qtTrId(" 安全口令锁定参数 "));
        auto* lockLayout = new QHBoxLayout(lockFrame);
        lockMode_ = std::make_unique<ui::OptionGroup>(
            lockFrame, QList<ui::OptionGroup::Option>{{"Sec_Write_Enable", qtTrId("可写"), 0},
                                                      {"Sec_Read_Only", qtTrId("只读"), 1}});
        for (QRadioButton* b : lockMode_->buttons()) lockLayout->addWidget(b);
        lockMode_->choose("Sec_Write_Enable");
        grid->addWidget(lockFrame, row++, 0, 1, 2);
        result_ = ui::logList(frame, "result");
        grid->addWidget(result_, row++, 0, 1, 2);
        root->addWidget(frame, 1);

        QPushButton* read = ui::button(this, "Command1", qtTrId("读安全参数"));
        QPushButton* write = ui::button(this, "Command10", qtTrId("写安全参数"));
        QPushButton* key = ui::button(this, "Command11", qtTrId("写鉴别密码"));
        QPushButton* check = ui::button(this, "Command3", qtTrId("安全口令校验"));
        QPushButton* update = ui::button(this, "Command5", qtTrId("安全口令更新"));
        QPushButton* lock = ui::button(this, "Command6", qtTrId("安全口令锁定"));
        QPushButton* info = ui::button(this, "Command7", qtTrId("读标签锁定信息"));
        QPushButton* endInit = ui::button(this, "Command8", qtTrId("退出快速初始化模式"));
        QPushButton* auth = ui::button(this, "Command4", qtTrId("双向鉴别"));
        QPushButton* clear = ui::button(this, "Command12", qtTrId("清  屏"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        auto* buttons = new QGridLayout;
        const QList<QPushButton*> all = {read, write, key, check, update, lock, info, endInit, auth, clear, exit};
        for (int i = 0; i < all.size(); ++i) buttons->addWidget(all[i], i / 4, i % 4);
        root->addLayout(buttons);

        command(read, [this] { readSecurityParameters(); });
        command(write, [this] {
            Buffer request{};
            const QByteArray p = hex::leftAligned(writeParameters_->text(), 6, QLatin1Char('0'));
            std::copy(p.begin(), p.end(), request.begin());
            report(call(exports::GB_Set_SecPara, address(), request.data()), qtTrId(" 写安全参数成功！ "),
                   qtTrId(" 写安全参数失败！ "));
        });
        command(check, [this] {
            Buffer request = bytes(accessPassword_->text(), 4);
            report(call(exports::GB_FD_Cust_Access, address(), request.data()),
                   qtTrId(" 安全口令校验成功！ "), qtTrId(" 安全口令校验失败！ "));
        });
        command(update, [this] {
            Buffer request = bytes(newPassword_->text(), 4);
            report(call(exports::GB_FD_Cust_Pwd_Write, address(), request.data()),
                   qtTrId(" 安全口令更新成功！ "), qtTrId(" 写安全参数失败！ "));
        });
        command(lock, [this] {
            Buffer request{};
            request[0] = lockMode_->code(0);
            const std::int32_t r = call(exports::GB_FD_Cust_Pwd_Lock, address(), request.data());
            report(r, qtTrId(" 安全口令锁定成功！ "),
                   qtTrId(" 安全口令锁定失败！ 错误代码=") + hex::numberText(request[0]));
        });
        command(info, [this] { readLockInformation(); });
        command(endInit, [this] {
            Buffer request{};
            const auto code = quickInitEndCode();
            std::copy(code.begin(), code.end(), request.begin());
            report(call(exports::GB_FD_Cust_Init_End, address(), request.data()),
                   qtTrId(" 退出标签快速初始化模式成功！ "), qtTrId(" 退出标签快速初始化模式失败！ "));
        });
        for (auto [b, target] : {std::pair{key, screen::GbDiversifiedKey}, std::pair{auth, screen::GbAuth}}) {
            const QString name = target;  // clang 14 cannot capture a structured binding
            connect(b, &QPushButton::clicked, this, [this, name] {
                open(name);
                defaultPointer(this);
            });
        }
        command(clear, [this] { result_->clear(); });
        exitOn(exit);
    }

    static Buffer bytes(const QString& text, int count) {
        Buffer b{};
        const QByteArray p = hex::leftAligned(text, count, QLatin1Char('0'));
        std::copy(p.begin(), p.end(), b.begin());
        return b;
    }

    void report(std::int32_t r, const QString& done, const QString& failed) { log::add(result_, r == 0 ? done : failed); }

    void readSecurityParameters() {
        Buffer answer{};
        const std::int32_t r = call(exports::GB_Get_SecPara, address(), answer.data());
        const QString failed = qtTrId(" 读标签安全参数失败！");
        if (r != 0) return log::add(result_, failed);
        if (!fits(answer, kGbFdAnswer)) return log::add(result_, tooLong(failed, answer[0], kGbFdAnswer));
        // Six parameter bytes, then the TID; only the bytes the answer counts are shown.
        const auto data = std::span(answer).subspan(1, answer[0]);
        const std::size_t parameters = std::min<std::size_t>(6, data.size());
        log::add(result_, qtTrId(" 读标签安全参数成功！ "));
        readParameters_->setText(hex::fieldBytes(data.first(parameters)));
        tid_->setText(hex::fieldBytes(data.subspan(parameters)));
    }

    void readLockInformation() {
        Buffer answer{};
        const std::int32_t r = call(exports::GB_FD_Cust_Lock_Info, address(), answer.data());
        const QString failed = qtTrId(" 读标签锁定信息失败！");
        if (r != 0) return log::replace(result_, {failed});
        if (!fits(answer, kGbFdAnswer)) return log::replace(result_, {tooLong(failed, answer[0], kGbFdAnswer)});
        log::replace(result_, {qtTrId(" 读标签锁定信息成功！ = ") +
                               hex::fieldBytes(std::span(answer).subspan(1, answer[0]))});
    }

    QLineEdit* readParameters_ = nullptr;
    QLineEdit* tid_ = nullptr;
    QLineEdit* writeParameters_ = nullptr;
    QLineEdit* accessPassword_ = nullptr;
    QLineEdit* newPassword_ = nullptr;
    std::unique_ptr<ui::OptionGroup> lockMode_;
    QListWidget* result_ = nullptr;
};

// GB_FD_Get_Diver_Key_A.
class DiversifiedKeyScreen : public Screen {
public:
    explicit DiversifiedKeyScreen(ScreenContext& context) : Screen(context, screen::GbDiversifiedKey, gbCaption()) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("设置标签的鉴别密钥")));
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 密码数据 "));
        auto* grid = new QGridLayout(frame);
        keyId_ = ui::hexField(frame, "File_ID", 2, QStringLiteral("02"));
        key_ = ui::hexField(frame, "Diver_Key", 32);
        key_->setMinimumWidth(300);
        grid->addWidget(ui::label(frame, "Label2", qtTrId("加密密钥标识：")), 0, 0);
        grid->addWidget(keyId_, 0, 1);
        grid->addWidget(ui::label(frame, "Label3", qtTrId("（1个字节）")), 0, 2);
        grid->addWidget(ui::label(frame, "Label4", qtTrId("标签密钥：")), 1, 0);
        grid->addWidget(key_, 1, 1);
        grid->addWidget(ui::label(frame, "Label5", qtTrId("（16字节）")), 1, 2);
        result_ = ui::resultLabel(frame);
        grid->addWidget(result_, 2, 0, 1, 3);
        root->addWidget(frame);
        QPushButton* compute = ui::button(this, "Command1", qtTrId("计算分散密钥"));
        QPushButton* write = ui::button(this, "Command2", qtTrId("写标签密钥"));
        QPushButton* exit = ui::button(this, "Command3", qtTrId("退  出"));
        root->addLayout(buttonRow({compute, write, exit}));

        command(compute, [this] {
            Buffer answer{};
            const std::int32_t r = call(exports::GB_FD_Get_Diver_Key, address(), keyIdentifier(keyId_->text()),
                                        answer.data());
            if (r == 0) key_->setText(hex::fieldBytes(std::span(answer).first(16)));
            showResult(result_, r, qtTrId(" 计算标签的分散密钥成功！ "),
                       qtTrId(" 计算标签的分散密钥失败！ "));
        });
        command(write, [this] {
            Buffer request{};
            const QByteArray k = hex::leftAligned(key_->text(), 16, QLatin1Char('0'));
            std::copy(k.begin(), k.end(), request.begin());
            showResult(result_, call(exports::GB_FD_Write_Auth_Pwd, address(), request.data()),
                       qtTrId(" 鉴别密钥设置成功！ "), qtTrId(" 鉴别密钥设置失败！ "));
        });
        exitOn(exit);
    }

private:
    QLineEdit* keyId_ = nullptr;
    QLineEdit* key_ = nullptr;
    QLabel* result_ = nullptr;
};

// GJB_TAG_FD_APP.
class GjbFdScreen : public Screen {
public:
    explicit GjbFdScreen(ScreenContext& context)
        : Screen(context, screen::GjbFudan, kConsoleCaption + QStringLiteral(" GJB/T 7377.1-2011")) {
        build();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("复旦微电子标签专用命令")));
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 操作参数及结果  "));
        auto* grid = new QGridLayout(frame);

        QGroupBox* areaFrame = ui::frame(frame, "Frame2", qtTrId(" 用户子区 "));
        auto* areaLayout = new QHBoxLayout(areaFrame);
        area_ = std::make_unique<ui::OptionGroup>(
            areaFrame, QList<ui::OptionGroup::Option>{{"User_Bank2", qtTrId("用户子区2"), 1},
                                                      {"User_Bank3", qtTrId("用户子区3"), 2}});
        for (QRadioButton* b : area_->buttons()) areaLayout->addWidget(b);
        area_->choose("User_Bank2");
        grid->addWidget(areaFrame, 0, 0, 1, 3);

        address_ = ui::hexField(frame, "address", 4, QStringLiteral("0"));
        words_ = ui::hexField(frame, "data_len", 4, QStringLiteral("8"));
        data_ = ui::hexField(frame, "data", 0);
        data_->setMinimumWidth(300);
        grid->addWidget(ui::label(frame, "Label2", qtTrId("起始地址：")), 1, 0);
        grid->addWidget(address_, 1, 1);
        grid->addWidget(ui::label(frame, "Label3", qtTrId("(以字为单位，2个字节）")), 1, 2);
        grid->addWidget(ui::label(frame, "Label4", qtTrId("数据长度：")), 2, 0);
        grid->addWidget(words_, 2, 1);
        grid->addWidget(ui::label(frame, "Label5", qtTrId("(以字为单位，2个字节）")), 2, 2);
        grid->addWidget(ui::label(frame, "Label6", qtTrId("数  据：")), 3, 0);
        grid->addWidget(data_, 3, 1, 1, 2);

        QGroupBox* lockFrame = ui::frame(frame, "Frame3", qtTrId(" 锁定信息 "));
        auto* lockLayout = new QHBoxLayout(lockFrame);
        action_ = std::make_unique<ui::OptionGroup>(
            lockFrame, QList<ui::OptionGroup::Option>{{"action_0", qtTrId("可读可写"), 0},
                                                      {"action_1", qtTrId("可读不可写"), 1},
                                                      {"action_2", qtTrId("不可读可写"), 2},
                                                      {"action_3", qtTrId("不可读不可写"), 3}});
        for (QRadioButton* b : action_->buttons()) lockLayout->addWidget(b);
        action_->choose("action_0");
        grid->addWidget(lockFrame, 4, 0, 1, 3);
        result_ = ui::logList(frame, "result");
        grid->addWidget(result_, 5, 0, 1, 3);
        root->addWidget(frame, 1);

        QPushButton* read = ui::button(this, "Command1", qtTrId("读取数据"));
        QPushButton* write = ui::button(this, "Command10", qtTrId("写入数据"));
        QPushButton* erase = ui::button(this, "Command11", qtTrId("擦除数据"));
        QPushButton* info = ui::button(this, "Command5", qtTrId("读取标签设置信息"));
        QPushButton* lock = ui::button(this, "Command7", qtTrId("锁定数据"));
        QPushButton* clear = ui::button(this, "Command3", qtTrId("清  屏"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({read, write, erase, info, lock, clear, exit}));

        command(read, [this] { readBlock(); });
        command(write, [this] {
            const QString data = data_->text();
            const auto built = gjbBlockRequest(subArea(), address_->text(), words_->text(), &data);
            const QString failed = qtTrId(" 写标签数据失败！");
            if (!built) {
                log::add(result_, failed + qtTrId(" 数据长度最多%1个字！").arg(kGjbFdWriteWords));
                return;
            }
            verdict(exports::GJB_FD_Cust_Write_Block, *built, qtTrId(" 写标签数据成功！ "), failed);
        });
        command(erase, [this] {
            verdict(exports::GJB_FD_Cust_Erase_Block, *gjbBlockRequest(subArea(), address_->text(), words_->text(), nullptr),
                    qtTrId(" 块擦除标签数据成功！ "), qtTrId(" 块擦除标签数据失败！"));
        });
        command(lock, [this] {
            QByteArray request;
            request += static_cast<char>(subArea());
            request += static_cast<char>(action_->code(0));
            request += '\0';
            verdict(exports::GJB_FD_Cust_Lock_Blck, request, qtTrId(" 锁定标签成功！ "),
                    qtTrId(" 锁定标签失败！"));
        });
        command(info, [this] { readSettings(); });
        command(clear, [this] { result_->clear(); });
        exitOn(exit);
    }

    std::uint8_t subArea() const { return area_->code(1); }

    // A verdict-byte command: result 1 shows the failure alone, any other failure the tag's
    // error code from the request buffer's first byte.
    template <class Function>
    void verdict(const Export<Function>& e, const QByteArray& built, const QString& done, const QString& failed) {
        Buffer request{};
        std::copy(built.begin(), built.end(), request.begin());
        const std::int32_t r = call(e, address(), request.data());
        if (r == 0)
            log::add(result_, done);
        else if (r == 1)
            log::add(result_, failed);
        else
            log::add(result_, failed + qtTrId(" 错误代码=") + hex::numberText(request[0]));
    }

    void readBlock() {
        const QByteArray built = *gjbBlockRequest(subArea(), address_->text(), words_->text(), nullptr);
        Buffer request{};
        std::copy(built.begin(), built.end(), request.begin());
        Buffer answer{};
        const std::int32_t r = call(exports::GJB_FD_Cust_Read_Block, address(), request.data(), answer.data());
        const QString failed = qtTrId(" 读标签数据失败！");
        if (r != 0) return log::add(result_, failed + qtTrId("错误代码=") + hex::numberText(answer[0]));
        if (!fits(answer, kGjbFdAnswer)) return log::add(result_, tooLong(failed, answer[0], kGjbFdAnswer));
        log::replace(result_, {qtTrId(" 读标签数据成功！ "), hex::logBytes(std::span(answer).subspan(1, answer[0]))});
    }

    void readSettings() {
        Buffer answer{};
        const std::int32_t r = call(exports::GJB_FD_Cust_Lock_Info, address(), answer.data());
        const QString failed = qtTrId(" 读标签锁定信息失败！");
        if (r != 0) return log::replace(result_, {failed});
        if (!fits(answer, kGjbFdAnswer)) return log::replace(result_, {tooLong(failed, answer[0], kGjbFdAnswer)});
        log::replace(result_, {qtTrId(" 读标签锁定信息成功！ = ") +
                               hex::fieldBytes(std::span(answer).subspan(1, answer[0]))});
    }

    std::unique_ptr<ui::OptionGroup> area_;
    std::unique_ptr<ui::OptionGroup> action_;
    QLineEdit* address_ = nullptr;
    QLineEdit* words_ = nullptr;
    QLineEdit* data_ = nullptr;
    QListWidget* result_ = nullptr;
};

}  // namespace

void registerTagSecurityScreens(ScreenContext& context, ScreenRegistry& registry) {
    registry.add(screen::GbAuth, [&context](QWidget*) { return new GbAuthScreen(context); });
    registry.add(screen::GjbAuth, [&context](QWidget*) { return new GjbAuthScreen(context); });
    registry.add(screen::GbFudan, [&context](QWidget*) { return new GbFdScreen(context); });
    registry.add(screen::GbDiversifiedKey, [&context](QWidget*) { return new DiversifiedKeyScreen(context); });
    registry.add(screen::GjbFudan, [&context](QWidget*) { return new GjbFdScreen(context); });
}

}  // namespace plover::security
