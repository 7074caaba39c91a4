// The FM151M screens: the chip's identity (FM151M_APP) and its three tools, random numbers
// (FM151M_Get_RN_A), digests (FM151M_HASH_A) and block ciphers (FM151M_Cipher_A). Long input
// goes to the chip in pieces of 240 bytes, between a start and a finish (or release) step.
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

// Lengths a cipher run checks, in hex digits, and the messages of a failed check.
struct CipherAlgorithm {
    const char* option;
    QString caption;
    QString keyLength, vectorLength;  // the labels beside "密钥长度：" and "向量长度："
    QList<int> keyDigits;
    int blockDigits;  // data: a multiple of it; vector (CBC): exactly it
    QString keyMessage, dataMessage, vectorMessage;
};

const Text kData8 = QT_TRID_NOOP(" 数据长度不对，应为8个字节的倍数！");
const Text kData16 = QT_TRID_NOOP(" 数据长度不对，应为16个字节的倍数！");
const Text kVector8 = QT_TRID_NOOP(" 初始向量的数据长度不对，应为8个字节！");
const Text kVector16 = QT_TRID_NOOP(" 初始向量的数据长度不对，应为16个字节！");
const Text kKey16 = QT_TRID_NOOP(" 密钥长度不对，应为16个字节！");

const std::array<CipherAlgorithm, 6>& algorithms() {
    static const std::array<CipherAlgorithm, 6> table = {{
        {"Option1", QStringLiteral("DES"), qtTrId("8 字节"), qtTrId("8 字节"), {16}, 16,
         qtTrId(" 密钥长度不对，应为8个字节！"), kData8, kVector8},
        {"Option2", QStringLiteral("TDES"), qtTrId("16/24 字节"), qtTrId("8 字节"), {32, 48}, 16,
         qtTrId(" 密钥长度不对，应为16个字节或24个字节！"), kData8, kVector8},
        {"Option3", QStringLiteral("SSF33"), qtTrId("16/32 字节"), qtTrId("16 字节"), {32, 64}, 32,
         qtTrId(" 密钥长度不对，应为16个字节或32个字节！"), kData16, kVector16},
        {"Option4", QStringLiteral("SM1"), qtTrId("16 字节"), qtTrId("16 字节"), {32}, 32, kKey16,
         kData16, kVector16},
        {"Option5", QStringLiteral("SM7"), qtTrId("16 字节"), qtTrId("8 字节"), {32}, 16, kKey16, kData8,
         kVector8},
        {"Option6", QStringLiteral("SM4"), qtTrId("16 字节"), qtTrId("16 字节"), {32}, 32, kKey16,
         kData16, kVector16},
    }};
    return table;
}

}  // namespace

InputBytes inputBytes(const QString& text) {
    const QString digits = text.trimmed();
    const int count = static_cast<int>((digits.size() + 1) / 2);
    return {hex::leftAligned(digits, count, QLatin1Char('0')), digits.size() % 2 == 1};
}

QList<QByteArray> pieces(const QByteArray& data) {
    QList<QByteArray> out;
    for (qsizetype at = 0; at < data.size(); at += kFmPiece) out << data.mid(at, kFmPiece);
    return out;
}

std::optional<QString> cipherCheck(std::uint8_t algorithm, bool cbc, const QString& key, const QString& data,
                                   const QString& vector) {
    const CipherAlgorithm& a = algorithms().at(std::min<std::size_t>(algorithm, algorithms().size() - 1));
    if (!a.keyDigits.contains(key.trimmed().size())) return a.keyMessage;
    if (data.trimmed().size() % a.blockDigits != 0) return a.dataMessage;
    if (cbc && vector.trimmed().size() != a.blockDigits) return a.vectorMessage;
    return std::nullopt;
}

QStringList fm151mIdentityLines(std::span<const std::uint8_t> answer) {
    // Fields past the answer's count are left out rather than shown from an empty buffer.
    const std::size_t n = answer.empty() ? 0 : std::min<std::size_t>(answer[0], answer.size() - 1);
    auto field = [&](std::size_t first, std::size_t last) {
        return answer.subspan(std::min(first, n + 1), std::min(last, n) + 1 - std::min(first, n + 1));
    };
    QString model;
    for (std::uint8_t b : field(1, 7)) model += QChar::fromLatin1(static_cast<char>(b));
    QString version, serial;
    for (std::uint8_t b : field(8, 11)) version += hex::byteText(b) + QLatin1Char(' ');
    for (std::uint8_t b : field(12, 27)) serial += hex::byteText(b) + QLatin1Char(' ');
    return {qtTrId("读FM151M的ID成功！ "), qtTrId("FM151M的型号： ") + model,
            qtTrId("FM151M的软件版本号：") + version, qtTrId("FM151M的芯片序列号：") + serial};
}

namespace {

QString toolCaption() { return kConsoleCaption + qtTrId(" FM151M国密命令"); }
// The note a result line carries when the input ended in a lone digit.
const Text kLoneDigit = QT_TRID_NOOP("（输入数据为奇数个数字，最后一个数字作为末字节的高位，低位补0）");
constexpr std::size_t kIdentityAnswer = 49;
constexpr int kMaxRandom = 1024;
constexpr std::size_t kRandomAnswer = 1101;

QHBoxLayout* buttonRow(const QList<QPushButton*>& buttons) {
    auto* row = new QHBoxLayout;
    for (QPushButton* b : buttons) row->addWidget(b);
    return row;
}

// FM151M_APP.
class Fm151mScreen : public Screen {
public:
    explicit Fm151mScreen(ScreenContext& context)
        : Screen(context, screen::Fm151m, kConsoleCaption + qtTrId(" FM151M 国密操作")) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("FM151M国密操作命令")));
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 操作结果 "));
        auto* frameLayout = new QVBoxLayout(frame);
        result_ = ui::logList(frame, "result");
        result_->setMinimumWidth(520);
        frameLayout->addWidget(result_);
        root->addWidget(frame, 1);
        QPushButton* id = ui::button(this, "Command6", qtTrId("读芯片ID"));
        QPushButton* random = ui::button(this, "Command5", qtTrId("生成随机数 "));
        QPushButton* hash = ui::button(this, "Command13", qtTrId("杂凑HASH算法"));
        QPushButton* cipher = ui::button(this, "Command7", qtTrId("加密解密算法"));
        QPushButton* exit = ui::button(this, "Command1", qtTrId("退  出"));
        root->addLayout(buttonRow({id, random, hash, cipher, exit}));

        command(id, [this] { readIdentity(); });
        for (auto [b, target] : {std::pair{random, screen::Fm151mRandom}, std::pair{hash, screen::Fm151mHash},
                                 std::pair{cipher, screen::Fm151mCipher}}) {
            const QString name = target;
            connect(b, &QPushButton::clicked, this, [this, name] {
                open(name);
                defaultPointer(this);
            });
        }
        exitOn(exit);
    }

private:
    void readIdentity() {
        std::array<std::uint8_t, kExportBuffer> answer{};
        const std::int32_t r = call(exports::FM151M_Get_ID, address(), answer.data());
        const QString failed = qtTrId(" 读FM151M的ID失败！");
        if (r != 0)
            log::replace(result_, {failed});
        else if (!fits(answer, kIdentityAnswer))
            log::replace(result_, {tooLong(failed, answer[0], kIdentityAnswer)});
        else
            log::replace(result_, fm151mIdentityLines(answer));
    }

    QListWidget* result_ = nullptr;
};

// FM151M_Get_RN_A.
class RandomScreen : public Screen {
public:
    explicit RandomScreen(ScreenContext& context) : Screen(context, screen::Fm151mRandom, toolCaption()) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("读随机数")));
        auto* grid = new QGridLayout;
        length_ = ui::hexField(this, "RN_Len", 4, QStringLiteral("1"));
        grid->addWidget(ui::label(this, "Label2", qtTrId("随机数的长度：")), 0, 0);
        grid->addWidget(length_, 0, 1);
        grid->addWidget(ui::label(this, "Label3", qtTrId("(以字节为单位，2个字节，最多1024个)")), 0, 2);
        root->addLayout(grid);
        QGroupBox* frame = ui::frame(this, "Frame1", qtTrId(" 输出结果 "));
        auto* frameLayout = new QVBoxLayout(frame);
        output_ = ui::textField(frame, "Result_RN");
        output_->setReadOnly(true);
        output_->setMinimumWidth(480);
        frameLayout->addWidget(output_);
        root->addWidget(frame);
        result_ = ui::resultLabel(this, "result_a");
        root->addWidget(result_);
        QPushButton* read = ui::button(this, "Command1", qtTrId("读随机数"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({read, exit}));
        command(read, [this] { readRandom(); });
        exitOn(exit);
    }

private:
    void readRandom() {
        const QByteArray field = hex::rightAligned(length_->text(), 2);
        const int wanted =
            std::min(kMaxRandom, static_cast<std::uint8_t>(field[0]) << 8 | static_cast<std::uint8_t>(field[1]));
        std::array<std::uint8_t, std::max(kRandomAnswer, kExportBuffer)> answer{};
        const std::int32_t r = call(exports::FM151M_Get_RN, address(), wanted, answer.data());
        const QString failed = qtTrId(" 读随机数失败！");
        if (r != 0) {
            result_->setText(failed);
            return;
        }
        // The answer counts its random bytes in its first two; only those received are shown.
        const std::size_t count = static_cast<std::size_t>(answer[0]) << 8 | answer[1];
        if (count + 2 > kRandomAnswer) {
            result_->setText(failed + qtTrId("（返回 %1 个随机数，超过 %2 个）").arg(count).arg(kRandomAnswer - 2));
            return;
        }
        output_->setText(hex::fieldBytes(std::span(answer).subspan(2, std::min<std::size_t>(count, wanted))));
        result_->setText(qtTrId(" 读随机数成功！ "));
    }

    QLineEdit* length_ = nullptr;
    QLineEdit* output_ = nullptr;
    QLabel* result_ = nullptr;
};

// One request of a hash or cipher sequence: the header bytes, then the payload.
std::array<std::uint8_t, kExportBuffer> request(std::initializer_list<std::uint8_t> header, const QByteArray& payload) {
    std::array<std::uint8_t, kExportBuffer> r{};
    std::copy(header.begin(), header.end(), r.begin());
    r[header.size()] = static_cast<std::uint8_t>(payload.size());
    std::copy(payload.begin(), payload.end(), r.begin() + static_cast<std::ptrdiff_t>(header.size() + 1));
    return r;
}

// FM151M_HASH_A.
class HashScreen : public Screen {
public:
    explicit HashScreen(ScreenContext& context) : Screen(context, screen::Fm151mHash, toolCaption()) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("HASH 杂凑算法计算")));
        QGroupBox* choice = ui::frame(this, "Frame1", qtTrId(" HASH 算法选择 "));
        auto* choiceLayout = new QHBoxLayout(choice);
        digest_ = std::make_unique<ui::OptionGroup>(
            choice, QList<ui::OptionGroup::Option>{{"Option1", QStringLiteral("SHA1"), 0},
                                                   {"Option2", QStringLiteral("SHA256"), 1},
                                                   {"Option3", QStringLiteral("SM3"), 2},
                                                   {"Option4", QStringLiteral("MD5"), 3}});
        for (QRadioButton* b : digest_->buttons()) choiceLayout->addWidget(b);
        digest_->choose("Option1");
        root->addWidget(choice);
        QGroupBox* inputFrame = ui::frame(this, "Frame2", qtTrId(" 输入数据 "));
        auto* inputLayout = new QVBoxLayout(inputFrame);
        input_ = ui::textField(inputFrame, "Input_Data");
        input_->setMinimumWidth(520);
        inputLayout->addWidget(input_);
        root->addWidget(inputFrame);
        QGroupBox* outputFrame = ui::frame(this, "Frame3", qtTrId(" 输出结果"));
        auto* outputLayout = new QGridLayout(outputFrame);
        length_ = ui::label(outputFrame, "Result_Len", {});
        output_ = ui::textField(outputFrame, "Result_Data");
        output_->setReadOnly(true);
        outputLayout->addWidget(ui::label(outputFrame, "Label2", qtTrId("数据长度：")), 0, 0);
        outputLayout->addWidget(length_, 0, 1);
        outputLayout->addWidget(output_, 1, 0, 1, 2);
        root->addWidget(outputFrame);
        result_ = ui::resultLabel(this, "result_a");
        root->addWidget(result_);
        QPushButton* run = ui::button(this, "Command1", qtTrId("HASH 计算"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({run, exit}));
        command(run, [this] { hash(); });
        exitOn(exit);
    }

private:
    std::int32_t step(std::uint8_t phase, const QByteArray& data, std::array<std::uint8_t, kExportBuffer>& answer) {
        auto r = request({phase, digest_->code(0)}, data);
        return call(exports::FM151M_Hash, address(), r.data(), answer.data());
    }

    void hash() {
        std::array<std::uint8_t, kExportBuffer> answer{};
        if (step(0, {}, answer) != 0) {
            result_->setText(qtTrId(" HASH初始化失败！"));
            return;
        }
        const InputBytes input = inputBytes(input_->text());
        for (const QByteArray& piece : pieces(input.bytes)) {
            if (step(1, piece, answer) != 0) {
                result_->setText(qtTrId(" HASH加载数据失败！"));
                return;
            }
        }
        answer.fill(0);
        if (step(2, {}, answer) != 0) {
            result_->setText(qtTrId(" HASH计算失败！"));
            return;
        }
        length_->setText(hex::byteText(answer[0]));
        output_->setText(hex::fieldBytes(std::span(answer).subspan(1, answer[0])));
        result_->setText(qtTrId(" HASH计算成功！ ") + (input.loneDigit ? kLoneDigit : QString()));
    }

    std::unique_ptr<ui::OptionGroup> digest_;
    QLineEdit* input_ = nullptr;
    QLabel* length_ = nullptr;
    QLineEdit* output_ = nullptr;
    QLabel* result_ = nullptr;
};

// FM151M_Cipher_A.
class CipherScreen : public Screen {
public:
    explicit CipherScreen(ScreenContext& context)
        : Screen(context, screen::Fm151mCipher, toolCaption()) {
        auto* root = new QVBoxLayout(this);
        root->addWidget(ui::title(this, "Label1", qtTrId("数据加密解密功能")));

        auto* choices = new QHBoxLayout;
        QGroupBox* algorithmFrame = ui::frame(this, "Frame1", qtTrId(" 加解密算法选择 "));
        auto* algorithmLayout = new QGridLayout(algorithmFrame);
        QList<ui::OptionGroup::Option> options;
        for (std::size_t i = 0; i < algorithms().size(); ++i)
            options.append({algorithms()[i].option, algorithms()[i].caption, static_cast<std::uint8_t>(i)});
        algorithm_ = std::make_unique<ui::OptionGroup>(algorithmFrame, options);
        for (int i = 0; i < algorithm_->buttons().size(); ++i) {
            QRadioButton* b = algorithm_->buttons()[i];
            algorithmLayout->addWidget(b, i / 3, i % 3);
            connect(b, &QRadioButton::toggled, this, [this](bool on) {
                if (on) showLengths();
            });
        }
        choices->addWidget(algorithmFrame);
        QGroupBox* directionFrame = ui::frame(this, "Frame2", qtTrId(" 加密/解密 "));
        auto* directionLayout = new QVBoxLayout(directionFrame);
        direction_ = std::make_unique<ui::OptionGroup>(
            directionFrame, QList<ui::OptionGroup::Option>{{"JIAMI", qtTrId(" 加密"), 1},
                                                           {"JIEMI", qtTrId(" 解密"), 0}});
        for (QRadioButton* b : direction_->buttons()) directionLayout->addWidget(b);
        direction_->choose("JIAMI");
        choices->addWidget(directionFrame);
        QGroupBox* modeFrame = ui::frame(this, "Frame3", qtTrId(" 数据模式 "));
        auto* modeLayout = new QVBoxLayout(modeFrame);
        mode_ = std::make_unique<ui::OptionGroup>(
            modeFrame, QList<ui::OptionGroup::Option>{{"CBC_MODE", qtTrId("CBC模式"), 1},
                                                      {"ECB_MODE", qtTrId("ECB模式"), 0}});
        for (QRadioButton* b : mode_->buttons()) modeLayout->addWidget(b);
        mode_->choose("CBC_MODE");
        choices->addWidget(modeFrame);
        root->addLayout(choices);

        auto* grid = new QGridLayout;
        key_ = ui::textField(this, "key_word");
        vector_ = ui::textField(this, "Init_data");
        keyLength_ = ui::label(this, "key_len", {});
        vectorLength_ = ui::label(this, "Init_len", {});
        grid->addWidget(ui::label(this, "Label2", qtTrId("密  钥：")), 0, 0);
        grid->addWidget(key_, 0, 1);
        grid->addWidget(ui::label(this, "Label3", qtTrId("密钥长度：")), 0, 2);
        grid->addWidget(keyLength_, 0, 3);
        grid->addWidget(ui::label(this, "Label4", qtTrId("初始向量：")), 1, 0);
        grid->addWidget(vector_, 1, 1);
        grid->addWidget(ui::label(this, "Label5", qtTrId("向量长度：")), 1, 2);
        grid->addWidget(vectorLength_, 1, 3);
        key_->setMinimumWidth(400);
        root->addLayout(grid);

        QGroupBox* inputFrame = ui::frame(this, "Frame4", qtTrId(" 输入数据 "));
        auto* inputLayout = new QVBoxLayout(inputFrame);
        input_ = ui::textField(inputFrame, "Input_Data");
        inputLayout->addWidget(input_);
        root->addWidget(inputFrame);
        QGroupBox* outputFrame = ui::frame(this, "Frame5", qtTrId(" 输出结果"));
        auto* outputLayout = new QVBoxLayout(outputFrame);
        output_ = ui::textField(outputFrame, "Result_Data");
        output_->setReadOnly(true);
        outputLayout->addWidget(output_);
        root->addWidget(outputFrame);
        result_ = ui::resultLabel(this, "result_a");
        root->addWidget(result_);
        QPushButton* run = ui::button(this, "Command1", qtTrId("加解密计算"));
        QPushButton* exit = ui::button(this, "Command2", qtTrId("退  出"));
        root->addLayout(buttonRow({run, exit}));

        algorithm_->choose("Option1");
        showLengths();
        command(run, [this] { runCipher(); });
        exitOn(exit);
    }

private:
    void showLengths() {
        const CipherAlgorithm& a = algorithms()[algorithm_->code(0)];
        keyLength_->setText(a.keyLength);
        vectorLength_->setText(a.vectorLength);
    }

    std::int32_t step(std::uint8_t phase, const QByteArray& payload, std::array<std::uint8_t, kExportBuffer>& answer) {
        auto r = request({phase, direction_->code(0), mode_->code(0), algorithm_->code(0)}, payload);
        return call(exports::FM151M_Cipher, address(), r.data(), answer.data());
    }

    void runCipher() {
        const bool cbc = mode_->code(0) == 1;
        if (const auto problem = cipherCheck(algorithm_->code(0), cbc, key_->text(), input_->text(), vector_->text())) {
            result_->setText(*problem);
            return;
        }
        // The checks passed: every text has an even number of digits.
        QByteArray start = inputBytes(key_->text()).bytes;
        if (cbc) start += inputBytes(vector_->text()).bytes;
        std::array<std::uint8_t, kExportBuffer> answer{};
        if (step(0, start, answer) != 0) {
            result_->setText(qtTrId(" Cipher 初始化失败！"));
            return;
        }
        QString collected;
        output_->clear();
        for (const QByteArray& piece : pieces(inputBytes(input_->text()).bytes)) {
            answer.fill(0);
            if (step(1, piece, answer) != 0) {
                result_->setText(qtTrId(" Cipher加解密失败！"));
                return;
            }
            collected += hex::fieldBytes(std::span(answer).subspan(1, answer[0]));
            output_->setText(collected);
        }
        showResult(result_, step(2, {}, answer), qtTrId(" Cipher 释放成功！ "),
                   qtTrId(" Cipher 释放失败！"));
    }

    std::unique_ptr<ui::OptionGroup> algorithm_;
    std::unique_ptr<ui::OptionGroup> direction_;
    std::unique_ptr<ui::OptionGroup> mode_;
    QLineEdit* key_ = nullptr;
    QLineEdit* vector_ = nullptr;
    QLabel* keyLength_ = nullptr;
    QLabel* vectorLength_ = nullptr;
    QLineEdit* input_ = nullptr;
    QLineEdit* output_ = nullptr;
    QLabel* result_ = nullptr;
};

}  // namespace

void registerFm151mScreens(ScreenContext& context, ScreenRegistry& registry) {
    registry.add(screen::Fm151m, [&context](QWidget*) { return new Fm151mScreen(context); });
    registry.add(screen::Fm151mRandom, [&context](QWidget*) { return new RandomScreen(context); });
    registry.add(screen::Fm151mHash, [&context](QWidget*) { return new HashScreen(context); });
    registry.add(screen::Fm151mCipher, [&context](QWidget*) { return new CipherScreen(context); });
}

}  // namespace plover::security
