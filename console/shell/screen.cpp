#include "console/shell/screen.h"

#include <QPushButton>

#include "console/shell/conventions.h"
#include "console/shell/hex.h"
#include "console/shell/screen_registry.h"

namespace plover {

Screen::Screen(ScreenContext& context, const QString& name, const QString& caption, Address rule)
    : context_(context), rule_(rule) {
    setObjectName(name);
    setWindowTitle(caption);
    if (rule_ == Address::Captured) captured_ = liveAddress();
}

std::uint8_t Screen::address() const { return rule_ == Address::Captured ? captured_ : liveAddress(); }

std::uint8_t Screen::liveAddress() const { return hex::readerAddress(context_.addressText()); }

QWidget* Screen::open(const QString& name) { return context_.screens().open(name, this); }

void Screen::command(QPushButton* button, std::function<void()> handler) {
    connect(button, &QPushButton::clicked, this, [this, handler = std::move(handler)] {
        BusyPointer busy(this);
        handler();
    });
}

void Screen::exitOn(QPushButton* button) {
    connect(button, &QPushButton::clicked, this, [this] {
        defaultPointer(this);
        close();
    });
}

}  // namespace plover
