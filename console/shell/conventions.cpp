#include "console/shell/conventions.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QWidget>

#include "console/shell/hex.h"

namespace plover {

namespace {

// The one filter object, shared by every hex field of the console.
HexKeyFilter& sharedFilter() {
    static HexKeyFilter* filter = new HexKeyFilter;  // lives as long as the program
    return *filter;
}

bool passes(const QKeyEvent* key) {
    const QString text = key->text();
    if (text.isEmpty()) return true;  // keys that type nothing
    switch (key->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab:  // focus moves
        case Qt::Key_Delete:   // an editing key, though X11 gives it the text DEL
            return true;
        default: break;
    }
    // Shortcuts (Ctrl+C, Ctrl+V) type nothing. Ctrl together with Alt is AltGr on Windows, which
    // types characters such as @ or {: those are judged like any other typed character.
    const Qt::KeyboardModifiers mods = key->modifiers();
    if ((mods & Qt::ControlModifier) && !(mods & Qt::AltModifier)) return true;
    if (text.size() != 1) return false;
    const QChar c = text.front();
    return hex::isHexDigit(c) || c == QChar(8);
}

}  // namespace

void HexKeyFilter::install(QLineEdit* field) {
    if (!field) return;
    field->setAttribute(Qt::WA_InputMethodEnabled, false);
    field->installEventFilter(&sharedFilter());
}

void HexKeyFilter::install(QComboBox* field) {
    if (field) install(field->lineEdit());
}

bool HexKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && !passes(static_cast<QKeyEvent*>(event))) return true;
    return QObject::eventFilter(watched, event);
}

BusyPointer::BusyPointer(QWidget* screen) : window_(screen ? screen->window() : nullptr) {
    if (window_) window_->setCursor(Qt::WaitCursor);
}

BusyPointer::~BusyPointer() {
    if (window_) window_->unsetCursor();
}

void defaultPointer(QWidget* screen) {
    if (screen) screen->window()->unsetCursor();
}

namespace log {

void add(QListWidget* list, const QString& line) {
    list->addItem(line);
    list->scrollToBottom();
}

void append(QListWidget* list, const QStringList& lines) {
    for (const QString& line : lines) add(list, line);
}

void replace(QListWidget* list, const QStringList& lines) {
    list->clear();
    append(list, lines);
}

void success(QListWidget* list, const QStringList& lines) {
    list->clear();
    add(list, QStringLiteral(" "));
    for (const QString& line : lines) add(list, line);
}

void failure(QListWidget* list, const QString& message) {
    add(list, QString());
    add(list, message);
}

void result(QListWidget* list, int code, const QStringList& successLines, const QString& failureLine) {
    if (code == 0)
        success(list, successLines);
    else
        failure(list, failureLine);
}

}  // namespace log

void showResult(QLabel* label, int code, const QString& success, const QString& failure) {
    label->setText(code == 0 ? success : failure);
}

}  // namespace plover
