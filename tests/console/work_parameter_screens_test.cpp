// The work parameter screen and its channel activation screen: the channel lists, the work
// parameter record both ways, the radio commands against the simulated reader, and which reader
// address each command takes.
#include <QCursor>

#include "console/config/work_parameter_screens.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;
using plover::config::WorkFields;

Q_DECLARE_METATYPE(WorkFields)

namespace {

const QString kReadDone = QStringLiteral(" 读读写器工作参数成功！ ");
const QString kReadFailed = QStringLiteral(" 读读写器工作参数失败！");
const QString kWriteDone = QStringLiteral(" 设置读写器工作参数成功！ ");
const QString kWriteFailed = QStringLiteral(" 设置读写器工作参数失败！ ");
const QString kAntennaDone = QStringLiteral(" 设置当前操作天线成功！ ");
const QString kAntennaFailed = QStringLiteral(" 设置当前操作天线失败！");

const WorkFields kInitial = {"0-GB/T 29768-2013", "0-国标920MHz", "0-低速", "0-定频", "00-频率 920.125 MHz",
                             "27- 27dBm", "1--天线 1"};

WorkFields fieldsOf(const QWidget* s) {
    return {text(s, "Tag_Type"), text(s, "Work_National"), text(s, "work_model"), text(s, "Freq_Mode"),
            text(s, "Freq_No"),  text(s, "Power_Value"),   text(s, "Active_ANT")};
}

QStringList items(const QWidget* s, const QString& list) {
    const auto* c = control<QComboBox>(s, list);
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

Bytes bytes(const std::optional<config::WorkRecord>& r) { return r ? Bytes(r->begin(), r->end()) : Bytes{}; }

}  // namespace

class WorkParameterScreensTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    QWidget* workScreen() { return console.open(console.heron.get(), "Set_Device", "set_Device_Work"); }

private Q_SLOTS:
    void init() { QVERIFY(console.start()); }
    void cleanup() {
        QVERIFY2(console.problems.isEmpty(), qPrintable(console.problems.join('\n')));
        console.stop();
    }

    void channelLists_data() {
        QTest::addColumn<int>("region");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("last");
        QTest::newRow("920 MHz") << 0 << 20 << "00-频率 920.125 MHz" << "19-频率 924.875 MHz";
        QTest::newRow("840 MHz") << 1 << 20 << "00-频率 840.125 MHz" << "19-频率 844.875 MHz";
        QTest::newRow("FCC") << 2 << 50 << "00-频率 902.75 MHz" << "49-频率 927.25 MHz";
        QTest::newRow("ETSI") << 3 << 15 << "00-频率 865.1 MHz" << "14-频率 867.9 MHz";
        QTest::newRow("Japan") << 4 << 9 << "00-频率 952.2 MHz" << "08-频率 953.8 MHz";
    }
    void channelLists() {
        QFETCH(int, region);
        QFETCH(int, count);
        QFETCH(QString, first);
        QFETCH(QString, last);
        const QStringList channels = config::channelItems(region);
        QCOMPARE(channels.size(), count);
        QCOMPARE(channels.first(), first);
        QCOMPARE(channels.last(), last);
        QCOMPARE(config::regionOfText(config::regionItems()[region]), region);
        if (region == 4) QCOMPARE(channels[4], QStringLiteral("04-频率 953.0 MHz"));
    }

    // The record Command8 writes from the list texts; a text that does not begin with a digit
    // gives no record.
    void recordFromLists_data() {
        QTest::addColumn<WorkFields>("fields");
        QTest::addColumn<Bytes>("record");
        QTest::newRow("initial texts") << kInitial << Bytes{0, 0, 0, 0, 0, 0x1B, 1};
        QTest::newRow("every list changed")
            << WorkFields{"2-EPC", "3-ETSI 865MHz", "1-高速", "1-自动跳频", "07-频率 921.875 MHz", "30- 30dBm",
                          "3--天线 3"}
            << Bytes{2, 3, 1, 1, 7, 30, 3};
        QTest::newRow("one-digit channel and power, sent unchecked")
            << WorkFields{"9", "7", "5", "3", "7-", "9", "8"} << Bytes{9, 7, 5, 3, 7, 9, 8};
        WorkFields edited = kInitial;
        edited.channel = QStringLiteral("频率 920.125 MHz");
        QTest::newRow("channel without its number") << edited << Bytes{};
        edited = kInitial;
        edited.power = QString();
        QTest::newRow("empty power") << edited << Bytes{};
    }
    void recordFromLists() {
        QFETCH(WorkFields, fields);
        QFETCH(Bytes, record);
        QCOMPARE(bytes(config::workRecord(fields)), record);
    }

    // The texts Command3 shows for a record read from the reader.
    void listsFromRecord_data() {
        QTest::addColumn<Bytes>("record");
        QTest::addColumn<WorkFields>("fields");
        QTest::newRow("EPC on FCC channel 49")
            << Bytes{2, 2, 1, 1, 0x31, 0x1E, 3}
            << WorkFields{"2-EPC", "2-FCC 902MHz", "1-高速", "1-自动跳频", "49-频率 927.25 MHz", "30- 30dBm",
                          "3--天线 3"};
        QTest::newRow("channel 20 in region 0: channel 00")
            << Bytes{1, 0, 0, 0, 20, 15, 4}
            << WorkFields{"1-GJB 7377.1-2011", "0-国标920MHz", "0-低速", "0-定频", "00-频率 920.125 MHz", "15- 15dBm",
                          "4--天线 4"};
        QTest::newRow("values beyond every list")
            << Bytes{3, 3, 2, 2, 14, 34, 5}
            << WorkFields{"0-GB/T 29768-2013", "3-ETSI 865MHz", "0-低速", "1-自动跳频", "14-频率 867.9 MHz",
                          "15- 15dBm", "1--天线 1"};
        QTest::newRow("region above 4 shows region 0 and its channel names")
            << Bytes{2, 9, 0, 0, 3, 33, 2}
            << WorkFields{"2-EPC", "0-国标920MHz", "0-低速", "0-定频", "03-频率 920.875 MHz", "33- 33dBm", "2--天线 2"};
    }
    void listsFromRecord() {
        QFETCH(Bytes, record);
        QFETCH(WorkFields, fields);
        QCOMPARE(config::workFieldsOf(std::span<const std::uint8_t, 7>(record.data(), 7)), fields);
    }

    // Opened on a linked reader, the screen reads the work parameters at once and shows them.
    void readShowsTheRecord() {
        QVERIFY(console.link());
        console.reader->withModel([](kestrel::sim::ReaderModel& m) { m.settings.work = {2, 2, 1, 1, 0x31, 0x1E, 3}; });
        QWidget* s = workScreen();
        QCOMPARE(s->windowTitle(), kConsoleCaption);
        QCOMPARE(lines(s), QStringList({"", kReadDone}));
        QCOMPARE(fieldsOf(s), (WorkFields{"2-EPC", "2-FCC 902MHz", "1-高速", "1-自动跳频", "49-频率 927.25 MHz",
                                          "30- 30dBm", "3--天线 3"}));
        QCOMPARE(items(s, "Freq_No"), config::channelItems(2));
        QCOMPARE(control<QComboBox>(s, "Freq_No")->currentIndex(), 49);
        QVERIFY(screenshot(s));

        // A channel the region does not have (which the reader itself refuses to keep).
        console.reader->script(0x12, {0, {0, 0, 0, 0, 20, 0x1B, 1}});
        click(s, "Command3");
        QCOMPARE(text(s, "Freq_No"), QStringLiteral("00-频率 920.125 MHz"));
        QCOMPARE(items(s, "Freq_No").size(), 20);
    }

    // Picking a region rebuilds the channel list; what is written is kept by the reader and
    // shown again by the next read.
    void regionSelectionAndWriteBack() {
        QVERIFY(console.link());
        QWidget* s = workScreen();
        choose(s, "Work_National", "3-ETSI 865MHz");
        QCOMPARE(items(s, "Freq_No").size(), 15);
        QCOMPARE(text(s, "Freq_No"), QStringLiteral("00-频率 865.1 MHz"));
        choose(s, "Freq_No", "14-频率 867.9 MHz");
        choose(s, "Tag_Type", "1-GJB 7377.1-2011");
        choose(s, "Power_Value", "33- 33dBm");
        choose(s, "Active_ANT", "4--天线 4");
        click(s, "Command8");
        QCOMPARE(lines(s), QStringList({" ", kWriteDone}));
        QCOMPARE(console.sent(0x11), Bytes({1, 3, 1, 1, 14, 33, 4}));

        choose(s, "Work_National", "4-JAPAN 952MHz");
        QCOMPARE(text(s, "Freq_No"), QStringLiteral("00-频率 952.2 MHz"));
        click(s, "Command3");
        QCOMPARE(fieldsOf(s), (WorkFields{"1-GJB 7377.1-2011", "3-ETSI 865MHz", "1-高速", "1-自动跳频",
                                          "14-频率 867.9 MHz", "33- 33dBm", "4--天线 4"}));

        // A value the reader refuses (channel 20 of ETSI) is reported as a failure.
        setText(s, "Freq_No", "20-频率 869.1 MHz");
        click(s, "Command8");
        QCOMPARE(lines(s), QStringList({" ", kWriteFailed}));
        QCOMPARE(console.sent(0x11)[4], 20);
    }

    // With no reader answering when it opened, the screen keeps its initial texts and writes them.
    void initialTextsAreWritten() {
        QWidget* s = workScreen();
        QCOMPARE(lines(s), QStringList({"", kReadFailed}));
        QCOMPARE(fieldsOf(s), kInitial);
        QCOMPARE(items(s, "Freq_No"), config::channelItems(0));
        QVERIFY(console.link());
        click(s, "Command8");
        QCOMPARE(lines(s), QStringList({" ", kWriteDone}));
        QCOMPARE(console.sent(0x11), Bytes({0, 0, 0, 0, 0, 0x1B, 1}));
        QCOMPARE(s->cursor().shape(), Qt::ArrowCursor);
    }

    // The antenna rule, and list texts without their number refused with nothing sent.
    void antennaAndRefusedTexts() {
        QVERIFY(console.link());
        QWidget* s = workScreen();
        setText(s, "Active_ANT", "7--天线 7");
        click(s, "Command5");
        QCOMPARE(lines(s), QStringList({" ", kAntennaDone}));
        QCOMPARE(console.sent(0x17), Bytes{1});
        setText(s, "Active_ANT", "3");
        click(s, "Command5");
        QCOMPARE(console.sent(0x17), Bytes{3});
        click(s, "Command3");
        QCOMPARE(text(s, "Active_ANT"), QStringLiteral("3--天线 3"));

        const std::size_t before = console.reader->count();
        setText(s, "Active_ANT", "天线 2");
        click(s, "Command5");
        QCOMPARE(lines(s), QStringList({"", kAntennaFailed}));
        setText(s, "Power_Value", "dBm");
        click(s, "Command8");
        QCOMPARE(lines(s), QStringList({" ", kWriteFailed}));
        QCOMPARE(console.reader->count(), before);
        QCOMPARE(s->cursor().shape(), Qt::ArrowCursor);
    }

    // The radio commands and their log rules, in a sequence the simulated reader answers.
    void radioCommands() {
        QVERIFY(console.link());
        QWidget* s = workScreen();
        struct Step {
            const char* button;
            QStringList log;
        };
        const QList<Step> steps = {
            {"Command31", {" ", " 关闭解码器电源成功！ "}},
            {"Command1", {" 读发射机功率成功！ ", " 发射机设置功率级数 =30", " 发射机实际功率 =0 dBm",
                          " 接收机RSSI =0 dB", " "}},
            // The carrier needs the reader chip: refused while it is off.
            {"Command15", {"", " 打开CW信号失败！"}},
            // Switching the carrier off fails too, and keeps the log.
            {"Command14", {"", " 打开CW信号失败！", "", " 关闭CW信号失败！"}},
            {"Command2", {" ", " 打开解码器电源成功！ "}},
            {"Command15", {" ", " 打开CW信号成功！ "}},
            {"Command1", {" 读发射机功率成功！ ", " 发射机设置功率级数 =30", " 发射机实际功率 =30 dBm",
                          " 接收机RSSI =62 dB", " "}},
            // The running carrier warms the reader up: 36 + 4.
            {"Command6", {" ", " 读机器工作温度成功！ ", " 机器工作温度=40"}},
            {"Command14", {" ", " 关闭CW信号成功！ "}},
            {"Command6", {" ", " 读机器工作温度成功！ ", " 机器工作温度=36"}},
            {"clear", {}},
        };
        for (const Step& step : steps) {
            click(s, step.button);
            QCOMPARE(lines(s), step.log);
        }
        QCOMPARE(console.sent(0x13), Bytes{1});
        QCOMPARE(console.sent(0x14), Bytes{0});
    }

    // The screen keeps the address pc_id had when it opened; only the write takes pc_id as it is.
    void capturedAndLiveAddress() {
        QVERIFY(console.link());
        QWidget* s = workScreen();
        setText(console.heron.get(), "pc_id", "FF");
        for (const char* button : {"Command3", "Command5", "Command1", "Command6", "Command2"}) click(s, button);
        for (std::uint8_t code : {0x12, 0x17, 0x15, 0x10, 0x13}) QCOMPARE(console.reader->last(code)->address, 0x01);
        click(s, "Command8");
        QCOMPARE(console.reader->last(0x11)->address, 0xFF);

        // A screen closed and opened again captures pc_id afresh.
        click(s, "EXIT");
        QVERIFY(!console.heron->screens().find("set_Device_Work"));
        s = workScreen();
        QCOMPARE(console.reader->last(0x12)->address, 0xFF);
    }

    // The channel activation screen: the mask both ways, kept by the reader per region.
    void channelMaskBothWays() {
        QVERIFY(console.link());
        QWidget* ch = console.open(workScreen(), "Command4", "set_CH_Active_a");
        QCOMPARE(ch->windowTitle(), kConsoleCaption);
        QCOMPARE(text(ch, "CH_data"), QStringLiteral("FFFFFFFFFFFFFFFF"));
        QCOMPARE(text(ch, "Result"), QString());
        click(ch, "Write_ch");
        QCOMPARE(text(ch, "Result"), QStringLiteral(" 设置读写器频率有效参数成功！ "));
        QCOMPARE(console.sent(0x18), Bytes({0, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));

        choose(ch, "Work_National", "3-ETSI 865MHz");
        setText(ch, "CH_data", "0F");
        click(ch, "Write_ch");
        QCOMPARE(console.sent(0x18), Bytes({3, 0x0F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
        setText(ch, "CH_data", "");
        click(ch, "Read_ch");
        QCOMPARE(text(ch, "Result"), QStringLiteral(" 读读写器有效频道参数成功！ "));
        QCOMPARE(console.sent(0x19), Bytes{3});
        QCOMPARE(text(ch, "CH_data"), QStringLiteral("0FFFFFFFFFFFFFFF"));

        // A region never written: all its channels (Japan's nine) enabled.
        choose(ch, "Work_National", "4-JAPAN 952MHz");
        click(ch, "Read_ch");
        QCOMPARE(text(ch, "CH_data"), QStringLiteral("FF80000000000000"));
        QVERIFY(screenshot(ch));

        // A region the reader does not have, and a region text without its number.
        setText(ch, "Work_National", "7");
        click(ch, "Write_ch");
        QCOMPARE(text(ch, "Result"), QStringLiteral(" 设置读写器频率有效参数失败！ "));
        QCOMPARE(console.sent(0x18)[0], 7);
        const std::size_t before = console.reader->count();
        setText(ch, "Work_National", "JAPAN");
        click(ch, "Read_ch");
        QCOMPARE(text(ch, "Result"), QStringLiteral(" 读读写器频率有效参数失败！"));
        QCOMPARE(text(ch, "CH_data"), QStringLiteral("FF80000000000000"));
        click(ch, "Write_ch");
        QCOMPARE(text(ch, "Result"), QStringLiteral(" 设置读写器频率有效参数失败！ "));
        QCOMPARE(console.reader->count(), before);
    }

    void channelScreenAddresses() {
        QVERIFY(console.link());
        QWidget* ch = console.open(workScreen(), "Command4", "set_CH_Active_a");
        setText(console.heron.get(), "pc_id", "FF");
        click(ch, "Read_ch");
        QCOMPARE(console.reader->last(0x19)->address, 0x01);
        click(ch, "Write_ch");
        QCOMPARE(console.reader->last(0x18)->address, 0xFF);
    }
};

QTEST_MAIN(WorkParameterScreensTest)
#include "work_parameter_screens_test.moc"
