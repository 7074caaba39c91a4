// The lock, kill, halt, wake and password screens of the three standards: the records they send,
// the result rules with and without the tag's error code, and the tag's state in the simulated
// reader changing as the operator goes from screen to screen.
#include "console/tags/access_screens.h"
#include "console/tags/password_screens.h"
#include "console_fixture.h"

using namespace plover;
using namespace plover::test;
using plover::tags::StandardId;
using plover::tags::TagStandard;

namespace {

const TagStandard& standard(int i) { return *tags::standards()[static_cast<std::size_t>(i)]; }

Bytes bytesOf(const QByteArray& a) { return Bytes(a.begin(), a.end()); }

void tick(const QWidget* screen, const QString& name, bool on = true) {
    auto* b = control<QAbstractButton>(screen, name);
    // On the indicator: a wide option button takes clicks on its indicator and caption only.
    if (b->isChecked() != on) QTest::mouseClick(b, Qt::LeftButton, {}, QPoint(8, b->height() / 2));
    if (b->isChecked() != on) qFatal("cannot set %s", qPrintable(name));
}

}  // namespace

class TagAccessTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    QWidget* tagScreen(const TagStandard& s) { return console.tagScreen(s); }
    // Opens a screen of the standard from the tag screen's button for it.
    QWidget* screen(const TagStandard& s, const QString& name) {
        QWidget* app = tagScreen(s);
        for (const tags::OpenButton& b : s.buttons)
            if (b.screen == name) return console.open(app, b.name, name);
        qFatal("no button for %s", qPrintable(name));
        return nullptr;
    }
    // Wakes the tag whose EPC is `epc` on the EPC wake screen, so the next commands act on it.
    void wakeEpc(const QString& epc) {
        QWidget* wake = screen(tags::epc(), "EPC_TAG_Wake");
        choose(wake, "Wake_Bank", "1--EPC");
        setText(wake, "Wake_Address", "20");
        setText(wake, "Wake_Len", "60");
        setText(wake, "Wake_Mask", epc);
        click(wake, "Command1");
        QVERIFY2(text(wake, "result").startsWith(QStringLiteral(" 唤醒标签成功, EPC = ")), qPrintable(text(wake, "result")));
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

    void wakeRecords_data() {
        QTest::addColumn<int>("bank");
        QTest::addColumn<QStringList>("fields");  // address, length, mask
        QTest::addColumn<Bytes>("record");
        QTest::newRow("initial fields match every tag") << 1 << QStringList{"0", "0", "0"} << Bytes{1, 0, 0, 0};
        QTest::newRow("17 bits read 3 mask bytes") << 1 << QStringList{"20", "11", "3000E2FF"}
                                                   << Bytes{1, 0, 0x20, 0x11, 0x30, 0x00, 0xE2};
        QTest::newRow("short mask padded with 0") << 3 << QStringList{"12345", "10", "A"}
                                                  << Bytes{3, 0x23, 0x45, 0x10, 0xA0, 0x00};
        QTest::newRow("empty fields") << 0x12 << QStringList{"", "", ""} << Bytes{0x12, 0, 0, 0};
    }
    void wakeRecords() {
        QFETCH(int, bank);
        QFETCH(QStringList, fields);
        QFETCH(Bytes, record);
        QCOMPARE(bytesOf(tags::wakeRecord(static_cast<std::uint8_t>(bank), fields[0], fields[1], fields[2])), record);
        // The longest mask (255 bits) is 32 bytes, whatever the field holds.
        QCOMPARE(tags::wakeRecord(0, "", "FF", QString(100, 'C')).size(), 4 + 32);
    }

    void wakeResults_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<Bytes>("reply");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("sound");
        QTest::newRow("EPC") << 0 << Bytes{2, 0x30, 0x00} << " 唤醒标签成功, EPC = 30 00 " << true;
        QTest::newRow("GB") << 1 << Bytes{2, 0x30, 0x00} << " 唤醒标签成功, 编码区= 30   00" << true;
        QTest::newRow("GJB three bytes") << 2 << Bytes{3, 0x08, 0x01, 0x73} << " 唤醒标签成功, 编码区= 08   01 73"
                                         << true;
        QTest::newRow("EPC N=0") << 0 << Bytes{0} << " 唤醒标签成功, EPC = " << true;
        QTest::newRow("GB N=0") << 1 << Bytes{0} << " 唤醒标签成功, 编码区= " << true;
        QTest::newRow("N=49 is more than the reply holds")
            << 1 << Bytes{49} << " 唤醒标签失败！ 应答数据长度 49 字节，超过 48 字节！" << false;
    }
    void wakeResults() {
        QFETCH(int, standard);
        QFETCH(Bytes, reply);
        QFETCH(QString, text);
        QFETCH(bool, sound);
        Bytes buffer(kExportBuffer, 0xEE);
        std::copy(reply.begin(), reply.end(), buffer.begin());
        const tags::WakeView view = tags::wakeResult(::standard(standard).id, buffer);
        QCOMPARE(view.text, text);
        QCOMPARE(view.sound, sound);
    }

    // The lock and kill results by reader status and verdict byte, scripted as the reader answers.
    void errorCodeRules_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("verdict");
        QTest::addColumn<QString>("lock");
        QTest::addColumn<QString>("kill");
        QTest::newRow("EPC status 1: code") << 0 << 1 << 5 << " 锁定标签失败！ 错误代码= 5" << " 灭活标签失败！ 错误代码=5";
        QTest::newRow("EPC status 1, code 1F") << 0 << 1 << 0x1F << " 锁定标签失败！ 错误代码= 31"
                                                << " 灭活标签失败！ 错误代码=1F";
        QTest::newRow("EPC status 2: no code") << 0 << 2 << 5 << " 锁定标签失败！" << " 灭活标签失败！";
        QTest::newRow("GB status 2: code") << 1 << 2 << 0x0A << " 锁定标签失败！ 错误代码=A" << " 灭活标签失败！ 错误代码=A";
        QTest::newRow("GB status 1: no code") << 1 << 1 << 5 << " 锁定标签失败！" << " 灭活标签失败！";
        QTest::newRow("GJB status 2: code") << 2 << 2 << 4 << " 锁定标签失败！ 错误代码=4" << " 灭活标签失败！ 错误代码=4";
        QTest::newRow("success") << 2 << 0 << 0 << " 锁定标签成功！ " << " 灭活标签成功！ ";
    }
    void errorCodeRules() {
        QFETCH(int, standard);
        QFETCH(int, status);
        QFETCH(int, verdict);
        QFETCH(QString, lock);
        QFETCH(QString, kill);
        const TagStandard& s = ::standard(standard);
        const int base = s.id == StandardId::Epc ? 0x20 : s.id == StandardId::Gb ? 0x40 : 0x60;
        const kestrel::sim::Reply reply{static_cast<std::uint8_t>(status), {static_cast<std::uint8_t>(verdict)}};
        QWidget* lockScreen = screen(s, s.screen("_TAG_Lock"));
        console.reader->script(static_cast<std::uint8_t>(base + 0x0B), reply);
        click(lockScreen, "Command1");
        QCOMPARE(text(lockScreen, "result"), lock);
        click(lockScreen, "Command3");
        QCOMPARE(text(lockScreen, "result"), QStringLiteral(" "));
        QWidget* killScreen = screen(s, s.screen("_TAG_Kill"));
        console.reader->script(static_cast<std::uint8_t>(base + 0x0A), reply);
        click(killScreen, "Command1");
        QCOMPARE(lines(killScreen, "result"), QStringList{kill});
    }

    // A failure without any reply: byte 0 still holds what the screen put there.
    void failureWithoutReply() {
        QWidget* lock = screen(tags::gb(), "GB_TAG_Lock");
        QWidget* kill = screen(tags::gjb(), "GJB_TAG_Kill");
        QWidget* epcLock = screen(tags::epc(), "EPC_TAG_Lock");
        click(console.heron.get(), "unlinka");
        click(lock, "Command1");  // M_User1: bank code 3
        QCOMPARE(text(lock, "result"), QStringLiteral(" 锁定标签失败！ 错误代码=3"));
        click(kill, "Command1");
        QCOMPARE(lines(kill, "result"), QStringList{" 灭活标签失败！ 错误代码=4B"});
        click(epcLock, "Command1");
        QCOMPARE(text(epcLock, "result"), QStringLiteral(" 锁定标签失败！"));
    }

    void epcLockRecords() {
        QWidget* lock = screen(tags::epc(), "EPC_TAG_Lock");
        for (QCheckBox* c : lock->findChildren<QCheckBox*>()) QVERIFY(!c->isChecked());
        tick(lock, "User_Write_Flag");
        tick(lock, "User_Write_Pwd");
        click(lock, "Command1");
        QCOMPARE(console.sent(0x2B), Bytes({0, 0, 0, 0, 0x0A}));
        QCOMPARE(text(lock, "result"), QStringLiteral(" 锁定标签成功！ "));
        QVERIFY(screenshot(lock));
        for (QCheckBox* c : lock->findChildren<QCheckBox*>()) c->setChecked(true);
        QCOMPARE(lock->findChildren<QCheckBox*>().size(), 20);
        click(lock, "Command1");
        QCOMPARE(console.sent(0x2B), Bytes({0x0F, 0x0F, 0x0F, 0x0F, 0x0F}));
    }

    void gbLockCaptionsFollowTheBank() {
        QWidget* lock = screen(tags::gb(), "GB_TAG_Lock");
        QVERIFY(control<QRadioButton>(lock, "M_User1")->isChecked());
        QVERIFY(control<QRadioButton>(lock, "Configure_0")->isChecked());
        QVERIFY(control<QRadioButton>(lock, "Action_0")->isChecked());
        QCOMPARE(control<QRadioButton>(lock, "Action_3")->text(), QStringLiteral("不可读不可写"));
        tick(lock, "M_User16");
        tick(lock, "Configure_1");
        tick(lock, "Action_3");
        click(lock, "Command1");
        QCOMPARE(console.sent(0x4B), Bytes({0x12, 0x01, 0x03}));
        tick(lock, "M_Code");
        QCOMPARE(control<QRadioButton>(lock, "Action_0")->text(), QStringLiteral("保留"));
        QCOMPARE(control<QRadioButton>(lock, "Action_3")->text(), QStringLiteral("需要鉴别，需要安全通信"));
        QVERIFY(control<QRadioButton>(lock, "Action_3")->isChecked());
        QVERIFY(control<QRadioButton>(lock, "Configure_1")->isChecked());
        click(lock, "Command1");
        QCOMPARE(console.sent(0x4B), Bytes({0x01, 0x01, 0x03}));
        QCOMPARE(text(lock, "result"), QStringLiteral(" 锁定标签成功！ "));
        QVERIFY(screenshot(lock));
        tick(lock, "M_User2");
        QCOMPARE(control<QRadioButton>(lock, "Action_1")->text(), QStringLiteral("可读不可写"));
    }

    void gjbLockRecords() {
        QWidget* lock = screen(tags::gjb(), "GJB_TAG_Lock");
        tick(lock, "M_Code");
        tick(lock, "Action_2");
        click(lock, "Command1");
        QCOMPARE(console.sent(0x6B), Bytes({0x01, 0x02, 0x00}));
        QCOMPARE(text(lock, "result"), QStringLiteral(" 锁定标签成功！ "));
        QVERIFY(screenshot(lock));
        // A click on the chosen bank keeps it chosen.
        QTest::mouseClick(control<QRadioButton>(lock, "M_Code"), Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(control<QRadioButton>(lock, "M_Code")->isChecked());
        // No bank chosen (as no click can leave it, only the screen's own state): the user area.
        control<QRadioButton>(lock, "M_Code")->setChecked(false);
        click(lock, "Command1");
        QCOMPARE(console.sent(0x6B), Bytes({0x03, 0x02, 0x00}));
    }

    // EPC tag 2 has access password 12345678: locking its user bank needs the password checked,
    // and once locked and out of that session, a write to it is refused with "memory locked".
    void lockedBankRefusesAWrite() {
        const QString tag2 = QStringLiteral("3000E2006811000000000002");
        wakeEpc(tag2);
        QWidget* lock = screen(tags::epc(), "EPC_TAG_Lock");
        tick(lock, "User_Write_Flag");
        tick(lock, "User_Write_Pwd");
        click(lock, "Command1");
        QCOMPARE(text(lock, "result"), QStringLiteral(" 锁定标签失败！ 错误代码= 5"));

        QWidget* set = screen(tags::epc(), "EPC_TAG_Set_Key");
        QCOMPARE(text(set, "Access_Password"), tags::kDefaultPassword);
        QCOMPARE(text(set, "Kill_Password"), tags::kDefaultPassword);
        setText(set, "Access_Password", "12345678");
        click(set, "Command2");
        QCOMPARE(text(set, "result"), QStringLiteral(" 密码设置成功！ "));
        QWidget* check = screen(tags::epc(), "EPC_TAG_Access_Key");
        click(check, "Command1");
        QCOMPARE(text(check, "result"), QStringLiteral(" 密码校验成功！ "));
        QCOMPARE(console.sent(0x27), Bytes{});
        click(lock, "Command1");
        QCOMPARE(text(lock, "result"), QStringLiteral(" 锁定标签成功！ "));

        QWidget* halt = screen(tags::epc(), "EPC_TAG_Halt");
        click(halt, "Command1");
        QCOMPARE(text(halt, "Result"), QStringLiteral(" 休眠标签成功！ "));
        wakeEpc(tag2);
        std::array<std::uint8_t, kExportBuffer> write{3, 0, 0, 1, 0x12, 0x34};
        QCOMPARE(console.binding->call(exports::EPC_Write_TAG, 1, write.data()), 1);
        QCOMPARE(write[0], 0x04);
    }

    // The kill screens send the confirmation code; the reader kills with its own kill password.
    void killWithWrongThenRightPassword() {
        wakeEpc(QStringLiteral("3000E2006811000000000002"));
        QWidget* kill = screen(tags::epc(), "EPC_TAG_Kill");
        click(kill, "Command1");
        QCOMPARE(lines(kill, "result"), QStringList{" 灭活标签失败！ 错误代码=5"});
        QCOMPARE(console.sent(0x2A), Bytes({'K', 'I', 'L', 'L'}));

        QWidget* set = screen(tags::epc(), "EPC_TAG_Set_Key");
        setText(set, "Access_Password", "12345678");
        setText(set, "Kill_Password", "BAD");  // left-aligned: BA D0 00 00, not the tag's
        click(set, "Command2");
        click(kill, "Command1");
        QCOMPARE(lines(kill, "result").size(), 2);
        QCOMPARE(lines(kill, "result").last(), QStringLiteral(" 灭活标签失败！ 错误代码=5"));
        setText(set, "Kill_Password", "00000BAD");
        click(set, "Command2");
        click(kill, "Command1");
        QCOMPARE(lines(kill, "result").last(), QStringLiteral(" 灭活标签成功！ "));
        QVERIFY(screenshot(kill));
        QVERIFY(screenshot(set));

        QWidget* query = screen(tags::epc(), "EPC_TAG_Query");
        click(query, "Query_Start");
        click(query, "Query_Read");
        const QStringList listed = lines(query, "Query_list");
        QCOMPARE(listed.value(1), QStringLiteral("共有标签数量=2"));
        QVERIFY(!listed.join('|').contains(QStringLiteral("00 00 00 00 00 02")));

        // The same code on the other standards: GJB tag 1 has a zero kill password, as the reader.
        QWidget* gjbKill = screen(tags::gjb(), "GJB_TAG_Kill");
        click(gjbKill, "Command1");
        QCOMPARE(console.sent(0x6A), Bytes({'K', 'I', 'L', 'L'}));
        QCOMPARE(lines(gjbKill, "result"), QStringList{" 灭活标签成功！ "});
        QVERIFY(screenshot(gjbKill));
        QWidget* gbKill = screen(tags::gb(), "GB_TAG_Kill");
        click(gbKill, "Command1");
        QCOMPARE(console.sent(0x4A), Bytes({'K', 'I', 'L', 'L'}));
        QCOMPARE(lines(gbKill, "result"), QStringList{" 灭活标签成功！ "});
        QVERIFY(screenshot(gbKill));
    }

    // Halt the selected tag, then wake it again with a 17-bit mask over its EPC or coding area.
    void haltThenWakeByMask_data() {
        QTest::addColumn<int>("standard");
        QTest::addColumn<QString>("bank");  // Wake_Bank item, or the GB bank option
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("mask");
        QTest::addColumn<Bytes>("record");
        QTest::addColumn<QString>("result");
        QTest::newRow("EPC") << 0 << "1--EPC" << "20" << "3000E2" << Bytes{1, 0, 0x20, 0x11, 0x30, 0x00, 0xE2}
                             << " 唤醒标签成功, EPC = 30 00 E2 00 68 11 00 00 00 00 00 01 ";
        QTest::newRow("GB") << 1 << "M_Code" << "0" << "0C0120" << Bytes{1, 0, 0, 0x11, 0x0C, 0x01, 0x20}
                            << " 唤醒标签成功, 编码区= 0C   01 20 24 00 01 A1 B2 C3 D4 00 01";
        QTest::newRow("GJB") << 2 << "1--编码区" << "0" << "080173" << Bytes{1, 0, 0, 0x11, 0x08, 0x01, 0x73}
                             << " 唤醒标签成功, 编码区= 08   01 73 77 00 00 00 01";
    }
    void haltThenWakeByMask() {
        QFETCH(int, standard);
        QFETCH(QString, bank);
        QFETCH(QString, address);
        QFETCH(QString, mask);
        QFETCH(Bytes, record);
        QFETCH(QString, result);
        const TagStandard& s = ::standard(standard);
        const int base = s.id == StandardId::Epc ? 0x20 : s.id == StandardId::Gb ? 0x40 : 0x60;
        QWidget* halt = screen(s, s.screen("_TAG_Halt"));
        click(halt, "Command1");
        QCOMPARE(text(halt, "Result"), QStringLiteral(" 休眠标签成功！ "));
        QVERIFY(screenshot(halt));

        QWidget* wake = screen(s, s.screen("_TAG_Wake"));
        QCOMPARE(text(wake, "Wake_Address"), QStringLiteral("0"));
        QCOMPARE(text(wake, "Wake_Len"), QStringLiteral("0"));
        QCOMPARE(text(wake, "Wake_Mask"), QStringLiteral("0"));
        if (s.id == StandardId::Gb) {
            QVERIFY(control<QRadioButton>(wake, "M_Tid")->isChecked());
            tick(wake, bank);
        } else {
            QCOMPARE(text(wake, "Wake_Bank"), s.id == StandardId::Epc ? "1--EPC" : "0--标签信息区");
            choose(wake, "Wake_Bank", bank);
        }
        setText(wake, "Wake_Address", address);
        setText(wake, "Wake_Len", "11");
        setText(wake, "Wake_Mask", mask);
        click(wake, "Command1");
        QCOMPARE(console.sent(static_cast<std::uint8_t>(base + 6)), record);
        QCOMPARE(text(wake, "result"), result);
        QVERIFY(screenshot(wake));

        // A reply longer than the wake reply array is a failure line, its data not read.
        console.reader->script(static_cast<std::uint8_t>(base + 6), {0, Bytes(200, 0x41)});
        click(wake, "Command1");
        QCOMPARE(text(wake, "result"), QStringLiteral(" 唤醒标签失败！ 应答数据长度 65 字节，超过 48 字节！"));
        // No tag matches: the reader's refusal.
        setText(wake, "Wake_Mask", "FFFFFF");
        click(wake, "Command1");
        QCOMPARE(text(wake, "result"), QStringLiteral(" 唤醒标签失败！"));
    }

    void wakeBankThatIsNoNumber() {
        QWidget* wake = screen(tags::gjb(), "GJB_TAG_Wake");
        const std::size_t before = console.reader->count();
        setText(wake, "Wake_Bank", "A--x");
        click(wake, "Command1");
        QCOMPARE(console.reader->count(), before);
        QVERIFY(text(wake, "result").startsWith(QStringLiteral(" 唤醒标签失败！")));
    }

    void setPasswordRequests() {
        QWidget* epc = screen(tags::epc(), "EPC_TAG_Set_Key");
        setText(epc, "Access_Password", "12");
        setText(epc, "Kill_Password", "");
        tick(epc, "Password_FLAG");
        click(epc, "Command2");
        QCOMPARE(console.sent(0x25), Bytes({1, 0x12, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(text(epc, "result"), QStringLiteral(" 密码设置成功！ "));
        QVERIFY(screenshot(epc));

        QWidget* gjb = screen(tags::gjb(), "GJB_TAG_Set_Key");
        QVERIFY(!control<QCheckBox>(gjb, "Password_FLAG")->isChecked());
        click(gjb, "Command2");
        Bytes defaults = {0};
        for (int i = 0; i < 4; ++i) defaults.insert(defaults.end(), {0x7C, 0x3A, 0x5E, 0x91});
        QCOMPARE(console.sent(0x65), defaults);
        QCOMPARE(text(gjb, "Result_a"), QStringLiteral(" 密码设置成功！ "));
        QVERIFY(screenshot(gjb));

        QWidget* gb = screen(tags::gb(), "GB_TAG_Set_Key");
        QVERIFY(!control<QRadioButton>(gb, "M_Tid")->isEnabled());
        QVERIFY(!control<QRadioButton>(gb, "M_Code")->isEnabled());
        QVERIFY(control<QRadioButton>(gb, "M_User1")->isChecked());
        QCOMPARE(text(gb, "Label7"), QStringLiteral("读密码："));
        QCOMPARE(text(gb, "Label6"), QStringLiteral("写密码："));
        tick(gb, "M_safe");
        QCOMPARE(text(gb, "Label7"), QStringLiteral("灭活密码:"));
        QCOMPARE(text(gb, "Label6"), QStringLiteral("锁定密码:"));
        tick(gb, "M_User2");
        QCOMPARE(text(gb, "Label7"), QStringLiteral("读密码:"));
        QCOMPARE(text(gb, "Label6"), QStringLiteral("写密码:"));
        setText(gb, "Write_Pwd", "AB");
        click(gb, "Command2");
        QCOMPARE(console.sent(0x45), Bytes({0, 0x04, 0x7C, 0x3A, 0x5E, 0x91, 0xAB, 0, 0, 0}));
        QCOMPARE(text(gb, "Result_a"), QStringLiteral(" 密码设置成功！ "));
        QVERIFY(screenshot(gb));
        console.reader->script(0x25, {1, {5}});
        click(epc, "Command2");
        QCOMPARE(text(epc, "result"), QStringLiteral(" 密码设置失败！ "));
    }

    void checkPasswordRequests() {
        QWidget* gb = screen(tags::gb(), "GB_TAG_Access_Key");
        QVERIFY(control<QRadioButton>(gb, "Read_Pwd")->isChecked());
        QVERIFY(!control<QRadioButton>(gb, "M_Tid")->isEnabled());
        tick(gb, "M_Safe");
        QCOMPARE(control<QRadioButton>(gb, "Read_Pwd")->text(), QStringLiteral("灭活口令"));
        QCOMPARE(control<QRadioButton>(gb, "Write_Pwd")->text(), QStringLiteral("锁定口令"));
        tick(gb, "Write_Pwd");
        click(gb, "Command1");
        QCOMPARE(console.sent(0x47), Bytes({0x02, 0x01}));
        QCOMPARE(text(gb, "Result"), QStringLiteral(" 密码校验成功！ "));
        QVERIFY(screenshot(gb));
        tick(gb, "M_User3");
        QCOMPARE(control<QRadioButton>(gb, "Write_Pwd")->text(), QStringLiteral("写入口令"));

        QWidget* gjb = screen(tags::gjb(), "GJB_TAG_Access_Key");
        tick(gjb, "Kill_Pwd");
        click(gjb, "Command1");
        QCOMPARE(console.sent(0x67), Bytes({0x03}));
        QCOMPARE(text(gjb, "Result"), QStringLiteral(" 密码校验成功！ "));
        QVERIFY(screenshot(gjb));
        // No password type chosen (the screen's own state; no click leaves it): code 0.
        control<QRadioButton>(gjb, "Kill_Pwd")->setChecked(false);
        click(gjb, "Command1");
        QCOMPARE(console.sent(0x67), Bytes({0x00}));

        // EPC tag 2's access password is not the reader's.
        wakeEpc(QStringLiteral("3000E2006811000000000002"));
        QWidget* epc = screen(tags::epc(), "EPC_TAG_Access_Key");
        click(epc, "Command1");
        QCOMPARE(text(epc, "result"), QStringLiteral(" 密码校验失败！ "));
        QVERIFY(screenshot(epc));
    }

    void changePasswordRequests() {
        QWidget* epc = screen(tags::epc(), "EPC_TAG_Edit_Key");
        QCOMPARE(text(epc, "Access_Password"), tags::kDefaultPassword);
        setText(epc, "Access_Password", "11");
        setText(epc, "Kill_Password", "22");
        click(epc, "Command2");
        QCOMPARE(console.sent(0x2F), Bytes({0x22, 0, 0, 0, 0x11, 0, 0, 0}));
        QCOMPARE(text(epc, "result"), QStringLiteral(" 密码设置成功！ "));
        QVERIFY(screenshot(epc));

        QWidget* gb = screen(tags::gb(), "GB_TAG_Edit_Pwd");
        QCOMPARE(text(gb, "Read_Pwd"), QString());
        tick(gb, "M_Safe");
        QCOMPARE(text(gb, "Label3"), QStringLiteral("灭活口令："));
        QCOMPARE(text(gb, "Label4"), QStringLiteral("锁定口令："));
        tick(gb, "M_User2");
        QCOMPARE(text(gb, "Label3"), QStringLiteral("读口令："));
        setText(gb, "Read_Pwd", "12");
        click(gb, "Command1");
        QCOMPARE(console.sent(0x4F), Bytes({0x04, 0, 0, 0, 0x12, 0, 0, 0, 0}));
        QCOMPARE(lines(gb, "result"), QStringList{" 写标签数据成功！ "});
        console.reader->script(0x4F, {2, {0x05}});
        click(gb, "Command1");
        console.reader->script(0x4F, {1, {0x05}});
        click(gb, "Command1");
        QCOMPARE(lines(gb, "result"),
                 QStringList({" 写标签数据成功！ ", " 写标签数据失败！ 错误代码=5", " 写标签数据失败！"}));
        QVERIFY(screenshot(gb));
        click(gb, "Command3");
        QCOMPARE(lines(gb, "result"), QStringList());

        QWidget* gjb = screen(tags::gjb(), "GJB_TAG_Edit_Pwd");
        setText(gjb, "Kill_Pwd", "BAD");
        setText(gjb, "Lock_Pwd", "1234567");
        click(gjb, "Command1");
        QCOMPARE(console.sent(0x6F), Bytes({0, 0, 0x0B, 0xAD, 0x01, 0x23, 0x45, 0x67, 0, 0, 0, 0, 0, 0, 0, 0}));
        QCOMPARE(lines(gjb, "result"), QStringList{" 写标签口令数据成功！ "});
        console.reader->script(0x6F, {2, {0x04}});
        click(gjb, "Command1");
        QCOMPARE(lines(gjb, "result").last(), QStringLiteral(" 写标签口令数据失败！ 错误代码=4"));
        QVERIFY(screenshot(gjb));
    }
};

QTEST_MAIN(TagAccessTest)
#include "tag_access_screens_test.moc"
