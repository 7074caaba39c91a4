// Builders for the controls of every screen: each control gets its name as objectName, so a
// screen reads like its control list and tests find controls by name.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QVBoxLayout;
class QWidget;

namespace plover::ui {

QPushButton* button(QWidget* parent, const char* name, const QString& caption);
QLabel* label(QWidget* parent, const char* name, const QString& caption);
// A frame with its caption; the caller gives it a layout.
QGroupBox* frame(QWidget* parent, const char* name, const QString& caption);
// A text box for hex text with the hex key filter; maxLength 0 means no limit.
QLineEdit* hexField(QWidget* parent, const char* name, int maxLength, const QString& text = {});
// A drop-down list with free text.
QComboBox* comboBox(QWidget* parent, const char* name, const QStringList& items, const QString& text);
QListWidget* logList(QWidget* parent, const char* name = "List1");
// A screen's title label, in the larger title font.
QLabel* title(QWidget* parent, const char* name, const QString& caption);
// A text box without the hex key filter (fields the operator types decimal or free text into).
QLineEdit* textField(QWidget* parent, const char* name, const QString& text = {});
QCheckBox* checkBox(QWidget* parent, const char* name, const QString& caption);
// A masked edit field: only characters that fit `mask` (Qt input mask syntax) can be typed, and
// the mask's separators show in place; its text includes them.
QLineEdit* maskedField(QWidget* parent, const char* name, const QString& mask, const QString& text = {});
// A label that shows the outcome of a screen's last command; starts empty.
QLabel* resultLabel(QWidget* parent, const char* name = "result");

// The " 系统命令 " frame of the main window and of the device settings: the reader number
// (hex), port and rate fields in a column, to which the caller adds its buttons, then the log
// beside them (`addLog`, after the buttons, so the focus moves through them first).
struct SystemCommands {
    QGroupBox* frame = nullptr;
    QLineEdit* pcId = nullptr;
    QComboBox* port = nullptr;
    QComboBox* baudRate = nullptr;
    QVBoxLayout* column = nullptr;  // the fields; the caller's buttons go below them
    QListWidget* addLog(int minimumWidth);
};
SystemCommands systemCommands(QWidget* parent);

// Option buttons that stand for codes: at most one is chosen, and the group gives the code of
// the chosen one (or the screen's code for none chosen).
class OptionGroup {
public:
    struct Option {
        const char* name;
        QString caption;
        std::uint8_t code;
    };
    // Builds one option button per entry, children of `parent`; the caller lays them out.
    OptionGroup(QWidget* parent, const QList<Option>& options);

    std::uint8_t code(std::uint8_t noneChosen) const;
    void choose(const char* name);
    const QList<QRadioButton*>& buttons() const { return buttons_; }

private:
    QList<QRadioButton*> buttons_;
    QList<std::uint8_t> codes_;
};

}  // namespace plover::ui
