// WriteNo: the modal dialog over the device settings screen that gives the reader a new device
// number. It reports into that screen's log and, on success, addresses the reader by the new
// number everywhere.
#pragma once

#include <QWidget>

class QLineEdit;

namespace plover {

class DeviceSettingsScreen;
class MainWindow;

class WriteNumberDialog : public QWidget {
public:
    WriteNumberDialog(MainWindow& heron, DeviceSettingsScreen& settings);

private:
    void write();

    MainWindow& heron_;
    DeviceSettingsScreen& settings_;
    QLineEdit* oldId_ = nullptr;
    QLineEdit* newId_ = nullptr;
};

}  // namespace plover
