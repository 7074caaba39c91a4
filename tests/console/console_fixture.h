// What every console screen test shares: the simulated reader on a pseudo-terminal, the console
// bound to the build's library, controls found by name, and the screenshots of the windows.
#pragma once

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include <memory>
#include <vector>

#include "console/screens.h"
#include "console/shell/binding.h"
#include "console/shell/main_window.h"
#include "console/tags/tag_standard.h"
#include "sim_reader.h"

namespace plover::test {

using Bytes = std::vector<std::uint8_t>;

template <class T = QWidget>
T* control(const QWidget* screen, const QString& name) {
    T* w = screen->findChild<T*>(name);
    if (!w) qFatal("no control %s in %s", qPrintable(name), qPrintable(screen->objectName()));
    return w;
}

inline void click(const QWidget* screen, const QString& name) {
    QPushButton* b = control<QPushButton>(screen, name);
    if (!b->isEnabled()) qFatal("button %s is disabled", qPrintable(name));
    QTest::mouseClick(b, Qt::LeftButton);
}

inline void setText(const QWidget* screen, const QString& name, const QString& text) {
    if (auto* c = screen->findChild<QComboBox*>(name)) return c->setCurrentText(text);
    control<QLineEdit>(screen, name)->setText(text);
}

inline QString text(const QWidget* screen, const QString& name) {
    if (auto* c = screen->findChild<QComboBox*>(name)) return c->currentText();
    if (auto* l = screen->findChild<QLabel*>(name)) return l->text();
    return control<QLineEdit>(screen, name)->text();
}

inline QStringList lines(const QWidget* screen, const QString& name = QStringLiteral("List1")) {
    QStringList out;
    const auto* list = control<QListWidget>(screen, name);
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

// Chooses an item of a selection list as the operator does, so the list's reaction runs.
inline void choose(const QWidget* screen, const QString& name, const QString& item) {
    auto* c = control<QComboBox>(screen, name);
    const int i = c->findText(item);
    if (i < 0) qFatal("no item %s in %s", qPrintable(item), qPrintable(name));
    c->setCurrentIndex(i);
    Q_EMIT c->activated(i);
}

// Saves a window's picture as <PLOVER_SCREENSHOTS>/<window name>.png (nothing without the
// variable), after its layout has settled.
inline bool screenshot(QWidget* window) {
    const QByteArray folder = qgetenv("PLOVER_SCREENSHOTS");
    if (folder.isEmpty()) return true;
    QDir().mkpath(QString::fromLocal8Bit(folder));
    window->adjustSize();
    QApplication::processEvents();
    const QString path = QDir(QString::fromLocal8Bit(folder)).filePath(window->objectName() + QStringLiteral(".png"));
    return window->grab().save(path);
}

// The console against a fresh simulated reader: main window, binding and registry.
class ConsoleFixture {
public:
    std::unique_ptr<SimReader> reader;
    std::unique_ptr<Binding> binding;
    std::unique_ptr<MainWindow> heron;
    QStringList problems;

    bool start() {
        reader = std::make_unique<SimReader>();
        if (!reader->start(true)) return false;
        problems.clear();
        binding = std::make_unique<Binding>(QList<Binding::Candidate>{{QStringLiteral(KESTREL_LIBRARY_PATH), "test"}});
        binding->setProblemHandler([this](const QString& t) { problems << t; });
        heron = std::make_unique<MainWindow>(*binding);
        heron->screens().setProblemHandler([this](const QString& t) { problems << t; });
        registerScreens(*heron);
        heron->show();
        return true;
    }
    void stop() {
        if (binding && binding->isLoaded()) binding->call(exports::UnLinkCom);
        heron.reset();
        binding.reset();
        reader.reset();
    }
    // Links the console to the simulated reader (the default scenario's reader 1) on COM1.
    bool link() {
        setText(heron.get(), "PORT", "COM1");
        setText(heron.get(), "pc_id", "01");
        click(heron.get(), "linka");
        return lines(heron.get()).value(1) == QStringLiteral(" 设备联接成功！");
    }
    // Clicks a button of `from` and gives the screen it opened.
    QWidget* open(const QWidget* from, const QString& button, const QString& screen) {
        click(from, button);
        QWidget* s = heron->screens().find(screen);
        if (!s) qFatal("%s did not open %s", qPrintable(button), qPrintable(screen));
        return s;
    }
    // Opens a standard's tag screen from the main window's button for it.
    QWidget* tagScreen(const tags::TagStandard& s) {
        const char* button = s.id == tags::StandardId::Epc ? "Set_Tag" : s.id == tags::StandardId::Gb ? "Set_GB" : "Set_GJB";
        return open(heron.get(), button, s.screen("_TAG_APP"));
    }
    // The request data of the last command with this code (EE EE when there was none).
    Bytes sent(std::uint8_t command) {
        const auto r = reader->last(command);
        return r ? r->data : Bytes{0xEE, 0xEE};
    }
};

}  // namespace plover::test
