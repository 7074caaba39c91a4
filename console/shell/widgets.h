// Builders for the controls of every screen: each control gets its name as objectName, so a
// screen reads like its control list and tests find controls by name.
#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
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

}  // namespace plover::ui
