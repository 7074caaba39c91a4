// Conventions every screen shares: the hex key filter, the busy pointer and the result display.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QWidget;

namespace plover {

// Lets a typed character through to a hex field only when it is a hex digit or Backspace.
// Spaces, punctuation, Enter, other letters and other control characters are discarded; keys
// that type nothing (arrows, Delete, Tab, shortcuts with Ctrl) pass. Input methods are switched
// off on the field, so composed text cannot bypass the filter. Text pasted is not filtered.
class HexKeyFilter : public QObject {
public:
    using QObject::QObject;
    // Installs the one filter on a line edit or on the line edit of an editable combo box.
    static void install(QLineEdit* field);
    static void install(QComboBox* field);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

// The screen's busy pointer while a command runs; the default pointer again when it ends.
class BusyPointer {
public:
    explicit BusyPointer(QWidget* screen);
    ~BusyPointer();
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

private:
    QPointer<QWidget> window_;
};

// Sets a screen's pointer to the default one.
void defaultPointer(QWidget* screen);

// The result display rules of a log list:
// success empties the list, adds a line of one space, then the message lines;
// failure adds an empty line, then the message, and keeps what was there.
namespace log {
void success(QListWidget* list, const QStringList& lines);
void failure(QListWidget* list, const QString& message);
// One line added at the end.
void add(QListWidget* list, const QString& line);
// Lines added at the end, in order.
void append(QListWidget* list, const QStringList& lines);
// The list emptied, then the lines added (no blank line first).
void replace(QListWidget* list, const QStringList& lines);
// One of the two, by the library's result (0 is success).
void result(QListWidget* list, int code, const QStringList& successLines, const QString& failure);
}  // namespace log

// The result label rule: the label shows the command's success or failure message.
void showResult(QLabel* label, int code, const QString& success, const QString& failure);

}  // namespace plover
