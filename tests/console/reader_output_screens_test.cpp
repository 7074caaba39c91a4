// The card-reader output screen: the output record both ways, written to the simulated reader
// and read back, and a format text without its number refused.
#include "console/config/reader_output_screen.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;
using plover::config::ReaderOutputFields;

Q_DECLARE_METATYPE(ReaderOutputFields)

namespace {

const QString kReadDone = QStringLiteral(" 读门禁读卡头参数成功！ ");
const QString kReadFailed = QStringLiteral(" 读门禁读卡头参数失败！");
const QString kWriteDone = QStringLiteral(" 写门禁读卡头参数成功！ ");
const QString kWriteFailed = QStringLiteral(" 写门禁读卡头参数失败！");

ReaderOutputFields fieldsOf(const QWidget* s) {
    return {control<QCheckBox>(s, "reader_enable")->isChecked(), text(s, "Read_Bank"), text(s, "address"),
            text(s, "Read_len"), text(s, "outputformat")};
}

void fill(const QWidget* s, const ReaderOutputFields& f) {
    control<QCheckBox>(s, "reader_enable")->setChecked(f.enabled);
    setText(s, "Read_Bank", f.bank);
    setText(s, "address", f.address);
    setText(s, "Read_len", f.length);
    setText(s, "outputformat", f.format);
}

}  // namespace

class ReaderOutputScreensTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    QWidget* outputScreen() { return console.open(console.heron.get(), "Command3", "set_Reader"); }

private Q_SLOTS:
    void init() { QVERIFY(console.start()); }
    void cleanup() {
        QVERIFY2(console.problems.isEmpty(), qPrintable(console.problems.join('\n')));
        console.stop();
    }

    void recordFromFields_data() {
        QTest::addColumn<ReaderOutputFields>("fields");
        QTest::addColumn<Bytes>("record");
        QTest::newRow("initial contents") << ReaderOutputFields{false, "1", "0", "4", "0--WIG 26"}
                                          << Bytes{0, 1, 0, 4, 0};
        QTest::newRow("every field set") << ReaderOutputFields{true, "3", "2A", "8", "2--WIG 34"}
                                         << Bytes{1, 3, 0x2A, 8, 2};
        QTest::newRow("empty fields, lower case, format 9")
            << ReaderOutputFields{true, "", "ff", "", "9"} << Bytes{1, 0, 0xFF, 0, 9};
        QTest::newRow("format without its number") << ReaderOutputFields{false, "1", "0", "4", "WIG 26"} << Bytes{};
    }
    void recordFromFields() {
        QFETCH(ReaderOutputFields, fields);
        QFETCH(Bytes, record);
        const auto r = config::readerOutputRecord(fields);
        QCOMPARE(r ? Bytes(r->begin(), r->end()) : Bytes{}, record);
    }

    void fieldsFromRecord_data() {
        QTest::addColumn<Bytes>("record");
        QTest::addColumn<ReaderOutputFields>("fields");
        QTest::newRow("ABA") << Bytes{1, 1, 2, 6, 3} << ReaderOutputFields{true, "1", "2", "6", "3--ABA"};
        QTest::newRow("format 7") << Bytes{0, 0x1F, 0, 0xA0, 7} << ReaderOutputFields{false, "1F", "0", "A0", "0--WIG 26"};
        QTest::newRow("enable byte 2 is not enabled")
            << Bytes{2, 0, 0, 0, 4} << ReaderOutputFields{false, "0", "0", "0", "4--RS 232"};
    }
    void fieldsFromRecord() {
        QFETCH(Bytes, record);
        QFETCH(ReaderOutputFields, fields);
        QCOMPARE(config::readerOutputFieldsOf(std::span<const std::uint8_t, 5>(record.data(), 5)), fields);
    }

    // Written to the reader, the record comes back field by field.
    void writtenThenReadBack() {
        QVERIFY(console.link());
        QWidget* s = outputScreen();
        QCOMPARE(s->windowTitle(), QStringLiteral("kestrel门禁读卡头参数设定"));
        QCOMPARE(fieldsOf(s), (ReaderOutputFields{false, "1", "0", "4", "0--WIG 26"}));
        click(s, "ywrite");
        QCOMPARE(text(s, "result"), kWriteDone);
        QCOMPARE(console.sent(0x1A), Bytes({0, 1, 0, 4, 0}));

        fill(s, {true, "3", "2A", "8", "2--WIG 34"});
        click(s, "ywrite");
        QCOMPARE(console.sent(0x1A), Bytes({1, 3, 0x2A, 8, 2}));
        fill(s, {false, "", "", "", "4--RS 232"});
        click(s, "Yread");
        QCOMPARE(text(s, "result"), kReadDone);
        QCOMPARE(fieldsOf(s), (ReaderOutputFields{true, "3", "2A", "8", "2--WIG 34"}));
        QCOMPARE(control<QComboBox>(s, "outputformat")->currentIndex(), 2);
        QVERIFY(screenshot(s));

        // A format byte beyond the list.
        console.reader->script(0x1B, {0, {1, 1, 2, 6, 7}});
        click(s, "Yread");
        QCOMPARE(fieldsOf(s), (ReaderOutputFields{true, "1", "2", "6", "0--WIG 26"}));
    }

    // A format the reader does not have is refused by it; a format text without its number is
    // refused before anything is sent, with the pointer back to normal.
    void refusedWrites() {
        QVERIFY(console.link());
        QWidget* s = outputScreen();
        setText(s, "outputformat", "5");
        click(s, "ywrite");
        QCOMPARE(text(s, "result"), kWriteFailed);
        QCOMPARE(console.sent(0x1A), Bytes({0, 1, 0, 4, 5}));
        click(s, "Yread");
        QCOMPARE(text(s, "result"), kReadDone);
        const std::size_t before = console.reader->count();
        setText(s, "outputformat", "WIG 26");
        click(s, "ywrite");
        QCOMPARE(text(s, "result"), kWriteFailed);
        QCOMPARE(console.reader->count(), before);
        QCOMPARE(s->cursor().shape(), Qt::ArrowCursor);
    }

    // Without a link: both commands fail and a failed read leaves every field as it was.
    void withoutLink() {
        QWidget* s = outputScreen();
        const ReaderOutputFields typed{true, "2", "10", "C", "1--WIG 32"};
        fill(s, typed);
        click(s, "Yread");
        QCOMPARE(text(s, "result"), kReadFailed);
        QCOMPARE(fieldsOf(s), typed);
        click(s, "ywrite");
        QCOMPARE(text(s, "result"), kWriteFailed);
    }
};

QTEST_MAIN(ReaderOutputScreensTest)
#include "reader_output_screens_test.moc"
