// WriteNo: the modal dialog over the device settings screen that gives the reader a new device
// number. It reports into that screen's log and, on success, addresses the reader by the new
// number everywhere.
#pragma once

#include "console/shell/screen.h"

class QLineEdit;

namespace plover {

class DeviceSettingsScreen;

class WriteNumberDialog : public Screen {
public:
    WriteNumberDialog(ScreenContext& context, DeviceSettingsScreen& settings);

private:
    void write();

    DeviceSettingsScreen& settings_;
    QLineEdit* oldId_ = nullptr;
    QLineEdit* newId_ = nullptr;
};

}  // namespace plover
