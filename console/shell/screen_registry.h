// The console's screens by name: each one a single instance, created (and loaded) when it is
// first opened, discarded when it is closed, created and loaded afresh when opened again.
#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QStringList>
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
    // nullptr when no screen of that name is registered: that is reported (on the program's
    // error output and in a message box, or to the problem handler) and nothing else happens.
    QWidget* open(const QString& name, QWidget* opener = nullptr);

    // Receives the text of a request for a screen that is not registered (tests set this).
    using ProblemHandler = std::function<void(const QString&)>;
    void setProblemHandler(ProblemHandler handler) { problem_ = std::move(handler); }

    // The names of all registered screens.
    QStringList names() const { return entries_.keys(); }

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
    ProblemHandler problem_;
};

}  // namespace plover
