// Every option button of every window: a click selects it, a second click keeps it selected
// and its group's other buttons unselected; and the commands of two screens send the code of
// the option clicked twice.
#include <QStyle>
#include <QStyleOptionButton>

#include "console_fixture.h"

using namespace plover;
using namespace plover::test;

class OptionGroupsTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    // The option buttons of a window, by the parent they sit in (each group's buttons share
    // a parent, and the window's groups do not).
    static QMap<QWidget*, QList<QRadioButton*>> groups(QWidget* window) {
        QMap<QWidget*, QList<QRadioButton*>> out;
        for (QRadioButton* b : window->findChildren<QRadioButton*>()) out[b->parentWidget()] << b;
        return out;
    }

    // A click on the button's circle, where an operator aims (a click in the empty part of a wide
    // button is not on the button at all).
    static void press(QRadioButton* b) {
        QStyleOptionButton option;
        option.initFrom(b);
        const QRect circle = b->style()->subElementRect(QStyle::SE_RadioButtonIndicator, &option, b);
        QTest::mouseClick(b, Qt::LeftButton, Qt::NoModifier, circle.center());
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(console.start());
        QVERIFY(console.link());
    }
    void cleanupTestCase() { console.stop(); }

    void everyOptionButtonStaysSelectedOnASecondClick() {
        int windows = 0, buttons = 0;
        QStringList faults;
        for (const QString& name : console.heron->screens().names()) {
            QWidget* window = console.heron->screens().open(name, console.heron.get());
            if (!window) continue;
            ++windows;
            // Laid out and on screen, so that a click lands on the button it aims at.
            window->show();
            window->adjustSize();
            if (!QTest::qWaitForWindowExposed(window)) faults << name + QStringLiteral(": not shown");
            for (QRadioButton* b : window->findChildren<QRadioButton*>()) {
                if (!b->isEnabled() || !b->isVisibleTo(window)) continue;
                ++buttons;
                const QString where = name + QLatin1Char('/') + b->objectName();
                // As the operator clicks, and as the accessibility bus's press action does.
                for (int click = 1; click <= 3; ++click) {
                    if (click == 3) b->click();
                    else press(b);
                    if (!b->isChecked()) faults << where + QStringLiteral(": unselected after click %1").arg(click);
                }
            }
            for (const auto& group : groups(window)) {
                int selected = 0;
                for (QRadioButton* b : group) selected += b->isChecked() ? 1 : 0;
                if (selected > 1) faults << name + QStringLiteral(": more than one option of a group selected");
            }
            console.heron->screens().closeAll();
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        // Every registered window opened (with the main window and the WriteNo dialog, the
        // console's 62).
        QCOMPARE(windows, console.heron->screens().names().size());
        QVERIFY(windows >= 60);
        QVERIFY(buttons > 0);
    }

    // FM151M cipher: " 加密", selected, clicked again still encrypts: DES with key 133457799BBCDFF1 on
    // 0123456789ABCDEF gives 85E813540F0AB405 (a decryption would give EE0F7C12E0B09338).
    void cipherDirectionClickedTwiceStillEncrypts() {
        QWidget* app = console.open(console.heron.get(), QStringLiteral("Command2"), QStringLiteral("FM151M_APP"));
        QWidget* w = console.open(app, QStringLiteral("Command7"), QStringLiteral("FM151M_Cipher_A"));
        w->adjustSize();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        QCOMPARE(text(w, "key_len"), QStringLiteral("8 字节"));  // DES
        auto* encrypt = control<QRadioButton>(w, "JIAMI");
        QVERIFY(encrypt->isChecked());  // the screen's choice when it opens
        press(encrypt);
        QVERIFY(encrypt->isChecked());
        QVERIFY(!control<QRadioButton>(w, "JIEMI")->isChecked());
        press(control<QRadioButton>(w, "ECB_MODE"));
        setText(w, "key_word", "133457799BBCDFF1");
        setText(w, "Init_data", "");
        setText(w, "Input_Data", "0123456789ABCDEF");
        click(w, "Command1");
        QCOMPARE(text(w, "Result_Data"), QStringLiteral("85E813540F0AB405"));
        console.heron->screens().closeAll();
    }

    // GB tag read: "用户区 1" clicked twice still reads user area 1, not the information area.
    void gbReadAreaClickedTwiceStillReadsThatArea() {
        QWidget* tag = console.tagScreen(tags::gb());
        QWidget* w = console.open(tag, QStringLiteral("Command7"), tags::gb().screen("_TAG_Read"));
        QRadioButton* user1 = nullptr;
        for (QRadioButton* b : w->findChildren<QRadioButton*>())
            if (b->text() == QStringLiteral("用户区 1")) user1 = b;
        QVERIFY(user1);
        press(user1);
        press(user1);
        QVERIFY(user1->isChecked());
        click(w, QStringLiteral("Command1"));
        const Bytes request = console.sent(0x48);
        QVERIFY(!request.empty());
        QCOMPARE(request[0], std::uint8_t{0x03});  // user area 1
        console.heron->screens().closeAll();
    }
};

QTEST_MAIN(OptionGroupsTest)
#include "option_groups_screens_test.moc"
