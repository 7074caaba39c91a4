#include "console/tags/memory_screens.h"

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
#include <array>
#include <memory>

#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"
#include "console/shell/text.h"
#include "console/shell/widgets.h"

namespace plover::tags {

namespace {

// What differs between the screens of one operation.
struct OperationTexts {
    MemoryOperation operation;
    const char* kind;  // screen name after the standard's prefix
    QString heading;
    QString epcFrame;  // parameter frame caption on the EPC screen
    QString areaFrame; // on the GB and GJB screens
    const char* listName;
    QString listFrame;
    QString epcButton;
    QString areaButton;
    QString done;
    QString failedWithCode;  // followed by the tag's error code in hex
    QString failed;
};

const std::array<OperationTexts, 4>& operations() {
    static const std::array<OperationTexts, 4> value{{
    {MemoryOperation::Read, screen::tag::Read, qtTrId("读标签数据"), qtTrId(" 待读数据块号 "),
     qtTrId(" 待读数据块号 "), "List1", qtTrId(" 读出数据内容 "), qtTrId("读标签数据"),
     qtTrId("读标签数据"), qtTrId(" 读标签数据成功！ "), qtTrId(" 读标签数据失败！错误代码="),
     qtTrId(" 读标签数据失败！")},
    {MemoryOperation::Write, screen::tag::Write, qtTrId("写标签数据"), qtTrId(" 待写数据参数(16进制数) "),
     qtTrId(" 待写数据块"), "result", qtTrId(" 操作结果 "), qtTrId("写标签数据"),
     qtTrId("写标签数据"), qtTrId(" 写标签数据成功！ "), qtTrId(" 写标签数据失败！ 错误代码="),
     qtTrId(" 写标签数据失败！")},
    {MemoryOperation::WriteBlock, screen::tag::WriteBlock, qtTrId("块写入标签数据"),
     qtTrId(" 待写数据块参数(16进制) "), QString(), "Result", qtTrId(" 操作结果 "),
     qtTrId("块写入标签数据"), QString(), qtTrId(" 块写标签数据成功！ "),
     qtTrId(" 块写标签数据失败！ 错误代码="), qtTrId(" 块写标签数据失败！")},
    {MemoryOperation::Erase, screen::tag::Erase, qtTrId("块擦除标签数据"),
     qtTrId(" 待擦除数据块参数(16进制数) "), qtTrId(" 待擦除数据块号 "), "Erase_result",
     qtTrId(" 操作结果 "), qtTrId("块擦除标签数据"), qtTrId("擦除标签数据"),
     qtTrId(" 块擦除标签数据成功！ "), qtTrId(" 块擦除标签数据失败！ 错误代码="),
     qtTrId(" 块擦除标签数据失败！")},
}};
    return value;
}

// A read reply's N beyond the screen's 201-byte reply array, and a write that leaves digits out.
const Text kReadTooLong = QT_TRID_NOOP(" 读标签数据失败！返回数据长度 %1 字节，超过 200 字节");
const Text kWordsWritten = QT_TRID_NOOP("（写入 %1 个字，多出的数据没有写入）");
constexpr std::size_t kReadReplyLimit = 200;

const OperationTexts& textsOf(MemoryOperation op) {
    return *std::find_if(operations().begin(), operations().end(),
                         [op](const OperationTexts& t) { return t.operation == op; });
}

bool isWrite(MemoryOperation op) { return op == MemoryOperation::Write || op == MemoryOperation::WriteBlock; }

// The bank choice of a standard's memory screens.
struct BankChoice {
    QList<ui::OptionGroup::Option> options;  // GB and GJB: option buttons
    const char* initial;
    std::uint8_t noneChosen;
};

BankChoice bankChoice(const TagStandard& s, MemoryOperation op) {
    if (s.id == StandardId::Gb) {
        BankChoice b{{{"M_Tid", qtTrId("标签信息区"), 0x00},
                      {"M_Code", qtTrId("编码区"), 0x01},
                      {"M_Safe", qtTrId("安全区"), 0x02}},
                     "M_User1",
                     0x00};
        static const std::array<QByteArray, 16> names = [] {
            std::array<QByteArray, 16> n;
            for (int i = 0; i < 16; ++i) n[static_cast<std::size_t>(i)] = "M_User" + QByteArray::number(i + 1);
            return n;
        }();
        for (int i = 0; i < 16; ++i)
            b.options.append({names[static_cast<std::size_t>(i)].constData(), qtTrId("用户区 %1").arg(i + 1),
                              static_cast<std::uint8_t>(0x03 + i)});
        return b;
    }
    // GJB; the write screen's user area caption ends with a space.
    return {{{"M_Tid", qtTrId("标签信息区"), 0},
             {"M_Code", qtTrId("编码区"), 1},
             {"M_Safe", qtTrId("安全区"), 2},
             {"M_User", op == MemoryOperation::Write ? qtTrId("用户区 ") : qtTrId("用户区"), 3}},
            "M_User",
            3};
}

const QStringList kEpcBanks = {QStringLiteral("0--Reserved"), QStringLiteral("1--EPC"), QStringLiteral("2--TID"),
                               QStringLiteral("3--User")};

}  // namespace

std::optional<QByteArray> memoryRecord(const TagStandard& s, MemoryOperation op, std::uint8_t bank,
                                       const QString& address, const QString& count, const QString& data) {
    const int countBytes = s.id == StandardId::Epc ? 1 : 2;
    QByteArray record;
    record.append(static_cast<char>(bank));
    record.append(hex::rightAligned(address, 2));
    const QByteArray words = hex::rightAligned(count, countBytes);
    record.append(words);
    if (isWrite(op)) {
        int w = 0;
        for (char b : words) w = w << 8 | static_cast<std::uint8_t>(b);
        if (w == 0 || w > kMaxWriteWords) return std::nullopt;
        record.append(hex::leftAligned(data, 2 * w, QLatin1Char('0')));
    }
    return record;
}

bool dataExceeds(const QString& data, int words) { return data.trimmed().size() > 4 * words; }

namespace {

class MemoryScreen : public Screen {
public:
    MemoryScreen(ScreenContext& context, const TagStandard& standard, MemoryOperation operation)
        : Screen(context, standard.screen(textsOf(operation).kind), standard.caption()),
          s_(standard),
          op_(operation),
          t_(textsOf(operation)) {
        build();
    }

private:
    bool epc() const { return s_.id == StandardId::Epc; }

    void build() {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", t_.heading));

        QGroupBox* params = ui::frame(this, "Frame1", epc() ? t_.epcFrame : t_.areaFrame);
        auto* grid = new QGridLayout(params);
        buildBank(params, grid);
        buildFields(params, grid);
        root->addWidget(params);

        QGroupBox* results = ui::frame(this, "Frame2", t_.listFrame);
        auto* resultsLayout = new QVBoxLayout(results);
        list_ = ui::logList(results, t_.listName);
        list_->setMinimumSize(420, 140);
        resultsLayout->addWidget(list_);
        root->addWidget(results, 1);
        if (op_ == MemoryOperation::Read) {
            result_ = ui::resultLabel(this);
            root->addWidget(result_);
        }

        auto* buttons = new QHBoxLayout;
        QPushButton* run = ui::button(this, "Command1", epc() ? t_.epcButton : t_.areaButton);
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        QPushButton* clear = ui::button(this, "Command3", qtTrId("清  屏"));
        for (QPushButton* b : {run, exit, clear}) buttons->addWidget(b);
        root->addLayout(buttons);

        command(run, [this] { op_ == MemoryOperation::Read ? read() : change(); });
        command(clear, [this] {
            list_->clear();
            if (result_) result_->clear();
        });
        exitOn(exit);
    }

    void buildBank(QWidget* params, QGridLayout* grid) {
        if (epc()) {
            bankList_ = ui::comboBox(params, op_ == MemoryOperation::Read ? "Read_Bank" : "Write_Bank", kEpcBanks,
                                     QStringLiteral("3--User"));
            grid->addWidget(ui::label(params, "Label2", qtTrId("存储体：")), 0, 0);
            grid->addWidget(bankList_, 0, 1, 1, 2);
            return;
        }
        const BankChoice choice = bankChoice(s_, op_);
        none_ = choice.noneChosen;
        QGroupBox* frame = ui::frame(params, "Frame3", qtTrId(" 存储区 "));
        banks_ = std::make_unique<ui::OptionGroup>(frame, choice.options);
        auto* options = new QGridLayout(frame);
        const int columns = s_.id == StandardId::Gb ? 4 : 2;
        for (int i = 0; i < banks_->buttons().size(); ++i) options->addWidget(banks_->buttons()[i], i / columns, i % columns);
        banks_->choose(choice.initial);
        grid->addWidget(frame, 0, 0, 1, 3);
    }

    void buildFields(QWidget* params, QGridLayout* grid) {
        const bool read = op_ == MemoryOperation::Read;
        const bool erase = op_ == MemoryOperation::Erase;
        const char* addressName = read ? "Read_address" : epc() ? "Write_Start" : erase ? "Erase_address" : "Write_address";
        const char* countName = read ? "Read_Len" : erase && !epc() ? "Erase_Len" : "Write_Len";
        address_ = ui::hexField(params, addressName, 4);
        count_ = ui::hexField(params, countName, epc() ? 2 : 4);
        // The notes beside the fields differ slightly from screen to screen.
        QString addressNote = qtTrId("(以字为单位，2个字节）");
        QString countNote = epc() ? qtTrId("(以字为单位，1个字节）") : addressNote;
        if (epc() && op_ == MemoryOperation::Write) {
            addressNote = qtTrId("(以字为单位,2个字节)");
            countNote = qtTrId("(以字为单位,1个字节)");
        } else if (epc() && !read) {
            addressNote = qtTrId("(以字为单位,2个字节）");
            countNote = qtTrId("(以字为单位,1个字节）");
        }
        grid->addWidget(ui::label(params, "Label3", qtTrId("起始地址：")), 1, 0);
        grid->addWidget(address_, 1, 1);
        grid->addWidget(ui::label(params, "Label4", addressNote), 1, 2);
        grid->addWidget(ui::label(params, "Label5", qtTrId("数据长度：")), 2, 0);
        grid->addWidget(count_, 2, 1);
        grid->addWidget(ui::label(params, "Label6", countNote), 2, 2);
        if (isWrite(op_)) {
            data_ = ui::hexField(params, epc() ? "Write_Data" : "Write_data", 0);
            data_->setMinimumWidth(320);
            grid->addWidget(ui::label(params, "Label7", epc() ? qtTrId("数  据：") : qtTrId("待写数据： ")), 3, 0);
            grid->addWidget(data_, 3, 1, 1, 2);
        }

        // Initial contents.
        address_->setText(s_.id == StandardId::Gb ? QStringLiteral("4") : QStringLiteral("0"));
        count_->setText(read ? QStringLiteral("8") : QStringLiteral("1"));

        // Bank choices that move the fields to where that bank's data lies.
        if (epc() && !read) {
            connect(bankList_, &QComboBox::activated, this, [this](int index) {
                if (bankList_->itemText(index) == QLatin1String("1--EPC")) address_->setText(QStringLiteral("2"));
            });
        }
        if (s_.id == StandardId::Gb && read) {
            for (QRadioButton* b : banks_->buttons()) {
                connect(b, &QRadioButton::clicked, this, [this, b] { gbReadBankChosen(b->objectName()); });
            }
        }
    }

    void gbReadBankChosen(const QString& name) {
        if (name == QLatin1String("M_Tid")) {
            count_->setText(QStringLiteral("6"));
            address_->setText(QStringLiteral("0"));
        } else if (name == QLatin1String("M_Code")) {
            count_->setText(QStringLiteral("8"));
            address_->setText(QStringLiteral("0"));
        } else if (name.startsWith(QLatin1String("M_User"))) {
            count_->setText(QStringLiteral("8"));
            address_->setText(QStringLiteral("4"));
        }
    }

    std::uint8_t bank() const {
        if (bankList_) return hex::byteOf(QStringView(bankList_->currentText()).left(1));
        return banks_->code(none_);
    }

    void read() {
        const QByteArray built = *memoryRecord(s_, op_, bank(), address_->text(), count_->text());
        std::array<std::uint8_t, kExportBuffer> request{};
        std::copy(built.begin(), built.end(), request.begin());
        std::array<std::uint8_t, kExportBuffer> reply{};
        const std::int32_t r = call(s_.exports.read, address(), request.data(), reply.data());
        if (r != 0) {
            result_->setText(epc() ? t_.failed : t_.failedWithCode + hex::numberText(reply[0]));
            return;
        }
        const std::size_t n = reply[0];
        if (n > kReadReplyLimit) {
            result_->setText(kReadTooLong.arg(n));
            return;
        }
        log::append(list_, {QString(), hex::logBytes(std::span(reply).subspan(1, n))});
        result_->setText(t_.done);
    }

    void change() {
        const QString data = data_ ? data_->text() : QString();
        const std::optional<QByteArray> built = memoryRecord(s_, op_, bank(), address_->text(), count_->text(), data);
        if (!built) {
            log::add(list_, t_.failed);
            return;
        }
        std::array<std::uint8_t, kExportBuffer> record{};
        std::copy(built->begin(), built->end(), record.begin());
        const auto& e = s_.exports;
        const std::int32_t r = op_ == MemoryOperation::Write        ? call(e.write, address(), record.data())
                               : op_ == MemoryOperation::WriteBlock ? call(e.writeBlock, address(), record.data())
                                                                    : call(e.erase, address(), record.data());
        if (r == 0) {
            QString line = t_.done;
            const int words = (built->size() - (epc() ? 4 : 5)) / 2;
            if (isWrite(op_) && dataExceeds(data, words)) line += kWordsWritten.arg(words);
            log::add(list_, line);
            return;
        }
        // EPC reports the tag's error code with result 1; GB and GJB with any other failure.
        const bool withCode = epc() ? r == 1 : r != 1;
        log::add(list_, withCode ? t_.failedWithCode + hex::numberText(record[0]) : t_.failed);
    }

    const TagStandard& s_;
    MemoryOperation op_;
    const OperationTexts& t_;
    QComboBox* bankList_ = nullptr;
    std::unique_ptr<ui::OptionGroup> banks_;
    std::uint8_t none_ = 0;
    QLineEdit* address_ = nullptr;
    QLineEdit* count_ = nullptr;
    QLineEdit* data_ = nullptr;
    QListWidget* list_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace

void registerMemoryScreens(ScreenContext& context, ScreenRegistry& registry) {
    for (const TagStandard* s : standards()) {
        for (const OperationTexts& t : operations()) {
            // Only EPC tags have a block-write screen.
            if (t.operation == MemoryOperation::WriteBlock && s->id != StandardId::Epc) continue;
            const MemoryOperation op = t.operation;
            registry.add(s->screen(t.kind), [&context, s, op](QWidget*) { return new MemoryScreen(context, *s, op); });
        }
    }
}

}  // namespace plover::tags
