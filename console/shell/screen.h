// The base of every console screen: its caption, where it takes the reader address from, its
// exit button, and the command wrapper that runs a button's handler under the busy pointer and
// calls the library through the binding. A screen sees the console through a narrow context
// (binding, the main window's address text and link settings, the screen registry), not the
// main window itself.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

#include <cstdint>
#include <functional>
#include <utility>

#include "console/shell/binding.h"
#include "console/shell/text.h"

class QPushButton;

namespace plover {

class ScreenRegistry;

// The caption of the main window and of the configuration screens.
inline const Text kConsoleCaption = QT_TRID_NOOP("Heron（UHF） 电子标签通用读写器应用程序（1.0）");

// What a screen may use of the console around it.
class ScreenContext {
public:
    virtual Binding& binding() = 0;
    // The main window's pc_id text: the reader address every screen addresses by default.
    virtual QString addressText() const = 0;
    // Replaces it: after a device number change every screen addresses the reader by the new one.
    virtual void setAddressText(const QString& text) = 0;
    // The main window's link settings as the operator left them (PORT and BaudRate texts).
    virtual QString portText() const = 0;
    virtual QString rateText() const = 0;
    virtual ScreenRegistry& screens() = 0;
    // Counts the openings and closings of the link: a screen that runs commands over many
    // window events (the loop-read test) stops when the link changed under it.
    virtual std::uint32_t linkChanges() const { return 0; }

    // A screen opened a link to the reader itself (over TCP): the console enables the commands
    // that need one, as after its own connect.
    virtual void linkOpened() {}

protected:
    ~ScreenContext() = default;
};

class Screen : public QWidget {
public:
    // Where a screen's commands take the reader address from.
    enum class Address {
        Live,      // the main window's pc_id at the moment each command runs
        Captured,  // pc_id as it was when the screen loaded
    };

    Screen(ScreenContext& context, const QString& name, const QString& caption, Address rule = Address::Live);

    // The reader address for a command, by the screen's rule.
    std::uint8_t address() const;
    // The main window's address now, whatever the screen's rule (for the commands that are
    // exceptions to a captured address).
    std::uint8_t liveAddress() const;

    ScreenContext& context() const { return context_; }

    // Calls an export through the binding.
    template <class Function, class... Args>
    std::int32_t call(const Export<Function>& e, Args&&... args) {
        return context_.binding().call(e, std::forward<Args>(args)...);
    }

    // Shows another screen (its single instance), this screen being its opener.
    QWidget* open(const QString& name);

protected:
    // Runs `handler` on each click of `button`, under the screen's busy pointer.
    void command(QPushButton* button, std::function<void()> handler);
    // Makes `button` the exit button: default pointer, then close.
    void exitOn(QPushButton* button);

private:
    ScreenContext& context_;
    Address rule_;
    std::uint8_t captured_ = 0;
};

}  // namespace plover
