// Saves pictures of the main window and the device settings screen, connected to a simulated
// reader and after a few commands, so the screens can be looked at without a display.
// Usage: console_screenshots OUTPUT_FOLDER
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QComboBox>
#include <QtTest>

#include <cstdio>

#include "console/screens.h"
#include "console/shell/binding.h"
#include "console/shell/main_window.h"
#include "sim_reader.h"

namespace {

bool save(QWidget* w, const QDir& dir, const QString& name) {
    w->adjustSize();
    QApplication::processEvents();
    const QString path = dir.filePath(name);
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        return false;
    }
    std::printf("%s\n", qPrintable(path));
    return true;
}

void click(QWidget* screen, const char* name) {
    QTest::mouseClick(screen->findChild<QPushButton*>(QLatin1String(name)), Qt::LeftButton);
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    const QDir out(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QDir::currentPath());
    if (!QDir().mkpath(out.path())) return 1;

    plover::test::SimReader reader;
    if (!reader.start()) {
        std::fprintf(stderr, "simulator: %s\n", reader.error().c_str());
        return 1;
    }
    plover::Binding binding({{QStringLiteral(KESTREL_LIBRARY_PATH), QStringLiteral("build")}});
    plover::MainWindow heron(binding);
    plover::registerScreens(heron);
    heron.show();
    bool ok = save(&heron, out, QStringLiteral("heron-started.png"));

    heron.findChild<QComboBox*>(QStringLiteral("PORT"))->setCurrentText(QStringLiteral("COM1"));
    click(&heron, "linka");
    ok = save(&heron, out, QStringLiteral("heron-linked.png")) && ok;
    ok = save(&heron, out, QStringLiteral("Heron.png")) && ok;  // the window by its name, linked

    click(&heron, "Set_para");
    QWidget* settings = heron.screens().find(QStringLiteral("set_Device_a"));
    if (!settings) return 1;
    click(settings, "Read_Device_No");
    click(settings, "Read_Device_Info");
    ok = save(settings, out, QStringLiteral("set_Device_a.png")) && ok;

    click(settings, "Set_Device_No");
    if (auto* dialog = settings->findChild<QWidget*>(QStringLiteral("WriteNo")))
        ok = save(dialog, out, QStringLiteral("WriteNo.png")) && ok;

    binding.call(plover::exports::UnLinkCom);
    return ok ? 0 : 1;
}
