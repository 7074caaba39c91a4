// The memory screens of the three standards: the records they send, write then read back
// against the simulated reader, the bank choices that move the fields, and how failures show.
#include "console/tags/memory_screens.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;
using plover::tags::MemoryOperation;
using plover::tags::TagStandard;

namespace {

Bytes recordOf(const TagStandard& s, MemoryOperation op, std::uint8_t bank, const QString& address,
               const QString& count, const QString& data = {}) {
    const auto r = tags::memoryRecord(s, op, bank, address, count, data);
    return r ? Bytes(r->begin(), r->end()) : Bytes{};
}

// The first tag of a standard in the simulated reader's field.
kestrel::sim::Tag& firstTag(kestrel::sim::ReaderModel& m, kestrel::sim::Standard s) {
    for (auto& t : m.field.tags)
        if (t.standard == s) return t;
    qFatal("no tag of the standard");
}

}  // namespace

class TagMemoryTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    QWidget* memoryScreen(const TagStandard& s, const char* button, const char* kind) {
        return console.open(console.tagScreen(s), button, s.screen(kind));
    }

private Q_SLOTS:
    void init() {
        QVERIFY(console.start());
        QVERIFY(console.link());
    }
    void cleanup() {
        QVERIFY2(console.problems.isEmpty(), qPrintable(console.problems.join('\n')));
        console.stop();
    }

    void records() {
        using Op = MemoryOperation;
        const auto& epc = tags::epc();
        const auto& gb = tags::gb();
        QCOMPARE(recordOf(epc, Op::Read, 3, "1234", "8"), Bytes({0x03, 0x12, 0x34, 0x08}));
        QCOMPARE(recordOf(epc, Op::Read, 3, "5", ""), Bytes({0x03, 0x00, 0x05, 0x00}));
        QCOMPARE(recordOf(gb, Op::Read, 0x12, "4", "8"), Bytes({0x12, 0x00, 0x04, 0x00, 0x08}));
        QCOMPARE(recordOf(epc, Op::Write, 3, "0", "2", "1234"), Bytes({0x03, 0, 0, 0x02, 0x12, 0x34, 0, 0}));
        QCOMPARE(recordOf(epc, Op::Erase, 1, "2", "3", "99"), Bytes({0x01, 0, 0x02, 0x03}));
        // Word counts: 0 and 49 are refused, 48 sends 96 data bytes; GB 10 (hex) is 16 words.
        QCOMPARE(recordOf(epc, Op::Write, 3, "0", "0", "12"), Bytes{});
        QCOMPARE(recordOf(epc, Op::WriteBlock, 3, "0", "31", "12"), Bytes{});
        QCOMPARE(recordOf(epc, Op::WriteBlock, 3, "0", "30", "12").size(), 4u + 96u);
        QCOMPARE(recordOf(gb, Op::Write, 3, "4", "10", "AB").size(), 5u + 32u);
        QCOMPARE(recordOf(tags::gjb(), Op::Write, 3, "0", "31", "AB"), Bytes{});
        QVERIFY(tags::dataExceeds("123456789", 2));
        QVERIFY(!tags::dataExceeds(" 12345678 ", 2));
    }

    // Write two words of user memory, then read them back, on each standard's screens.
    void writeThenReadBack_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<int>("write");  // command codes of the write and the read
        QTest::addColumn<int>("read");
        QTest::addColumn<Bytes>("sentWrite");
        QTest::newRow("EPC") << 0 << 0x29 << 0x28 << Bytes{3, 0, 0, 2, 0xCA, 0xFE, 0x12, 0x34};
        QTest::newRow("GB") << 1 << 0x49 << 0x48 << Bytes{3, 0, 4, 0, 2, 0xCA, 0xFE, 0x12, 0x34};
        QTest::newRow("GJB") << 2 << 0x69 << 0x68 << Bytes{3, 0, 0, 0, 2, 0xCA, 0xFE, 0x12, 0x34};
    }
    void writeThenReadBack() {
        QFETCH(int, standard);
        QFETCH(int, write);
        QFETCH(int, read);
        QFETCH(Bytes, sentWrite);
        const TagStandard& s = *tags::standards()[standard];
        QWidget* writer = memoryScreen(s, "Command8", "_TAG_Write");
        const QString data = s.prefix == "EPC" ? "Write_Data" : "Write_data";
        setText(writer, "Write_Len", "2");
        setText(writer, data, "CAFE1234");
        click(writer, "Command1");
        QCOMPARE(lines(writer, "result"), QStringList({" 写标签数据成功！ "}));
        QCOMPARE(console.sent(write), sentWrite);
        // More digits than the words: the extra ones are not written, and the line says so.
        setText(writer, data, "CAFE1234FFFF");
        click(writer, "Command1");
        QCOMPARE(lines(writer, "result").last(), QStringLiteral(" 写标签数据成功！ （写入 2 个字，多出的数据没有写入）"));
        QVERIFY(screenshot(writer));

        QWidget* reader = memoryScreen(s, "Command7", "_TAG_Read");
        setText(reader, "Read_Len", "2");
        click(reader, "Command1");
        QCOMPARE(console.sent(read), Bytes(sentWrite.begin(), sentWrite.end() - 4));
        QCOMPARE(text(reader, "result"), QStringLiteral(" 读标签数据成功！ "));
        QCOMPARE(lines(reader), QStringList({"", " CA FE 12 34"}));
        click(reader, "Command1");
        QCOMPARE(lines(reader).size(), 4);  // every read adds two lines
        QVERIFY(screenshot(reader));
        click(reader, "Command3");
        QCOMPARE(lines(reader), QStringList());
        QCOMPARE(text(reader, "result"), QString());

        QWidget* eraser = memoryScreen(s, "Command12", "_TAG_Write_Erase");
        const QString count = s.prefix == "EPC" ? "Write_Len" : "Erase_Len";
        setText(eraser, count, "2");
        click(eraser, "Command1");
        QCOMPARE(lines(eraser, "Erase_result"), QStringList({" 块擦除标签数据成功！ "}));
        QVERIFY(screenshot(eraser));
        click(reader, "Command1");
        QCOMPARE(lines(reader).last(), QStringLiteral(" 00 00 00 00"));
    }

    void epcBlockWriteAndRefusals() {
        QWidget* block = memoryScreen(tags::epc(), "Command11", "_TAG_Write_Block");
        setText(block, "Write_Len", "1");
        setText(block, "Write_Data", "BEEF");
        click(block, "Command1");
        QCOMPARE(lines(block, "Result"), QStringList({" 块写标签数据成功！ "}));
        QCOMPARE(console.sent(0x2C), Bytes({3, 0, 0, 1, 0xBE, 0xEF}));
        QVERIFY(screenshot(block));
        // 49 words and 0 words: the plain failure line and no transaction.
        const std::size_t before = console.reader->count();
        for (const char* words : {"31", "0"}) {
            setText(block, "Write_Len", words);
            click(block, "Command1");
            QCOMPARE(lines(block, "Result").last(), QStringLiteral(" 块写标签数据失败！"));
        }
        QWidget* writer = memoryScreen(tags::epc(), "Command8", "_TAG_Write");
        setText(writer, "Write_Len", "31");
        click(writer, "Command1");
        QCOMPARE(lines(writer, "result"), QStringList({" 写标签数据失败！"}));
        QCOMPARE(console.reader->count(), before);
    }

    // Bank choices: EPC "1--EPC" moves the start to word 2 on the write screens; GB read banks
    // set address and length; GJB with no option sends area 3, GB area 0.
    void bankChoices() {
        QWidget* writer = memoryScreen(tags::epc(), "Command8", "_TAG_Write");
        choose(writer, "Write_Bank", "1--EPC");
        QCOMPARE(text(writer, "Write_Start"), QStringLiteral("2"));
        setText(writer, "Write_Start", "7");
        choose(writer, "Write_Bank", "3--User");
        QCOMPARE(text(writer, "Write_Start"), QStringLiteral("7"));

        QWidget* gb = memoryScreen(tags::gb(), "Command7", "_TAG_Read");
        const QList<std::tuple<QString, QString, QString>> cases = {
            {"M_Tid", "0", "6"}, {"M_Code", "0", "8"}, {"M_User16", "4", "8"}};
        for (const auto& [option, address, length] : cases) {
            setText(gb, "Read_address", "9");
            setText(gb, "Read_Len", "9");
            QTest::mouseClick(control<QRadioButton>(gb, option), Qt::LeftButton);
            QCOMPARE(text(gb, "Read_address") + text(gb, "Read_Len"), address + length);
        }
        setText(gb, "Read_address", "9");
        setText(gb, "Read_Len", "8");
        QTest::mouseClick(control<QRadioButton>(gb, "M_Safe"), Qt::LeftButton);
        QCOMPARE(text(gb, "Read_address") + text(gb, "Read_Len"), QStringLiteral("98"));
        control<QRadioButton>(gb, "M_Safe")->setChecked(false);
        click(gb, "Command1");
        QCOMPARE(console.sent(0x48).front(), 0x00);

        QWidget* gjb = memoryScreen(tags::gjb(), "Command7", "_TAG_Read");
        control<QRadioButton>(gjb, "M_User")->setChecked(false);
        click(gjb, "Command1");
        QCOMPARE(console.sent(0x68).front(), 0x03);
    }

    // The tag's own error code, in hex: a locked EPC user bank, a GB area behind a password.
    void tagErrorCodes() {
        console.reader->withModel([](kestrel::sim::ReaderModel& m) {
            for (auto& lock : firstTag(m, kestrel::sim::Standard::epc).locks)
                if (lock.area == 3) lock.no_write = lock.permanent = true;
            firstTag(m, kestrel::sim::Standard::gb).area_passwords[3][1] = {1, 2, 3, 4};
        });
        QWidget* epc = memoryScreen(tags::epc(), "Command8", "_TAG_Write");
        click(epc, "Command1");
        QCOMPARE(lines(epc, "result"), QStringList({" 写标签数据失败！ 错误代码=4"}));
        QWidget* gb = memoryScreen(tags::gb(), "Command8", "_TAG_Write");
        click(gb, "Command1");
        QCOMPARE(lines(gb, "result"), QStringList({" 写标签数据失败！ 错误代码=5"}));
        // GB: a result of 1 is shown without a code; a GB read failure with it.
        console.reader->script(0x49, {1, {0x0B}});
        click(gb, "Command1");
        QCOMPARE(lines(gb, "result").last(), QStringLiteral(" 写标签数据失败！"));
        console.reader->script(0x48, {2, {0x0C}});
        QWidget* gbRead = memoryScreen(tags::gb(), "Command7", "_TAG_Read");
        click(gbRead, "Command1");
        QCOMPARE(text(gbRead, "result"), QStringLiteral(" 读标签数据失败！错误代码=C"));
        QCOMPARE(lines(gbRead), QStringList());
    }

    // A read reply claiming more than the screen's 200 data bytes is a failure, not shown.
    void oversizeRead() {
        QWidget* reader = memoryScreen(tags::gjb(), "Command7", "_TAG_Read");
        Bytes data(1 + 230, 0x5A);
        data[0] = 230;
        console.reader->script(0x68, {0, data});
        click(reader, "Command1");
        QVERIFY(text(reader, "result").contains("230"));
        QCOMPARE(lines(reader), QStringList());
    }
};

QTEST_MAIN(TagMemoryTest)
#include "tag_memory_screens_test.moc"
