// The console's screens by name: each one a single instance, created (and loaded) when it is
// first opened, discarded when it is closed, created and loaded afresh when opened again.
#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>

namespace plover {

class ScreenRegistry {
public:
    // Builds a screen, running its load step. `opener` is the screen whose button opened it
    // (the main window for most); a screen that opens modal over its opener sets that itself.
    using Factory = std::function<QWidget*(QWidget* opener)>;

    ScreenRegistry() = default;
    ScreenRegistry(const ScreenRegistry&) = delete;
    ScreenRegistry& operator=(const ScreenRegistry&) = delete;
    ~ScreenRegistry();

    void add(const QString& name, Factory factory);
    bool has(const QString& name) const { return entries_.contains(name); }

    // Shows the screen's instance, creating it first when there is none. Gives the screen, or
    // nullptr when no screen of that name is registered (nothing happens then).
    QWidget* open(const QString& name, QWidget* opener = nullptr);

    // The open instance, or nullptr.
    QWidget* find(const QString& name) const;

    // Closes every open screen.
    void closeAll();

private:
    struct Entry {
        Factory make;
        QPointer<QWidget> instance;
    };
    QHash<QString, Entry> entries_;
};

}  // namespace plover
