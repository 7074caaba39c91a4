// The console's main window (its window object keeps the name "Heron"): link settings, connect
// and disconnect, the reader's LED and buzzer, reset, the log, and the buttons that open every
// other screen.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

#include "console/shell/screen.h"
#include "console/shell/screen_names.h"
#include "console/shell/screen_registry.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace plover {

class Binding;

class MainWindow : public QWidget, public ScreenContext {
public:
    explicit MainWindow(Binding& binding, QWidget* parent = nullptr);
    ~MainWindow() override;

    Binding& binding() override { return binding_; }
    ScreenRegistry& screens() override { return screens_; }
    std::uint32_t linkChanges() const override { return linkChanges_; }

    // The link settings as the operator left them; every screen addresses the reader by pc_id.
    QString addressText() const override;
    void linkOpened() override;
    void setAddressText(const QString& text) override;
    QString portText() const override;
    QString rateText() const override;
    std::uint8_t readerAddress() const;

    // LinkCom's port index for a PORT text: USB 32, COM1..COM10 0..9, anything else 0 (COM1).
    static std::int32_t portIndex(const QString& portText);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void build();
    void load();
    void connectReader();
    void disconnectReader();
    void lampAndBuzzer();
    void resetReader();
    void clearLog();
    void exitConsole();
    void openScreen(const QString& name);
    void closeLink();
    void setNeedLinkButtons(bool enabled);

    Binding& binding_;
    ScreenRegistry screens_;
    QLineEdit* pcId_ = nullptr;
    QComboBox* port_ = nullptr;
    QComboBox* baudRate_ = nullptr;
    QListWidget* list1_ = nullptr;
    std::uint32_t linkChanges_ = 0;
};

}  // namespace plover
