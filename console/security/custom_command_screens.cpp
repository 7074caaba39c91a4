// The custom command screen of each tag standard: a vendor-specific command passed through to
// a tag, its answer shown in the result list. One class over the tag standard descriptor; the
// captions and the failure line differ by standard (the table below).
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

QString tooLong(const QString& failure, std::size_t count, std::size_t capacity) {
    return failure + qtTrId("（返回数据 %1 字节，超过 %2 字节）").arg(count).arg(capacity - 1);
}

int decimalPrefix(const QString& text) {
    int n = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) break;
        n = n * 10 + (c.unicode() - '0');
        if (n > 1'000'000) break;  // the fields are short; a bound all the same
    }
    return n;
}

std::uint8_t keyIdentifier(const QString& text) {
    return static_cast<std::uint8_t>(decimalPrefix((QStringLiteral("00") + text).right(2)));
}

std::optional<QByteArray> customCommandRecord(const QString& bitLength, const QString& data,
                                              const QString& responseLength, bool longTime) {
    const QByteArray length = hex::rightAligned(bitLength, 2);
    const int bits = static_cast<std::uint8_t>(length[0]) << 8 | static_cast<std::uint8_t>(length[1]);
    const int bytes = (bits + 7) / 8;
    if (bits < 1 || bits > 32767 || bytes > kCustomCommandBytes) return std::nullopt;
    QByteArray record = length;
    record += static_cast<char>(longTime ? 1 : 0);
    record += hex::rightAligned(responseLength, 2);
    record += hex::leftAligned(data, bytes, QLatin1Char('0'));
    return record;
}

namespace {

const Text kCustomDone = QT_TRID_NOOP(" 命令执行成功！ ");
const Text kCustomFailed = QT_TRID_NOOP(" 命令执行失败！");
const Text kCustomBadParameters = QT_TRID_NOOP("命令参数错误！");

// What the custom command screens of the standards do not share.
struct CustomCommandKind {
    tags::StandardId standard;
    QString captionSuffix;
    bool failureShowsCode;  // the answer's first byte after "错误代码="
};

const CustomCommandKind kKinds[] = {
    {tags::StandardId::Epc, QStringLiteral(" ISO18000-6C"), false},
    {tags::StandardId::Gb, QStringLiteral(" GB/T 29768-2013"), true},
    {tags::StandardId::Gjb, QStringLiteral(" GJB/T 7377.1-2011"), true},
};

const CustomCommandKind& kindOf(const tags::TagStandard& s) {
    return *std::find_if(std::begin(kKinds), std::end(kKinds), [&](const auto& k) { return k.standard == s.id; });
}

// EPC_TAG_Cust_Comm, GB_TAG_Cust_Comm, GJB_TAG_Cust_Comm.
class CustomCommandScreen : public Screen {
public:
    CustomCommandScreen(ScreenContext& context, const tags::TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::CustomCommand), kConsoleCaption + kindOf(standard).captionSuffix),
          s_(standard), kind_(kindOf(standard)) {
        build();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("标签厂商专用命令")));
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 操作参数  "));
        auto* grid = new QGridLayout(frame);
        length_ = ui::hexField(frame, "Comm_len", 4);
        data_ = ui::hexField(frame, "Comm_data", 0);
        response_ = ui::hexField(frame, "response_len", 4);
        grid->addWidget(ui::label(frame, "Label2", qtTrId("数据长度：")), 0, 0);
        grid->addWidget(length_, 0, 1);
        grid->addWidget(ui::label(frame, "Label3", qtTrId("（位长度，2个字节）")), 0, 2);
        grid->addWidget(ui::label(frame, "Label4", qtTrId("命令数据：")), 1, 0);
        grid->addWidget(data_, 1, 1, 1, 2);
        grid->addWidget(ui::label(frame, "Label5", qtTrId("命令返回数据长度：")), 2, 0);
        grid->addWidget(response_, 2, 1);
        grid->addWidget(ui::label(frame, "Label6", qtTrId("（位长度，2个字节）")), 2, 2);

        QGroupBox* time = ui::frame(frame, "Frame2", qtTrId(" 命令执行时间 "));
        auto* timeLayout = new QHBoxLayout(time);
        timer_ = std::make_unique<ui::OptionGroup>(
            time, QList<ui::OptionGroup::Option>{{"timer_0", qtTrId("短  时"), 0},
                                                 {"timer_1", qtTrId("长  时"), 1}});
        for (QRadioButton* b : timer_->buttons()) timeLayout->addWidget(b);
        timer_->choose("timer_0");
        grid->addWidget(time, 3, 0, 1, 3);

        result_ = ui::logList(frame, "result");
        result_->setMinimumWidth(520);
        grid->addWidget(result_, 4, 0, 1, 3);
        root->addWidget(frame, 1);

        auto* buttons = new QHBoxLayout;
        QPushButton* run = ui::button(this, "Command1", qtTrId("执行命令"));
        QPushButton* clear = ui::button(this, "Command3", qtTrId("清  屏"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        for (QPushButton* b : {run, clear, exit}) buttons->addWidget(b);
        root->addLayout(buttons);

        command(run, [this] { execute(); });
        command(clear, [this] { result_->clear(); });
        exitOn(exit);
    }

    void execute() {
        const std::optional<QByteArray> record =
            customCommandRecord(length_->text(), data_->text(), response_->text(), timer_->code(0) == 1);
        if (!record) {
            log::add(result_, kCustomBadParameters);
            return;
        }
        std::array<std::uint8_t, kExportBuffer> request{};
        std::copy(record->begin(), record->end(), request.begin());
        std::array<std::uint8_t, kExportBuffer> answer{};
        const std::int32_t r = call(s_.exports.custom, address(), request.data(), answer.data());
        if (r != 0) {
            log::add(result_, kind_.failureShowsCode
                                  ? qtTrId(" 命令执行失败！错误代码=") + hex::numberText(answer[0])
                                  : kCustomFailed);
            return;
        }
        if (!fits(answer, kCustomAnswer)) {
            log::add(result_, tooLong(kCustomFailed, answer[0], kCustomAnswer));
            return;
        }
        log::replace(result_, {kCustomDone, hex::logBytes(std::span(answer).subspan(1, answer[0]))});
    }

    const tags::TagStandard& s_;
    const CustomCommandKind& kind_;
    QLineEdit* length_ = nullptr;
    QLineEdit* data_ = nullptr;
    QLineEdit* response_ = nullptr;
    std::unique_ptr<ui::OptionGroup> timer_;
    QListWidget* result_ = nullptr;
};

}  // namespace

void registerCustomCommandScreens(ScreenContext& context, ScreenRegistry& registry) {
    for (const tags::TagStandard* s : tags::standards())
        registry.add(s->screen(screen::tag::CustomCommand),
                     [&context, s](QWidget*) { return new CustomCommandScreen(context, *s); });
}

}  // namespace plover::security
