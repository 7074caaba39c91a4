// The console's main window (its window object keeps the name "Heron"): link settings, connect
// and disconnect, the reader's LED and buzzer, reset, the log, and the buttons that open every
// other screen.
#pragma once

#include <QString>
#include <QWidget>

#include <cstdint>

#include "console/shell/screen.h"
#include "console/shell/screen_registry.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace plover {

class Binding;

// Names of the console's screens, as the registry knows them.
namespace screen {
inline const QString DeviceSettings = QStringLiteral("set_Device_a");
inline const QString WorkParameters = QStringLiteral("set_Device_Work");
inline const QString ReaderOutput = QStringLiteral("set_Reader");
inline const QString TcpConnect = QStringLiteral("y_tcp_connect");
inline const QString NetworkAddress = QStringLiteral("yset_ip_address");
inline const QString EpcTags = QStringLiteral("EPC_TAG_APP");
inline const QString GbTags = QStringLiteral("GB_TAG_APP");
inline const QString GjbTags = QStringLiteral("GJB_TAG_APP");
inline const QString EpcLoopRead = QStringLiteral("EPC_TAG_Loop_Read");
inline const QString GbLoopRead = QStringLiteral("GB_TAG_Loop_Read");
inline const QString GjbLoopRead = QStringLiteral("GJB_TAG_Loop_Read");
inline const QString Psam = QStringLiteral("PSAM_APP");
inline const QString PsamIssue = QStringLiteral("PSAM_FD_Issue_A");
inline const QString Fm151m = QStringLiteral("FM151M_APP");
}  // namespace screen

// The caption of the main window and of the configuration screens.
inline const QString kConsoleCaption = QStringLiteral("Heron（UHF） 电子标签通用读写器应用程序（1.0）");

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
    void setAddressText(const QString& text);
    std::uint8_t readerAddress() const;
    QString portText() const;
    QString rateText() const;

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
