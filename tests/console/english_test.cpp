// The console in English: every window opened with the English catalogue installed shows no
// Chinese text (captions, option and list items, titles, and the result of a real command), no
// caption is cut off, and a few captions and result messages read as the operator expects.
// Each window's picture is saved as <PLOVER_SCREENSHOTS>/<window name>.png after its command.
#include <QAbstractButton>
#include <QGroupBox>
#include <QTimer>

#include "console_fixture.h"
#include "console/shell/language.h"
#include "console/shell/screen_names.h"

using namespace plover;
using namespace plover::test;

namespace {

bool hasChinese(const QString& text) {
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if ((u >= 0x3000 && u <= 0x303F) || (u >= 0x3400 && u <= 0x9FFF) || (u >= 0xFF00 && u <= 0xFFEF)) return true;
    }
    return false;
}

// Every text a window shows, with where it is.
QStringList shownTexts(const QWidget* window) {
    QStringList out = {QStringLiteral("title: ") + window->windowTitle()};
    const auto add = [&out](const QWidget* w, const QString& t) { out << w->objectName() + QStringLiteral(": ") + t; };
    for (const QLabel* l : window->findChildren<QLabel*>()) add(l, l->text());
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) add(b, b->text());
    for (const QGroupBox* g : window->findChildren<QGroupBox*>()) add(g, g->title());
    for (const QComboBox* c : window->findChildren<QComboBox*>())
        for (int i = 0; i < c->count(); ++i) add(c, c->itemText(i));
    for (const QListWidget* l : window->findChildren<QListWidget*>())
        for (int i = 0; i < l->count(); ++i) add(l, l->item(i)->text());
    return out;
}

// The captions a window shows narrower than they need: buttons, labels on one line, frames.
QStringList clipped(const QWidget* window) {
    QStringList out;
    const auto check = [&](const QWidget* w, const QString& text) {
        if (w->isVisibleTo(window) && !text.trimmed().isEmpty() && w->width() < w->minimumSizeHint().width())
            out << QStringLiteral("%1 \"%2\": %3 < %4").arg(w->objectName(), text).arg(w->width()).arg(w->minimumSizeHint().width());
    };
    for (const QAbstractButton* b : window->findChildren<QAbstractButton*>()) check(b, b->text());
    for (const QLabel* l : window->findChildren<QLabel*>())
        if (!l->wordWrap()) check(l, l->text());
    for (const QGroupBox* g : window->findChildren<QGroupBox*>()) check(g, g->title());
    return out;
}

// Buttons not clicked to fill a window: they close it, change or end the link, start the
// endless test cycle, open a modal window, or change the reader's number or rate.
const QStringList kNotClicked = {"Exit",      "Clear log",        "Connect",          "Disconnect", "TCP connect",
                                 "Test",      "Stop",             "Factory settings", "Set baud rate",
                                 "Write device no.", "Network settings", "OK"};

}  // namespace

class EnglishTest : public QObject {
    Q_OBJECT
    ConsoleFixture console;

    // Clicks the window's buttons in order until one changes what the window shows (a command
    // that filled its log or result line); gives that button's caption, or nothing.
    QString fill(QWidget* window) {
        const QString name = window->objectName();
        if (name.endsWith(QLatin1String(screen::tag::LoopRead))) {
            // The test cycle runs until its button is clicked again: a few cycles, then stop.
            QPushButton* test = control<QPushButton>(window, "Command1");
            QTimer::singleShot(150, test, [test] { QTest::mouseClick(test, Qt::LeftButton); });
            QTest::mouseClick(test, Qt::LeftButton);
            return test->text();
        }
        if (name == screen::TcpConnect) {
            // A port nothing listens on: the connect fails at once with the window's message; the
            // console is linked again over COM1 after it.
            setText(window, "ip_address", "127.000.000.001");
            setText(window, "port_address", "1");
            click(window, "Command2");
            click(console.heron.get(), "linka");
            return text(window, "Result");
        }
        for (QPushButton* b : window->findChildren<QPushButton*>()) {
            if (!b->isEnabled() || !b->isVisibleTo(window) || kNotClicked.contains(b->text().trimmed())) continue;
            const QStringList before = shownTexts(window);
            QTest::mouseClick(b, Qt::LeftButton);
            if (shownTexts(window) != before) return b->text();
        }
        return {};
    }

    // Opens, fills, checks and pictures one window; the faults it found.
    QStringList visit(QWidget* window) {
        QStringList faults;
        const QString name = window->objectName();
        window->show();
        QPointer<QWidget> alive(window);
        const QString command = fill(window);
        QApplication::processEvents();
        if (!alive) return {name + QStringLiteral(": closed by its command")};
        qDebug("%s: %s", qPrintable(name), qPrintable(command));
        if (command.isEmpty() && name != screen::WriteNumber) faults << name + QStringLiteral(": no command filled it");
        if (!screenshot(window)) faults << name + QStringLiteral(": picture not saved");
        for (const QString& t : shownTexts(window))
            if (hasChinese(t)) faults << name + QStringLiteral(" shows Chinese: ") + t;
        for (const QString& c : clipped(window)) faults << name + QStringLiteral(" clips ") + c;
        return faults;
    }

private Q_SLOTS:
    void initTestCase() {
        QVERIFY(language::install(*QCoreApplication::instance(), language::Language::English));
        QVERIFY(console.start());
        setText(console.heron.get(), "PORT", "COM1");
        setText(console.heron.get(), "pc_id", "01");
        click(console.heron.get(), "linka");
    }
    void cleanupTestCase() { console.stop(); }

    // Captions and result messages an operator reads first, in English.
    void captionsAndMessages() {
        QWidget* heron = console.heron.get();
        QCOMPARE(heron->windowTitle(), QStringLiteral("Heron (UHF) RFID Reader Application (1.0)"));
        QCOMPARE(control<QPushButton>(heron, "linka")->text(), QStringLiteral("Connect"));
        QCOMPARE(lines(heron).value(1), QStringLiteral(" Reader connected."));
        QWidget* settings = console.open(heron, "Set_para", screen::DeviceSettings);
        QCOMPARE(control<QPushButton>(settings, "Read_Device_No")->text(), QStringLiteral("Read device no."));
        click(settings, "Read_Device_No");
        QCOMPARE(lines(settings), QStringList({" ", " Device number read. ", " Device number =1"}));
        const struct {
            const char* button;
            QString screen;
            const char* label;
            QString caption;
        } screens[] = {
            {"Set_Device", screen::WorkParameters, "Command3", QStringLiteral("Read parameters")},
            {"Set_Tag", screen::EpcTags, "Label1", QStringLiteral("EPC Tag Commands")},
            {"Set_GB", screen::GbTags, "Label1", QStringLiteral("GB/T 29768-2013 Tag Commands")},
            {"PSAM_Command", screen::Psam, "Label1", QStringLiteral("PSAM Card Commands")},
        };
        for (const auto& s : screens) {
            QWidget* w = console.open(heron, s.button, s.screen);
            const auto* button = w->findChild<QAbstractButton*>(s.label);
            QCOMPARE(button ? button->text() : text(w, s.label), s.caption);
        }
        // A failure message: a read of a tag that is not there, in the EPC read window.
        QWidget* epc = console.heron->screens().find(screen::EpcTags);
        QWidget* read = console.open(epc, "Command7", screen::tag::name(screen::tag::Epc, screen::tag::Read));
        QCOMPARE(read->windowTitle(), QStringLiteral("Heron (UHF) RFID Reader Application (1.0) EPC 18000-6C"));
        console.heron->screens().closeAll();
    }

    // Every window of the console, one after another: English only, nothing cut off.
    void everyWindowInEnglish() {
        QStringList faults = visit(console.heron.get());
        int windows = 1;
        for (const QString& name : console.heron->screens().names()) {
            QWidget* window = console.heron->screens().open(name, console.heron.get());
            if (!window) continue;
            ++windows;
            faults << visit(window);
            if (name == screen::DeviceSettings) {
                click(window, "Set_Device_No");
                if (auto* dialog = window->findChild<QWidget*>(screen::WriteNumber)) {
                    ++windows;
                    faults << visit(dialog);
                    dialog->close();
                }
            }
            console.heron->screens().closeAll();
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
        QCOMPARE(windows, 62);
    }
};

QTEST_MAIN(EnglishTest)
#include "english_test.moc"
