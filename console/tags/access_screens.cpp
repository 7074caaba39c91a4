#include "console/tags/access_screens.h"

#include <QCheckBox>
#include <QComboBox>
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
#include <optional>

#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"

namespace plover::tags {

namespace {

const Text kLockDone = QT_TRID_NOOP(" 锁定标签成功！ ");
const Text kLockFailed = QT_TRID_NOOP(" 锁定标签失败！");
const Text kLockFailedCode = QT_TRID_NOOP(" 锁定标签失败！ 错误代码=");
const Text kKillDone = QT_TRID_NOOP(" 灭活标签成功！ ");
const Text kKillFailed = QT_TRID_NOOP(" 灭活标签失败！");
const Text kKillFailedCode = QT_TRID_NOOP(" 灭活标签失败！ 错误代码=");
const Text kHaltDone = QT_TRID_NOOP(" 休眠标签成功！ ");
const Text kHaltFailed = QT_TRID_NOOP(" 休眠标签失败！");
const Text kWakeFailed = QT_TRID_NOOP(" 唤醒标签失败！");
// A reply longer than the wake reply array (ours: the reader never sends one).
const Text kWakeTooLong = QT_TRID_NOOP(" 唤醒标签失败！ 应答数据长度 %1 字节，超过 %2 字节！");
// A Wake_Bank text that does not begin with a digit.
const Text kWakeBankNotANumber = QT_TRID_NOOP(" 唤醒标签失败！ 匹配存储区“%1”不以数字开头！");

constexpr std::size_t kMaskBytes = 32;

// The GB lock actions: their meaning, and so their captions, follow the chosen bank.
const QStringList& userAreaActions() {
    static const QStringList value{qtTrId("可读可写"), qtTrId("可读不可写"),
                                      qtTrId("不可读可写"), qtTrId("不可读不可写")};
    return value;
}
const QStringList& securityActions() {
    static const QStringList value{qtTrId("保留"), qtTrId("不需要鉴别"),
                                      qtTrId("需要鉴别，不需要安全通信"),
                                      qtTrId("需要鉴别，需要安全通信")};
    return value;
}

// What the lock screens of GB and GJB choose from, and how their record is laid out.
struct LockOptions {
    QList<ui::OptionGroup::Option> banks;
    const char* initialBank;
    std::uint8_t noBank;       // the bank code when no bank option is chosen
    bool configuration;        // GB: a configuration byte before the action
    bool actionsFollowBank;    // GB: the action captions follow the bank
};

const LockOptions& lockOptions(StandardId id) {
    static const LockOptions kGb{gbBankOptions("M_Safe"), "M_User1", 0x00, true, true};
    static const LockOptions kGjb{{{"M_Tid", qtTrId("标签信息区"), 0},
                                   {"M_Code", qtTrId("编码区"), 1},
                                   {"M_Safe", qtTrId("安全区"), 2},
                                   {"M_User", qtTrId("用户区"), 3}},
                                  "M_User",
                                  3,
                                  false,
                                  false};
    return id == StandardId::Gb ? kGb : kGjb;
}

// The failure text of a lock or kill with the tag's error code: EPC locks show it in decimal
// after a space, every other screen in hex without leading zero.
QString withCode(const QString& prefix, std::uint8_t code, bool decimal) {
    return prefix + (decimal ? QStringLiteral(" ") + QString::number(code) : hex::numberText(code));
}

QHBoxLayout* buttonRow(std::initializer_list<QPushButton*> buttons) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : buttons) row->addWidget(b);
    return row;
}

// EPC_TAG_Lock, GB_TAG_Lock, GJB_TAG_Lock.
class LockScreen : public Screen {
public:
    LockScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::Lock), standard.caption()), s_(standard) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("锁定标签")));
        if (s_.id == StandardId::Epc)
            buildTargets(root);
        else
            buildOptions(root);
        QGroupBox* outcome = ui::frame(this, "Frame7", qtTrId(" 操作结果 "));
        result_ = ui::resultLabel(outcome);
        (new QVBoxLayout(outcome))->addWidget(result_);
        root->addWidget(outcome);
        QPushButton* lock = ui::button(this, "Command1", qtTrId("锁定标签"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        QPushButton* clear = ui::button(this, "Command3", qtTrId("清  屏"));
        root->addLayout(buttonRow({lock, clear, exit}));
        command(lock, [this] { run(); });
        command(clear, [this] { result_->setText(QStringLiteral(" ")); });
        exitOn(exit);
    }

private:
    // EPC: four check boxes for each of the five protected fields.
    void buildTargets(QVBoxLayout* root) {
        struct Target {
            const char* prefix;
            QString caption;
            bool password;
        };
        const Target targets[] = {{"Kill", qtTrId(" 灭活口令锁定 "), true},
                                  {"Access", qtTrId(" 访问口令锁定 "), true},
                                  {"EPC", qtTrId(" EPC区锁定 "), false},
                                  {"TID", qtTrId(" TID区锁定 "), false},
                                  {"User", qtTrId(" 用户区锁定 "), false}};
        QGroupBox* all = ui::frame(this, "Frame1", qtTrId(" 锁定参数 "));
        auto* grid = new QGridLayout(all);
        int n = 0;
        for (const Target& t : targets) {
            const QByteArray frameName = "Frame" + QByteArray::number(n + 2);
            QGroupBox* f = ui::frame(all, frameName.constData(), t.caption);
            auto* column = new QVBoxLayout(f);
            const QString p = QLatin1String(t.prefix);
            // Bits 0x08, 0x04, 0x02, 0x01 of the field's lock byte, in that order.
            const std::pair<QString, QString> boxes[] = {
                {p + QStringLiteral("_Write_Flag"), qtTrId("有效/无效")},
                {p + QStringLiteral("_Pera_Flag"), qtTrId("有效/无效")},
                {p + QStringLiteral("_Write_Pwd"), t.password ? qtTrId("读/写保护") : qtTrId("写保护")},
                {p + QStringLiteral("_Pera_Pwd"), qtTrId("永久锁定")}};
            for (std::size_t bit = 0; bit < 4; ++bit) {
                QCheckBox* c = ui::checkBox(f, boxes[bit].first.toLatin1().constData(), boxes[bit].second);
                column->addWidget(c);
                boxes_[static_cast<std::size_t>(n)][bit] = c;
            }
            grid->addWidget(f, 0, n++);
        }
        root->addWidget(all);
    }

    // GB and GJB: a bank, (GB) a configuration and an action.
    void buildOptions(QVBoxLayout* root) {
        const LockOptions& o = lockOptions(s_.id);
        QGroupBox* all = ui::frame(this, "Frame1", qtTrId(" 锁定信息 "));
        auto* column = new QVBoxLayout(all);
        QGroupBox* bankFrame = ui::frame(all, "Frame2", qtTrId(" 存储区 "));
        banks_ = std::make_unique<ui::OptionGroup>(bankFrame, o.banks);
        layOut(bankFrame, *banks_, 4);
        column->addWidget(bankFrame);
        auto* row = new QHBoxLayout;
        if (o.configuration) {
            QGroupBox* f = ui::frame(all, "Frame3", qtTrId(" 配置 "));
            configuration_ = std::make_unique<ui::OptionGroup>(
                f, QList<ui::OptionGroup::Option>{{"Configure_0", qtTrId("配置存储器属性"), 0},
                                                  {"Configure_1", qtTrId("配置安全模式"), 1}});
            layOut(f, *configuration_, 1);
            configuration_->choose("Configure_0");
            row->addWidget(f);
        }
        QGroupBox* actionFrame = ui::frame(all, "Frame4", qtTrId(" 锁定动作 "));
        QList<ui::OptionGroup::Option> actions;
        const char* names[] = {"Action_0", "Action_1", "Action_2", "Action_3"};
        for (std::uint8_t a = 0; a < 4; ++a) actions.append({names[a], userAreaActions()[a], a});
        actions_ = std::make_unique<ui::OptionGroup>(actionFrame, actions);
        layOut(actionFrame, *actions_, 1);
        row->addWidget(actionFrame);
        column->addLayout(row);
        root->addWidget(all);

        if (o.actionsFollowBank) {
            for (QRadioButton* b : banks_->buttons())
                connect(b, &QRadioButton::toggled, this, [this](bool on) {
                    if (on) captionActions();
                });
        }
        banks_->choose(o.initialBank);
        actions_->choose("Action_0");
        captionActions();
    }

    // GB: user areas are locked by read and write rights, the other areas by authentication.
    void captionActions() {
        if (!lockOptions(s_.id).actionsFollowBank) return;
        const std::uint8_t bank = banks_->code(lockOptions(s_.id).noBank);
        const QStringList& captions = bank >= 0x03 ? userAreaActions() : securityActions();
        for (int a = 0; a < 4; ++a) actions_->buttons()[a]->setText(captions[a]);
    }

    QByteArray record() const {
        if (s_.id == StandardId::Epc) {
            QByteArray r(5, '\0');
            for (std::size_t t = 0; t < 5; ++t) {
                std::uint8_t b = 0;
                for (std::size_t bit = 0; bit < 4; ++bit)
                    if (boxes_[t][bit]->isChecked()) b |= static_cast<std::uint8_t>(0x08 >> bit);
                r[static_cast<int>(t)] = static_cast<char>(b);
            }
            return r;
        }
        const LockOptions& o = lockOptions(s_.id);
        QByteArray r(3, '\0');
        r[0] = static_cast<char>(banks_->code(o.noBank));
        const auto action = static_cast<char>(actions_->code(0));
        if (o.configuration) {
            r[1] = static_cast<char>(configuration_->code(0));
            r[2] = action;
        } else {
            r[1] = action;
        }
        return r;
    }

    void run() {
        const QByteArray r = record();
        std::array<std::uint8_t, kExportBuffer> request{};
        std::copy(r.begin(), r.end(), request.begin());
        const std::int32_t result = call(s_.exports.lock, address(), request.data());
        if (result == 0)
            result_->setText(kLockDone);
        else if (showsErrorCode(s_.id, result))
            result_->setText(withCode(kLockFailedCode, request[0], s_.id == StandardId::Epc));
        else
            result_->setText(kLockFailed);
    }

    const TagStandard& s_;
    std::array<std::array<QCheckBox*, 4>, 5> boxes_{};
    std::unique_ptr<ui::OptionGroup> banks_, configuration_, actions_;
    QLabel* result_ = nullptr;
};

// EPC_TAG_Kill, GB_TAG_Kill, GJB_TAG_Kill.
class KillScreen : public Screen {
public:
    KillScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::Kill), standard.caption()), s_(standard) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("灭活（KILL）标签")));
        QGroupBox* outcome = ui::frame(this, "Frame1", qtTrId(" 操作结果 "));
        list_ = ui::logList(outcome, "result");
        list_->setMinimumWidth(360);
        (new QVBoxLayout(outcome))->addWidget(list_);
        root->addWidget(outcome, 1);
        QPushButton* kill = ui::button(this, "Command1", qtTrId("灭活标签"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({kill, exit}));
        command(kill, [this] { run(); });
        exitOn(exit);
    }

private:
    void run() {
        std::array<std::uint8_t, kExportBuffer> request{};
        const std::array<std::uint8_t, 4> code = killCode();
        std::copy(code.begin(), code.end(), request.begin());
        const std::int32_t result = call(s_.exports.kill, address(), request.data());
        if (result == 0)
            log::add(list_, kKillDone);
        else if (showsErrorCode(s_.id, result))
            log::add(list_, withCode(kKillFailedCode, request[0], false));
        else
            log::add(list_, kKillFailed);
    }

    const TagStandard& s_;
    QListWidget* list_ = nullptr;
};

// EPC_TAG_Halt, GB_TAG_Halt, GJB_TAG_Halt. A halt is quick: the screen keeps its pointer.
class HaltScreen : public Screen {
public:
    HaltScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::Halt), standard.caption()), s_(standard) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("休眠标签")));
        QGroupBox* outcome = ui::frame(this, "Frame1", qtTrId(" 操作结果 "));
        result_ = ui::resultLabel(outcome, "Result");
        (new QVBoxLayout(outcome))->addWidget(result_);
        root->addWidget(outcome);
        QPushButton* halt = ui::button(this, "Command1", qtTrId("休眠标签"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({halt, exit}));
        connect(halt, &QPushButton::clicked, this,
                [this] { showResult(result_, call(s_.exports.halt, address()), kHaltDone, kHaltFailed); });
        exitOn(exit);
    }

private:
    const TagStandard& s_;
    QLabel* result_ = nullptr;
};

// EPC_TAG_Wake, GB_TAG_Wake, GJB_TAG_Wake.
class WakeScreen : public Screen {
public:
    WakeScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::Wake), standard.caption()), s_(standard) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("唤醒标签")));
        QGroupBox* params = ui::frame(this, "Frame1", qtTrId(" 待唤醒标签的匹配参数 "));
        auto* column = new QVBoxLayout(params);
        auto* grid = new QGridLayout;
        int row = 0;
        if (s_.id == StandardId::Gb) {
            QGroupBox* bankFrame = ui::frame(params, "Frame2", qtTrId(" 存储区 "));
            banks_ = std::make_unique<ui::OptionGroup>(bankFrame, gbBankOptions("M_safe"));
            layOut(bankFrame, *banks_, 4);
            banks_->choose("M_Tid");
            column->addWidget(bankFrame);
        } else {
            const bool epc = s_.id == StandardId::Epc;
            const QStringList items =
                epc ? QStringList{QStringLiteral("0--RFU"), QStringLiteral("1--EPC"), QStringLiteral("2--TID"),
                                  QStringLiteral("3--User")}
                    : QStringList{qtTrId("0--标签信息区"), qtTrId("1--编码区"),
                                  qtTrId("2--安全区"), qtTrId("3--用户区")};
            bank_ = ui::comboBox(params, "Wake_Bank", items, items[epc ? 1 : 0]);
            HexKeyFilter::install(bank_);
            grid->addWidget(ui::label(params, "Label2", qtTrId("匹配存储区：")), row, 0);
            grid->addWidget(bank_, row++, 1);
        }
        address_ = ui::hexField(params, "Wake_Address", 4, QStringLiteral("0"));
        length_ = ui::hexField(params, "Wake_Len", 2, QStringLiteral("0"));
        mask_ = ui::hexField(params, "Wake_Mask", 0, QStringLiteral("0"));
        grid->addWidget(ui::label(params, "Label3", qtTrId("匹配启始地址：")), row, 0);
        grid->addWidget(address_, row, 1);
        grid->addWidget(ui::label(params, "Label4", qtTrId("(以位为单位，2个字节)")), row++, 2);
        grid->addWidget(ui::label(params, "Label5", qtTrId("匹配长度：")), row, 0);
        grid->addWidget(length_, row, 1);
        grid->addWidget(ui::label(params, "Label6", qtTrId("(以位为单位，1个字节)")), row++, 2);
        grid->addWidget(ui::label(params, "Label7", qtTrId("匹配值：")), row, 0);
        grid->addWidget(mask_, row, 1, 1, 2);
        column->addLayout(grid);
        root->addWidget(params);

        result_ = ui::resultLabel(this);
        result_->setMinimumWidth(420);
        if (s_.id == StandardId::Epc) {
            auto* line = new QHBoxLayout;
            line->addWidget(ui::label(this, "Label8", qtTrId("操作结果：")));
            line->addWidget(result_, 1);
            root->addLayout(line);
        } else {
            QGroupBox* outcome = ui::frame(this, "Frame3", qtTrId(" 操作结果 "));
            result_->setParent(outcome);
            (new QVBoxLayout(outcome))->addWidget(result_);
            root->addWidget(outcome);
        }
        QPushButton* wake = ui::button(this, "Command1", qtTrId("唤醒标签"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({wake, exit}));
        command(wake, [this] { run(); });
        exitOn(exit);
    }

private:
    void run() {
        std::uint8_t bank = 0;
        if (banks_) {
            bank = banks_->code(0x00);
        } else {
            const std::optional<int> digit = hex::leadingDigit(bank_->currentText());
            if (!digit) {
                result_->setText(kWakeBankNotANumber.arg(bank_->currentText()));
                return;
            }
            bank = static_cast<std::uint8_t>(*digit);
        }
        const QByteArray r = wakeRecord(bank, address_->text(), length_->text(), mask_->text());
        std::array<std::uint8_t, kExportBuffer> request{};
        std::array<std::uint8_t, kExportBuffer> reply{};
        std::copy(r.begin(), r.end(), request.begin());
        const std::int32_t result = call(s_.exports.wake, address(), request.data(), reply.data());
        if (result != 0) {
            result_->setText(kWakeFailed);
            return;
        }
        result_->setText(wakeResult(s_.id, reply).text);
    }

    const TagStandard& s_;
    std::unique_ptr<ui::OptionGroup> banks_;
    QComboBox* bank_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLineEdit* mask_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace

std::array<std::uint8_t, 4> killCode() { return {0x4B, 0x49, 0x4C, 0x4C}; }

bool showsErrorCode(StandardId id, std::int32_t result) {
    if (result == 0) return false;
    return id == StandardId::Epc ? result == 1 : result != 1;
}

QByteArray wakeRecord(std::uint8_t bank, const QString& address, const QString& length, const QString& mask) {
    QByteArray r;
    r.append(static_cast<char>(bank));
    r.append(hex::rightAligned(address, 2));
    const QByteArray bits = hex::rightAligned(length, 1);
    r.append(bits);
    const std::size_t bytes = std::min<std::size_t>((static_cast<std::uint8_t>(bits[0]) + 7u) / 8u, kMaskBytes);
    r.append(hex::leftAligned(mask, static_cast<int>(bytes), QLatin1Char('0')));
    return r;
}

WakeView wakeResult(StandardId id, std::span<const std::uint8_t> reply) {
    const std::size_t n = reply.empty() ? 0 : reply[0];
    if (n > kWakeReplyData || n + 1 > reply.size()) return {kWakeTooLong.arg(n).arg(kWakeReplyData), false};
    const auto data = reply.subspan(1, n);
    QString text;
    if (id == StandardId::Epc) {
        text = qtTrId(" 唤醒标签成功, EPC = ");
        for (std::uint8_t b : data) text += hex::byteText(b) + QLatin1Char(' ');
    } else {
        // The coding area's first byte stands apart from the rest.
        text = qtTrId(" 唤醒标签成功, 编码区= ");
        if (!data.empty()) text += hex::byteText(data[0]) + QStringLiteral("  ") + hex::logBytes(data.subspan(1));
    }
    return {text, true};
}

QList<ui::OptionGroup::Option> gbBankOptions(const char* safeName) {
    // Names of the user-area buttons: static storage, as the option list keeps the pointers.
    static const std::array<QByteArray, 16> users = [] {
        std::array<QByteArray, 16> names;
        for (int n = 1; n <= 16; ++n) names[static_cast<std::size_t>(n - 1)] = "M_User" + QByteArray::number(n);
        return names;
    }();
    QList<ui::OptionGroup::Option> options = {{"M_Tid", qtTrId("标签信息区"), 0x00},
                                              {"M_Code", qtTrId("编码区"), 0x01},
                                              {safeName, qtTrId("安全区"), 0x02}};
    for (int n = 1; n <= 16; ++n)
        options.append({users[static_cast<std::size_t>(n - 1)].constData(), qtTrId("用户区 %1").arg(n),
                        static_cast<std::uint8_t>(n + 2)});
    return options;
}

void layOut(QGroupBox* frame, const ui::OptionGroup& options, int columns) {
    auto* grid = new QGridLayout(frame);
    int n = 0;
    for (QRadioButton* b : options.buttons()) {
        grid->addWidget(b, n / columns, n % columns);
        ++n;
    }
}

void registerAccessScreens(ScreenContext& context, ScreenRegistry& registry) {
    for (const TagStandard* s : standards()) {
        registry.add(s->screen(screen::tag::Lock), [&context, s](QWidget*) { return new LockScreen(context, *s); });
        registry.add(s->screen(screen::tag::Kill), [&context, s](QWidget*) { return new KillScreen(context, *s); });
        registry.add(s->screen(screen::tag::Halt), [&context, s](QWidget*) { return new HaltScreen(context, *s); });
        registry.add(s->screen(screen::tag::Wake), [&context, s](QWidget*) { return new WakeScreen(context, *s); });
    }
}

}  // namespace plover::tags
