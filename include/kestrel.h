/*
 * kestrel: host library for the UHF RFID reader.
 *
 * Every export is one request/response exchange with the reader over the open link.
 * Integers are 32 bit; byte arrays belong to the caller. The result is a link status
 * code (KESTREL_OK on success) or, for the exports that report the reader's verdict,
 * the reply's status byte.
 *
 * A null pointer where an export needs a byte array (to read its request from or to copy its
 * reply into) is refused with KESTREL_E_NULL_BUFFER before anything is sent; no buffer is
 * touched and the link stays as it was.
 */
#ifndef KESTREL_H
#define KESTREL_H

#include <stdint.h>

#if defined(_WIN32) && !defined(_WIN64) && !defined(__x86_64__)
#define KESTREL_CALL __stdcall
#else
#define KESTREL_CALL
#endif

#if defined(KESTREL_BUILDING)
#if defined(_WIN32)
#define KESTREL_API /* exported through kestrel.def */
#else
#define KESTREL_API __attribute__((visibility("default")))
#endif
#else
#define KESTREL_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Link status codes: the one table of results. */
#define KESTREL_OK                     0   /* a valid reply frame was received */
#define KESTREL_E_OPEN                 1   /* port out of range, missing, busy or not set up; USB interface not claimed */
#define KESTREL_E_ALARM_SELECTOR       4   /* ALARM selector above 7; nothing sent */
#define KESTREL_E_USB_NO_READER       33   /* no USB reader found, or it could not be opened */
#define KESTREL_E_USB_SEND           187   /* USB: command frame not sent (also: no USB reader open) */
#define KESTREL_E_SEND_DLE           225   /* leading DLE not sent (also: no serial link open) */
#define KESTREL_E_SEND_SOH           226
#define KESTREL_E_SEND_ADDRESS       227
#define KESTREL_E_SEND_COMMAND       228
#define KESTREL_E_SEND_LENGTH        229
#define KESTREL_E_SEND_DATA          230
#define KESTREL_E_SEND_CHECK         231
#define KESTREL_E_SEND_TRAILER_DLE   232
#define KESTREL_E_SEND_TRAILER_STX   233
#define KESTREL_E_NO_REPLY           234   /* no reply byte within the wait */
#define KESTREL_E_REPLY_DLE          235   /* reply does not begin with DLE; USB: no reply at all */
#define KESTREL_E_REPLY_SOH_MISSING  236
#define KESTREL_E_REPLY_SOH          237   /* second byte not SOH; USB: command echo differs */
#define KESTREL_E_REPLY_ADDRESS      238
#define KESTREL_E_REPLY_ECHO_MISSING 239
#define KESTREL_E_REPLY_STATUS       240
#define KESTREL_E_REPLY_DATA         241   /* a length or data byte not received, or the reply is too long */
#define KESTREL_E_REPLY_CHECK_MISSING 242
#define KESTREL_E_REPLY_CHECK        243   /* check byte differs from the computed check */
#define KESTREL_E_REPLY_TRAILER_DLE_MISSING 244
#define KESTREL_E_REPLY_TRAILER_DLE  245
#define KESTREL_E_REPLY_TRAILER_STX_MISSING 246
#define KESTREL_E_REPLY_TRAILER_STX  247
#define KESTREL_E_REQUEST_TOO_LONG   248   /* the request would not fit the frame's one-byte length (over 255 bytes); nothing sent */
#define KESTREL_E_CANCELLED          249   /* reader handles: kestrel_cancel ended the call */
#define KESTREL_E_BUFFER_SMALL       250   /* reader handles: the reply did not fit the capacity given; its first bytes were written */
#define KESTREL_E_BAD_URI            251   /* reader handles: the URI names no reader */
#define KESTREL_E_ARGUMENT           252   /* reader handles: a null handle or buffer, a record longer than its size, a value out of range; nothing sent */
#define KESTREL_E_REPLY_ADDRESS_RULE 253   /* reply came from another reader address */
#define KESTREL_E_REPLY_ECHO         254   /* command echo differs from the command */
#define KESTREL_E_NULL_BUFFER        255   /* a byte array the export needs is null; nothing sent */

/* The most data bytes one reply frame carries. No export copies more than this into a caller's
 * buffer, and no export reads more than 255 bytes from one. */
#define KESTREL_MAX_REPLY_DATA 2048

/* static inline in C99 and C++; __inline for older C compilers. Adds no export. */
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#define KESTREL_INLINE static inline
#else
#define KESTREL_INLINE static __inline
#endif

/* The name of a result, for messages: the link status code's constant name
 * ("KESTREL_E_NO_REPLY"), or "reader status" for any other value, which only an export
 * that passes on the reader's verdict returns. The two share one number space, so such an
 * export's 1 or 4 may be the reader's status too. */
KESTREL_INLINE const char* kestrel_result_name(int32_t result) {
    switch (result) {
    case KESTREL_OK: return "KESTREL_OK";
    case KESTREL_E_OPEN: return "KESTREL_E_OPEN";
    case KESTREL_E_ALARM_SELECTOR: return "KESTREL_E_ALARM_SELECTOR";
    case KESTREL_E_USB_NO_READER: return "KESTREL_E_USB_NO_READER";
    case KESTREL_E_USB_SEND: return "KESTREL_E_USB_SEND";
    case KESTREL_E_SEND_DLE: return "KESTREL_E_SEND_DLE";
    case KESTREL_E_SEND_SOH: return "KESTREL_E_SEND_SOH";
    case KESTREL_E_SEND_ADDRESS: return "KESTREL_E_SEND_ADDRESS";
    case KESTREL_E_SEND_COMMAND: return "KESTREL_E_SEND_COMMAND";
    case KESTREL_E_SEND_LENGTH: return "KESTREL_E_SEND_LENGTH";
    case KESTREL_E_SEND_DATA: return "KESTREL_E_SEND_DATA";
    case KESTREL_E_SEND_CHECK: return "KESTREL_E_SEND_CHECK";
    case KESTREL_E_SEND_TRAILER_DLE: return "KESTREL_E_SEND_TRAILER_DLE";
    case KESTREL_E_SEND_TRAILER_STX: return "KESTREL_E_SEND_TRAILER_STX";
    case KESTREL_E_NO_REPLY: return "KESTREL_E_NO_REPLY";
    case KESTREL_E_REPLY_DLE: return "KESTREL_E_REPLY_DLE";
    case KESTREL_E_REPLY_SOH_MISSING: return "KESTREL_E_REPLY_SOH_MISSING";
    case KESTREL_E_REPLY_SOH: return "KESTREL_E_REPLY_SOH";
    case KESTREL_E_REPLY_ADDRESS: return "KESTREL_E_REPLY_ADDRESS";
    case KESTREL_E_REPLY_ECHO_MISSING: return "KESTREL_E_REPLY_ECHO_MISSING";
    case KESTREL_E_REPLY_STATUS: return "KESTREL_E_REPLY_STATUS";
    case KESTREL_E_REPLY_DATA: return "KESTREL_E_REPLY_DATA";
    case KESTREL_E_REPLY_CHECK_MISSING: return "KESTREL_E_REPLY_CHECK_MISSING";
    case KESTREL_E_REPLY_CHECK: return "KESTREL_E_REPLY_CHECK";
    case KESTREL_E_REPLY_TRAILER_DLE_MISSING: return "KESTREL_E_REPLY_TRAILER_DLE_MISSING";
    case KESTREL_E_REPLY_TRAILER_DLE: return "KESTREL_E_REPLY_TRAILER_DLE";
    case KESTREL_E_REPLY_TRAILER_STX_MISSING: return "KESTREL_E_REPLY_TRAILER_STX_MISSING";
    case KESTREL_E_REPLY_TRAILER_STX: return "KESTREL_E_REPLY_TRAILER_STX";
    case KESTREL_E_REQUEST_TOO_LONG: return "KESTREL_E_REQUEST_TOO_LONG";
    case KESTREL_E_CANCELLED: return "KESTREL_E_CANCELLED";
    case KESTREL_E_BUFFER_SMALL: return "KESTREL_E_BUFFER_SMALL";
    case KESTREL_E_BAD_URI: return "KESTREL_E_BAD_URI";
    case KESTREL_E_ARGUMENT: return "KESTREL_E_ARGUMENT";
    case KESTREL_E_REPLY_ADDRESS_RULE: return "KESTREL_E_REPLY_ADDRESS_RULE";
    case KESTREL_E_REPLY_ECHO: return "KESTREL_E_REPLY_ECHO";
    case KESTREL_E_NULL_BUFFER: return "KESTREL_E_NULL_BUFFER";
    default: return "reader status";
    }
}

/* Port index of LinkCom: 0..9 are COM1..COM10, this one is the USB reader. */
#define KESTREL_PORT_USB 32

/* Link */
KESTREL_API int32_t KESTREL_CALL LinkCom(int32_t address, int32_t port, int32_t rate);
KESTREL_API int32_t KESTREL_CALL UnLinkCom(void);
KESTREL_API int32_t KESTREL_CALL Link_Reader(int32_t address);

/* Network link (readers with a network interface, a transparent serial server: the frames of
 * the serial link over a TCP stream). TCP_LinkCom takes the IP text with or without zero-padded
 * groups ("192.168.001.010", "192.168.1.10") and a port of 1..65535; other text or ports give
 * KESTREL_E_OPEN with nothing sent and the open link untouched. Otherwise it closes whatever
 * link is open (serial, USB or TCP), connects (bounded at 3 s) and probes like LinkCom; 0 leaves
 * a link over which every export works, nonzero leaves no link. UnLinkCom closes it.
 *
 * The network settings record of Set_IP_Address and Get_IP_Address, 20 bytes: gateway (4),
 * subnet mask (4), MAC address (6), IP address (4), port (2, high byte first). The IP groups are
 * in text order. Command codes (device range, used by no other export): Set_IP_Address 0x08,
 * Get_IP_Address 0x09. Both return the link status code when the transaction failed, else the
 * reader status: 0 when the reader stored the record, or when `record` holds the reader's. */
#define KESTREL_TCP_PORT_MIN 1
#define KESTREL_TCP_PORT_MAX 65535
#define KESTREL_IP_RECORD_SIZE 20
#define KESTREL_CMD_SET_IP_ADDRESS 0x08
#define KESTREL_CMD_GET_IP_ADDRESS 0x09

KESTREL_API int32_t KESTREL_CALL TCP_LinkCom(int32_t address, int32_t port, const char* ip_text);
KESTREL_API int32_t KESTREL_CALL Set_IP_Address(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL Get_IP_Address(int32_t address, uint8_t* record);

/* Device management */
#define KESTREL_DEVICE_INFO_SIZE 22  /* GetDeviceInfo: identity text */
#define KESTREL_ALARM_MAX_SELECTOR 7 /* ALARM: a larger selector is refused with 4 */

KESTREL_API int32_t KESTREL_CALL DeviceRestore(int32_t address);
KESTREL_API int32_t KESTREL_CALL DeviceReset(int32_t address);
KESTREL_API int32_t KESTREL_CALL Set_Baud_Rate(int32_t address, int32_t rate_code);
KESTREL_API int32_t KESTREL_CALL ALARM(int32_t address, int32_t selector, int32_t value1, int32_t value2,
                                       int32_t value3);
KESTREL_API int32_t KESTREL_CALL GetDeviceInfo(int32_t address, uint8_t* info);
KESTREL_API int32_t KESTREL_CALL ReadDeviceNo(int32_t address, uint8_t* number);
KESTREL_API int32_t KESTREL_CALL WriteDeviceNo(int32_t address, int32_t number);
KESTREL_API int32_t KESTREL_CALL Read_DeviceTemp(int32_t address, uint8_t* temperature);

/* RF and work parameters */
#define KESTREL_WORK_PARAM_SIZE 7    /* standard, region, speed, frequency mode, channel, power, antenna */
#define KESTREL_RF_POWER_SIZE 3      /* set level, actual power, RSSI */
#define KESTREL_CH_ACTIVE_SIZE 9     /* region code, then the 8-byte channel enable mask */
#define KESTREL_CH_MASK_SIZE 8       /* Get_CH_Active: the channel enable mask */
#define KESTREL_MENJIN_PARAM_SIZE 5  /* access-control card-reader output */

KESTREL_API int32_t KESTREL_CALL Set_Work_Param(int32_t address, uint8_t* params);
KESTREL_API int32_t KESTREL_CALL Get_Work_Param(int32_t address, uint8_t* params);
KESTREL_API int32_t KESTREL_CALL Set_R2000_ON_OFF(int32_t address, int32_t on);
KESTREL_API int32_t KESTREL_CALL Set_CW_ON_OFF(int32_t address, int32_t on);
KESTREL_API int32_t KESTREL_CALL Get_RF_Power(int32_t address, uint8_t* power);
KESTREL_API int32_t KESTREL_CALL Set_Active_ANT(int32_t address, int32_t antenna);
KESTREL_API int32_t KESTREL_CALL Set_CH_Active(int32_t address, uint8_t* channels);
KESTREL_API int32_t KESTREL_CALL Get_CH_Active(int32_t address, uint8_t* channels);
KESTREL_API int32_t KESTREL_CALL Set_Menjin_Param(int32_t address, uint8_t* params);
KESTREL_API int32_t KESTREL_CALL Get_Menjin_Param(int32_t address, uint8_t* params);

/* EPC tags. Every tag command returns the link status code when the transaction failed
 * (no buffer touched), else the reader status after copying the reply. The memory reads
 * (EPC_Read_TAG, GB_Read_TAG, GJB_Read_TAG, GJB_FD_Cust_Read_Block) copy the count byte n and
 * at most the 2 x word count bytes the request asked for: a reply stating more keeps its count
 * byte and is cut there. A request record longer than 255 bytes (word writes with too many
 * words, custom commands with too many bits, PSAM and FM151M records with too large a count)
 * is refused with KESTREL_E_REQUEST_TOO_LONG, nothing sent. */
#define KESTREL_PASSWORD_SIZE 4      /* one tag password */
#define KESTREL_EPC_MEMORY_SIZE 4    /* bank, word address (2), word count: read and erase */
#define KESTREL_EPC_LOCK_SIZE 5      /* kill pwd, access pwd, EPC, TID, User */
#define KESTREL_KILL_CODE_SIZE 4     /* kill confirmation code */

KESTREL_API int32_t KESTREL_CALL EPC_Read_Select_Para(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL EPC_Write_Select_Para(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL EPC_Query_ON(int32_t address);
KESTREL_API int32_t KESTREL_CALL EPC_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block);
KESTREL_API int32_t KESTREL_CALL EPC_Set_Pwd(int32_t address, int32_t store, uint8_t* access_password,
                                             uint8_t* kill_password);
KESTREL_API int32_t KESTREL_CALL EPC_Wake_TAG(int32_t address, uint8_t* match, uint8_t* epc);
KESTREL_API int32_t KESTREL_CALL EPC_Access_Proc(int32_t address);
KESTREL_API int32_t KESTREL_CALL EPC_Read_TAG(int32_t address, uint8_t* request, uint8_t* data);
KESTREL_API int32_t KESTREL_CALL EPC_Write_TAG(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL EPC_Kill_TAG(int32_t address, uint8_t* code);
KESTREL_API int32_t KESTREL_CALL EPC_Lock_TAG(int32_t address, uint8_t* lock);
KESTREL_API int32_t KESTREL_CALL EPC_Write_Block_TAG(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL EPC_Write_Erase_TAG(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL EPC_Halt_TAG(int32_t address);
KESTREL_API int32_t KESTREL_CALL EPC_Edit_TAG_Pwd(int32_t address, uint8_t* first_password,
                                                  uint8_t* second_password);
KESTREL_API int32_t KESTREL_CALL EPC_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply);

/* GB tags. Memory areas: 0 tag information, 1 coding, 2 security, 3..18 user areas 1..16. */
#define KESTREL_AREA_MEMORY_SIZE 5   /* area, word address (2), word count (2): GB/GJB read and erase */
#define KESTREL_AREA_LOCK_SIZE 3     /* GB: area, configuration, action; GJB: area, action, spare */
#define KESTREL_GB_PASSWORDS_SIZE 9  /* GB_Edit_TAG_Pwd: area, new read password, new write password */
#define KESTREL_SECPARA_SIZE 6       /* GB tag security parameters */
#define KESTREL_AUTH_KEY_SIZE 16     /* authentication password or key */

/* Select parameters, inventory and tag list. */
KESTREL_API int32_t KESTREL_CALL GB_Read_Select_Para(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL GB_Write_Select_Para(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL GB_Query_ON(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block);
/* Passwords, wake and memory access. */
KESTREL_API int32_t KESTREL_CALL GB_Set_Pwd(int32_t address, int32_t store, int32_t area, uint8_t* read_password,
                                            uint8_t* write_password);
KESTREL_API int32_t KESTREL_CALL GB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area);
KESTREL_API int32_t KESTREL_CALL GB_Access_Proc(int32_t address, int32_t area, int32_t password_type);
KESTREL_API int32_t KESTREL_CALL GB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data);
KESTREL_API int32_t KESTREL_CALL GB_Write_TAG(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GB_Kill_TAG(int32_t address, uint8_t* code);
KESTREL_API int32_t KESTREL_CALL GB_Lock_TAG(int32_t address, uint8_t* lock);
KESTREL_API int32_t KESTREL_CALL GB_Write_Block_TAG(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GB_Erase_TAG(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GB_Halt_TAG(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords);
/* Tag security: parameters, authentication, secure communication. */
KESTREL_API int32_t KESTREL_CALL GB_Get_SecPara(int32_t address, uint8_t* parameters);
KESTREL_API int32_t KESTREL_CALL GB_Set_SecPara(int32_t address, uint8_t* parameters);
KESTREL_API int32_t KESTREL_CALL GB_Set_Auth_Pwd(int32_t address, uint8_t* password);
KESTREL_API int32_t KESTREL_CALL GB_T2R_XAuth(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_T2R_SAuth(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_R2T_XAuth(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_R2T_SAuth(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_Mul_XAuth(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_Mul_SAuth(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_Sec_Comm(int32_t address);
KESTREL_API int32_t KESTREL_CALL GB_TAG_Cust_Command(int32_t address, uint8_t* command, uint8_t* reply);

/* GJB tags. Memory areas: 0 tag information, 1 coding, 2 security, 3 user. */
#define KESTREL_GJB_PASSWORDS_SIZE 16 /* kill, lock, read, write password */

KESTREL_API int32_t KESTREL_CALL GJB_Read_Select_Para(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL GJB_Write_Select_Para(int32_t address, uint8_t* record);
KESTREL_API int32_t KESTREL_CALL GJB_Query_ON(int32_t address);
KESTREL_API int32_t KESTREL_CALL GJB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block);
KESTREL_API int32_t KESTREL_CALL GJB_Set_Pwd(int32_t address, int32_t store, uint8_t* passwords);
KESTREL_API int32_t KESTREL_CALL GJB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area);
KESTREL_API int32_t KESTREL_CALL GJB_Access_Proc(int32_t address, int32_t password_type);
KESTREL_API int32_t KESTREL_CALL GJB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data);
KESTREL_API int32_t KESTREL_CALL GJB_Write_TAG(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GJB_Kill_TAG(int32_t address, uint8_t* code);
KESTREL_API int32_t KESTREL_CALL GJB_Lock_TAG(int32_t address, uint8_t* lock);
KESTREL_API int32_t KESTREL_CALL GJB_Write_Block_TAG(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GJB_Erase_TAG(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GJB_Halt_TAG(int32_t address);
KESTREL_API int32_t KESTREL_CALL GJB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords);
KESTREL_API int32_t KESTREL_CALL GJB_Get_SecPara(int32_t address, uint8_t* parameters);
KESTREL_API int32_t KESTREL_CALL GJB_TAG_Cust_Command(int32_t address, uint8_t* command, uint8_t* reply);

/* FD custom tags of GB and GJB. The GJB block commands use the GJB memory and lock layouts
 * with a user sub-area code (1 or 2) in place of the area. */
#define KESTREL_FD_END_CODE_SIZE 4   /* GB_FD_Cust_Init_End: quick-initialisation end code */
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Access(int32_t address, uint8_t* password);
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Write(int32_t address, uint8_t* password);
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Lock(int32_t address, uint8_t* mode);
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Init_End(int32_t address, uint8_t* end_code);
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Lock_Info(int32_t address, uint8_t* info);
KESTREL_API int32_t KESTREL_CALL GB_FD_Write_Auth_Pwd(int32_t address, uint8_t* key);
KESTREL_API int32_t KESTREL_CALL GB_FD_Dual_Auth(int32_t address, int32_t diversify, int32_t key_id);
KESTREL_API int32_t KESTREL_CALL GB_FD_Get_Diver_Key(int32_t address, int32_t key_id, uint8_t* key);
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Read_Block(int32_t address, uint8_t* request, uint8_t* data);
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Write_Block(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Erase_Block(int32_t address, uint8_t* request);
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Blck(int32_t address, uint8_t* lock);
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Info(int32_t address, uint8_t* info);

/* PSAM and FM151M */
KESTREL_API int32_t KESTREL_CALL PSAM_POWER_ON(int32_t address, int32_t slot, int32_t power, uint8_t* response);
KESTREL_API int32_t KESTREL_CALL PSAM_Warm_Reset(int32_t address, int32_t slot, uint8_t* response);
KESTREL_API int32_t KESTREL_CALL PSAM_Command(int32_t address, uint8_t* command, uint8_t* response);
KESTREL_API int32_t KESTREL_CALL PSAM_FD_Issue(int32_t address, uint8_t* issue, uint8_t* response);
KESTREL_API int32_t KESTREL_CALL FM151M_Get_ID(int32_t address, uint8_t* identity);
KESTREL_API int32_t KESTREL_CALL FM151M_Get_RN(int32_t address, int32_t length, uint8_t* random);
KESTREL_API int32_t KESTREL_CALL FM151M_Hash(int32_t address, uint8_t* request, uint8_t* reply);
KESTREL_API int32_t KESTREL_CALL FM151M_Cipher(int32_t address, uint8_t* request, uint8_t* reply);

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_H */
