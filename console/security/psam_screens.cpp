// The PSAM screens: power, warm reset and one APDU to a card slot (PSAM_APP), and the issue of
// a Fudan PSAM card with its six keys (PSAM_FD_Issue_A).
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

#include "console/security/security_screens.h"
#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover::security {

namespace {

// The most bytes a request may count after its count byte: the library sends count + 1 bytes
// and the frame's length field is one byte.
constexpr int kMaxCounted = 254;

// A one-byte APDU field: the first two characters of the text followed by "00", as hex, so a
// one-digit entry is the high digit (8 is 0x80).
std::uint8_t apduByte(const QString& text) { return hex::byteOf(QStringView(text + QStringLiteral("00")).left(2)); }

}  // namespace

PsamRequest psamCommandRequest(const PsamCommandFields& f) {
    const std::optional<int> type = hex::leadingDigit(f.type);
    if (!type) return {{}, qtTrId(" 命令类型不对，应以数字1到4开头！")};
    QByteArray r;
    r += '\0';
    r += static_cast<char>(f.slot);
    r += static_cast<char>(*type);
    for (const QString* field : {&f.cla, &f.ins, &f.p1, &f.p2}) r += static_cast<char>(apduByte(*field));
    // Lc read like CLA gives both the Lc byte and the number of data bytes, so they agree.
    const std::uint8_t lc = apduByte(f.lc);
    if (lc > 0) {
        r += static_cast<char>(lc);
        r += hex::leftAligned(f.data, lc, QLatin1Char('0'));
    }
    const int le = decimalPrefix(f.le);
    if (le > 0) r += static_cast<char>(le);
    const int counted = static_cast<int>(r.size()) - 1;
    if (counted > kMaxCounted)
        return {{}, qtTrId(" 命令太长：Lc=%1，命令请求最多 %2 个字节！").arg(hex::byteText(lc)).arg(kMaxCounted)};
    r[0] = static_cast<char>(counted);
    return {r, {}};
}

QByteArray psamIssueRequest(const std::array<QString, 6>& keys) {
    QByteArray r;
    r += static_cast<char>(96);
    for (const QString& key : keys) r += hex::leftAligned(key, 16, QLatin1Char('0'));
    return r;
}

QString psamIssueResult(std::span<const std::uint8_t> answer) {
    // The card's answer: a result byte and the status word (answer bytes 1 to 3).
    const std::size_t n = answer.empty() ? 0 : std::min<std::size_t>(answer[0], 3);
    QStringList bytes;
    for (std::size_t i = 1; i <= n && i < answer.size(); ++i) bytes << hex::numberText(answer[i]);
    const bool issued = n == 3 && answer[2] == 0x90 && answer[3] == 0x00;
    return (issued ? qtTrId(" PSAM卡发行成功！ ") : qtTrId(" PSAM卡发行失败！ ")) + bytes.join(' ');
}

namespace {

QString psamCaption() { return kConsoleCaption + qtTrId(" PSAM 卡命令"); }
constexpr std::size_t kPsamAnswer = 257;

// PSAM_APP.
class PsamScreen : public Screen {
public:
    explicit PsamScreen(ScreenContext& context) : Screen(context, screen::Psam, psamCaption()) { build(); }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("PSAM卡操作")));
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 命令参数 "));
        auto* layout = new QVBoxLayout(frame);

        auto* choices = new QHBoxLayout;
        QGroupBox* slots = ui::frame(frame, "Frame2", qtTrId(" 卡座选择 "));
        auto* slotLayout = new QHBoxLayout(slots);
        slot_ = std::make_unique<ui::OptionGroup>(
            slots, QList<ui::OptionGroup::Option>{{"PSAM0", QStringLiteral("PSAM 0"), 0},
                                                  {"PSAM1", QStringLiteral("PSAM 1"), 1}});
        for (QRadioButton* b : slot_->buttons()) slotLayout->addWidget(b);
        slot_->choose("PSAM0");
        QGroupBox* power = ui::frame(frame, "Power", qtTrId("电源开/关"));
        auto* powerLayout = new QHBoxLayout(power);
        power_ = std::make_unique<ui::OptionGroup>(
            power, QList<ui::OptionGroup::Option>{{"PowerOn", qtTrId("开"), 1},
                                                  {"PowerOff", qtTrId("关"), 0}});
        for (QRadioButton* b : power_->buttons()) powerLayout->addWidget(b);
        power_->choose("PowerOn");
        choices->addWidget(slots);
        choices->addWidget(power);
        layout->addLayout(choices);

        auto* grid = new QGridLayout;
        type_ = ui::comboBox(frame, "command_type",
                             {qtTrId("1--命令类型1"), qtTrId("2--命令类型2"),
                              qtTrId("3--命令类型3"), qtTrId("4--命令类型4")},
                             qtTrId("1--命令类型1"));
        HexKeyFilter::install(type_);
        grid->addWidget(ui::label(frame, "Label2", qtTrId("命令类型： ")), 0, 0);
        grid->addWidget(type_, 0, 1, 1, 4);
        grid->addWidget(ui::label(frame, "Label3", qtTrId("命令码：")), 1, 0);
        auto* code = new QHBoxLayout;
        const std::array<std::pair<const char*, QString>, 4> apdu = {{{"CLA", QStringLiteral("CLA: ")},
                                                                      {"INS", QStringLiteral("INS:")},
                                                                      {"P1", QStringLiteral("P1:")},
                                                                      {"P2", QStringLiteral("P2:")}}};
        for (std::size_t i = 0; i < apdu.size(); ++i) {
            apdu_[i] = ui::hexField(frame, apdu[i].first, 2, QStringLiteral("00"));
            apdu_[i]->setMaximumWidth(48);
            code->addWidget(new QLabel(apdu[i].second, frame));
            code->addWidget(apdu_[i]);
        }
        grid->addLayout(code, 1, 1, 1, 4);
        lc_ = ui::hexField(frame, "Lc", 2, QStringLiteral("00"));
        le_ = ui::hexField(frame, "Le", 2, QStringLiteral("00"));
        lc_->setMaximumWidth(48);
        le_->setMaximumWidth(48);
        grid->addWidget(ui::label(frame, "Label4", qtTrId("命令长度(Lc)：")), 2, 0);
        grid->addWidget(lc_, 2, 1);
        grid->addWidget(ui::label(frame, "Label5", qtTrId("返回长度(Le):")), 2, 2);
        grid->addWidget(le_, 2, 3);
        data_ = ui::hexField(frame, "Command_code", 0);
        grid->addWidget(ui::label(frame, "Label6", qtTrId("命令数据：")), 3, 0);
        grid->addWidget(data_, 3, 1, 1, 4);
        layout->addLayout(grid);

        QGroupBox* answer = ui::frame(frame, "framea", qtTrId(" 命令返回值 "));
        auto* answerLayout = new QVBoxLayout(answer);
        result_ = ui::logList(answer, "Result");
        result_->setMinimumWidth(520);
        answerLayout->addWidget(result_);
        layout->addWidget(answer, 1);
        root->addWidget(frame, 1);

        auto* buttons = new QHBoxLayout;
        QPushButton* powerButton = ui::button(this, "Command1", qtTrId("PSAM 电源"));
        QPushButton* reset = ui::button(this, "Command2", qtTrId("PSAM 复位"));
        QPushButton* apduButton = ui::button(this, "Command3", qtTrId("PSAM 命令"));
        QPushButton* clear = ui::button(this, "Command5", qtTrId("清  屏"));
        QPushButton* exit = ui::button(this, "Command4", qtTrId("退  出"));
        for (QPushButton* b : {powerButton, reset, apduButton, clear, exit}) buttons->addWidget(b);
        root->addLayout(buttons);

        command(powerButton, [this] {
            std::array<std::uint8_t, kExportBuffer> answer{};
            const std::int32_t r = call(exports::PSAM_POWER_ON, address(), slot(), power_->code(0), answer.data());
            show(r, answer, qtTrId(" 电源操作成功！ "), qtTrId(" 电源操作失败！"));
        });
        command(reset, [this] {
            std::array<std::uint8_t, kExportBuffer> answer{};
            const std::int32_t r = call(exports::PSAM_Warm_Reset, address(), slot(), answer.data());
            show(r, answer, qtTrId(" 复位操作成功！ "), qtTrId(" 复位操作失败！"));
        });
        command(apduButton, [this] { sendApdu(); });
        command(clear, [this] { result_->clear(); });
        exitOn(exit);
    }

    std::int32_t slot() const { return slot_->code(1); }

    void sendApdu() {
        const PsamRequest built = psamCommandRequest({static_cast<std::uint8_t>(slot()), type_->currentText(),
                                                      apdu_[0]->text(), apdu_[1]->text(), apdu_[2]->text(),
                                                      apdu_[3]->text(), lc_->text(), le_->text(), data_->text()});
        const QString failed = qtTrId(" 命令操作失败！");
        if (!built.error.isEmpty()) {
            log::replace(result_, {QString(), failed + built.error});
            return;
        }
        std::array<std::uint8_t, kExportBuffer> request{};
        std::copy(built.bytes.begin(), built.bytes.end(), request.begin());
        std::array<std::uint8_t, kExportBuffer> answer{};
        const std::int32_t r = call(exports::PSAM_Command, address(), request.data(), answer.data());
        show(r, answer, qtTrId(" 命令操作成功！ "), failed);
    }

    // The list emptied; then the failure, or the success and the answer's bytes.
    void show(std::int32_t r, std::span<const std::uint8_t> answer, const QString& done, const QString& failed) {
        if (r != 0) {
            log::replace(result_, {QString(), failed});
        } else if (!fits(answer, kPsamAnswer)) {
            log::replace(result_, {QString(), tooLong(failed, answer[0], kPsamAnswer)});
        } else {
            log::replace(result_, {done, hex::logBytes(answer.subspan(1, answer[0]))});
        }
    }

    std::unique_ptr<ui::OptionGroup> slot_;
    std::unique_ptr<ui::OptionGroup> power_;
    QComboBox* type_ = nullptr;
    std::array<QLineEdit*, 4> apdu_{};
    QLineEdit* lc_ = nullptr;
    QLineEdit* le_ = nullptr;
    QLineEdit* data_ = nullptr;
    QListWidget* result_ = nullptr;
};

// PSAM_FD_Issue_A.
class PsamIssueScreen : public Screen {
public:
    explicit PsamIssueScreen(ScreenContext& context)
        : Screen(context, screen::PsamIssue, kConsoleCaption + QStringLiteral(" GB/T 29768-2013")) {
        build();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("复旦微电子PSAM卡发行")));
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 输入密码 "));
        auto* grid = new QGridLayout(frame);
        const std::array<std::pair<const char*, QString>, 6> fields = {{
            {"Init_key", qtTrId("卡片传输密码：")},
            {"Main_key", qtTrId("卡片主控密码：")},
            {"DF01_key", qtTrId("应用控制密码：")},
            {"SM7_00_key", qtTrId("SM7_00 密码：")},
            {"SM7_01_key", qtTrId("SM7_01 密码：")},
            {"App_key", qtTrId("应用密码：")},
        }};
        const QString initial = QStringLiteral("3C9A51E7B04D82F6A5C13E9D7B260F48");
        for (std::size_t i = 0; i < fields.size(); ++i) {
            const int row = static_cast<int>(i);
            keys_[i] = ui::hexField(frame, fields[i].first, 32, initial);
            keys_[i]->setMinimumWidth(300);
            grid->addWidget(new QLabel(fields[i].second, frame), row, 0);
            grid->addWidget(keys_[i], row, 1);
            grid->addWidget(new QLabel(qtTrId("（16个字节）"), frame), row, 2);
        }
        result_ = ui::resultLabel(frame);
        grid->addWidget(result_, 6, 0, 1, 3);
        root->addWidget(frame);

        auto* buttons = new QHBoxLayout;
        QPushButton* issue = ui::button(this, "Command3", qtTrId("PSAM卡发行"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        buttons->addWidget(issue);
        buttons->addWidget(exit);
        root->addLayout(buttons);

        command(issue, [this] { issueCard(); });
        exitOn(exit);
    }

    void issueCard() {
        std::array<QString, 6> texts;
        for (std::size_t i = 0; i < keys_.size(); ++i) texts[i] = keys_[i]->text();
        const QByteArray built = psamIssueRequest(texts);
        std::array<std::uint8_t, kExportBuffer> request{};
        std::copy(built.begin(), built.end(), request.begin());
        std::array<std::uint8_t, kExportBuffer> answer{};
        const std::int32_t r = call(exports::PSAM_FD_Issue, address(), request.data(), answer.data());
        result_->setText(r == 0 ? psamIssueResult(answer) : qtTrId(" PSAM卡发行失败！ "));
    }

    std::array<QLineEdit*, 6> keys_{};
    QLabel* result_ = nullptr;
};

}  // namespace

void registerPsamScreens(ScreenContext& context, ScreenRegistry& registry) {
    registry.add(screen::Psam, [&context](QWidget*) { return new PsamScreen(context); });
    registry.add(screen::PsamIssue, [&context](QWidget*) { return new PsamIssueScreen(context); });
}

}  // namespace plover::security
