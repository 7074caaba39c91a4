// The console against the simulated reader on a pseudo-terminal: the main window's link commands
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
#include "console/shell/main_window.h"
#include "sim_reader.h"

using namespace plover;
using kestrel::sim::ReaderModel;
using Bytes = std::vector<std::uint8_t>;

namespace {
const QStringList kNeedLink = {"lampa",         "Reseta",         "unlinka",        "Set_para", "Set_Tag",
                               "Set_Device",    "Set_GB",         "Set_GJB",        "PSAM_Command",
                               "GB_Cycle_Read", "GJB_Cycle_Read", "EPC_Cycle_Read", "Command1", "Command2"};
const QStringList kTestButtons = {"GB_Test", "GJB_Test", "EPC_Test"};
const QStringList kAlwaysEnabled = {"linka", "clear", "exita", "TCP_Conn", "Command3"};
const QString kLampDone = " 驱动LED和蜂鸣器成功！(请等动作完成后再作下一个操作) ";
}  // namespace

class ConsoleTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::SimReader> reader;
    std::unique_ptr<Binding> binding;
    std::unique_ptr<MainWindow> heron;
    QStringList problems;
    bool expectProblems = false;

    void makeConsole(const QString& library) {
        heron.reset();
        binding = std::make_unique<Binding>(QList<Binding::Candidate>{{library, "test"}});
        binding->setProblemHandler([this](const QString& text) { problems << text; });
        heron = std::make_unique<MainWindow>(*binding);
        registerScreens(*heron);
        heron->show();
    }
    template <class T = QWidget>
    static T* control(const QWidget* screen, const QString& name) {
        T* w = screen->findChild<T*>(name);
        if (!w) qFatal("no control %s", qPrintable(name));
        return w;
    }
    static void click(const QWidget* screen, const QString& name) {
        QTest::mouseClick(control<QPushButton>(screen, name), Qt::LeftButton);
    }
    static void setText(const QWidget* screen, const QString& name, const QString& text) {
        if (auto* c = screen->findChild<QComboBox*>(name)) return c->setCurrentText(text);
        control<QLineEdit>(screen, name)->setText(text);
    }
    static QString text(const QWidget* screen, const QString& name) {
        if (auto* c = screen->findChild<QComboBox*>(name)) return c->currentText();
        return control<QLineEdit>(screen, name)->text();
    }
    static QStringList lines(const QWidget* screen) {
        QStringList out;
        const auto* list = control<QListWidget>(screen, "List1");
        for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
        return out;
    }
    // The buttons enabled now, among those whose state the link changes.
    QStringList enabledButtons() {
        QStringList on;
        for (const QString& b : kNeedLink + kTestButtons + kAlwaysEnabled)
            if (control<QPushButton>(heron.get(), b)->isEnabled()) on << b;
        return on;
    }
    Bytes dataOf(std::uint8_t command) {
        const auto r = reader->last(command);
        return r ? r->data : Bytes{0xEE, 0xEE};
    }
    int addressOf(std::uint8_t command) {
        const auto r = reader->last(command);
        return r ? r->address : -1;
    }
    void connectCom1() {
        setText(heron.get(), "PORT", "COM1");
        click(heron.get(), "linka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接成功！"}));
    }
    QWidget* openDeviceSettings() {
        click(heron.get(), "Set_para");
        QWidget* s = heron->screens().find("set_Device_a");
        if (!s) qFatal("device settings screen did not open");
        return s;
    }

private Q_SLOTS:
    void init() {
        reader = std::make_unique<test::SimReader>();
        QVERIFY2(reader->start(), reader->error().c_str());
        problems.clear();
        expectProblems = false;
        makeConsole(KESTREL_LIBRARY_PATH);
    }
    void cleanup() {
        // Every export the screens call is bound, unless a test takes the library away.
        if (!expectProblems) QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
        if (binding && binding->isLoaded()) binding->call(exports::UnLinkCom);
        heron.reset();
        binding.reset();
        reader.reset();
    }

    void connectsToCom1() {
        QCOMPARE(heron->windowTitle(), QStringLiteral("Heron（UHF） 电子标签通用读写器应用程序（1.0）"));
        QCOMPARE(text(heron.get(), "pc_id") + text(heron.get(), "PORT") + text(heron.get(), "BaudRate"),
                 QStringLiteral("FFUSB9600"));
        QCOMPARE(enabledButtons(), kNeedLink + kAlwaysEnabled);
        setText(heron.get(), "pc_id", "01");
        setText(heron.get(), "BaudRate", "115200");
        control<QListWidget>(heron.get(), "List1")->addItem("old");
        connectCom1();
        QCOMPARE(addressOf(0x00), 1);
        QCOMPARE(enabledButtons(), kNeedLink + kAlwaysEnabled);  // the test buttons stay disabled
    }

    // The port text is compared exactly: typed in lower case (and confirmed with Enter), com3 is
    // no port name, so the link goes to COM1, where the reader is.
    void lowerCasePortTextLinksCom1() {
        QLineEdit* port = control<QComboBox>(heron.get(), "PORT")->lineEdit();
        port->selectAll();
        QTest::keyClicks(port, "com3");
        QTest::keyClick(port, Qt::Key_Return);
        QCOMPARE(text(heron.get(), "PORT"), QStringLiteral("com3"));
        click(heron.get(), "linka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接成功！"}));
    }

    void usbWithoutReaderFails() {
        click(heron.get(), "linka");  // the default port is USB, and no USB reader is attached
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接不成功！"}));
        QCOMPARE(enabledButtons(), kAlwaysEnabled);
        QCOMPARE(reader->count(), 0u);
    }

    void rateThatIsNoNumberConnectsNothing() {
        connectCom1();
        const std::size_t before = reader->count();
        setText(heron.get(), "BaudRate", "96OO");
        click(heron.get(), "linka");
        const QStringList log = lines(heron.get());
        QCOMPARE(log.size(), 4);
        QCOMPARE(log[2], QString());
        QVERIFY(log[3].contains("96OO"));
        QCOMPARE(reader->count(), before);
        click(heron.get(), "lampa");  // the link that was open stays open
        QCOMPARE(lines(heron.get()), QStringList({" ", kLampDone}));
    }

    void lampResetAndDisconnect() {
        connectCom1();
        click(heron.get(), "lampa");
        QCOMPARE(lines(heron.get()), QStringList({" ", kLampDone}));
        QCOMPARE(dataOf(0x04), Bytes({7, 20, 20, 3}));
        QCOMPARE(addressOf(0x04), 0xFF);
        reader->withModel([](ReaderModel& m) {  // a reader that refuses: the failure is appended
            m.on(0x04, [](ReaderModel&, const kestrel::sim::Request&) { return kestrel::sim::Reply{6, {}}; });
        });
        click(heron.get(), "lampa");
        QCOMPARE(lines(heron.get()), QStringList({" ", kLampDone, "", " 驱动LED和蜂鸣器失败！"}));
        click(heron.get(), "Reseta");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 机器复位成功！请等待机器重启后再作其他功能. "}));
        QCOMPARE(addressOf(0x02), 0xFF);
        click(heron.get(), "unlinka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 断开联接成功！"}));
        QCOMPARE(enabledButtons(), kAlwaysEnabled);
        click(heron.get(), "clear");
        QVERIFY(lines(heron.get()).isEmpty());
    }

    void exitClosesTheLinkAndTheScreens() {
        connectCom1();
        QPointer<QWidget> settings = openDeviceSettings();
        click(heron.get(), "exita");
        QVERIFY(!heron->isVisible());
        QVERIFY(!settings || !settings->isVisible());
        QCOMPARE(binding->call(exports::ALARM, 0xFF, 7, 20, 20, 3), 225);  // no serial link open
    }

    void deviceSettingsLoadAndReopen() {
        setText(heron.get(), "pc_id", "01");
        setText(heron.get(), "PORT", "COM3");
        setText(heron.get(), "BaudRate", "38400");
        QWidget* s = openDeviceSettings();
        QCOMPARE(s->windowTitle(), QStringLiteral("Heron（UHF） 电子标签通用读写器应用程序（1.0）"));
        QCOMPARE(text(s, "pc_id") + text(s, "PORT") + text(s, "BaudRate"), QStringLiteral("01COM338400"));
        QCOMPARE(control<QComboBox>(s, "PORT")->count(), 10);  // COM1 to COM10, no USB
        control<QListWidget>(s, "List1")->addItem("kept");
        QCOMPARE(openDeviceSettings(), s);  // one instance, contents kept
        QCOMPARE(lines(s), QStringList({"kept"}));
        setText(heron.get(), "pc_id", "7F");
        click(s, "EXIT");
        QWidget* again = openDeviceSettings();  // closing discarded it: loaded afresh
        QVERIFY(lines(again).isEmpty());
        QCOMPARE(text(again, "pc_id"), QStringLiteral("7F"));
    }

    void deviceSettingsCommands() {
        connectCom1();
        QWidget* s = openDeviceSettings();
        setText(s, "pc_id", "1");  // the screen's own address, not the main window's FF
        click(s, "Lamp_Control");
        QCOMPARE(lines(s), QStringList({" ", kLampDone}));
        QCOMPARE(addressOf(0x04), 1);
        QCOMPARE(dataOf(0x04), Bytes({7, 20, 20, 3}));
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
        reader->withModel([](ReaderModel& m) {  // a zero byte ends the text shown
            m.settings.identity.fill('Z');
            m.settings.identity[2] = 0;
        });
        click(s, "Read_Device_Info");
        QCOMPARE(lines(s).last(), QStringLiteral("读写器设备厂商信息= ZZ"));
        click(s, "clear");
        QVERIFY(lines(s).isEmpty());
    }

    void readDeviceNumberUpdatesBothAddresses() {
        reader->withModel([](ReaderModel& m) { m.set_number(0x0A); });
        connectCom1();  // at the broadcast address FF
        QWidget* s = openDeviceSettings();
        click(s, "Read_Device_No");
        QCOMPARE(lines(s), QStringList({" ", " 读模块编号成功！ ", " 模块编号=A"}));
        QCOMPARE(text(s, "pc_id") + "," + text(heron.get(), "pc_id"), QStringLiteral("A,A"));
        click(heron.get(), "lampa");  // later commands address the reader by that number
        QCOMPARE(addressOf(0x04), 0x0A);
    }

    void baudRateCodes_data() {
        QTest::addColumn<QString>("rate");
        QTest::addColumn<int>("code");
        for (auto [rate, code] : {std::pair{"19200", 0}, {"38400", 1}, {"57600", 2}, {"9600", 3}, {"115200", 4},
                                  {"4800", 3}})
            QTest::newRow(rate) << QString(rate) << code;
    }
    void baudRateCodes() {
        QFETCH(QString, rate);
        QFETCH(int, code);
        connectCom1();
        QWidget* s = openDeviceSettings();
        setText(s, "BaudRate", rate);
        click(s, "Set_BaudRate");
        QCOMPARE(lines(s), QStringList({" ", " 读置波特率成功,请重新用新的波特率联接！ "}));
        QCOMPARE(dataOf(0x03), Bytes({std::uint8_t(code)}));
        int stored = -1;
        reader->withModel([&stored](ReaderModel& m) { stored = m.settings.baud_code; });
        QCOMPARE(stored, code);
    }

    void deviceSettingsFailuresAppend() {
        QWidget* s = openDeviceSettings();  // opened with no link: every command fails
        control<QListWidget>(s, "List1")->addItem("old");
        setText(s, "BaudRate", "fast");
        click(s, "Set_BaudRate");  // not a number: one line, nothing sent
        click(s, "Read_Device_Info");
        click(s, "Read_Device_No");
        click(s, "Restore_Factory");
        QCOMPARE(lines(s), QStringList({"old", " 设置波特率失败！", "", " 读设备厂商信息失败！", "",
                                        " 读模块编号失败！", "", " 机器恢复出厂初始参数失败！"}));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("FF"));
        QCOMPARE(reader->count(), 0u);
    }

    void writeNumberDialog() {
        connectCom1();
        QWidget* s = openDeviceSettings();
        setText(s, "pc_id", "01");
        click(s, "Set_Device_No");
        QPointer<QWidget> dialog = s->findChild<QWidget*>("WriteNo");
        QVERIFY(dialog && dialog->isVisible() && dialog->isModal());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("写设备编号"));
        QCOMPARE(text(dialog, "old_id") + "," + text(dialog, "new_id"), QStringLiteral("01,"));
        QTest::keyClicks(control(dialog, "new_id"), "0xA");  // the x is not let through
        click(dialog, "Command1");
        QVERIFY(!dialog || !dialog->isVisible());
        QCOMPARE(addressOf(0x06), 1);
        QCOMPARE(dataOf(0x06), Bytes({0x0A}));
        QCOMPARE(lines(s), QStringList({" ", " 写模块成功！ ", " 模块编号=A"}));
        QCOMPARE(text(s, "pc_id") + "," + text(heron.get(), "pc_id"), QStringLiteral("A,A"));
        click(s, "Read_Device_No");  // the reader answers at its new number
        QCOMPARE(addressOf(0x07), 0x0A);
        QCOMPARE(lines(s).last(), QStringLiteral(" 模块编号=A"));
        click(s, "Set_Device_No");  // opened again: loaded afresh, with the new number as present one
        QWidget* again = s->findChildren<QWidget*>("WriteNo").last();
        QVERIFY(again != dialog && again->isVisible());
        QCOMPARE(text(again, "old_id") + "," + text(again, "new_id"), QStringLiteral("A,"));
        click(again, "Command2");
        QVERIFY(!again->isVisible());
    }

    void writeNumberDialogFailureAndEmptyNumber() {
        QWidget* s = openDeviceSettings();  // no link: the failure goes to the screen's log
        click(s, "Set_Device_No");
        QPointer<QWidget> dialog = s->findChild<QWidget*>("WriteNo");
        click(dialog, "Command1");
        QVERIFY(!dialog || !dialog->isVisible());
        QCOMPARE(lines(s), QStringList({"", " 写模块编号失败！"}));
        QCOMPARE(text(s, "pc_id"), QStringLiteral("FF"));
        connectCom1();
        click(s, "Set_Device_No");
        click(s->findChildren<QWidget*>("WriteNo").last(), "Command1");  // empty new number: 0
        QCOMPARE(dataOf(0x06), Bytes({0}));
        QCOMPARE(text(s, "pc_id") + "," + text(heron.get(), "pc_id"), QStringLiteral("0,0"));
    }

    void missingExportLeavesTheConsoleUsable() {
        expectProblems = true;
        makeConsole(PARTIAL_LIBRARY_PATH);  // a library with LinkCom and UnLinkCom only
        connectCom1();
        QVERIFY(problems.isEmpty());
        click(heron.get(), "lampa");
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems[0].contains("ALARM") && problems[0].contains(PARTIAL_LIBRARY_PATH));
        QCOMPARE(lines(heron.get()).last(), QStringLiteral(" 驱动LED和蜂鸣器失败！"));
        click(heron.get(), "unlinka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 断开联接成功！"}));
    }

    // Each command shows its window's busy pointer while the library works (here: while the
    // missing library is reported) and the default pointer once it is done.
    void commandsRunUnderTheBusyPointer() {
        expectProblems = true;
        makeConsole("/nonexistent/libkestrel.so");
        QStringList busy;
        binding->setProblemHandler([&busy](const QString&) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (w->isVisible() && w->cursor().shape() == Qt::WaitCursor)
                    busy << w->objectName();
        });
        QWidget* s = openDeviceSettings();
        const std::pair<QWidget*, const char*> commands[] = {
            {heron.get(), "lampa"},    {heron.get(), "Reseta"},    {heron.get(), "linka"},
            {s, "Lamp_Control"},       {s, "Device_Reset"},        {s, "Restore_Factory"},
            {s, "Read_Device_Info"},   {s, "Read_Device_No"},      {s, "Set_BaudRate"}};
        for (auto [window, button] : commands) {
            busy.clear();
            click(window, button);
            QCOMPARE(busy, QStringList({window->objectName()}));
            QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);
        }
        busy.clear();
        click(s, "Set_Device_No");
        click(s->findChild<QWidget*>("WriteNo"), "Command1");
        QCOMPARE(busy, QStringList({"WriteNo"}));
    }

    void missingLibraryLeavesTheConsoleUsable() {
        expectProblems = true;
        makeConsole("/nonexistent/libkestrel.so");
        setText(heron.get(), "PORT", "COM1");
        click(heron.get(), "linka");
        QCOMPARE(lines(heron.get()), QStringList({" ", " 设备联接不成功！"}));
        QCOMPARE(problems.size(), 1);
        QVERIFY(problems[0].contains("/nonexistent/libkestrel.so") && problems[0].contains("KESTREL_LIBRARY"));
        click(heron.get(), "clear");
        QVERIFY(lines(heron.get()).isEmpty());
        click(heron.get(), "linka");  // looked for again at the next command
        QCOMPARE(problems.size(), 2);
    }
};

QTEST_MAIN(ConsoleTest)
#include "console_test.moc"
