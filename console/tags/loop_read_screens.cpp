#include "console/tags/loop_read_screens.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"
#include "console/tags/password_screens.h"

namespace plover::tags {

namespace {

const Text kStart = QT_TRID_NOOP("测   试");
const Text kStop = QT_TRID_NOOP("断   开");
// The running count beside the check boxes (ours: the beep is the reader's only sign).
const Text kCount = QT_TRID_NOOP("循环次数：%1    失败次数：%2");

QByteArray bytes(std::initializer_list<std::uint8_t> b) {
    QByteArray out;
    for (std::uint8_t x : b) out.append(static_cast<char>(x));
    return out;
}

// The caption and heading of each standard's loop-read screen.
struct LoopTexts {
    QString captionSuffix;
    QString heading;
};

const LoopTexts& loopTexts(StandardId id) {
    static const LoopTexts kEpc{QStringLiteral(" EPC 18000-6C"), qtTrId("EPC循环读写测试")};
    static const LoopTexts kGb{QStringLiteral(" GB 29768-2013"), qtTrId("GB标签循环读写测试")};
    static const LoopTexts kGjb{QStringLiteral(" GJB 7377.1-2011"), qtTrId("GJB标签循环读写测试")};
    return id == StandardId::Epc ? kEpc : id == StandardId::Gb ? kGb : kGjb;
}

// EPC_TAG_Loop_Read, GB_TAG_Loop_Read, GJB_TAG_Loop_Read.
//
// The loop runs inside the test button's click and lets window events through after every
// library call, so the console answers within one transaction even at 9600 baud, when a whole
// cycle takes a tenth of a second or more. What may happen during such an event step, and how
// the screen stays sound:
// - the test button is clicked again: it only flips the stop flag; a loop is never started
//   while one is on the stack;
// - the screen is closed (its title bar, or the main window closing every screen): the loop
//   stops, the screen hides and is deleted after the loop has returned;
// - the link is closed or opened again from the main window: the cycle ends at once (no
//   request of it goes to another link) and the loop stops;
// - the screen is deleted all the same: a guard sees it and the loop touches nothing more.
// A stop click or a close lets the cycle under way finish, its halt included.
class LoopReadScreen : public Screen {
public:
    LoopReadScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::LoopRead), kConsoleCaption + loopTexts(standard.id).captionSuffix),
          s_(standard), cycle_(loopCycle(standard.id)) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", loopTexts(s_.id).heading));
        QGroupBox* params = ui::frame(this, "Frame1", qtTrId(" 参数选择 "));
        auto* row = new QHBoxLayout(params);
        access_ = ui::checkBox(params, "access_enable", qtTrId("密码效验"));
        read_ = ui::checkBox(params, "read_enable", qtTrId("读操作"));
        write_ = ui::checkBox(params, "write_enable", qtTrId("写操作"));
        access_->setChecked(true);
        for (QCheckBox* c : {access_, read_, write_}) row->addWidget(c);
        root->addWidget(params);
        count_ = ui::label(this, "Loop_Count", kCount.arg(0).arg(0));
        root->addWidget(count_);
        test_ = ui::button(this, "Command1", kStart);
        exit_ = ui::button(this, "Command2", qtTrId("退  出"));
        auto* buttons = new QHBoxLayout;
        buttons->addWidget(test_);
        buttons->addWidget(exit_);
        root->addLayout(buttons);
        connect(test_, &QPushButton::clicked, this, [this] { testClicked(); });
        exitOn(exit_);
    }

protected:
    void closeEvent(QCloseEvent* event) override {
        if (looping_) {
            // The loop on the stack still uses this screen: it ends after its current cycle,
            // and the screen is deleted once it has returned.
            stop_ = true;
            closing_ = true;
            setAttribute(Qt::WA_DeleteOnClose, false);
        }
        event->accept();
    }

private:
    void testClicked() {
        if (looping_) {
            // A click during the event step of the running loop flips the flag and returns.
            stop_ = !stop_;
            test_->setText(stop_ ? kStart : kStop);
            return;
        }
        runLoop();
    }

    void runLoop() {
        QPointer<LoopReadScreen> self(this);
        looping_ = true;
        stop_ = false;
        closing_ = false;
        test_->setText(kStop);
        exit_->setEnabled(false);
        setCursor(Qt::WaitCursor);
        link_ = context().linkChanges();
        while (!stop_) {
            const Cycle cycle = runCycle();
            if (cycle == Cycle::gone) return;  // deleted during an event step: nothing of it may be touched
            ++cycles_;
            if (cycle != Cycle::good) ++failures_;
            count_->setText(kCount.arg(cycles_).arg(failures_));
            if (cycle == Cycle::relinked) stop_ = true;
        }
        looping_ = false;
        stop_ = true;
        test_->setText(kStart);
        exit_->setEnabled(true);
        unsetCursor();
        if (closing_) deleteLater();
    }

    enum class Cycle {
        good,      // every step succeeded (and the reader beeped)
        failed,    // a step failed; the tag was halted all the same
        relinked,  // the link was closed or replaced during an event step: the cycle was cut short
        gone,      // the screen was deleted during an event step
    };

    // One test cycle, with an event step after each library call. The check boxes are read
    // when it begins: a tick made during the cycle counts from the next one.
    Cycle runCycle() {
        QPointer<LoopReadScreen> self(this);
        const bool checkAccess = access_->isChecked(), doRead = read_->isChecked(), doWrite = write_->isChecked();
        // After a call: let window events through; false when the cycle must end here.
        bool relinked = false;
        auto events = [&] {
            QCoreApplication::processEvents();
            if (!self) return false;
            relinked = context().linkChanges() != link_;
            return !relinked;
        };
        const auto outcome = [&](bool good) {
            return !self ? Cycle::gone : relinked ? Cycle::relinked : good ? Cycle::good : Cycle::failed;
        };
        std::array<std::uint8_t, kExportBuffer> request{};
        std::array<std::uint8_t, kExportBuffer> scratch{};
        auto load = [&request](const QByteArray& record) {
            request.fill(0);
            std::copy(record.begin(), record.end(), request.begin());
        };
        load(cycle_.wake);
        std::int32_t r = call(s_.exports.wake, std::int32_t{kLoopAddress}, request.data(), scratch.data());
        if (!events()) return outcome(false);
        if (r == 0 && checkAccess) {
            for (const auto& [bank, kind] : cycle_.checks) {
                r = checkPassword(*this, s_.id, kLoopAddress, bank, kind);
                if (!events()) return outcome(false);
                if (r != 0) break;
            }
        }
        if (r == 0 && doRead) {
            load(cycle_.read);
            r = call(s_.exports.read, std::int32_t{kLoopAddress}, request.data(), scratch.data());
            if (!events()) return outcome(false);
        }
        if (r == 0 && doWrite) {
            load(cycle_.write);
            r = call(s_.exports.write, std::int32_t{kLoopAddress}, request.data());
            if (!events()) return outcome(false);
        }
        if (r == 0) {
            call(s_.exports.halt, std::int32_t{kLoopAddress});
            if (!events()) return outcome(false);
            call(exports::ALARM, std::int32_t{kLoopAddress}, 7, 5, 5, 1);
            if (!events()) return outcome(false);
        }
        call(s_.exports.halt, std::int32_t{kLoopAddress});
        events();
        return outcome(r == 0);
    }

    const TagStandard& s_;
    const LoopCycle& cycle_;
    QCheckBox* access_ = nullptr;
    QCheckBox* read_ = nullptr;
    QCheckBox* write_ = nullptr;
    QLabel* count_ = nullptr;
    QPushButton* test_ = nullptr;
    QPushButton* exit_ = nullptr;
    bool looping_ = false;  // a loop is on the stack
    bool stop_ = true;      // the stop flag: the loop ends after the cycle that sees it
    bool closing_ = false;  // closed while looping: deleted when the loop returns
    std::uint32_t link_ = 0;  // the link the loop started on (its change count)
    unsigned cycles_ = 0;
    unsigned failures_ = 0;
};

}  // namespace

const LoopCycle& loopCycle(StandardId id) {
    static const LoopCycle kEpc{bytes({0x01, 0x00, 0x00, 0x00}),
                                {{0, 0}},
                                bytes({0x03, 0x00, 0x00, 0x08}),
                                bytes({0x03, 0x00, 0x00, 0x01, 0x55, 0x55})};
    // User area 1: read password, then write password.
    static const LoopCycle kGb{bytes({0x01, 0x00, 0x00, 0x00}),
                               {{0x03, 0}, {0x03, 1}},
                               bytes({0x03, 0x00, 0x04, 0x00, 0x08}),
                               bytes({0x03, 0x00, 0x04, 0x00, 0x01, 0x55, 0x55})};
    static const LoopCycle kGjb{bytes({0x00, 0x00, 0x00, 0x00}),
                                {{0, 0}, {0, 1}},
                                bytes({0x03, 0x00, 0x00, 0x00, 0x08}),
                                bytes({0x03, 0x00, 0x04, 0x00, 0x01, 0x55, 0x55})};
    return id == StandardId::Epc ? kEpc : id == StandardId::Gb ? kGb : kGjb;
}

void registerLoopReadScreens(ScreenContext& context, ScreenRegistry& registry) {
    for (const TagStandard* s : standards())
        registry.add(s->screen(screen::tag::LoopRead), [&context, s](QWidget*) { return new LoopReadScreen(context, *s); });
}

}  // namespace plover::tags
