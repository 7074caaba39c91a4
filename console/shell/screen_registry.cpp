#include "console/shell/screen_registry.h"

#include <QApplication>
#include <QMessageBox>

#include <cstdio>

#include "console/shell/text.h"

namespace plover {

ScreenRegistry::~ScreenRegistry() { closeAll(); }

void ScreenRegistry::add(const QString& name, Factory factory) { entries_[name] = Entry{std::move(factory), {}}; }

QWidget* ScreenRegistry::open(const QString& name, QWidget* opener) {
    const auto it = entries_.find(name);
    if (it == entries_.end() || !it->make) {
        const QString text = qtTrId("没有名为 %1 的窗口，按钮没有打开任何窗口。").arg(name);
        if (problem_) {
            problem_(text);
        } else {
            std::fprintf(stderr, "plover: %s\n", text.toLocal8Bit().constData());
            if (qobject_cast<QApplication*>(QCoreApplication::instance()))
                QMessageBox::warning(QApplication::activeWindow(), QStringLiteral("plover"), text);
        }
        return nullptr;
    }
    // A closed screen waits for its deletion hidden; it is not reused.
    if (it->instance && !it->instance->isVisible()) it->instance = nullptr;
    if (!it->instance) {
        QWidget* screen = it->make(opener);
        if (!screen) return nullptr;
        // Closing a screen discards it with its contents; the next open builds it again.
        screen->setAttribute(Qt::WA_DeleteOnClose);
        if (screen->objectName().isEmpty()) screen->setObjectName(name);
        it->instance = screen;
    }
    QWidget* screen = it->instance;
    if (screen->isMinimized()) screen->showNormal();
    screen->show();
    screen->raise();
    screen->activateWindow();
    return screen;
}

QWidget* ScreenRegistry::find(const QString& name) const {
    const auto it = entries_.constFind(name);
    if (it == entries_.constEnd() || !it->instance || !it->instance->isVisible()) return nullptr;
    return it->instance.data();
}

void ScreenRegistry::closeAll() {
    for (Entry& e : entries_) {
        if (e.instance) {
            QWidget* w = e.instance;
            // Closing discards it (it is deleted on close); a screen that refuses is deleted.
            if (!w->close() && e.instance) delete w;
        }
    }
}

}  // namespace plover
