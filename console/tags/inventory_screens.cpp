#include "console/tags/inventory_screens.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>
#include <array>

#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover::tags {

namespace {

const Text kSelectReadDone = QT_TRID_NOOP(" 读盘存参数成功！ ");
const Text kSelectReadFailed = QT_TRID_NOOP(" 读盘存参数失败！");
const Text kSelectWriteDone = QT_TRID_NOOP(" 写盘存参数成功！ ");
const Text kSelectWriteFailed = QT_TRID_NOOP(" 写盘存参数失败！");
const Text kQueryDone = QT_TRID_NOOP(" 启动轮询成功！ ");
const Text kQueryFailed = QT_TRID_NOOP(" 启动轮询失败！ ");
const Text kListDone = QT_TRID_NOOP(" 读标签轮询数据成功！ ");
const Text kListFailed = QT_TRID_NOOP(" 读标签轮询数据失败！ ");
const Text kListTotal = QT_TRID_NOOP("共有标签数量=");
const Text kListCount = QT_TRID_NOOP("本次传送数量=");
// Problems of a tag list block the screen cannot show whole (ours: the reader never sends them).
const Text kBlockTooLarge = QT_TRID_NOOP(" 标签列表数据块长度 %1 字节，超过 %2 字节，没有全部显示！");
const Text kRecordPastData = QT_TRID_NOOP(" 第 %1 个标签记录（长度 %2）超出收到的数据，其后的标签记录没有显示！");
const Text kTotalTooLarge = QT_TRID_NOOP(" 标签总数 %1 不小于 32768，数据有误！");

constexpr std::size_t kMaskBytes = 32;

// Mask bytes for a length in bits: rounded up to whole bytes, at most the record's 32.
std::size_t maskBytes(std::uint8_t bits) { return std::min<std::size_t>((bits + 7u) / 8u, kMaskBytes); }

}  // namespace

std::optional<QByteArray> selectRecord(const TagStandard& s, const SelectFields& f) {
    QByteArray r(kSelectRecordSize, '\0');
    int i = 1;
    r[i++] = static_cast<char>(f.store ? 1 : 0);
    r[i++] = static_cast<char>(s.selectBankCode(f.bank));
    const QByteArray address = hex::rightAligned(f.address, 2);
    r[i++] = address[0];
    r[i++] = address[1];
    const auto bits = static_cast<std::uint8_t>(hex::rightAligned(f.length, 1)[0]);
    r[i++] = static_cast<char>(bits);
    const QByteArray mask = hex::leftAligned(f.mask, static_cast<int>(maskBytes(bits)), QLatin1Char('0'));
    for (char b : mask) r[i++] = b;
    if (s.hasQ) {
        // Q is decimal: the last two characters of "00" followed by the field.
        const std::optional<std::int32_t> q = hex::decimalNumber((QStringLiteral("00") + f.q).right(2));
        if (!q) return std::nullopt;
        r[i++] = static_cast<char>(*q);
    }
    r[i++] = hex::rightAligned(f.time, 1)[0];
    r[0] = static_cast<char>(i);
    return r;
}

SelectFields selectFieldsOf(const TagStandard& s, std::span<const std::uint8_t> rec) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < rec.size() ? rec[i] : 0; };
    SelectFields f;
    f.bank = s.selectBankText(at(1));
    f.address = hex::byteText(at(2)) + hex::byteText(at(3));
    const std::uint8_t bits = at(4);
    f.length = hex::numberText(bits);
    std::size_t i = 5;
    for (std::size_t k = 0; k < maskBytes(bits); ++k) f.mask += hex::byteText(at(i++));
    if (s.hasQ) f.q = QString::number(at(i++));
    f.time = hex::numberText(at(i));
    return f;
}

TagListView tagListLines(const TagStandard& s, std::span<const std::uint8_t> block) {
    auto at = [&](std::size_t i) -> std::uint8_t { return i < block.size() ? block[i] : 0; };
    TagListView view;
    const unsigned total = static_cast<unsigned>(at(2)) << 8 | at(3);
    const unsigned count = at(4);
    view.lines << QStringLiteral(" ") << kListTotal + QString::number(total) << kListCount + QString::number(count);
    if (count != 0) {
        view.lines << QString();
        view.lines += s.tagListHeading;
    }
    // The block states its own length; records are read only within it and within the buffer.
    const std::size_t stated = static_cast<std::size_t>(at(0)) << 8 | at(1);
    const std::size_t end = std::min(stated, block.size());
    std::size_t pos = 5;
    for (unsigned n = 1; n <= count; ++n) {
        const std::size_t length = at(pos);
        if (pos + 1 + length > end) {
            // Within a block larger than the buffer, the buffer's end is the problem (below).
            if (stated <= block.size()) {
                view.sound = false;
                view.lines << kRecordPastData.arg(n).arg(length);
            }
            break;
        }
        const auto data = block.subspan(pos + 1, length);
        QString line = hex::byteText(static_cast<std::uint8_t>(length));
        if (s.epcRecordLines) {
            line += QStringLiteral("    ");
            for (std::uint8_t b : data) line += hex::byteText(b) + QLatin1Char(' ');
        } else {
            line += QStringLiteral("  ") + hex::logBytes(data);
        }
        view.lines << line;
        pos += 1 + length;
    }
    if (stated > block.size()) {
        view.sound = false;
        view.lines << kBlockTooLarge.arg(stated).arg(block.size());
    }
    if (total >= 32768) {
        view.sound = false;
        view.lines << kTotalTooLarge.arg(total);
    }
    return view;
}

namespace {

// EPC_TAG_APP, GB_TAG_APP, GJB_TAG_APP.
class TagScreen : public Screen {
public:
    TagScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::App), standard.caption()), s_(standard) {
        build();
        load();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", s_.heading));

        QGroupBox* inventory = ui::frame(this, "Frame1", qtTrId(" 标签盘存 "));
        auto* inventoryLayout = new QVBoxLayout(inventory);

        QGroupBox* match = ui::frame(inventory, "Frame2", qtTrId(" 待盘存标签的匹配参数(16进制） "));
        auto* grid = new QGridLayout(match);
        bank_ = ui::comboBox(match, "Select_Bank", s_.selectBanks, s_.selectBankInitial);
        address_ = ui::hexField(match, "Select_Address", 4);
        length_ = ui::hexField(match, "Select_Len", 2);
        mask_ = ui::hexField(match, "Select_Mask", 0);
        grid->addWidget(ui::label(match, "Label2", qtTrId("匹配存储区：")), 0, 0);
        grid->addWidget(bank_, 0, 1);
        grid->addWidget(ui::label(match, "Label3", s_.selectAddressLabel), 1, 0);
        grid->addWidget(address_, 1, 1);
        grid->addWidget(ui::label(match, "Label4", qtTrId("(位地址，2个字节）")), 1, 2);
        grid->addWidget(ui::label(match, "Label5", qtTrId("匹配长度：")), 2, 0);
        grid->addWidget(length_, 2, 1);
        grid->addWidget(ui::label(match, "Label6", qtTrId("(位长度，1个字节）")), 2, 2);
        grid->addWidget(ui::label(match, "Label7", qtTrId("匹配值：")), 3, 0);
        grid->addWidget(mask_, 3, 1, 1, 2);
        inventoryLayout->addWidget(match);

        QGroupBox* params = ui::frame(inventory, "Frame3", qtTrId(" 盘存参数 "));
        auto* paramGrid = new QGridLayout(params);
        int row = 0;
        if (s_.hasQ) {
            q_ = ui::hexField(params, "Query_Q", 2);
            paramGrid->addWidget(ui::label(params, "Label8", qtTrId("Q 值：")), row, 0);
            paramGrid->addWidget(q_, row++, 1);
        }
        time_ = ui::hexField(params, "Query_Time", 2);
        paramGrid->addWidget(ui::label(params, "Label9", qtTrId("盘存时间：")), row, 0);
        paramGrid->addWidget(time_, row, 1);
        paramGrid->addWidget(ui::label(params, "Label10", qtTrId("(50 毫秒为单位）")), row++, 2);
        store_ = ui::checkBox(params, "Select_Flag", qtTrId("参数存贮在读写器中"));
        paramGrid->addWidget(store_, row++, 0, 1, 3);
        inventoryLayout->addWidget(params);

        result_ = ui::resultLabel(inventory, s_.resultName);
        inventoryLayout->addWidget(result_);
        auto* paramButtons = new QHBoxLayout;
        QPushButton* read = ui::button(inventory, "Command2", qtTrId("读取参数"));
        QPushButton* write = ui::button(inventory, "Command3", qtTrId("设置参数"));
        paramButtons->addWidget(read);
        paramButtons->addWidget(write);
        inventoryLayout->addLayout(paramButtons);
        root->addWidget(inventory);

        // The buttons that open the standard's other screens, in the order of their numbers.
        QList<OpenButton> opens = s_.buttons;
        std::sort(opens.begin(), opens.end(), [](const OpenButton& a, const OpenButton& b) {
            return QByteArray(a.name).mid(7).toInt() < QByteArray(b.name).mid(7).toInt();
        });
        auto* screens = new QGridLayout;
        int n = 0;
        for (const OpenButton& o : opens) {
            QPushButton* b = ui::button(this, o.name, o.caption);
            screens->addWidget(b, n / 4, n % 4);
            ++n;
            const QString target = o.screen;
            connect(b, &QPushButton::clicked, this, [this, target] {
                open(target);
                defaultPointer(this);
            });
        }
        QPushButton* exit = ui::button(this, "Command1", qtTrId("退  出"));
        screens->addWidget(exit, n / 4, n % 4);
        root->addLayout(screens);

        command(read, [this] { readSelect(); });
        command(write, [this] { writeSelect(); });
        exitOn(exit);
    }

    void load() {
        if (q_) q_->setText(QStringLiteral("2"));
        time_->setText(s_.queryTimeInitial);
        // A screen opened on a connected reader shows the parameters stored in it.
        BusyPointer busy(this);
        readSelect();
    }

    void show(const SelectFields& f) {
        bank_->setCurrentText(f.bank);
        address_->setText(f.address);
        length_->setText(f.length);
        mask_->setText(f.mask);
        if (q_) q_->setText(f.q);
        time_->setText(f.time);
    }

    void readSelect() {
        std::array<std::uint8_t, kExportBuffer> record{};
        const std::int32_t r = call(s_.exports.readSelect, address(), record.data());
        if (r != 0) {
            result_->setText(kSelectReadFailed);
            return;
        }
        result_->setText(kSelectReadDone);
        show(selectFieldsOf(s_, std::span(record).first(kSelectRecordSize)));
    }

    void writeSelect() {
        const std::optional<QByteArray> built =
            selectRecord(s_, {bank_->currentText(), address_->text(), length_->text(), mask_->text(),
                              q_ ? q_->text() : QString(), time_->text(), store_->isChecked()});
        if (!built) {
            result_->setText(kSelectWriteFailed);
            return;
        }
        std::array<std::uint8_t, kExportBuffer> record{};
        std::copy(built->begin(), built->end(), record.begin());
        const std::int32_t r = call(s_.exports.writeSelect, address(), record.data());
        showResult(result_, r, kSelectWriteDone, kSelectWriteFailed);
    }

    const TagStandard& s_;
    QComboBox* bank_ = nullptr;
    QLineEdit* address_ = nullptr;
    QLineEdit* length_ = nullptr;
    QLineEdit* mask_ = nullptr;
    QLineEdit* q_ = nullptr;
    QLineEdit* time_ = nullptr;
    QCheckBox* store_ = nullptr;
    QLabel* result_ = nullptr;
};

// EPC_TAG_Query, GB_TAG_Query, GJB_TAG_Query.
class QueryScreen : public Screen {
public:
    QueryScreen(ScreenContext& context, const TagStandard& standard)
        : Screen(context, standard.screen(screen::tag::Query), standard.caption()), s_(standard) {
        build();
    }

private:
    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("盘存标签")));
        auto* fields = new QGridLayout;
        flag_ = ui::comboBox(this, "read_flag",
                             {qtTrId("0--从头读"), qtTrId("1--重  读"), qtTrId("2--继续读")},
                             qtTrId("0--从头读"));
        length_ = ui::textField(this, "read_len", QStringLiteral("10"));
        fields->addWidget(ui::label(this, "Label2", qtTrId("读数据标志:")), 0, 0);
        fields->addWidget(flag_, 0, 1);
        fields->addWidget(ui::label(this, "Label3", qtTrId("读数据长度:")), 1, 0);
        fields->addWidget(length_, 1, 1);
        root->addLayout(fields);

        QGroupBox* frame = ui::frame(this, "Frame1", s_.tagListFrame);
        auto* frameLayout = new QVBoxLayout(frame);
        list_ = ui::logList(frame, "Query_list");
        list_->setMinimumSize(460, 220);
        frameLayout->addWidget(list_);
        root->addWidget(frame, 1);

        result_ = ui::resultLabel(this);
        root->addWidget(result_);
        auto* buttons = new QHBoxLayout;
        QPushButton* start = ui::button(this, "Query_Start", qtTrId("启动盘存"));
        QPushButton* read = ui::button(this, "Query_Read", qtTrId("读盘存数据"));
        QPushButton* clear = ui::button(this, "Command2", qtTrId("清  屏"));
        QPushButton* exit = ui::button(this, "Query_exit", qtTrId("退  出"));
        for (QPushButton* b : {start, read, clear, exit}) buttons->addWidget(b);
        root->addLayout(buttons);

        command(start, [this] { showResult(result_, call(s_.exports.queryOn, address()), kQueryDone, kQueryFailed); });
        command(read, [this] { readList(); });
        command(clear, [this] {
            list_->clear();
            result_->clear();
        });
        exitOn(exit);
    }

    void readList() {
        if (s_.clearBeforeListRead) {
            list_->clear();
            result_->clear();
        }
        // The read flag is the list text's first digit; the length a decimal number.
        const std::optional<std::int32_t> length = hex::decimalNumber(length_->text());
        const std::optional<int> flag = hex::leadingDigit(flag_->currentText());
        if (!length || !flag) {
            result_->setText(kListFailed);
            return;
        }
        std::array<std::uint8_t, std::max(kTagListBlock, kExportBuffer)> block{};
        const std::int32_t r = call(s_.exports.readTagList, address(), *flag, *length, block.data());
        if (r != 0) {
            result_->setText(kListFailed);
            return;
        }
        const TagListView view = tagListLines(s_, std::span(block).first(kTagListBlock));
        log::replace(list_, view.lines);
        result_->setText(view.sound ? kListDone : kListFailed);
    }

    const TagStandard& s_;
    QComboBox* flag_ = nullptr;
    QLineEdit* length_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace

void registerInventoryScreens(ScreenContext& context, ScreenRegistry& registry) {
    for (const TagStandard* s : standards()) {
        registry.add(s->screen(screen::tag::App), [&context, s](QWidget*) { return new TagScreen(context, *s); });
        registry.add(s->screen(screen::tag::Query), [&context, s](QWidget*) { return new QueryScreen(context, *s); });
    }
}

}  // namespace plover::tags
