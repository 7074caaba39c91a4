// The names of the console's windows, each written once: the button that opens a window, the
// window's constructor (its objectName) and the registry entry all use these.
#pragma once

#include <QLatin1String>
#include <QString>

namespace plover::screen {

// The main window and the dialog of the device settings screen (neither is in the registry).
inline const QString Main = QStringLiteral("Heron");
inline const QString WriteNumber = QStringLiteral("WriteNo");

// Configuration and network.
inline const QString DeviceSettings = QStringLiteral("set_Device_a");
inline const QString WorkParameters = QStringLiteral("set_Device_Work");
inline const QString ChannelMask = QStringLiteral("set_CH_Active_a");
inline const QString ReaderOutput = QStringLiteral("set_Reader");
inline const QString TcpConnect = QStringLiteral("y_tcp_connect");
inline const QString NetworkAddress = QStringLiteral("yset_ip_address");

// A tag window's name is its standard's prefix ("EPC", "GB", "GJB") followed by its kind.
namespace tag {
inline constexpr char App[] = "_TAG_APP";
inline constexpr char Query[] = "_TAG_Query";
inline constexpr char Read[] = "_TAG_Read";
inline constexpr char Write[] = "_TAG_Write";
inline constexpr char WriteBlock[] = "_TAG_Write_Block";
inline constexpr char Erase[] = "_TAG_Write_Erase";
inline constexpr char Lock[] = "_TAG_Lock";
inline constexpr char Kill[] = "_TAG_Kill";
inline constexpr char Halt[] = "_TAG_Halt";
inline constexpr char Wake[] = "_TAG_Wake";
inline constexpr char SetKey[] = "_TAG_Set_Key";
inline constexpr char AccessKey[] = "_TAG_Access_Key";
inline constexpr char EditKey[] = "_TAG_Edit_Key";  // EPC
inline constexpr char EditPwd[] = "_TAG_Edit_Pwd";  // GB, GJB
inline constexpr char CustomCommand[] = "_TAG_Cust_Comm";
inline constexpr char LoopRead[] = "_TAG_Loop_Read";
inline constexpr char Auth[] = "_TAG_Auth";      // GB, GJB
inline constexpr char FudanApp[] = "_TAG_FD_APP";  // GB, GJB

inline constexpr char Epc[] = "EPC";
inline constexpr char Gb[] = "GB";
inline constexpr char Gjb[] = "GJB";

inline QString name(const char* prefix, const char* kind) { return QLatin1String(prefix) + QLatin1String(kind); }
}  // namespace tag

// The tag windows the main window and the security screens open by name.
inline const QString EpcTags = tag::name(tag::Epc, tag::App);
inline const QString GbTags = tag::name(tag::Gb, tag::App);
inline const QString GjbTags = tag::name(tag::Gjb, tag::App);
inline const QString EpcLoopRead = tag::name(tag::Epc, tag::LoopRead);
inline const QString GbLoopRead = tag::name(tag::Gb, tag::LoopRead);
inline const QString GjbLoopRead = tag::name(tag::Gjb, tag::LoopRead);
inline const QString GbAuth = tag::name(tag::Gb, tag::Auth);
inline const QString GjbAuth = tag::name(tag::Gjb, tag::Auth);
inline const QString GbFudan = tag::name(tag::Gb, tag::FudanApp);
inline const QString GjbFudan = tag::name(tag::Gjb, tag::FudanApp);
inline const QString GbDiversifiedKey = QStringLiteral("GB_FD_Get_Diver_Key_A");

// PSAM and the FM151M security chip.
inline const QString Psam = QStringLiteral("PSAM_APP");
inline const QString PsamIssue = QStringLiteral("PSAM_FD_Issue_A");
inline const QString Fm151m = QStringLiteral("FM151M_APP");
inline const QString Fm151mRandom = QStringLiteral("FM151M_Get_RN_A");
inline const QString Fm151mHash = QStringLiteral("FM151M_HASH_A");
inline const QString Fm151mCipher = QStringLiteral("FM151M_Cipher_A");

}  // namespace plover::screen
