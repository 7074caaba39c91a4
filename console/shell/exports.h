// The kestrel exports the console calls. Their signatures are taken from the library's own
// header, so the console's view of an export cannot drift from the library; the console still
// never links kestrel: Binding resolves each of these by name when it is first called.
#pragma once

#include <cstdint>

#include "kestrel.h"

namespace plover {

// One export: its name in the library and its C function pointer type.
template <class Function>
struct Export {
    using Pointer = Function;
    const char* name;
};

// Every buffer the console hands to an export holds this many bytes: the most data a reply frame
// carries, so no export can copy past it, and more than any request an export reads (at most 255
// bytes, the reply's one-byte length field). Screens then judge a reply against their own limits.
inline constexpr std::size_t kExportBuffer = KESTREL_MAX_REPLY_DATA;

namespace exports {

#define PLOVER_EXPORT(name) inline constexpr Export<decltype(&::name)> name{#name}
PLOVER_EXPORT(LinkCom);
PLOVER_EXPORT(UnLinkCom);
PLOVER_EXPORT(Link_Reader);
PLOVER_EXPORT(DeviceRestore);
PLOVER_EXPORT(DeviceReset);
PLOVER_EXPORT(Set_Baud_Rate);
PLOVER_EXPORT(ALARM);
PLOVER_EXPORT(GetDeviceInfo);
PLOVER_EXPORT(ReadDeviceNo);
PLOVER_EXPORT(WriteDeviceNo);
PLOVER_EXPORT(Read_DeviceTemp);
PLOVER_EXPORT(Set_Work_Param);
PLOVER_EXPORT(Get_Work_Param);
PLOVER_EXPORT(Set_R2000_ON_OFF);
PLOVER_EXPORT(Set_CW_ON_OFF);
PLOVER_EXPORT(Get_RF_Power);
PLOVER_EXPORT(Set_Active_ANT);
PLOVER_EXPORT(Set_CH_Active);
PLOVER_EXPORT(Get_CH_Active);
PLOVER_EXPORT(Set_Menjin_Param);
PLOVER_EXPORT(Get_Menjin_Param);
PLOVER_EXPORT(EPC_Read_Select_Para);
PLOVER_EXPORT(EPC_Write_Select_Para);
PLOVER_EXPORT(EPC_Query_ON);
PLOVER_EXPORT(EPC_Read_Tag_List);
PLOVER_EXPORT(EPC_Set_Pwd);
PLOVER_EXPORT(EPC_Wake_TAG);
PLOVER_EXPORT(EPC_Access_Proc);
PLOVER_EXPORT(EPC_Read_TAG);
PLOVER_EXPORT(EPC_Write_TAG);
PLOVER_EXPORT(EPC_Kill_TAG);
PLOVER_EXPORT(EPC_Lock_TAG);
PLOVER_EXPORT(EPC_Write_Block_TAG);
PLOVER_EXPORT(EPC_Write_Erase_TAG);
PLOVER_EXPORT(EPC_Halt_TAG);
PLOVER_EXPORT(EPC_Edit_TAG_Pwd);
PLOVER_EXPORT(EPC_TAG_Cust_Command);
PLOVER_EXPORT(GB_Read_Select_Para);
PLOVER_EXPORT(GB_Write_Select_Para);
PLOVER_EXPORT(GB_Query_ON);
PLOVER_EXPORT(GB_Read_Tag_List);
PLOVER_EXPORT(GB_Set_Pwd);
PLOVER_EXPORT(GB_Wake_TAG);
PLOVER_EXPORT(GB_Access_Proc);
PLOVER_EXPORT(GB_Read_TAG);
PLOVER_EXPORT(GB_Write_TAG);
PLOVER_EXPORT(GB_Kill_TAG);
PLOVER_EXPORT(GB_Lock_TAG);
PLOVER_EXPORT(GB_Write_Block_TAG);
PLOVER_EXPORT(GB_Erase_TAG);
PLOVER_EXPORT(GB_Halt_TAG);
PLOVER_EXPORT(GB_Edit_TAG_Pwd);
PLOVER_EXPORT(GB_Get_SecPara);
PLOVER_EXPORT(GB_Set_SecPara);
PLOVER_EXPORT(GB_Set_Auth_Pwd);
PLOVER_EXPORT(GB_T2R_XAuth);
PLOVER_EXPORT(GB_T2R_SAuth);
PLOVER_EXPORT(GB_R2T_XAuth);
PLOVER_EXPORT(GB_R2T_SAuth);
PLOVER_EXPORT(GB_Mul_XAuth);
PLOVER_EXPORT(GB_Mul_SAuth);
PLOVER_EXPORT(GB_Sec_Comm);
PLOVER_EXPORT(GB_TAG_Cust_Command);
PLOVER_EXPORT(GJB_Read_Select_Para);
PLOVER_EXPORT(GJB_Write_Select_Para);
PLOVER_EXPORT(GJB_Query_ON);
PLOVER_EXPORT(GJB_Read_Tag_List);
PLOVER_EXPORT(GJB_Set_Pwd);
PLOVER_EXPORT(GJB_Wake_TAG);
PLOVER_EXPORT(GJB_Access_Proc);
PLOVER_EXPORT(GJB_Read_TAG);
PLOVER_EXPORT(GJB_Write_TAG);
PLOVER_EXPORT(GJB_Kill_TAG);
PLOVER_EXPORT(GJB_Lock_TAG);
PLOVER_EXPORT(GJB_Write_Block_TAG);
PLOVER_EXPORT(GJB_Erase_TAG);
PLOVER_EXPORT(GJB_Halt_TAG);
PLOVER_EXPORT(GJB_Edit_TAG_Pwd);
PLOVER_EXPORT(GJB_Get_SecPara);
PLOVER_EXPORT(GJB_TAG_Cust_Command);
PLOVER_EXPORT(GB_FD_Cust_Access);
PLOVER_EXPORT(GB_FD_Cust_Pwd_Write);
PLOVER_EXPORT(GB_FD_Cust_Pwd_Lock);
PLOVER_EXPORT(GB_FD_Cust_Init_End);
PLOVER_EXPORT(GB_FD_Cust_Lock_Info);
PLOVER_EXPORT(GB_FD_Write_Auth_Pwd);
PLOVER_EXPORT(GB_FD_Dual_Auth);
PLOVER_EXPORT(GB_FD_Get_Diver_Key);
PLOVER_EXPORT(GJB_FD_Cust_Read_Block);
PLOVER_EXPORT(GJB_FD_Cust_Write_Block);
PLOVER_EXPORT(GJB_FD_Cust_Erase_Block);
PLOVER_EXPORT(GJB_FD_Cust_Lock_Blck);
PLOVER_EXPORT(GJB_FD_Cust_Lock_Info);
PLOVER_EXPORT(PSAM_POWER_ON);
PLOVER_EXPORT(PSAM_Warm_Reset);
PLOVER_EXPORT(PSAM_Command);
PLOVER_EXPORT(PSAM_FD_Issue);
PLOVER_EXPORT(FM151M_Get_ID);
PLOVER_EXPORT(FM151M_Get_RN);
PLOVER_EXPORT(FM151M_Hash);
PLOVER_EXPORT(FM151M_Cipher);
#undef PLOVER_EXPORT

}  // namespace exports

// Port index of LinkCom for the USB reader (0..9 are COM1..COM10).
inline constexpr std::int32_t kPortUsb = KESTREL_PORT_USB;

}  // namespace plover
