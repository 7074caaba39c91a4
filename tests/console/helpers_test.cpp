// The console's shared conventions: hex parsing and text forms, the key filter, port and rate
// codes, the log rules and the screen registry.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QtTest>

#include "console/config/device_settings.h"
#include "console/shell/conventions.h"
#include "console/shell/heron.h"
#include "console/shell/hex.h"
#include "console/shell/screen_registry.h"

using namespace plover;

namespace {
QByteArray bytes(std::initializer_list<int> values) {
    QByteArray b;
    for (int v : values) b.append(static_cast<char>(v));
    return b;
}
}  // namespace

class HelpersTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void hexByte_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");
        QTest::newRow("upper") << "1F" << 31;
        QTest::newRow("lower") << "ab" << 171;
        QTest::newRow("digit then space") << "f " << 15;
        QTest::newRow("two spaces") << "  " << 0;
        QTest::newRow("non-hex first") << "G1" << 0;
        QTest::newRow("non-hex second") << "1G" << 1;
        QTest::newRow("space first") << " 1" << 0;
        QTest::newRow("single") << "7" << 7;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("only two read") << "123" << 0x12;
        QTest::newRow("max") << "FF" << 255;
    }
    void hexByte() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(int(hex::byteOf(text)), value);
    }

    void readerAddress_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("address");
        QTest::newRow("FF") << "FF" << 255;
        QTest::newRow("single 1") << "1" << 1;
        QTest::newRow("empty") << "" << 0;
        QTest::newRow("0") << "0" << 0;
        QTest::newRow("7F") << "7F" << 127;
        QTest::newRow("lower f") << "f" << 15;
        QTest::newRow("A") << "A" << 10;
        QTest::newRow("pasted long") << "01FF" << 1;
        QTest::newRow("pasted junk") << "Z9" << 0;
    }
    void readerAddress() {
        QFETCH(QString, text);
        QFETCH(int, address);
        QCOMPARE(int(hex::readerAddress(text)), address);
    }

    void rightAligned_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("short") << "3" << 2 << bytes({0x00, 0x03});
        QTest::newRow("five digits") << "12345" << 2 << bytes({0x23, 0x45});
        QTest::newRow("A to E") << "ABCDE" << 2 << bytes({0xBC, 0xDE});
        QTest::newRow("empty 2") << "" << 2 << bytes({0x00, 0x00});
        QTest::newRow("empty 1") << "" << 1 << bytes({0x00});
        QTest::newRow("lower") << "a" << 1 << bytes({0x0A});
        QTest::newRow("odd length") << "123" << 2 << bytes({0x01, 0x23});
        QTest::newRow("trailing junk stops a pair") << "1G" << 1 << bytes({0x01});
        QTest::newRow("zero count") << "12" << 0 << QByteArray();
    }
    void rightAligned() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(QByteArray, expected);
        QCOMPARE(hex::rightAligned(text, count), expected);
    }

    void leftAligned_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<QChar>("pad");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("F pad") << "1234" << 8 << QChar('F')
                               << bytes({0x12, 0x34, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF});
        QTest::newRow("0 pad odd") << "123" << 3 << QChar('0') << bytes({0x12, 0x30, 0x00});
        QTest::newRow("empty F") << "" << 2 << QChar('F') << bytes({0xFF, 0xFF});
        QTest::newRow("over-long") << "11223344" << 2 << QChar('0') << bytes({0x11, 0x22});
        QTest::newRow("lower") << "abcd" << 2 << QChar('0') << bytes({0xAB, 0xCD});
        QTest::newRow("leading spaces trimmed") << "  12" << 2 << QChar('0') << bytes({0x12, 0x00});
        QTest::newRow("inner space stops a pair") << "1 23" << 2 << QChar('0') << bytes({0x01, 0x23});
    }
    void leftAligned() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(QChar, pad);
        QFETCH(QByteArray, expected);
        QCOMPARE(hex::leftAligned(text, count, pad), expected);
    }

    void textForms() {
        QCOMPARE(hex::byteText(0), QStringLiteral("00"));
        QCOMPARE(hex::byteText(171), QStringLiteral("AB"));
        QCOMPARE(hex::byteText(0x0A), QStringLiteral("0A"));
        QCOMPARE(hex::numberText(5), QStringLiteral("5"));
        QCOMPARE(hex::numberText(0x1F), QStringLiteral("1F"));
        QCOMPARE(hex::numberText(0), QStringLiteral("0"));
        const std::uint8_t run[] = {0x0A, 0x1B};
        QCOMPARE(hex::logBytes(run), QStringLiteral(" 0A 1B"));
        QCOMPARE(hex::fieldBytes(run), QStringLiteral("0A1B"));
        QCOMPARE(hex::logBytes({}), QString());
    }

    void decimalNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");  // -1: no number
        QTest::newRow("9600") << "9600" << 9600;
        QTest::newRow("spaces") << " 115200 " << 115200;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("letters") << "96OO" << -1;
        QTest::newRow("hex-ish") << "0x2580" << -1;
        QTest::newRow("negative") << "-9600" << -1;
        QTest::newRow("too big") << "99999999999" << -1;
        QTest::newRow("int max") << "2147483647" << 2147483647;
        QTest::newRow("just over") << "2147483648" << -1;
    }
    void decimalNumber() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(hex::decimalNumber(text).value_or(-1), value);
    }

    void leadingDigit() {
        QCOMPARE(hex::leadingDigit(QStringLiteral("2--WIG 34")).value_or(-1), 2);
        QCOMPARE(hex::leadingDigit(QStringLiteral("WIG")).value_or(-1), -1);
        QCOMPARE(hex::leadingDigit(QString()).value_or(-1), -1);
        QCOMPARE(hex::leadingDigit(QStringLiteral("٣")).value_or(-1), -1);  // a digit, but not 0-9
    }

    void portIndex_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("index");
        QTest::newRow("USB") << "USB" << 32;
        QTest::newRow("COM1") << "COM1" << 0;
        QTest::newRow("COM9") << "COM9" << 8;
        QTest::newRow("COM10") << "COM10" << 9;
        QTest::newRow("lower com1") << "com1" << 0;
        QTest::newRow("lower usb") << "usb" << 0;
        QTest::newRow("COM11") << "COM11" << 0;
        QTest::newRow("COM0") << "COM0" << 0;
        QTest::newRow("empty") << "" << 0;
    }
    void portIndex() {
        QFETCH(QString, text);
        QFETCH(int, index);
        QCOMPARE(Heron::portIndex(text), index);
    }

    void rateCode_data() {
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("code");
        QTest::newRow("19200") << 19200 << 0;
        QTest::newRow("38400") << 38400 << 1;
        QTest::newRow("57600") << 57600 << 2;
        QTest::newRow("9600") << 9600 << 3;
        QTest::newRow("115200") << 115200 << 4;
        QTest::newRow("unlisted") << 4800 << 3;
        QTest::newRow("zero") << 0 << 3;
    }
    void rateCode() {
        QFETCH(int, rate);
        QFETCH(int, code);
        QCOMPARE(DeviceSettingsScreen::rateCode(rate), code);
    }

    // Typed keys: hex digits (either case) and Backspace reach the field, nothing else does.
    void keyFilter() {
        QLineEdit field;
        HexKeyFilter::install(&field);
        QTest::keyClicks(&field, QStringLiteral("g -.zA"));
        QCOMPARE(field.text(), QStringLiteral("A"));
        QTest::keyClick(&field, Qt::Key_Return);
        QTest::keyClick(&field, Qt::Key_Space);
        QTest::keyClicks(&field, QStringLiteral("a9"));
        QCOMPARE(field.text(), QStringLiteral("Aa9"));
        QCOMPARE(int(hex::readerAddress(field.text().right(2))), 0xA9);
        QTest::keyClick(&field, Qt::Key_Backspace);
        QCOMPARE(field.text(), QStringLiteral("Aa"));
        QTest::keyClick(&field, Qt::Key_Left);  // keys that type nothing still move the cursor
        QCOMPARE(field.cursorPosition(), 1);

        QComboBox combo;
        combo.setEditable(true);
        HexKeyFilter::install(&combo);
        QTest::keyClicks(combo.lineEdit(), QStringLiteral("x1y2"));
        QCOMPARE(combo.currentText(), QStringLiteral("12"));
    }

    void logRules() {
        QListWidget list;
        list.addItem(QStringLiteral("old"));
        log::failure(&list, QStringLiteral(" 失败！"));
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.item(0)->text(), QStringLiteral("old"));
        QCOMPARE(list.item(1)->text(), QString());
        QCOMPARE(list.item(2)->text(), QStringLiteral(" 失败！"));
        log::result(&list, 0, {QStringLiteral(" a"), QStringLiteral(" b")}, QStringLiteral(" x"));
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.item(0)->text(), QStringLiteral(" "));
        QCOMPARE(list.item(2)->text(), QStringLiteral(" b"));
        log::result(&list, 234, {QStringLiteral(" a")}, QStringLiteral(" x"));
        QCOMPARE(list.count(), 5);
        QCOMPARE(list.item(4)->text(), QStringLiteral(" x"));
    }

    // One instance per name; closing discards it; opening again builds and loads it afresh.
    void registry() {
        ScreenRegistry screens;
        int built = 0;
        screens.add(QStringLiteral("one"), [&built](QWidget*) -> QWidget* {
            ++built;
            auto* w = new QLineEdit;
            w->setText(QStringLiteral("loaded"));
            return w;
        });
        QVERIFY(screens.open(QStringLiteral("missing")) == nullptr);
        auto* first = qobject_cast<QLineEdit*>(screens.open(QStringLiteral("one")));
        QVERIFY(first);
        first->setText(QStringLiteral("edited"));
        QCOMPARE(screens.open(QStringLiteral("one")), first);
        QCOMPARE(built, 1);
        QPointer<QLineEdit> gone = first;
        first->close();
        QVERIFY(screens.find(QStringLiteral("one")) == nullptr);
        // Reopened before the closed one is deleted: still a fresh instance.
        auto* second = qobject_cast<QLineEdit*>(screens.open(QStringLiteral("one")));
        QVERIFY(second && second != first);
        QCOMPARE(second->text(), QStringLiteral("loaded"));
        QCOMPARE(built, 2);
        QTRY_VERIFY(gone.isNull());
        screens.closeAll();
        QVERIFY(screens.find(QStringLiteral("one")) == nullptr);
    }
};

QTEST_MAIN(HelpersTest)
#include "helpers_test.moc"
