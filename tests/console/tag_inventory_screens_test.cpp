// The tag screens and inventory screens of the three standards: the select parameter record
// both ways, the tag list lines, paging through the simulated reader's tags, and the buttons
// that open the other screens.
#include "console/tags/inventory_screens.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;
using plover::tags::TagStandard;

namespace {

Bytes recordOf(const TagStandard& s, const tags::SelectFields& f) {
    const auto r = tags::selectRecord(s, f);
    if (!r) return {};
    return Bytes(r->begin(), r->begin() + static_cast<std::uint8_t>((*r)[0]));
}

QStringList listOf(const TagStandard& s, const Bytes& block) {
    std::vector<std::uint8_t> buffer(tags::kTagListBlock, 0);
    std::copy(block.begin(), block.end(), buffer.begin());
    return tags::tagListLines(s, buffer).lines;
}

const QString kTotal = QStringLiteral("共有标签数量=");
const QString kCount = QStringLiteral("本次传送数量=");

}  // namespace

class TagInventoryTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    QWidget* tagScreen(const TagStandard& s) { return console.tagScreen(s); }

private Q_SLOTS:
    void init() {
        QVERIFY(console.start());
        QVERIFY(console.link());
    }
    void cleanup() {
        QVERIFY2(console.problems.isEmpty(), qPrintable(console.problems.join('\n')));
        console.stop();
    }

    void selectRecordLayouts_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<QStringList>("fields");  // bank, address, length, mask, q, time
        QTest::addColumn<bool>("store");
        QTest::addColumn<Bytes>("record");
        QTest::newRow("EPC empty length and mask") << 0 << QStringList{"1--EPC", "", "", "", "2", "100"} << false
                                                   << Bytes{0x08, 0, 1, 0, 0, 0, 2, 0};
        QTest::newRow("EPC 9 bits: two mask bytes, stored")
            << 0 << QStringList{"3--User", "20", "9", "ABCD", "15", "14"} << true
            << Bytes{0x0A, 1, 3, 0, 0x20, 9, 0xAB, 0xCD, 15, 0x14};
        QTest::newRow("EPC mask A over 16 bits") << 0 << QStringList{"2--TID", "1", "10", "A", "4", "5"} << false
                                                 << Bytes{0x0A, 0, 2, 0, 1, 0x10, 0xA0, 0x00, 4, 5};
        QTest::newRow("GB user area 8") << 1 << QStringList{"0A-用户区 8", "12345", "", "", "", "10"} << false
                                        << Bytes{0x07, 0, 0x0A, 0x23, 0x45, 0, 0x10};
        QTest::newRow("GB user area 16") << 1 << QStringList{"12-用户区 16", "", "8", "7", "", "1"} << false
                                         << Bytes{0x08, 0, 0x12, 0, 0, 8, 0x70, 1};
        QTest::newRow("GB initial text") << 1 << QStringList{"00--标签信息区", "", "", "", "", "10"} << false
                                         << Bytes{0x07, 0, 0, 0, 0, 0, 0x10};
        QTest::newRow("GJB coding area") << 2 << QStringList{"1-编码区", "", "8", "FF", "", "A"} << false
                                         << Bytes{0x08, 0, 1, 0, 0, 8, 0xFF, 0x0A};
    }
    void selectRecordLayouts() {
        QFETCH(int, standard);
        QFETCH(QStringList, fields);
        QFETCH(bool, store);
        QFETCH(Bytes, record);
        const TagStandard& s = *tags::standards()[standard];
        QCOMPARE(recordOf(s, {fields[0], fields[1], fields[2], fields[3], fields[4], fields[5], store}), record);
    }

    void selectRecordMaskSizes() {
        // FF bits is 32 mask bytes: 8 + 32 bytes for EPC, the whole mask read from the field.
        const auto full = tags::selectRecord(tags::epc(), {"1--EPC", "", "FF", QString(80, 'C'), "2", "1"});
        QVERIFY(full);
        QCOMPARE(static_cast<int>((*full)[0]), 40);
        QCOMPARE(full->mid(6, 32), QByteArray(32, char(0xCC)));
        // A Q that is not a decimal number is refused.
        QVERIFY(!tags::selectRecord(tags::epc(), {"1--EPC", "", "", "", "A", "1"}));
    }

    void selectFieldsShowTheReadRecord() {
        const Bytes epc = {0, 3, 0x00, 0x20, 12, 0xAB, 0xC0, 4, 0x0A};
        const auto f = tags::selectFieldsOf(tags::epc(), epc);
        QCOMPARE(QStringList({f.bank, f.address, f.length, f.mask, f.q, f.time}),
                 QStringList({"3--User", "0020", "C", "ABC0", "4", "A"}));
        QCOMPARE(tags::selectFieldsOf(tags::epc(), Bytes{0, 7}).bank, QStringLiteral("3--User"));
        QCOMPARE(tags::selectFieldsOf(tags::gb(), Bytes{0, 0x13}).bank, QStringLiteral("00-标签信息区"));
        QCOMPARE(tags::selectFieldsOf(tags::gb(), Bytes{0, 0x12}).bank, QStringLiteral("12-用户区 16"));
        QCOMPARE(tags::selectFieldsOf(tags::gjb(), Bytes{0, 9}).bank, QStringLiteral("0-标签信息区"));
    }

    void tagListLineFormats() {
        const Bytes one = {0, 11, 0, 1, 1, 2, 0x30, 0x00};
        QCOMPARE(listOf(tags::epc(), one),
                 QStringList({" ", kTotal + "1", kCount + "1", "", "02    30 00 "}));
        QCOMPARE(listOf(tags::gb(), one),
                 QStringList({" ", kTotal + "1", kCount + "1", "", "数据长度 + 安全字 + 编码区 ", "02   30 00"}));
        const Bytes gjb = {0, 10, 0, 1, 1, 4, 0x00, 0x00, 0x12, 0x34};
        QCOMPARE(listOf(tags::gjb(), gjb), QStringList({" ", kTotal + "1", kCount + "1", "",
                                                        "数据长度 + 安全字 + 编码区 ", "", "04   00 00 12 34"}));
        QCOMPARE(listOf(tags::gb(), Bytes{0, 5, 0, 3, 0}), QStringList({" ", kTotal + "3", kCount + "0"}));
    }

    // Blocks the screen cannot show whole: the records before the problem, then one line naming it.
    void unsoundTagListBlocks() {
        std::vector<std::uint8_t> buffer(tags::kTagListBlock, 0);
        // A record that runs past the block's stated length.
        Bytes past = {0, 9, 0, 2, 2, 2, 0xAA, 0xBB, 9, 1, 2};
        std::copy(past.begin(), past.end(), buffer.begin());
        auto view = tags::tagListLines(tags::epc(), buffer);
        QVERIFY(!view.sound);
        QCOMPARE(view.lines.mid(0, 5), QStringList({" ", kTotal + "2", kCount + "2", "", "02    AA BB "}));
        QVERIFY(view.lines.last().contains(QStringLiteral("第 2 个标签记录")));
        // A block stating more than the screen's buffer holds, its records filling the buffer.
        std::fill(buffer.begin(), buffer.end(), 0xFF);
        const Bytes head = {0xFF, 0xFF, 0x01, 0x00, 20};
        std::copy(head.begin(), head.end(), buffer.begin());
        view = tags::tagListLines(tags::gb(), buffer);
        QVERIFY(!view.sound);
        QCOMPARE(view.lines.size(), 3 + 2 + 9 + 1);  // nine 255-byte records fit in 2561 bytes
        QVERIFY(view.lines.last().contains(QStringLiteral("65535")));
        // A total count of 32768 or more.
        std::fill(buffer.begin(), buffer.end(), 0);
        const Bytes total = {0, 5, 0x80, 0x00, 0};
        std::copy(total.begin(), total.end(), buffer.begin());
        view = tags::tagListLines(tags::gjb(), buffer);
        QVERIFY(!view.sound);
        QVERIFY(view.lines.last().contains(QStringLiteral("32768")));
    }

    // For each standard: the tag screen loads the reader's select parameters, writes them, and
    // its inventory screen pages through the default scenario's three tags.
    void inventoryPagesThroughTheTags_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<int>("base");  // the standard's first command code
        QTest::newRow("EPC") << 0 << 0x20;
        QTest::newRow("GB") << 1 << 0x40;
        QTest::newRow("GJB") << 2 << 0x60;
    }
    void inventoryPagesThroughTheTags() {
        QFETCH(int, standard);
        QFETCH(int, base);
        const TagStandard& s = *tags::standards()[standard];
        QWidget* app = tagScreen(s);
        QCOMPARE(app->windowTitle(), s.caption());
        QCOMPARE(text(app, s.resultName), QStringLiteral(" 读盘存参数成功！ "));
        QCOMPARE(console.sent(base + 0), Bytes{});

        // Match every tag (no mask), keep them in the reader, and read the record back.
        setText(app, "Select_Len", "0");
        setText(app, "Select_Mask", "");
        setText(app, "Query_Time", "14");
        control<QCheckBox>(app, "Select_Flag")->setChecked(true);
        click(app, "Command3");
        QCOMPARE(text(app, s.resultName), QStringLiteral(" 写盘存参数成功！ "));
        const Bytes written = console.sent(base + 1);
        QCOMPARE(written.size(), s.hasQ ? 8u : 7u);
        QCOMPARE(written[1], 1);
        QCOMPARE(written.back(), 0x14);
        setText(app, "Query_Time", "");
        click(app, "Command2");
        QCOMPARE(text(app, "Query_Time"), QStringLiteral("14"));

        QWidget* query = console.open(app, "Command14", s.screen("_TAG_Query"));
        click(query, "Query_Start");
        QCOMPARE(text(query, "result"), QStringLiteral(" 启动轮询成功！ "));
        setText(query, "read_len", "2");
        click(query, "Query_Read");
        QCOMPARE(text(query, "result"), QStringLiteral(" 读标签轮询数据成功！ "));
        QStringList first = lines(query, "Query_list");
        QCOMPARE(first.mid(0, 4), QStringList({" ", kTotal + "3", kCount + "2", ""}));
        const int head = 4 + static_cast<int>(s.tagListHeading.size());
        QCOMPARE(first.size(), head + 2);
        QCOMPARE(console.sent(base + 3), Bytes({0, 2}));

        setText(query, "read_flag", "2--继续读");
        click(query, "Query_Read");
        QStringList rest = lines(query, "Query_list");
        QCOMPARE(rest.mid(0, 3), QStringList({" ", kTotal + "3", kCount + "1"}));
        QCOMPARE(rest.size(), head + 1);
        QVERIFY(!first.mid(head).contains(rest.last()));

        setText(query, "read_flag", "1--重  读");
        click(query, "Query_Read");
        QCOMPARE(lines(query, "Query_list"), rest);

        setText(query, "read_flag", "0--从头读");
        setText(query, "read_len", "10");
        click(query, "Query_Read");
        QCOMPARE(lines(query, "Query_list").size(), head + 3);
        QVERIFY(screenshot(app));
        QVERIFY(screenshot(query));
    }

    void epcLinesShowTheTagsEpc() {
        QWidget* query = console.open(tagScreen(tags::epc()), "Command14", "EPC_TAG_Query");
        click(query, "Query_Start");
        click(query, "Query_Read");
        const QStringList got = lines(query, "Query_list");
        QVERIFY2(got.contains("0C    30 00 E2 00 68 11 00 00 00 00 00 01 "), qPrintable(got.join('|')));
    }

    // A read length that is not a decimal number is refused without a transaction; a failed
    // GB read keeps the list, a failed EPC read leaves it empty.
    void refusedAndFailedReads() {
        for (const TagStandard* s : tags::standards()) {
            QWidget* query = console.open(tagScreen(*s), "Command14", s->screen("_TAG_Query"));
            click(query, "Query_Read");
            const QStringList before = lines(query, "Query_list");
            const std::size_t sent = console.reader->count();
            setText(query, "read_len", "1A");
            click(query, "Query_Read");
            QCOMPARE(console.reader->count(), sent);
            QCOMPARE(text(query, "result"), QStringLiteral(" 读标签轮询数据失败！ "));
            QCOMPARE(lines(query, "Query_list"), s->clearBeforeListRead ? QStringList() : before);
        }
    }

    // A reply whose tag list block claims far more than it holds: the screen shows what it can and
    // a failure line, and reads nothing past its buffer.
    void oversizeBlockFromTheReader() {
        QWidget* query = console.open(tagScreen(tags::gb()), "Command14", "GB_TAG_Query");
        Bytes data = {0xFF, 0xF0, 0x00, 0x02, 0x03, 2, 0x11, 0x22};
        console.reader->script(0x43, {0, data});
        click(query, "Query_Read");
        QCOMPARE(text(query, "result"), QStringLiteral(" 读标签轮询数据失败！ "));
        const QStringList got = lines(query, "Query_list");
        QCOMPARE(got.mid(0, 3), QStringList({" ", kTotal + "2", kCount + "3"}));
        QVERIFY(got.contains("02   11 22"));
    }

    // Every screen a button of the main window or of a tag screen opens is either registered or
    // still pending, never both; the registered ones open from their buttons.
    void everyButtonOpensAScreen() {
        QStringList targets = {"set_Device_a", "set_Device_Work", "set_Reader", "y_tcp_connect", "EPC_TAG_APP",
                               "GB_TAG_APP", "GJB_TAG_APP", "EPC_TAG_Loop_Read", "GB_TAG_Loop_Read",
                               "GJB_TAG_Loop_Read", "PSAM_APP", "PSAM_FD_Issue_A", "FM151M_APP"};
        for (const TagStandard* s : tags::standards()) {
            QWidget* app = tagScreen(*s);
            for (const tags::OpenButton& b : s->buttons) {
                targets << b.screen;
                const bool registered = console.heron->screens().has(b.screen);
                console.problems.clear();
                click(app, b.name);
                QCOMPARE(console.heron->screens().find(b.screen) != nullptr, registered);
                QCOMPARE(console.problems.size(), registered ? 0 : 1);
            }
        }
        console.problems.clear();
        const QStringList registered = console.heron->screens().names();
        for (const QString& t : targets) QVERIFY2(registered.contains(t), qPrintable(t));
    }
};

QTEST_MAIN(TagInventoryTest)
#include "tag_inventory_screens_test.moc"
