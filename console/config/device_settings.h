// set_Device_a: the reader's system settings. Indicator test, reset, factory restore, identity,
// device number (read here, written through WriteNo), the reader's serial rate and the network
// settings dialog. It addresses the reader by its own pc_id field.
#pragma once

#include <QPointer>
#include <QWidget>

#include <cstdint>

#include "console/shell/screen.h"

class QComboBox;
class QLineEdit;
class QListWidget;

namespace plover {

class ScreenRegistry;

class DeviceSettingsScreen : public Screen {
public:
    explicit DeviceSettingsScreen(ScreenContext& context);

    // The rate code Set_Baud_Rate sends for a rate: 19200 0, 38400 1, 57600 2, 115200 4,
    // 9600 and any other number 3.
    static std::int32_t rateCode(std::int32_t rate);

    // Shows a new device number (as hex text) in both address fields, this one and the main
    // window's, so every later command addresses the reader by it.
    void adoptDeviceNumber(std::uint8_t number);

    QListWidget* log() const { return list1_; }
    QString addressText() const;

private:
    void build();
    void load();
    std::uint8_t readerAddress() const;

    void lampAndBuzzer();
    void resetReader();
    void restoreFactory();
    void readDeviceInfo();
    void readDeviceNumber();
    void setBaudRate();
    void openWriteNumber();
    void openNetworkAddress();

    QLineEdit* pcId_ = nullptr;
    QComboBox* port_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QListWidget* list1_ = nullptr;
    QPointer<QWidget> writeNo_;
};

// Registers the device settings screen (its WriteNo dialog is opened by the screen itself).
void registerDeviceSettings(ScreenContext& context, ScreenRegistry& registry);

}  // namespace plover
