// The console against a simulated reader on a pseudo-terminal: the main window's link commands
// and button states, the device settings screen, the WriteNo dialog, and binding failures.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QtTest>

#include <memory>

#include "console/screens.h"
#include "console/shell/binding.h"
#include "console/shell/heron.h"
#include "sim_reader.h"

using namespace plover;
using plover::test::SimReader;

namespace {

const QStringList kNeedLink = {"lampa",         "Reseta",         "unlinka",        "Set_para", "Set_Tag",
                               "Set_Device",    "Set_GB",         "Set_GJB",        "PSAM_Command",
                               "GB_Cycle_Read", "GJB_Cycle_Read", "EPC_Cycle_Read", "Command1", "Command2"};
const QStringList kTestButtons = {"GB_Test", "GJB_Test", "EPC_Test"};
const QStringList kAlwaysEnabled = {"linka", "clear", "exita", "TCP_Conn", "Command3"};

QStringList lines(const QWidget* screen) {
    QStringList out;
    const auto* list = screen->findChild<QListWidget*>(QStringLiteral("List1"));
    for (int i = 0; list && i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

std::vector<std::uint8_t> v(std::initializer_list<int> values) {
    std::vector<std::uint8_t> out;
    for (int x : values) out.push_back(static_cast<std::uint8_t>(x));
    return out;
}

}  // namespace

class ConsoleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<SimReader> reader;
    std::unique_ptr<Binding> binding;
    std::unique_ptr<Heron> heron;
    QStringList problems;
    bool expectProblems = false;

    void makeConsole(QList<Binding::Candidate> library) {
        binding = std::make_unique<Binding>(std::move(library));
        binding->setProblemHandler([this](const QString& text) { problems << text; });
        heron = std::make_unique<Heron>(*binding);
        registerScreens(*heron);
        heron->show();
    }

    template <class T = QWidget>
    T* control(const QWidget* screen, const QString& name) {
        T* w = screen->findChild<T*>(name);
        if (!w) qFatal("no control %s", qPrintable(name));
        return w;
    }
    void click(const QWidget* screen, const QString& name) {
        QTest::mouseClick(control<QPushButton>(screen, name), Qt::LeftButton);
    }
    void setText(const QWidget* screen, const QString& name, const QString& text) {
        if (auto* c = screen->findChild<QComboBox*>(name))
            c->setCurrentText(text);
        else
            control<QLineEdit>(screen, name)->setText(text);
    }
    QString text(const QWidget* screen, const QString& name) {
        if (auto* c = screen->findChild<QComboBox*>(name)) return c->currentText();
        return control<QLineEdit>(screen, name)->text();
    }
    // What the reader last received with a command code; empty (and -1) when nothing.
    std::vector<std::uint8_t> dataOf(std::uint8_t command) {
        const auto r = reader->last(command);
        return r ? r->data : std::vector<std::uint8_t>{};
    }
    int addressOf(std::uint8_t command) {
        const auto r = reader->last(command);
        return r ? r->address : -1;
    }
    int readerNumber() {
        int n = -1;
        reader->withModel([&n](kestrel::sim::ReaderModel& m) { n = m.number(); });
        return n;
    }
    bool enabled(const QString& name) { return control<QPushButton>(heron.get(), name)->isEnabled(); }

    void connectCom1() {
        setText(heron.get(), "PORT", "COM1");
        click(heron.get(), "linka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接成功！"}));
    }
    QWidget* openDeviceSettings() {
        click(heron.get(), "Set_para");
        QWidget* s = heron->screens().find(QStringLiteral("set_Device_a"));
        if (!s) qFatal("device settings screen did not open");
        return s;
    }

private Q_SLOTS:
    void init() {
        reader = std::make_unique<SimReader>();
        QVERIFY2(reader->start(), reader->error().c_str());
        problems.clear();
        expectProblems = false;
        makeConsole({{QStringLiteral(KESTREL_LIBRARY_PATH), QStringLiteral("test")}});
    }
    void cleanup() {
        // Every export the screens call is bound, unless a test takes the library away.
        if (!expectProblems) QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        if (binding) binding->call(exports::UnLinkCom);
        heron.reset();
        binding.reset();
        reader.reset();
    }

    void startsWithDefaults() {
        QCOMPARE(heron->windowTitle(), QStringLiteral("Heron（UHF） 电子标签通用读写器应用程序（1.0）"));
        QCOMPARE(text(heron.get(), "pc_id"), QStringLiteral("FF"));
        QCOMPARE(text(heron.get(), "PORT"), QStringLiteral("USB"));
        QCOMPARE(text(heron.get(), "BaudRate"), QStringLiteral("9600"));
        QCOMPARE(control<QComboBox>(heron.get(), "PORT")->count(), 11);
        QCOMPARE(control<QComboBox>(heron.get(), "BaudRate")->itemText(4), QStringLiteral("115200"));
        for (const QString& b : kNeedLink + kAlwaysEnabled) QVERIFY2(enabled(b), qPrintable(b));
        for (const QString& b : kTestButtons) QVERIFY2(!enabled(b), qPrintable(b));
        QVERIFY(problems.isEmpty());
    }

    void connectsToCom1() {
        setText(heron.get(), "pc_id", "01");
        setText(heron.get(), "BaudRate", "115200");
        control<QListWidget>(heron.get(), "List1")->addItem("old");
        connectCom1();
        const auto probe = reader->last(0x00);
        QVERIFY(probe);
        QCOMPARE(int(probe->address), 1);
        for (const QString& b : kNeedLink + kAlwaysEnabled) QVERIFY2(enabled(b), qPrintable(b));
        for (const QString& b : kTestButtons) QVERIFY2(!enabled(b), qPrintable(b));
    }

    void usbWithoutReaderFails() {
        click(heron.get(), "linka");  // the default port is USB; no USB reader is attached
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接不成功！"}));
        for (const QString& b : kNeedLink + kTestButtons) QVERIFY2(!enabled(b), qPrintable(b));
        for (const QString& b : kAlwaysEnabled) QVERIFY2(enabled(b), qPrintable(b));
        QVERIFY(!reader->last(0x00));
    }

    void rateThatIsNoNumberConnectsNothing() {
        connectCom1();
        reader->clear();
        setText(heron.get(), "BaudRate", "96OO");
        click(heron.get(), "linka");
        const QStringList log = lines(heron.get());
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[2], QString());
        QVERIFY(log[3].contains("96OO"));
        QVERIFY(reader->received().empty());
        // The link that was open stays open and usable.
        QVERIFY(enabled("lampa"));
        click(heron.get(), "lampa");
        QVERIFY(reader->last(0x04));
    }

    void lampResetAndDisconnect() {
        connectCom1();
        click(heron.get(), "lampa");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 驱动LED和蜂鸣器成功！(请等动作完成后再作下一个操作) "}));
        QCOMPARE(dataOf(0x04), v({7, 20, 20, 3}));
        QCOMPARE(addressOf(0x04), 0xFF);

        reader->refuseAlarm();  // the failure is appended
        click(heron.get(), "lampa");
        QCOMPARE(lines(heron.get()),
                 QStringList({" ", " 驱动LED和蜂鸣器成功！(请等动作完成后再作下一个操作) ", "", " 驱动LED和蜂鸣器失败！"}));

        click(heron.get(), "Reseta");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 机器复位成功！请等待机器重启后再作其他功能. "}));
        QVERIFY(reader->last(0x02));

        click(heron.get(), "unlinka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 断开联接成功！"}));
        for (const QString& b : kNeedLink + kTestButtons) QVERIFY2(!enabled(b), qPrintable(b));
        for (const QString& b : kAlwaysEnabled) QVERIFY2(enabled(b), qPrintable(b));

        click(heron.get(), "clear");
        QVERIFY(lines(heron.get()).isEmpty());
        // Disconnecting with no link open says the same.
        click(heron.get(), "linka");
        click(heron.get(), "unlinka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 断开联接成功！"}));
    }

    void resetFailureAppends() {
        connectCom1();
        setText(heron.get(), "pc_id", "02");  // no reader answers at 02
        click(heron.get(), "Reseta");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接成功！", "", " 机器复位失败！"}));
    }

    void exitClosesTheLinkAndTheScreens() {
        connectCom1();
        QPointer<QWidget> settings = openDeviceSettings();
        click(heron.get(), "exita");
        QVERIFY(!heron->isVisible());
        QVERIFY(!settings || !settings->isVisible());
        // The link is closed: a command now fails without reaching the reader.
        reader->clear();
        QVERIFY(binding->call(exports::ALARM, 0xFF, 7, 20, 20, 3) != 0);
        QVERIFY(reader->received().empty());
    }

    void deviceSettingsLoadsFromTheMainWindow() {
        setText(heron.get(), "pc_id", "01");
        setText(heron.get(), "PORT", "COM3");
        setText(heron.get(), "BaudRate", "38400");
        QWidget* s = openDeviceSettings();
        QCOMPARE(s->windowTitle(), QStringLiteral("Heron（UHF） 电子标签通用读写器应用程序（1.0）"));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("01"));
        QCOMPARE(text(s, "PORT"), QStringLiteral("COM3"));
        QCOMPARE(text(s, "BaudRate"), QStringLiteral("38400"));
        QCOMPARE(control<QComboBox>(s, "PORT")->itemText(0), QStringLiteral("COM1"));
        QCOMPARE(control<QComboBox>(s, "PORT")->count(), 10);
        // Single instance: opening again shows the same screen with its contents.
        control<QListWidget>(s, "List1")->addItem("kept");
        QCOMPARE(openDeviceSettings(), s);
        QCOMPARE(lines(s), QStringList({"kept"}));
        // Closing discards it; opening again loads it afresh.
        setText(heron.get(), "pc_id", "7F");
        click(s, "EXIT");
        QWidget* again = openDeviceSettings();
        QVERIFY(lines(again).isEmpty());
        QCOMPARE(text(again, "pc_id"), QStringLiteral("7F"));
    }

    void deviceSettingsCommands() {
        connectCom1();
        QWidget* s = openDeviceSettings();
        setText(s, "pc_id", "1");  // the screen's own address, not the main window's FF
        click(s, "Lamp_Control");
        QCOMPARE(lines(s), QStringList({" ", " 驱动LED和蜂鸣器成功！(请等动作完成后再作下一个操作) "}));
        QCOMPARE(addressOf(0x04), 1);
        QCOMPARE(dataOf(0x04), v({7, 20, 20, 3}));

        click(s, "Device_Reset");
        QCOMPARE(lines(s), QStringList({" ", " 机器复位成功！请等待机器重启后再作其他功能. "}));
        QCOMPARE(addressOf(0x02), 1);

        click(s, "Restore_Factory");
        QCOMPARE(lines(s), QStringList({" ", " 机器恢复出厂初始参数成功！请等待机器重启后再作其他功能. "}));
        QCOMPARE(addressOf(0x01), 1);

        click(s, "Read_Device_Info");
        const QString info = QStringLiteral("读写器设备厂商信息= Heron UHF Reader V1.00");
        QCOMPARE(lines(s), QStringList({" ", " 读设备信息符成功！ ", info}));
        QCOMPARE(info.size(), 10 + 1 + 22);
        // A zero byte ends the text shown.
        reader->withModel([](kestrel::sim::ReaderModel& m) {
            m.settings.identity.fill('Z');
            m.settings.identity[2] = 0;
        });
        click(s, "Read_Device_Info");
        QCOMPARE(lines(s).last(), QStringLiteral("读写器设备厂商信息= ZZ"));

        click(s, "clear");
        QVERIFY(lines(s).isEmpty());
    }

    void readDeviceNumberUpdatesBothAddresses() {
        reader->withModel([](kestrel::sim::ReaderModel& m) { m.set_number(0x0A); });
        connectCom1();  // broadcast address FF reaches it
        QWidget* s = openDeviceSettings();
        click(s, "Read_Device_No");
        QCOMPARE(lines(s), QStringList({" ", " 读模块编号成功！ ", " 模块编号=A"}));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("A"));
        QCOMPARE(text(heron.get(), "pc_id"), QStringLiteral("A"));
        // Later commands address the reader by that number.
        click(heron.get(), "lampa");
        QCOMPARE(addressOf(0x04), 0x0A);
    }

    void baudRateCodes_data() {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("code");
        QTest::newRow("19200") << "19200" << 0;
        QTest::newRow("38400") << "38400" << 1;
        QTest::newRow("57600") << "57600" << 2;
        QTest::newRow("9600") << "9600" << 3;
        QTest::newRow("115200") << "115200" << 4;
        QTest::newRow("unlisted") << "4800" << 3;
    }
    void baudRateCodes() {
        QFETCH(QString, rate);
        QFETCH(int, code);
        connectCom1();
        QWidget* s = openDeviceSettings();
        setText(s, "BaudRate", rate);
        click(s, "Set_BaudRate");
        QCOMPARE(lines(s), QStringList({" ", " 读置波特率成功,请重新用新的波特率联接！ "}));
        QCOMPARE(dataOf(0x03), v({code}));
        int stored = -1;
        reader->withModel([&stored](kestrel::sim::ReaderModel& m) { stored = m.settings.baud_code; });
        QCOMPARE(stored, code);
    }

    void baudRateThatIsNoNumber() {
        connectCom1();
        QWidget* s = openDeviceSettings();
        control<QListWidget>(s, "List1")->addItem("old");
        setText(s, "BaudRate", "fast");
        click(s, "Set_BaudRate");
        QCOMPARE(lines(s), QStringList({"old", " 设置波特率失败！"}));
        QVERIFY(!reader->last(0x03));
    }

    void deviceSettingsFailuresAppend() {
        QWidget* s = openDeviceSettings();  // opened with no link: every command fails
        control<QListWidget>(s, "List1")->addItem("old");
        click(s, "Read_Device_Info");
        click(s, "Read_Device_No");
        click(s, "Restore_Factory");
        QCOMPARE(lines(s), QStringList({"old", "", " 读设备厂商信息失败！", "", " 读模块编号失败！", "",
                                        " 机器恢复出厂初始参数失败！"}));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("FF"));
        QVERIFY(reader->received().empty());
    }

    void writeNumberDialog() {
        connectCom1();
        QWidget* s = openDeviceSettings();
        setText(s, "pc_id", "01");
        click(s, "Set_Device_No");
        auto* dialog = s->findChild<QWidget*>(QStringLiteral("WriteNo"));
        QVERIFY(dialog && dialog->isVisible());
        QVERIFY(dialog->isModal());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("写设备编号"));
        QCOMPARE(text(dialog, "old_id"), QStringLiteral("01"));
        QCOMPARE(text(dialog, "new_id"), QString());
        QTest::keyClicks(control(dialog, "new_id"), QStringLiteral("0xA"));  // the x is not let through
        QCOMPARE(text(dialog, "new_id"), QStringLiteral("0A"));
        QPointer<QWidget> guard = dialog;
        click(dialog, "Command1");
        QVERIFY(!guard || !guard->isVisible());
        const auto write = reader->last(0x06);
        QVERIFY(write);
        QCOMPARE(int(write->address), 1);
        QCOMPARE(write->data, v({0x0A}));
        QCOMPARE(lines(s), QStringList({" ", " 写模块成功！ ", " 模块编号=A"}));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("A"));
        QCOMPARE(text(heron.get(), "pc_id"), QStringLiteral("A"));
        QCOMPARE(readerNumber(), 0x0A);
        // The reader now answers at its new number.
        click(s, "Read_Device_No");
        QCOMPARE(lines(s).last(), QStringLiteral(" 模块编号=A"));
    }

    void writeNumberDialogFailureAndEmptyNumber() {
        QWidget* s = openDeviceSettings();  // no link
        click(s, "Set_Device_No");
        auto* dialog = s->findChild<QWidget*>(QStringLiteral("WriteNo"));
        QVERIFY(dialog);
        QPointer<QWidget> guard = dialog;
        click(dialog, "Command1");
        QVERIFY(!guard || !guard->isVisible());
        QCOMPARE(lines(s), QStringList({"", " 写模块编号失败！"}));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("FF"));

        connectCom1();
        click(s, "Set_Device_No");
        dialog = s->findChildren<QWidget*>(QStringLiteral("WriteNo")).last();
        click(dialog, "Command1");  // an empty new number sends 0
        QCOMPARE(dataOf(0x06), v({0}));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("0"));
        QCOMPARE(text(heron.get(), "pc_id"), QStringLiteral("0"));
    }

    void missingExportLeavesTheConsoleUsable() {
        heron.reset();
        makeConsole({{QStringLiteral(PARTIAL_LIBRARY_PATH), QStringLiteral("test")}});
        connectCom1();  // this library has LinkCom and UnLinkCom only
        QVERIFY(problems.isEmpty());
        click(heron.get(), "lampa");
        QCOMPARE(problems.size(), 1);
        QVERIFY2(problems[0].contains("ALARM"), qPrintable(problems[0]));
        QVERIFY2(problems[0].contains(QStringLiteral(PARTIAL_LIBRARY_PATH)), qPrintable(problems[0]));
        QCOMPARE(lines(heron.get()).last(), QStringLiteral(" 驱动LED和蜂鸣器失败！"));
        click(heron.get(), "unlinka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 断开联接成功！"}));
        expectProblems = true;
    }

    void missingLibraryLeavesTheConsoleUsable() {
        heron.reset();
        makeConsole({{QStringLiteral("/nonexistent/libkestrel.so"), QStringLiteral("test")}});
        setText(heron.get(), "PORT", "COM1");
        click(heron.get(), "linka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接不成功！"}));
        QVERIFY(!problems.isEmpty());
        QVERIFY2(problems[0].contains("/nonexistent/libkestrel.so"), qPrintable(problems[0]));
        QVERIFY2(problems[0].contains("KESTREL_LIBRARY"), qPrintable(problems[0]));
        click(heron.get(), "clear");
        QVERIFY(lines(heron.get()).isEmpty());
        // The library is looked for again at the next command.
        click(heron.get(), "linka");
        QCOMPARE(problems.size(), 2);
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接不成功！"}));
        expectProblems = true;
    }
};

QTEST_MAIN(ConsoleTest)
#include "console_test.moc"
