// The loop-read test screens: the fixed requests of a test cycle, the stop flag handled between
// two cycles, and a loop that stops safely when its screen, the main window or the link goes away.
#include <QRegularExpression>
#include <QTimer>

#include "console/tags/loop_read_screens.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;
using plover::tags::StandardId;
using plover::tags::TagStandard;

namespace {

const TagStandard& standard(int i) { return *tags::standards()[static_cast<std::size_t>(i)]; }

int base(const TagStandard& s) { return s.id == StandardId::Epc ? 0x20 : s.id == StandardId::Gb ? 0x40 : 0x60; }

constexpr std::uint8_t kAlarm = 0x04;

// Runs `step` once in each cycle of the loop the click starts, at the cycle's first event step
// (after its first library call): step n = 1, 2, ... The click returns when the loop has ended.
void runLoop(QWidget* screen, std::function<void(int)> step) {
    QPointer<QLabel> count = control<QLabel>(screen, "Loop_Count");
    static const QRegularExpression kDone(QStringLiteral("^循环次数：(\\d+) "));
    QTimer timer;
    int stepped = 0;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        if (!count) return;  // the screen is gone; its loop is ending
        const int done = kDone.match(count->text()).captured(1).toInt();
        if (done + 1 > stepped) step(stepped = done + 1);
    });
    timer.start(0);
    click(screen, "Command1");
    timer.stop();
}

}  // namespace

class TagLoopReadTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    QWidget* loopScreen(const TagStandard& s) {
        const char* button = s.id == StandardId::Epc ? "EPC_Cycle_Read" : s.id == StandardId::Gb ? "GB_Cycle_Read"
                                                                                                   : "GJB_Cycle_Read";
        return console.open(console.heron.get(), button, s.screen("_TAG_Loop_Read"));
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

    // Full cycles with every check ticked, stopped by a click that arrives while the second runs:
    // that cycle completes, each request goes to address 255, the reader beeps after each.
    void fullCycles_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<Bytes>("wake");
        QTest::addColumn<Bytes>("check");  // the last password check
        QTest::addColumn<Bytes>("read");
        QTest::addColumn<Bytes>("write");
        QTest::newRow("EPC") << 0 << " EPC 18000-6C" << Bytes{1, 0, 0, 0} << Bytes{} << Bytes{3, 0, 0, 8}
                             << Bytes{3, 0, 0, 1, 0x55, 0x55};
        QTest::newRow("GB") << 1 << " GB 29768-2013" << Bytes{1, 0, 0, 0} << Bytes{3, 1} << Bytes{3, 0, 4, 0, 8}
                            << Bytes{3, 0, 4, 0, 1, 0x55, 0x55};
        QTest::newRow("GJB") << 2 << " GJB 7377.1-2011" << Bytes{0, 0, 0, 0} << Bytes{1} << Bytes{3, 0, 0, 0, 8}
                             << Bytes{3, 0, 4, 0, 1, 0x55, 0x55};
    }
    void fullCycles() {
        QFETCH(int, standard);
        QFETCH(QString, caption);
        QFETCH(Bytes, wake);
        QFETCH(Bytes, check);
        QFETCH(Bytes, read);
        QFETCH(Bytes, write);
        const TagStandard& s = ::standard(standard);
        const auto code = [&](int offset) { return static_cast<std::uint8_t>(base(s) + offset); };
        QWidget* loop = loopScreen(s);
        QCOMPARE(loop->windowTitle(), kConsoleCaption + caption);
        QVERIFY(control<QCheckBox>(loop, "access_enable")->isChecked());
        QVERIFY(!control<QCheckBox>(loop, "read_enable")->isChecked());
        QVERIFY(!control<QCheckBox>(loop, "write_enable")->isChecked());
        QCOMPARE(control<QPushButton>(loop, "Command1")->text(), QStringLiteral("测   试"));
        control<QCheckBox>(loop, "read_enable")->setChecked(true);
        control<QCheckBox>(loop, "write_enable")->setChecked(true);

        // Two cycles: the window's picture is taken during the second, with the first counted.
        bool sawRunning = false;
        runLoop(loop, [&](int n) {
            sawRunning = control<QPushButton>(loop, "Command1")->text() == QStringLiteral("断   开") &&
                         !control<QPushButton>(loop, "Command2")->isEnabled();
            if (n < 2) return;
            QVERIFY(screenshot(loop));
            click(loop, "Command1");
        });
        QVERIFY(sawRunning);
        QCOMPARE(control<QPushButton>(loop, "Command1")->text(), QStringLiteral("测   试"));
        QVERIFY(control<QPushButton>(loop, "Command2")->isEnabled());
        QCOMPARE(console.reader->count(code(6)), 2u);
        QCOMPARE(console.sent(code(6)), wake);
        QCOMPARE(console.sent(code(7)), check);
        QCOMPARE(console.sent(code(8)), read);
        QCOMPARE(console.sent(code(9)), write);
        QCOMPARE(console.reader->count(code(0x0E)), 4u);  // after each good cycle, and always
        QCOMPARE(console.sent(kAlarm), Bytes({7, 5, 5, 1}));
        for (int offset : {6, 7, 8, 9, 0x0E}) QCOMPARE(console.reader->last(code(offset))->address, 0xFF);
        QCOMPARE(console.reader->last(kAlarm)->address, 0xFF);
        QCOMPARE(text(loop, "Loop_Count"), QStringLiteral("循环次数：2    失败次数：0"));
    }

    // No tag of the standard in the field: the wake fails, only the closing halt follows, no beep,
    // and the loop keeps going until it is stopped.
    void noTagSendsOnlyTheHalt() {
        console.reader->withModel([](kestrel::sim::ReaderModel& m) {
            auto& tags = m.field.tags;
            tags.erase(std::remove_if(tags.begin(), tags.end(),
                                      [](const kestrel::sim::Tag& t) { return t.standard == kestrel::sim::Standard::gb; }),
                       tags.end());
        });
        QWidget* loop = loopScreen(tags::gb());
        const std::size_t before = console.reader->count();
        runLoop(loop, [&](int n) {
            if (n == 3) click(loop, "Command1");
        });
        QCOMPARE(console.reader->count(0x46), 3u);
        QCOMPARE(console.reader->count(0x4E), 3u);
        QCOMPARE(console.reader->count(), before + 6);
        QCOMPARE(console.reader->count(kAlarm), 0u);
        QCOMPARE(text(loop, "Loop_Count"), QStringLiteral("循环次数：3    失败次数：3"));
    }

    // The checks are read every cycle; pc_id has no effect.
    void checksTakeEffectFromTheNextCycle() {
        setText(console.heron.get(), "pc_id", "7F");
        QWidget* loop = loopScreen(tags::epc());
        runLoop(loop, [&](int n) {
            if (n == 1) control<QCheckBox>(loop, "write_enable")->setChecked(true);
            if (n == 2) click(loop, "Command1");
        });
        QCOMPARE(console.reader->count(0x26), 2u);
        QCOMPARE(console.reader->count(0x29), 1u);
        QCOMPARE(console.reader->count(kAlarm), 2u);
        QCOMPARE(console.reader->last(0x29)->address, 0xFF);
    }

    // Two clicks in one event step (stop, then test again): the running loop goes on, none nests.
    void restartWithinOneStepResumes() {
        QWidget* loop = loopScreen(tags::gjb());
        runLoop(loop, [&](int n) {
            if (n == 1) {
                click(loop, "Command1");
                click(loop, "Command1");
                QCOMPARE(control<QPushButton>(loop, "Command1")->text(), QStringLiteral("断   开"));
            }
            if (n == 2) click(loop, "Command1");
        });
        QCOMPARE(console.reader->count(0x66), 2u);
        QVERIFY(control<QPushButton>(loop, "Command2")->isEnabled());
    }

    // Closing the screen, closing the main window or unlinking during an event step: the cycle
    // under way ends (a close lets it finish, an unlink cuts it short), no other begins, and a
    // closed screen is deleted after its loop.
    void loopStopsWhenItsWorldGoes_data() {
        QTest::addColumn<QString>("event");
        QTest::addColumn<unsigned>("halts");  // requests of the cycle that still reach the reader
        QTest::newRow("screen closed") << "screen" << 2u;
        QTest::newRow("main window closed") << "heron" << 2u;
        QTest::newRow("link closed") << "unlink" << 0u;
    }
    void loopStopsWhenItsWorldGoes() {
        QFETCH(QString, event);
        QFETCH(unsigned, halts);
        QWidget* loop = loopScreen(tags::epc());
        QPointer<QWidget> guard(loop);
        runLoop(loop, [&](int n) {
            if (n != 1) return;
            if (event == "screen") loop->close();
            if (event == "heron") console.heron->close();
            if (event == "unlink") click(console.heron.get(), "unlinka");
        });
        QCOMPARE(console.reader->count(0x26), 1u);
        QCOMPARE(console.reader->count(0x2E), halts);
        QVERIFY(guard);  // not deleted while its loop was on the stack
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        if (event == "unlink") {
            QVERIFY(guard && guard->isVisible());
            QCOMPARE(control<QPushButton>(loop, "Command1")->text(), QStringLiteral("测   试"));
            QVERIFY(control<QPushButton>(loop, "Command2")->isEnabled());
        } else {
            QVERIFY(!guard);
            QVERIFY(!console.heron->screens().find("EPC_TAG_Loop_Read"));
        }
        QTest::qWait(20);
        QCOMPARE(console.reader->count(0x26), 1u);
    }

    // Closed while running, then opened again at once: a fresh screen, the old one goes.
    void reopenedWhileTheOldLoopEnds() {
        QWidget* loop = loopScreen(tags::gb());
        QPointer<QWidget> old(loop);
        QPointer<QWidget> fresh;
        runLoop(loop, [&](int n) {
            if (n != 1) return;
            loop->close();
            fresh = loopScreen(tags::gb());
        });
        QVERIFY(fresh && fresh != old);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!old);
        QVERIFY(fresh && fresh->isVisible());
        QCOMPARE(control<QPushButton>(fresh, "Command1")->text(), QStringLiteral("测   试"));
    }
};

QTEST_MAIN(TagLoopReadTest)
#include "tag_loop_read_screens_test.moc"
