// The security screens: custom commands of the three standards, the PSAM slots and card issue,
// the FM151M chip's identity, random numbers, digests and ciphers, authentication and the
// Fudan tag commands, against the simulated reader. Digests, the SM4 vector and the diversified
// key are computed here with OpenSSL, independently of the simulator.
#include <openssl/evp.h>

#include "console/security/security_screens.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;
using plover::tags::TagStandard;

namespace {

Bytes bytesOf(const QByteArray& a) { return Bytes(a.begin(), a.end()); }

QString hexOf(const Bytes& b) { return QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size())).toHex().toUpper()); }

Bytes digest(const EVP_MD* md, const Bytes& data) {
    Bytes out(EVP_MAX_MD_SIZE);
    unsigned n = 0;
    EVP_Digest(data.data(), data.size(), out.data(), &n, md, nullptr);
    out.resize(n);
    return out;
}

Bytes sm4Block(const Bytes& key, const Bytes& block) {
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    Bytes out(32);
    int n = 0;
    EVP_EncryptInit_ex(ctx, EVP_sm4_ecb(), nullptr, key.data(), nullptr);
    EVP_CIPHER_CTX_set_padding(ctx, 0);
    EVP_EncryptUpdate(ctx, out.data(), &n, block.data(), static_cast<int>(block.size()));
    EVP_CIPHER_CTX_free(ctx);
    out.resize(static_cast<std::size_t>(n));
    return out;
}

}  // namespace

class SecurityScreensTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    QWidget* tagScreen(int standard) {
        return console.tagScreen(*tags::standards()[standard]);
    }
    QWidget* fm151m() { return console.open(console.heron.get(), "Command2", "FM151M_APP"); }

private Q_SLOTS:
    void init() {
        QVERIFY(console.start());
        QVERIFY(console.link());
    }
    void cleanup() {
        QVERIFY2(console.problems.isEmpty(), qPrintable(console.problems.join('\n')));
        console.stop();
    }

    // ---- request builders ----

    void customCommandRecords_data() {
        QTest::addColumn<QStringList>("fields");  // length, data, response length, long time
        QTest::addColumn<Bytes>("record");        // empty: refused
        QTest::newRow("16 bits") << QStringList{"10", "ABCD", "20", ""} << Bytes{0, 0x10, 0, 0, 0x20, 0xAB, 0xCD};
        QTest::newRow("9 bits, one pair given") << QStringList{"9", "AB", "", ""} << Bytes{0, 9, 0, 0, 0, 0xAB, 0};
        QTest::newRow("data cut to the length") << QStringList{"8", "ABCDEF", "1", "long"}
                                                << Bytes{0, 8, 1, 0, 1, 0xAB};
        QTest::newRow("empty length") << QStringList{"", "AB", "", ""} << Bytes{};
        QTest::newRow("zero length") << QStringList{"0", "AB", "", ""} << Bytes{};
        QTest::newRow("8000 hex") << QStringList{"8000", "AB", "", ""} << Bytes{};
        QTest::newRow("2041 bits: 256 bytes") << QStringList{"7F9", "AB", "", ""} << Bytes{};
        QTest::newRow("1569 bits: 197 bytes") << QStringList{"621", "AB", "", ""} << Bytes{};
    }
    void customCommandRecords() {
        QFETCH(QStringList, fields);
        QFETCH(Bytes, record);
        const auto built = security::customCommandRecord(fields[0], fields[1], fields[2], !fields[3].isEmpty());
        QCOMPARE(built ? bytesOf(*built) : Bytes{}, record);
        // The largest the buffer holds: 1568 bits, 196 command bytes.
        QCOMPARE(security::customCommandRecord("620", "", "", false)->size(), 201);
    }

    void psamCommandRequests_data() {
        QTest::addColumn<QStringList>("fields");  // type, CLA, INS, P1, P2, Lc, Le, data
        QTest::addColumn<Bytes>("request");       // empty: refused
        const QString t1 = QStringLiteral("1--命令类型1");
        QTest::newRow("load values") << QStringList{t1, "00", "00", "00", "00", "00", "00", ""}
                                     << Bytes{6, 1, 1, 0, 0, 0, 0};
        QTest::newRow("one-digit CLA is the high digit") << QStringList{t1, "8", "4", "", "0", "", "", ""}
                                                         << Bytes{6, 1, 1, 0x80, 0x40, 0, 0};
        QTest::newRow("CLA 08, Le 16 decimal") << QStringList{"3--命令类型3", "08", "84", "00", "00", "00", "16", ""}
                                               << Bytes{7, 1, 3, 0x08, 0x84, 0, 0, 0x10};
        QTest::newRow("Lc 02 with data and Le") << QStringList{t1, "00", "A4", "00", "00", "02", "2", "3F0012"}
                                                << Bytes{10, 1, 1, 0, 0xA4, 0, 0, 2, 0x3F, 0x00, 2};
        QTest::newRow("Lc 1 is 0x10: sixteen data bytes, zero-padded")
            << QStringList{t1, "00", "D6", "00", "00", "1", "", "AA"}
            << Bytes{23, 1, 1, 0, 0xD6, 0, 0, 0x10, 0xAA, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
        QTest::newRow("type not a digit") << QStringList{"x", "00", "00", "00", "00", "00", "", ""} << Bytes{};
        QTest::newRow("Lc F8 fills 255 counted bytes") << QStringList{t1, "00", "00", "00", "00", "F8", "", ""}
                                                       << Bytes{};
        QTest::newRow("Lc F7 and Le") << QStringList{t1, "00", "00", "00", "00", "F7", "1", ""} << Bytes{};
    }
    void psamCommandRequests() {
        QFETCH(QStringList, fields);
        QFETCH(Bytes, request);
        const auto built = security::psamCommandRequest(
            {1, fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], fields[6], fields[7]});
        QCOMPARE(bytesOf(built.bytes), request);
        QCOMPARE(built.error.isEmpty(), !request.empty());
        if (!built.error.isEmpty()) QVERIFY(built.error.startsWith(' '));
        // The longest that fits: Lc F7 without Le counts 254 bytes.
        QCOMPARE(security::psamCommandRequest({0, "1", "0", "0", "0", "0", "F7", "", ""}).bytes.size(), 255);
    }

    void issueRequestAndVerdict() {
        const QByteArray r = security::psamIssueRequest({"1234", "", "FF", QString(40, 'A'), "1", "0"});
        QCOMPARE(r.size(), 97);
        QCOMPARE(static_cast<std::uint8_t>(r[0]), 96);
        QCOMPARE(r.mid(1, 16), QByteArray::fromHex("12340000000000000000000000000000"));
        QCOMPARE(r.mid(49, 16), QByteArray(16, char(0xAA)));
        QCOMPARE(security::psamIssueResult(Bytes{3, 0, 0x90, 0}), QStringLiteral(" PSAM卡发行成功！ 0 90 0"));
        QCOMPARE(security::psamIssueResult(Bytes{3, 1, 0x6A, 0x82}), QStringLiteral(" PSAM卡发行失败！ 1 6A 82"));
        QCOMPARE(security::psamIssueResult(Bytes{1, 0x90, 0x90, 0}), QStringLiteral(" PSAM卡发行失败！ 90"));
    }

    void inputTextsAndLengthChecks() {
        QCOMPARE(bytesOf(security::inputBytes("616263").bytes), (Bytes{0x61, 0x62, 0x63}));
        const auto odd = security::inputBytes("ABC");
        QCOMPARE(bytesOf(odd.bytes), (Bytes{0xAB, 0xC0}));
        QVERIFY(odd.loneDigit);
        QVERIFY(security::pieces({}).isEmpty());
        QCOMPARE(security::pieces(QByteArray(480, 'x')).size(), 2);
        const auto split = security::pieces(QByteArray(241, 'x'));
        QCOMPARE(split.size(), 2);
        QCOMPARE(split[0].size(), 240);
        QCOMPARE(split[1].size(), 1);

        const QString k16 = QString(32, '1'), iv8 = QString(16, '2'), iv16 = QString(32, '2');
        struct Case {
            int algorithm;
            bool cbc;
            QString key, data, vector, message;
        } cases[] = {
            {0, false, QString(15, '1'), "", "", " 密钥长度不对，应为8个字节！"},
            {0, true, QString(16, '1'), QString(16, '3'), iv8, ""},
            {0, true, QString(16, '1'), QString(17, '3'), iv8, " 数据长度不对，应为8个字节的倍数！"},
            {1, false, QString(48, '1'), QString(32, '3'), "", ""},
            {1, false, QString(40, '1'), "", "", " 密钥长度不对，应为16个字节或24个字节！"},
            {2, true, QString(64, '1'), QString(32, '3'), "", " 初始向量的数据长度不对，应为16个字节！"},
            {4, true, k16, QString(16, '3'), iv16, " 初始向量的数据长度不对，应为8个字节！"},
            {5, true, k16, QString(16, '3'), iv16, " 数据长度不对，应为16个字节的倍数！"},
            {5, false, k16, QString(64, '3'), "", ""},  // ECB: no vector checked
        };
        for (const Case& c : cases) {
            const auto got = security::cipherCheck(static_cast<std::uint8_t>(c.algorithm), c.cbc, c.key, c.data, c.vector);
            QCOMPARE(got.value_or(QString()), c.message);
        }
    }

    void keyIdentifiersAndBlockRequests() {
        const std::pair<QString, int> ids[] = {{"", 0}, {"2", 2}, {"07", 7}, {"12", 12}, {"A1", 0}, {"1A", 1}};
        for (const auto& [text, id] : ids) QCOMPARE(security::keyIdentifier(text), id);
        const QString data = "1122334455667788";
        QCOMPARE(bytesOf(*security::gjbBlockRequest(1, "10", "2", &data)), (Bytes{1, 0, 0x10, 0, 2, 0x11, 0x22, 0x33, 0x44}));
        QCOMPARE(bytesOf(*security::gjbBlockRequest(2, "", "8", nullptr)), (Bytes{2, 0, 0, 0, 8}));
        QVERIFY(security::gjbBlockRequest(1, "0", "30", &data));   // 48 words
        QVERIFY(!security::gjbBlockRequest(1, "0", "31", &data));  // 49 do not fit
    }

    // ---- custom command ----

    void customCommandOfEachStandard_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("failure");
        QTest::newRow("EPC") << 0 << 0xE2 << " 命令执行失败！";
        QTest::newRow("GB") << 1 << 0xE0 << " 命令执行失败！错误代码=5";
        QTest::newRow("GJB") << 2 << 0xE1 << " 命令执行失败！错误代码=5";
    }
    void customCommandOfEachStandard() {
        QFETCH(int, standard);
        QFETCH(int, code);
        QFETCH(QString, failure);
        const TagStandard& s = *tags::standards()[standard];
        QWidget* w = console.open(tagScreen(standard), "Command17", s.screen("_TAG_Cust_Comm"));
        QVERIFY(w->windowTitle().startsWith(kConsoleCaption));
        QVERIFY(control<QRadioButton>(w, "timer_0")->isChecked());
        setText(w, "Comm_len", "10");
        setText(w, "Comm_data", "ABCD");
        setText(w, "response_len", "20");
        click(w, "Command1");
        QCOMPARE(console.sent(code), (Bytes{0, 0x10, 0, 0, 0x20, 0xAB, 0xCD}));
        QCOMPARE(lines(w, "result"), QStringList({" 命令执行成功！ ", " AB CD"}));
        QVERIFY(screenshot(w));

        // A failure keeps the list; the GB and GJB screens name the tag's error code.
        console.reader->script(static_cast<std::uint8_t>(code), {2, {0x05}});
        click(w, "Command1");
        QCOMPARE(lines(w, "result"), QStringList({" 命令执行成功！ ", " AB CD", failure}));

        // 2041 bits need 256 command bytes: refused, nothing sent.
        const std::size_t before = console.reader->count();
        setText(w, "Comm_len", "7F9");
        click(w, "Command1");
        QCOMPARE(console.reader->count(), before);
        QCOMPARE(lines(w, "result").last(), QStringLiteral("命令参数错误！"));

        // 1568 bits, the most the buffer holds, with the long time mode.
        control<QRadioButton>(w, "timer_1")->setChecked(true);
        setText(w, "Comm_len", "620");
        setText(w, "Comm_data", QString(400, 'E'));
        click(w, "Command1");
        const Bytes sent = console.sent(code);
        QCOMPARE(sent.size(), 201u);
        QCOMPARE(sent[2], 1);
        QCOMPARE(lines(w, "result").size(), 2);
        click(w, "Command3");
        QVERIFY(lines(w, "result").isEmpty());
    }

    void customCommandReplyLongerThanTheScreenBuffer() {
        QWidget* w = console.open(tagScreen(1), "Command17", "GB_TAG_Cust_Comm");
        setText(w, "Comm_len", "8");
        Bytes reply(202, 0x11);
        reply[0] = 201;
        console.reader->script(0xE0, {0, reply});
        click(w, "Command1");
        const QStringList got = lines(w, "result");
        QCOMPARE(got.size(), 1);
        QVERIFY2(got[0].startsWith(" 命令执行失败！") && got[0].contains("201"), qPrintable(got[0]));
    }

    // ---- PSAM ----

    void psamPowerChallengeAndReset() {
        QWidget* w = console.open(console.heron.get(), "PSAM_Command", "PSAM_APP");
        QCOMPARE(text(w, "command_type"), QStringLiteral("1--命令类型1"));
        // Slot 0 is not powered yet: the card cannot answer.
        click(w, "Command3");
        QCOMPARE(lines(w, "Result"), QStringList({"", " 命令操作失败！"}));
        QCOMPARE(console.sent(0xF2), (Bytes{6, 0, 1, 0, 0, 0, 0}));

        click(w, "Command1");
        QCOMPARE(console.sent(0xF0), (Bytes{0, 1}));
        QCOMPARE(lines(w, "Result"), QStringList({" 电源操作成功！ ", " 3B 6C 00 02 86 38 86 31 80 01 02 03 04 05 06 07"}));

        // GET CHALLENGE of 8 bytes: 8 random bytes and 90 00.
        setText(w, "INS", "84");
        setText(w, "Le", "8");
        click(w, "Command3");
        QCOMPARE(console.sent(0xF2), (Bytes{7, 0, 1, 0, 0x84, 0, 0, 8}));
        QStringList got = lines(w, "Result");
        QCOMPARE(got.size(), 2);
        QCOMPARE(got[0], QStringLiteral(" 命令操作成功！ "));
        QCOMPARE(got[1].size(), 10 * 3);
        QVERIFY(got[1].endsWith(" 90 00"));
        QVERIFY(screenshot(w));

        click(w, "Command2");
        QCOMPARE(console.sent(0xF1), Bytes{0});
        QCOMPARE(lines(w, "Result")[0], QStringLiteral(" 复位操作成功！ "));

        // Slot 1, power off: the choices are sent.
        control<QRadioButton>(w, "PSAM1")->setChecked(true);
        control<QRadioButton>(w, "PowerOff")->setChecked(true);
        click(w, "Command1");
        QCOMPARE(console.sent(0xF0), (Bytes{1, 0}));

        // A request too long for its count byte is refused with a message.
        const std::size_t before = console.reader->count();
        setText(w, "Lc", "FF");
        click(w, "Command3");
        QCOMPARE(console.reader->count(), before);
        got = lines(w, "Result");
        QCOMPARE(got.size(), 2);
        QVERIFY(got[1].startsWith(" 命令操作失败！"));
        click(w, "Command5");
        QVERIFY(lines(w, "Result").isEmpty());
    }

    void psamIssueJudgesTheStatusWord() {
        QWidget* w = console.open(console.heron.get(), "Command1", "PSAM_FD_Issue_A");
        QCOMPARE(text(w, "App_key"), QStringLiteral("3C9A51E7B04D82F6A5C13E9D7B260F48"));
        setText(w, "Main_key", "0102");
        click(w, "Command3");
        QCOMPARE(text(w, "result"), QStringLiteral(" PSAM卡发行成功！ 0 90 0"));
        const Bytes sent = console.sent(0xF3);
        QCOMPARE(sent.size(), 97u);
        QCOMPARE(sent[0], 96);
        QCOMPARE(Bytes(sent.begin() + 1, sent.begin() + 17), bytesOf(QByteArray::fromHex("3C9A51E7B04D82F6A5C13E9D7B260F48")));
        QCOMPARE(Bytes(sent.begin() + 17, sent.begin() + 20), (Bytes{1, 2, 0}));
        QVERIFY(screenshot(w));

        console.reader->script(0xF3, {0, {3, 0, 0x69, 0x85}});
        click(w, "Command3");
        QCOMPARE(text(w, "result"), QStringLiteral(" PSAM卡发行失败！ 0 69 85"));
        console.reader->script(0xF3, {3, {}});
        click(w, "Command3");
        QCOMPARE(text(w, "result"), QStringLiteral(" PSAM卡发行失败！ "));
    }

    // ---- FM151M ----

    void fm151mIdentityAndRandomNumbers() {
        QWidget* app = fm151m();
        click(app, "Command6");
        QCOMPARE(lines(app, "result"),
                 QStringList({"读FM151M的ID成功！ ", "FM151M的型号： FM151M ", "FM151M的软件版本号：56 31 2E 32 ",
                              "FM151M的芯片序列号：46 4D 15 1A 20 24 06 18 00 00 00 00 00 01 5A A5 "}));
        QVERIFY(screenshot(app));
        console.reader->script(0xD0, {0, Bytes(60, 0x3B)});
        click(app, "Command6");
        QCOMPARE(lines(app, "result").size(), 1);
        QVERIFY(lines(app, "result")[0].startsWith(" 读FM151M的ID失败！"));

        QWidget* rn = console.open(app, "Command5", "FM151M_Get_RN_A");
        QCOMPARE(text(rn, "RN_Len"), QStringLiteral("1"));
        setText(rn, "RN_Len", "0401");  // 1025 asks for 1024
        click(rn, "Command1");
        QCOMPARE(console.sent(0xD1), (Bytes{0x04, 0x00}));
        QCOMPARE(text(rn, "Result_RN").size(), 2048);
        setText(rn, "RN_Len", "10");
        click(rn, "Command1");
        QCOMPARE(console.sent(0xD1), (Bytes{0x00, 0x10}));
        QCOMPARE(text(rn, "Result_RN").size(), 32);
        QCOMPARE(text(rn, "result_a"), QStringLiteral(" 读随机数成功！ "));
        QVERIFY(screenshot(rn));
    }

    void hashesAreTheKnownDigests_data() {
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("digest");
        QTest::newRow("SHA1") << "Option1" << "A9993E364706816ABA3E25717850C26C9CD0D89D";
        QTest::newRow("SHA256") << "Option2" << "BA7816BF8F01CFEA414140DE5DAE2223B00361A396177A9CB410FF61F20015AD";
        QTest::newRow("SM3") << "Option3" << "66C7F0F462EEEDD9D1F2D46BDC10E4E24167C4875CF2F7A2297DA02B8F4BA8E0";
        QTest::newRow("MD5") << "Option4" << "900150983CD24FB0D6963F7D28E17F72";
    }
    void hashesAreTheKnownDigests() {
        QFETCH(QString, option);
        QFETCH(QString, digest);
        QWidget* w = console.open(fm151m(), "Command13", "FM151M_HASH_A");
        control<QRadioButton>(w, option)->setChecked(true);
        setText(w, "Input_Data", "616263");
        click(w, "Command1");
        QCOMPARE(text(w, "result_a"), QStringLiteral(" HASH计算成功！ "));
        QCOMPARE(text(w, "Result_Data"), digest);
        QCOMPARE(text(w, "Result_Len"), QString::number(digest.size() / 2, 16).toUpper().rightJustified(2, '0'));
        if (option == "Option3") QVERIFY(screenshot(w));
    }

    void hashInPiecesAndEdgeInputs() {
        QWidget* w = console.open(fm151m(), "Command13", "FM151M_HASH_A");
        control<QRadioButton>(w, "Option2")->setChecked(true);
        Bytes data(241);
        for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7);
        setText(w, "Input_Data", hexOf(data));
        click(w, "Command1");
        const auto steps = console.reader->all(0xD2);
        QCOMPARE(steps.size(), 4u);
        QCOMPARE(steps[0].data, (Bytes{0, 1, 0}));
        QCOMPARE(steps[1].data.size(), 243u);
        QCOMPARE(steps[2].data, (Bytes{1, 1, 1, data[240]}));
        QCOMPARE(steps[3].data, (Bytes{2, 1, 0}));
        QCOMPARE(text(w, "Result_Data"), hexOf(digest(EVP_sha256(), data)));

        // Empty input: start and finish only.
        setText(w, "Input_Data", "");
        click(w, "Command1");
        QCOMPARE(console.reader->all(0xD2).size(), 6u);
        QCOMPARE(text(w, "Result_Data"), hexOf(digest(EVP_sha256(), {})));

        // A last lone digit is the high digit of a last byte, and the result says so.
        setText(w, "Input_Data", "61626");
        click(w, "Command1");
        QCOMPARE(text(w, "Result_Data"), hexOf(digest(EVP_sha256(), {0x61, 0x62, 0x60})));
        QVERIFY(text(w, "result_a").startsWith(" HASH计算成功！ "));
        QVERIFY(text(w, "result_a").contains(QStringLiteral("奇数")));

        // A failing step stops the sequence.
        console.reader->script(0xD2, {6, {}});
        click(w, "Command1");
        QCOMPARE(text(w, "result_a"), QStringLiteral(" HASH初始化失败！"));
    }

    void cipherRuns() {
        QWidget* w = console.open(fm151m(), "Command7", "FM151M_Cipher_A");
        QCOMPARE(text(w, "key_len"), QStringLiteral("8 字节"));
        // A DES key of 15 digits is refused before anything is sent.
        const std::size_t before = console.reader->count();
        setText(w, "key_word", "0123456789ABCDE");
        click(w, "Command1");
        QCOMPARE(text(w, "result_a"), QStringLiteral(" 密钥长度不对，应为8个字节！"));
        QCOMPARE(console.reader->count(), before);

        // SM4, ECB: the published vector; the start payload is the key alone.
        control<QRadioButton>(w, "Option6")->setChecked(true);
        QCOMPARE(text(w, "key_len"), QStringLiteral("16 字节"));
        QCOMPARE(text(w, "Init_len"), QStringLiteral("16 字节"));
        control<QRadioButton>(w, "ECB_MODE")->setChecked(true);
        const QString key = "0123456789ABCDEFFEDCBA9876543210";
        setText(w, "key_word", key);
        setText(w, "Init_data", "");
        setText(w, "Input_Data", key);
        click(w, "Command1");
        Bytes start = {0, 1, 0, 5, 16};
        const Bytes keyBytes = bytesOf(QByteArray::fromHex(key.toLatin1()));
        start.insert(start.end(), keyBytes.begin(), keyBytes.end());
        QCOMPARE(console.reader->all(0xD3).front().data, start);
        QCOMPARE(text(w, "Result_Data"), QStringLiteral("681EDF34D206965E86B3E94F536E4246"));
        QCOMPARE(text(w, "result_a"), QStringLiteral(" Cipher 释放成功！ "));
        QCOMPARE(console.sent(0xD3), (Bytes{2, 1, 0, 5, 0}));
        QVERIFY(screenshot(w));

        // Back again, CBC: encrypt then decrypt 256 bytes (240 + 16) under one vector.
        control<QRadioButton>(w, "CBC_MODE")->setChecked(true);
        click(w, "Command1");
        QCOMPARE(text(w, "result_a"), QStringLiteral(" 初始向量的数据长度不对，应为16个字节！"));
        setText(w, "Init_data", QString(32, '5'));
        const QString plain = QString(512, 'C');
        setText(w, "Input_Data", plain);
        click(w, "Command1");
        const QString secret = text(w, "Result_Data");
        QCOMPARE(secret.size(), 512);
        QCOMPARE(console.reader->all(0xD3).back().data, (Bytes{2, 1, 1, 5, 0}));
        control<QRadioButton>(w, "JIEMI")->setChecked(true);
        setText(w, "Input_Data", secret);
        click(w, "Command1");
        QCOMPARE(text(w, "Result_Data"), plain);

        // A failing data step: no release follows.
        const std::size_t steps = console.reader->all(0xD3).size();
        console.reader->script(0xD3, {0, {0}});  // the start succeeds
        control<QRadioButton>(w, "Option3")->setChecked(true);  // SSF33: the chip refuses its data
        setText(w, "key_word", QString(32, '1'));
        click(w, "Command1");
        QCOMPARE(text(w, "result_a"), QStringLiteral(" Cipher加解密失败！"));
        QCOMPARE(console.reader->all(0xD3).size(), steps + 2);
    }

    // ---- authentication and FD ----

    void diversifiedKeyWrittenAndAuthenticated() {
        QWidget* fd = console.open(tagScreen(1), "Command16", "GB_TAG_FD_APP");
        QWidget* w = console.open(fd, "Command11", "GB_FD_Get_Diver_Key_A");
        QCOMPARE(text(w, "File_ID"), QStringLiteral("02"));
        click(w, "Command1");
        QCOMPARE(console.sent(0xA7), Bytes{2});
        QCOMPARE(text(w, "result"), QStringLiteral(" 计算标签的分散密钥成功！ "));
        // The reader's master key of identifier 2 counts up from 2; the block is the first GB
        // tag's TID and its complement.
        Bytes master(16), block(16);
        const Bytes tid = {0xE2, 0x90, 0x00, 0x00, 0x10, 0x00, 0x00, 0x01};
        for (std::size_t i = 0; i < 16; ++i) master[i] = static_cast<std::uint8_t>(2 + i);
        for (std::size_t i = 0; i < 8; ++i) {
            block[i] = tid[i];
            block[8 + i] = static_cast<std::uint8_t>(~tid[i]);
        }
        QCOMPARE(text(w, "Diver_Key"), hexOf(sm4Block(master, block)));
        click(w, "Command2");
        QCOMPARE(text(w, "result"), QStringLiteral(" 鉴别密钥设置成功！ "));
        QCOMPARE(console.sent(0xA5), sm4Block(master, block));
        QVERIFY(screenshot(w));

        QWidget* auth = console.open(fd, "Command4", "GB_TAG_Auth");
        setText(auth, "Auth_ID", "2");
        control<QCheckBox>(auth, "Dis")->setChecked(true);
        click(auth, "Command3");
        QCOMPARE(console.sent(0xA6), (Bytes{1, 2}));
        QCOMPARE(lines(auth, "result"), QStringList({" 复旦标签双向鉴别成功！ "}));
        QVERIFY(screenshot(auth));
        control<QCheckBox>(auth, "Dis")->setChecked(false);
        setText(auth, "Auth_ID", "");
        click(auth, "Command3");
        QCOMPARE(console.sent(0xA6), (Bytes{0, 0}));
        QCOMPARE(lines(auth, "result"), QStringList({" 复旦标签双向鉴别失败！"}));
    }

    void gbFdCommands() {
        QWidget* w = console.open(tagScreen(1), "Command16", "GB_TAG_FD_APP");
        click(w, "Command1");
        QCOMPARE(text(w, "Read_SecPara"), QStringLiteral("010000000000"));
        QCOMPARE(text(w, "TID"), QStringLiteral("E290000010000001"));
        setText(w, "Write_SecPara", "0102");
        click(w, "Command10");
        QCOMPARE(console.sent(0x51), (Bytes{1, 2, 0, 0, 0, 0}));
        control<QRadioButton>(w, "Sec_Read_Only")->setChecked(true);
        click(w, "Command6");
        QCOMPARE(console.sent(0xA2), Bytes{1});
        click(w, "Command8");
        QCOMPARE(console.sent(0xA3), (Bytes{'Q', 'E', 'N', 'D'}));
        QCOMPARE(lines(w, "result"), QStringList({" 读标签安全参数成功！ ", " 写安全参数成功！ ", " 安全口令锁定成功！ ",
                                                  " 退出标签快速初始化模式成功！ "}));
        // The password is read only now: a second lock back to writable fails with the tag's code.
        control<QRadioButton>(w, "Sec_Write_Enable")->setChecked(true);
        click(w, "Command6");
        QCOMPARE(lines(w, "result").last(), QStringLiteral(" 安全口令锁定失败！ 错误代码=4"));
        click(w, "Command7");
        QCOMPARE(lines(w, "result").size(), 1);
        QVERIFY2(lines(w, "result")[0].startsWith(QStringLiteral(" 读标签锁定信息成功！ = 0100")), qPrintable(lines(w, "result")[0]));
        QVERIFY(screenshot(w));

        // Replies longer than the screen's 21-byte buffer.
        console.reader->script(0x50, {0, Bytes{21, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21}});
        click(w, "Command1");
        QVERIFY(lines(w, "result").last().startsWith(" 读标签安全参数失败！"));
        QVERIFY(lines(w, "result").last().contains("21"));
        QCOMPARE(text(w, "TID"), QStringLiteral("E290000010000001"));
    }

    void gjbAuthenticationReadsTheParameters() {
        QWidget* w = console.open(tagScreen(2), "Command11", "GJB_TAG_Auth");
        click(w, "Command1");
        QCOMPARE(text(w, "a_result"), QStringLiteral(" 读标签安全参数成功！ "));
        QCOMPARE(lines(w, "result"), QStringList({"", " 01 02 03 04 05 06 07 08"}));
        QVERIFY(screenshot(w));
        console.reader->script(0x70, {0, {0}});
        click(w, "Command1");
        QCOMPARE(lines(w, "result").size(), 4);
        QCOMPARE(lines(w, "result").mid(2), QStringList({"", ""}));
        console.reader->script(0x70, {0, Bytes{11, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}});
        click(w, "Command1");
        QVERIFY(text(w, "a_result").startsWith(" 读标签安全参数失败！"));
        QVERIFY(text(w, "a_result").contains("11"));
        QCOMPARE(lines(w, "result").size(), 4);
    }

    void gjbFdBlocks() {
        QWidget* w = console.open(tagScreen(2), "Command16", "GJB_TAG_FD_APP");
        QCOMPARE(text(w, "address"), QStringLiteral("0"));
        QCOMPARE(text(w, "data_len"), QStringLiteral("8"));
        setText(w, "data_len", "2");
        setText(w, "data", "1122334455");
        click(w, "Command10");
        QCOMPARE(console.sent(0xB1), (Bytes{1, 0, 0, 0, 2, 0x11, 0x22, 0x33, 0x44}));
        QCOMPARE(lines(w, "result").last(), QStringLiteral(" 写标签数据成功！ "));
        click(w, "Command1");
        QCOMPARE(console.sent(0xB0), (Bytes{1, 0, 0, 0, 2}));
        QCOMPARE(lines(w, "result"), QStringList({" 读标签数据成功！ ", " 11 22 33 44"}));
        control<QRadioButton>(w, "action_1")->setChecked(true);
        control<QRadioButton>(w, "User_Bank3")->setChecked(true);
        click(w, "Command7");
        QCOMPARE(console.sent(0xB3), (Bytes{2, 1, 0}));
        QCOMPARE(lines(w, "result").last(), QStringLiteral(" 锁定标签成功！ "));
        // Sub-area 3 is not writable now: the tag's code is shown.
        click(w, "Command10");
        QCOMPARE(lines(w, "result").last(), QStringLiteral(" 写标签数据失败！ 错误代码=4"));
        // More words than the request buffer holds: nothing sent.
        const std::size_t before = console.reader->count();
        setText(w, "data_len", "31");
        click(w, "Command10");
        QCOMPARE(console.reader->count(), before);
        QVERIFY(lines(w, "result").last().startsWith(" 写标签数据失败！"));
        setText(w, "data_len", "2");
        click(w, "Command5");
        QCOMPARE(lines(w, "result").size(), 1);
        QVERIFY(lines(w, "result")[0].startsWith(QStringLiteral(" 读标签锁定信息成功！ = ")));
        QVERIFY(screenshot(w));
        // A read answer longer than the 201-byte buffer.
        Bytes reply(202, 0x22);
        reply[0] = 201;
        console.reader->script(0xB0, {0, reply});
        click(w, "Command1");
        QVERIFY(lines(w, "result").last().startsWith(" 读标签数据失败！"));
        QVERIFY(lines(w, "result").last().contains("201"));
    }
};

QTEST_MAIN(SecurityScreensTest)
#include "security_screens_test.moc"
