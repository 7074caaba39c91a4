#include "console/tags/password_screens.h"

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
#include <array>
#include <functional>
#include <memory>

#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"
#include "console/tags/access_screens.h"

namespace plover::tags {

namespace {

const Text kSetDone = QT_TRID_NOOP(" 密码设置成功！ ");
const Text kSetFailed = QT_TRID_NOOP(" 密码设置失败！ ");
const Text kCheckDone = QT_TRID_NOOP(" 密码校验成功！ ");
const Text kCheckFailed = QT_TRID_NOOP(" 密码校验失败！ ");

constexpr int kPasswordBytes = 4;
constexpr int kPasswordDigits = 8;

// A password text field with its label.
struct PasswordField {
    const char* name;
    const char* labelName;
    QString label;
};

// GB: the two passwords, or the two kinds of password, of an area mean different things for
// the security area (kill and lock) and for the user areas (read and write).
struct BankCaptions {
    QStringList security;
    QStringList user;
};

// The bank options of a GB password screen in `frame`: the tag information and coding areas
// disabled, user area 1 chosen; `follow` runs with the captions for each chosen bank.
std::unique_ptr<ui::OptionGroup> passwordBanks(QGroupBox* frame, const char* safeName,
                                               std::function<void(const QStringList&)> follow,
                                               const BankCaptions& captions) {
    auto banks = std::make_unique<ui::OptionGroup>(frame, gbBankOptions(safeName));
    layOut(frame, *banks, 4);
    ui::OptionGroup* group = banks.get();
    for (QRadioButton* b : banks->buttons()) {
        QObject::connect(b, &QRadioButton::toggled, frame, [group, follow, captions](bool on) {
            if (on) follow(group->code(0x00) >= 0x03 ? captions.user : captions.security);
        });
    }
    banks->buttons()[0]->setEnabled(false);  // M_Tid
    banks->buttons()[1]->setEnabled(false);  // M_Code
    banks->choose("M_User1");
    return banks;
}

// The password fields in a grid: label, field. Gives the fields in the order of `fields`.
QList<QLineEdit*> passwordFields(QWidget* parent, QGridLayout* grid, const QList<PasswordField>& fields,
                                 const QString& text, QList<QLabel*>* labels = nullptr) {
    QList<QLineEdit*> edits;
    int row = 0;
    for (const PasswordField& f : fields) {
        QLabel* l = ui::label(parent, f.labelName, f.label);
        QLineEdit* e = ui::hexField(parent, f.name, kPasswordDigits, text);
        grid->addWidget(l, row, 0);
        grid->addWidget(e, row++, 1);
        edits << e;
        if (labels) *labels << l;
    }
    return edits;
}

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : buttons) row->addWidget(b);
    return row;
}

// The passwords of the fields, 4 bytes each, back to back, at the start of an export buffer.
std::array<std::uint8_t, kExportBuffer> passwordBuffer(const QList<QLineEdit*>& fields, bool rightAligned,
                                                      std::size_t offset = 0) {
    std::array<std::uint8_t, kExportBuffer> buffer{};
    std::size_t i = offset;
    for (const QLineEdit* f : fields)
        for (char b : passwordBytes(f->text(), rightAligned)) buffer[i++] = static_cast<std::uint8_t>(b);
    return buffer;
}

// ---- Set password ----

struct SetKind {
    QString heading;
    const char* noteName;
    QString note;
    QList<PasswordField> fields;
    bool banks;
    const char* resultName;
};

const SetKind& setKind(StandardId id) {
    static const SetKind kEpc{qtTrId("密码设置"),
                              "Label2",
                              qtTrId("（读写器对标签的访问密码）"),
                              {{"Access_Password", "Label3", qtTrId("访问密码：")},
                               {"Kill_Password", "Label4", qtTrId("灭活密码：")}},
                              false,
                              "result"};
    static const SetKind kGb{qtTrId("密码设置"),
                             "Label12",
                             qtTrId("（每个密码为4字节十六进制数)"),
                             {{"Read_Pwd", "Label7", qtTrId("读密码：")},
                              {"Write_Pwd", "Label6", qtTrId("写密码：")}},
                             true,
                             "Result_a"};
    static const SetKind kGjb{qtTrId("密码设置(将操作口令传送到读写器）"),
                              "Label12",
                              qtTrId("（每个密码为4字节十六进制数)"),
                              {{"Kill_Pwd", "Label3", qtTrId("灭活口令：")},
                               {"Lock_Pwd", "Label4", qtTrId("锁定口令：")},
                               {"Read_Pwd", "Label5", qtTrId("读口令：")},
                               {"Write_Pwd", "Label6", qtTrId("写口令：")}},
                              false,
                              "Result_a"};
    return id == StandardId::Epc ? kEpc : id == StandardId::Gb ? kGb : kGjb;
}

// EPC_TAG_Set_Key, GB_TAG_Set_Key, GJB_TAG_Set_Key.
class SetPasswordScreen : public Screen {
public:
    SetPasswordScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::SetKey), standard.caption()), s_(standard) {
        const SetKind& k = setKind(s_.id);
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", k.heading));
        QGroupBox* data = ui::frame(this, "Frame1", qtTrId(" 密码数据 "));
        auto* dataLayout = new QHBoxLayout(data);
        QWidget* fieldsParent = data;
        if (s_.id != StandardId::Epc) fieldsParent = ui::frame(data, "Frame2", qtTrId(" 密码内容 "));
        auto* grid = new QGridLayout;
        QList<QLabel*> labels;
        fields_ = passwordFields(fieldsParent, grid, k.fields, kDefaultPassword, &labels);
        grid->addWidget(ui::label(fieldsParent, k.noteName, k.note), static_cast<int>(k.fields.size()), 0, 1, 2);
        store_ = ui::checkBox(fieldsParent, "Password_FLAG", qtTrId("存贮在读写器中"));
        grid->addWidget(store_, static_cast<int>(k.fields.size()) + 1, 0, 1, 2);
        if (fieldsParent == data) {
            dataLayout->addLayout(grid);
        } else {
            static_cast<QGroupBox*>(fieldsParent)->setLayout(grid);
            dataLayout->addWidget(fieldsParent);
        }
        if (k.banks) {
            QGroupBox* bankFrame = ui::frame(data, "Frame3", qtTrId(" 存储区 "));
            banks_ = passwordBanks(
                bankFrame, "M_safe",
                [labels](const QStringList& captions) {
                    for (int i = 0; i < 2; ++i) labels[i]->setText(captions[i]);
                },
                {{qtTrId("灭活密码:"), qtTrId("锁定密码:")},
                 {qtTrId("读密码:"), qtTrId("写密码:")}});
            // The load texts stand until the operator chooses a bank.
            for (int i = 0; i < 2; ++i) labels[i]->setText(k.fields[i].label);
            dataLayout->addWidget(bankFrame);
        }
        root->addWidget(data);
        result_ = ui::resultLabel(this, k.resultName);
        root->addWidget(result_);
        QPushButton* set = ui::button(this, "Command2", qtTrId("设置密码"));
        QPushButton* exit = ui::button(this, "Command3", qtTrId("退  出"));
        root->addLayout(buttonRow({set, exit}));
        command(set, [this] { run(); });
        exitOn(exit);
    }

private:
    void run() {
        const PasswordExports& x = passwordExports(s_.id);
        const std::int32_t store = store_->isChecked() ? 1 : 0;
        auto passwords = passwordBuffer(fields_, false);
        std::int32_t r = 0;
        switch (s_.id) {
            case StandardId::Epc: {
                // Access password first, then the kill password, each in a buffer of its own.
                std::array<std::uint8_t, kExportBuffer> kill{};
                std::copy_n(passwords.begin() + kPasswordBytes, kPasswordBytes, kill.begin());
                r = call(x.epcSet, address(), store, passwords.data(), kill.data());
                break;
            }
            case StandardId::Gb: {
                std::array<std::uint8_t, kExportBuffer> write{};
                std::copy_n(passwords.begin() + kPasswordBytes, kPasswordBytes, write.begin());
                r = call(x.gbSet, address(), store, std::int32_t{banks_->code(0x00)}, passwords.data(), write.data());
                break;
            }
            case StandardId::Gjb: r = call(x.gjbSet, address(), store, passwords.data()); break;
        }
        showResult(result_, r, kSetDone, kSetFailed);
    }

    const TagStandard& s_;
    QList<QLineEdit*> fields_;
    QCheckBox* store_ = nullptr;
    std::unique_ptr<ui::OptionGroup> banks_;
    QLabel* result_ = nullptr;
};

// ---- Check password ----

struct CheckKind {
    QString heading;
    QList<ui::OptionGroup::Option> kinds;  // none: EPC checks its one access password
    bool banks;
    const char* resultName;
};

const CheckKind& checkKind(StandardId id) {
    static const CheckKind kEpc{qtTrId("校验访问密码"), {}, false, "result"};
    static const CheckKind kGb{qtTrId("校验访问密码"),
                               {{"Read_Pwd", qtTrId("读取口令"), 0}, {"Write_Pwd", qtTrId("写入口令"), 1}},
                               true,
                               "Result"};
    static const CheckKind kGjb{qtTrId("校验访问口令"),
                                {{"Read_Pwd", qtTrId("读取口令"), 0},
                                 {"Write_Pwd", qtTrId("写入口令"), 1},
                                 {"Lock_Pwd", qtTrId("锁定口令"), 2},
                                 {"Kill_Pwd", qtTrId("灭活口令"), 3}},
                                false,
                                "Result"};
    return id == StandardId::Epc ? kEpc : id == StandardId::Gb ? kGb : kGjb;
}

// EPC_TAG_Access_Key, GB_TAG_Access_Key, GJB_TAG_Access_Key.
class CheckPasswordScreen : public Screen {
public:
    CheckPasswordScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::AccessKey), standard.caption()), s_(standard) {
        const CheckKind& k = checkKind(s_.id);
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", k.heading));
        if (!k.kinds.isEmpty()) {
            QGroupBox* params = ui::frame(this, "Frame1", qtTrId(" 校验参数  "));
            auto* row = new QHBoxLayout(params);
            QGroupBox* kindFrame = ui::frame(params, "Frame2", qtTrId(" 口令类别 "));
            kinds_ = std::make_unique<ui::OptionGroup>(kindFrame, k.kinds);
            layOut(kindFrame, *kinds_, 1);
            kinds_->choose("Read_Pwd");
            row->addWidget(kindFrame);
            if (k.banks) {
                QGroupBox* bankFrame = ui::frame(params, "Frame3", qtTrId(" 存储区 "));
                ui::OptionGroup* kinds = kinds_.get();
                banks_ = passwordBanks(
                    bankFrame, "M_Safe",
                    [kinds](const QStringList& captions) {
                        for (int i = 0; i < 2; ++i) kinds->buttons()[i]->setText(captions[i]);
                    },
                    {{qtTrId("灭活口令"), qtTrId("锁定口令")},
                     {qtTrId("读取口令"), qtTrId("写入口令")}});
                row->addWidget(bankFrame);
            }
            root->addWidget(params);
        }
        result_ = ui::resultLabel(this, k.resultName);
        if (s_.id == StandardId::Epc) {
            QGroupBox* outcome = ui::frame(this, "Frame1", qtTrId(" 操作结果 "));
            result_->setParent(outcome);
            (new QVBoxLayout(outcome))->addWidget(result_);
            root->addWidget(outcome);
        } else {
            root->addWidget(result_);
        }
        QPushButton* check = ui::button(this, "Command1", qtTrId("校验密码"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({check, exit}));
        command(check, [this] {
            const std::uint8_t bank = banks_ ? banks_->code(0x00) : 0;
            const std::uint8_t kind = kinds_ ? kinds_->code(0) : 0;
            showResult(result_, checkPassword(*this, s_.id, address(), bank, kind), kCheckDone, kCheckFailed);
        });
        exitOn(exit);
    }

private:
    const TagStandard& s_;
    std::unique_ptr<ui::OptionGroup> kinds_, banks_;
    QLabel* result_ = nullptr;
};

// ---- Change password ----

struct ChangeKind {
    QString heading;
    QString frame;
    QList<PasswordField> fields;
    bool banks;
    QString initial;       // the fields' text at load
    bool rightAligned;     // GB, GJB: the passwords are numbers, completed on the left
    QString done, failed;  // GB, GJB: the list's lines; EPC: the label's texts
};

const ChangeKind& changeKind(StandardId id) {
    static const ChangeKind kEpc{qtTrId("修改标签访问密码"),
                                 qtTrId(" 密码数据 "),
                                 {{"Access_Password", "Label3", qtTrId("访问密码：")},
                                  {"Kill_Password", "Label4", qtTrId("灭活密码：")}},
                                 false,
                                 kDefaultPassword,
                                 false,
                                 kSetDone,
                                 kSetFailed};
    static const ChangeKind kGb{qtTrId("修改标签密码"),
                                qtTrId(" 待改写密码的数据 "),
                                {{"Read_Pwd", "Label3", qtTrId("读口令：")},
                                 {"Write_Pwd", "Label4", qtTrId("写口令：")}},
                                true,
                                {},
                                true,
                                qtTrId(" 写标签数据成功！ "),
                                qtTrId(" 写标签数据失败！")};
    static const ChangeKind kGjb{qtTrId("修改标签密码"),
                                 qtTrId(" 待改写密码的数据 "),
                                 {{"Kill_Pwd", "Label3", qtTrId("灭活口令：")},
                                  {"Lock_Pwd", "Label4", qtTrId("锁定口令：")},
                                  {"Read_Pwd", "Label5", qtTrId("读口令：")},
                                  {"Write_Pwd", "Label6", qtTrId("写口令：")}},
                                 false,
                                 {},
                                 true,
                                 qtTrId(" 写标签口令数据成功！ "),
                                 qtTrId(" 写标签口令数据失败！")};
    return id == StandardId::Epc ? kEpc : id == StandardId::Gb ? kGb : kGjb;
}

// EPC_TAG_Edit_Key, GB_TAG_Edit_Pwd, GJB_TAG_Edit_Pwd.
class ChangePasswordScreen : public Screen {
public:
    ChangePasswordScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context,
                 standard.screen(standard.id == StandardId::Epc ? screen::tag::EditKey : screen::tag::EditPwd),
                 standard.caption()),
          s_(standard), k_(changeKind(standard.id)) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", k_.heading));
        QGroupBox* data = ui::frame(this, "Frame1", k_.frame);
        auto* dataLayout = new QHBoxLayout(data);
        auto* grid = new QGridLayout;
        QList<QLabel*> labels;
        fields_ = passwordFields(data, grid, k_.fields, k_.initial, &labels);
        dataLayout->addLayout(grid);
        if (k_.banks) {
            QGroupBox* bankFrame = ui::frame(data, "Frame2", qtTrId(" 存储区 "));
            banks_ = passwordBanks(
                bankFrame, "M_Safe",
                [labels](const QStringList& captions) {
                    for (int i = 0; i < 2; ++i) labels[i]->setText(captions[i]);
                },
                {{qtTrId("灭活口令："), qtTrId("锁定口令：")},
                 {qtTrId("读口令："), qtTrId("写口令：")}});
            dataLayout->addWidget(bankFrame);
        }
        root->addWidget(data);
        if (s_.id == StandardId::Epc) {
            label_ = ui::resultLabel(this);
            root->addWidget(label_);
            QPushButton* change = ui::button(this, "Command2", qtTrId("修改密码"));
            QPushButton* exit = ui::button(this, "Command3", qtTrId("退  出"));
            root->addLayout(buttonRow({change, exit}));
            command(change, [this] { run(); });
            exitOn(exit);
        } else {
            QGroupBox* outcome = ui::frame(this, "Frame3", qtTrId(" 操作结果 "));
            list_ = ui::logList(outcome, "result");
            (new QVBoxLayout(outcome))->addWidget(list_);
            root->addWidget(outcome, 1);
            QPushButton* change = ui::button(this, "Command1", qtTrId("修改密码"));
            QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
            QPushButton* clear = ui::button(this, "Command3", qtTrId("清  屏"));
            root->addLayout(buttonRow({change, clear, exit}));
            command(change, [this] { run(); });
            command(clear, [this] { list_->clear(); });
            exitOn(exit);
        }
    }

private:
    void run() {
        const PasswordExports& x = passwordExports(s_.id);
        if (s_.id == StandardId::Epc) {
            // The new kill password goes first, the new access password second.
            auto access = passwordBuffer({fields_[0]}, false);
            auto kill = passwordBuffer({fields_[1]}, false);
            showResult(label_, call(x.epcChange, address(), kill.data(), access.data()), k_.done, k_.failed);
            return;
        }
        // GB: the bank code, then the passwords; GJB: the four passwords.
        const std::size_t offset = banks_ ? 1 : 0;
        auto record = passwordBuffer(fields_, true, offset);
        if (banks_) record[0] = banks_->code(0x00);
        const std::int32_t r = call(x.recordChange, address(), record.data());
        if (r == 0)
            log::add(list_, k_.done);
        else if (showsErrorCode(s_.id, r))
            log::add(list_, k_.failed + qtTrId(" 错误代码=") + hex::numberText(record[0]));
        else
            log::add(list_, k_.failed);
    }

    const TagStandard& s_;
    const ChangeKind& k_;
    QList<QLineEdit*> fields_;
    std::unique_ptr<ui::OptionGroup> banks_;
    QLabel* label_ = nullptr;
    QListWidget* list_ = nullptr;
};

}  // namespace

QByteArray passwordBytes(const QString& text, bool rightAligned) {
    return rightAligned ? hex::rightAligned(text, kPasswordBytes)
                        : hex::leftAligned(text, kPasswordBytes, QLatin1Char('0'));
}

std::int32_t checkPassword(Screen& screen, StandardId id, std::uint8_t address, std::uint8_t bank,
                           std::uint8_t kind) {
    const PasswordExports& x = passwordExports(id);
    switch (id) {
        case StandardId::Gb: return screen.call(x.gbCheck, std::int32_t{address}, std::int32_t{bank}, std::int32_t{kind});
        case StandardId::Gjb: return screen.call(x.gjbCheck, std::int32_t{address}, std::int32_t{kind});
        case StandardId::Epc: break;
    }
    return screen.call(x.epcCheck, std::int32_t{address});
}

void registerPasswordScreens(ScreenContext& context, ScreenRegistry& registry) {
    for (const TagStandard* s : standards()) {
        registry.add(s->screen(screen::tag::SetKey), [&context, s](QWidget*) { return new SetPasswordScreen(context, *s); });
        registry.add(s->screen(screen::tag::AccessKey),
                     [&context, s](QWidget*) { return new CheckPasswordScreen(context, *s); });
        registry.add(s->screen(s->id == StandardId::Epc ? screen::tag::EditKey : screen::tag::EditPwd),
                     [&context, s](QWidget*) { return new ChangePasswordScreen(context, *s); });
    }
}

}  // namespace plover::tags
