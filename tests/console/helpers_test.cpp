// The console's shared conventions: hex parsing and text forms, the key filter, port indexes,
// the log rules and the screen registry.
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QtTest>

#include "console/shell/binding.h"
#include "console/shell/conventions.h"
#include "console/shell/exports.h"
#include "console/shell/main_window.h"
#include "console/shell/hex.h"
#include "console/shell/screen_registry.h"

using namespace plover;

class HelpersTest : public QObject {
    Q_OBJECT

    static QString hexOf(const QByteArray& b) { return QString::fromLatin1(b.toHex().toUpper()); }

private Q_SLOTS:
    void numbers_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("byte");     // hex byte of the text
        QTest::addColumn<int>("address");  // reader address of the text as a pc_id field
        QTest::newRow("upper") << "1F" << 31 << 31;
        QTest::newRow("lower") << "ab" << 171 << 171;
        QTest::newRow("lower single") << "f" << 15 << 15;
        QTest::newRow("digit, space") << "f " << 15 << 15;
        QTest::newRow("two spaces") << "  " << 0 << 0;
        QTest::newRow("space first") << " 1" << 0 << 0;
        QTest::newRow("non-hex first") << "G1" << 0 << 0;
        QTest::newRow("non-hex second") << "1G" << 1 << 1;
        QTest::newRow("empty") << "" << 0 << 0;
        QTest::newRow("over-long") << "01FF" << 1 << 1;
        QTest::newRow("7F") << "7F" << 127 << 127;
    }
    void numbers() {
        QFETCH(QString, text);
        QFETCH(int, byte);
        QFETCH(int, address);
        QCOMPARE(int(hex::byteOf(text)), byte);
        QCOMPARE(int(hex::readerAddress(text)), address);
    }

    void fields_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("count");
        QTest::addColumn<QString>("pad");  // empty: right-aligned number
        QTest::addColumn<QString>("bytes");
        QTest::newRow("right short") << "3" << 2 << "" << "0003";
        QTest::newRow("right five digits") << "12345" << 2 << "" << "2345";
        QTest::newRow("right A to E") << "ABCDE" << 2 << "" << "BCDE";
        QTest::newRow("right empty") << "" << 2 << "" << "0000";
        QTest::newRow("right lower") << "a" << 1 << "" << "0A";
        QTest::newRow("right junk ends a pair") << "1G" << 1 << "" << "01";
        QTest::newRow("left F pad") << "1234" << 8 << "F" << "1234FFFFFFFFFFFF";
        QTest::newRow("left 0 pad, odd") << "123" << 3 << "0" << "123000";
        QTest::newRow("left empty") << "" << 2 << "F" << "FFFF";
        QTest::newRow("left over-long") << "11223344" << 2 << "0" << "1122";
        QTest::newRow("left lower") << "abcd" << 2 << "0" << "ABCD";
        QTest::newRow("left spaces trimmed") << "  12" << 2 << "0" << "1200";
        QTest::newRow("left inner space") << "1 23" << 2 << "0" << "0123";
    }
    void fields() {
        QFETCH(QString, text);
        QFETCH(int, count);
        QFETCH(QString, pad);
        QFETCH(QString, bytes);
        const QByteArray out = pad.isEmpty() ? hex::rightAligned(text, count) : hex::leftAligned(text, count, pad[0]);
        QCOMPARE(hexOf(out), bytes);
    }

    void textForms() {
        QCOMPARE(hex::byteText(0) + hex::byteText(171) + hex::byteText(0x0A), QStringLiteral("00AB0A"));
        QCOMPARE(hex::numberText(5) + "," + hex::numberText(0x1F) + "," + hex::numberText(0), QStringLiteral("5,1F,0"));
        const std::uint8_t run[] = {0x0A, 0x1B};
        QCOMPARE(hex::logBytes(run), QStringLiteral(" 0A 1B"));
        QCOMPARE(hex::fieldBytes(run), QStringLiteral("0A1B"));
        QCOMPARE(hex::leadingDigit("2--WIG 34").value_or(-1), 2);
        QCOMPARE(hex::leadingDigit("WIG").value_or(-1), -1);
    }

    void decimalNumber_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("value");  // -1: no number
        QTest::newRow("9600") << " 9600 " << 9600;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("letter O") << "96OO" << -1;
        QTest::newRow("negative") << "-9600" << -1;
        QTest::newRow("int max") << "2147483647" << 2147483647;
        QTest::newRow("just over") << "2147483648" << -1;
    }
    void decimalNumber() {
        QFETCH(QString, text);
        QFETCH(int, value);
        QCOMPARE(hex::decimalNumber(text).value_or(-1), value);
    }

    void portIndex() {
        const std::pair<const char*, int> cases[] = {{"USB", 32}, {"COM1", 0},  {"COM9", 8}, {"COM10", 9},
                                                     {"com1", 0}, {"usb", 0},   {"COM11", 0}, {"", 0}};
        for (auto [text, index] : cases) QCOMPARE(MainWindow::portIndex(text), index);
    }

    // Typed keys: hex digits (either case) and Backspace reach the field, nothing else does.
    void keyFilter() {
        QLineEdit field;
        HexKeyFilter::install(&field);
        QTest::keyClicks(&field, "g -.zA");
        QTest::keyClick(&field, Qt::Key_Return);
        QTest::keyClicks(&field, "a9");
        QCOMPARE(field.text(), QStringLiteral("Aa9"));
        QTest::keyClick(&field, Qt::Key_Backspace);
        QTest::keyClick(&field, Qt::Key_Left);  // keys that type nothing still work
        QCOMPARE(field.text(), QStringLiteral("Aa"));
        QCOMPARE(field.cursorPosition(), 1);
        // Keys as a desktop delivers them: Delete carries the text DEL on X11 and still deletes;
        // AltGr (Ctrl+Alt on Windows) types characters that are filtered like any other.
        const auto press = [&field](int key, Qt::KeyboardModifiers mods, const QString& text) {
            QKeyEvent event(QEvent::KeyPress, key, mods, text);
            QApplication::sendEvent(&field, &event);
        };
        press(Qt::Key_Delete, Qt::NoModifier, QStringLiteral("\x7f"));
        QCOMPARE(field.text(), QStringLiteral("A"));
        press(Qt::Key_At, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("@"));
        press(Qt::Key_BraceLeft, Qt::ControlModifier | Qt::AltModifier, QStringLiteral("{"));
        QCOMPARE(field.text(), QStringLiteral("A"));
        QComboBox combo;
        combo.setEditable(true);
        HexKeyFilter::install(&combo);
        QTest::keyClicks(combo.lineEdit(), "x1y2");
        QCOMPARE(combo.currentText(), QStringLiteral("12"));
    }

    void logRules() {
        QListWidget list;
        list.addItem("old");
        log::result(&list, 234, {" a"}, " failed");
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.item(0)->text() + "|" + list.item(1)->text() + "|" + list.item(2)->text(),
                 QStringLiteral("old|| failed"));
        log::result(&list, 0, {" a", " b"}, " failed");
        QCOMPARE(list.count(), 3);
        QCOMPARE(list.item(0)->text() + "|" + list.item(1)->text() + "|" + list.item(2)->text(),
                 QStringLiteral(" | a| b"));
    }

    // One instance per name; closing discards it; opening again builds and loads it afresh.
    void registry() {
        ScreenRegistry screens;
        int built = 0;
        screens.add("one", [&built](QWidget*) -> QWidget* {
            ++built;
            return new QLineEdit("loaded");
        });
        QStringList reported;
        screens.setProblemHandler([&reported](const QString& text) { reported << text; });
        QVERIFY(screens.open("missing") == nullptr);
        QCOMPARE(reported.size(), 1);
        QVERIFY(reported[0].contains("missing"));
        auto* first = qobject_cast<QLineEdit*>(screens.open("one"));
        first->setText("edited");
        QCOMPARE(screens.open("one"), first);
        QCOMPARE(built, 1);
        QPointer<QLineEdit> gone = first;
        first->close();
        QVERIFY(screens.find("one") == nullptr);
        // Opened again before the closed one is deleted: still a fresh instance.
        auto* second = qobject_cast<QLineEdit*>(screens.open("one"));
        QVERIFY(second != first);
        QCOMPARE(second->text(), QStringLiteral("loaded"));
        QTRY_VERIFY(gone.isNull());
        screens.closeAll();
        QVERIFY(screens.find("one") == nullptr);
    }

    // Last comes the loader's search path by the soname, which is all an installed library
    // without its development link answers to (the test's LD_LIBRARY_PATH holds the build's).
    void librarySoname() {
        const QByteArray set = qgetenv("KESTREL_LIBRARY");
        qunsetenv("KESTREL_LIBRARY");
        const auto candidates = Binding::defaultCandidates();
        qputenv("KESTREL_LIBRARY", set);
        QCOMPARE(candidates.last().path, QStringLiteral("libkestrel.so.1"));
        Binding binding({candidates.last()});
        QStringList problems;
        binding.setProblemHandler([&problems](const QString& text) { problems << text; });
        QCOMPARE(binding.call(exports::UnLinkCom), 0);
        QVERIFY2(binding.isLoaded(), qPrintable(problems.join('\n')));
    }
};

QTEST_MAIN(HelpersTest)
#include "helpers_test.moc"
