/**
 * @file kestrel.h
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

/* Link status codes: the one table of results (kestrel_result_name names them). */
#define KESTREL_OK                     0   /**< a valid reply frame was received */
#define KESTREL_E_OPEN                 1   /**< port out of range, missing, busy or not set up; USB interface not claimed */
#define KESTREL_E_ALARM_SELECTOR       4   /**< ALARM selector above 7; nothing sent */
#define KESTREL_E_USB_NO_READER       33   /**< no USB reader found, or it could not be opened */
#define KESTREL_E_USB_SEND           187   /**< USB: command frame not sent (also: no USB reader open) */
#define KESTREL_E_SEND_DLE           225   /**< leading DLE not sent (also: no serial link open) */
#define KESTREL_E_SEND_SOH           226   /**< the SOH byte of the command frame not sent */
#define KESTREL_E_SEND_ADDRESS       227   /**< the address byte of the command frame not sent */
#define KESTREL_E_SEND_COMMAND       228   /**< the command byte of the command frame not sent */
#define KESTREL_E_SEND_LENGTH        229   /**< the length byte of the command frame not sent */
#define KESTREL_E_SEND_DATA          230   /**< the data byte of the command frame not sent */
#define KESTREL_E_SEND_CHECK         231   /**< the check byte of the command frame not sent */
#define KESTREL_E_SEND_TRAILER_DLE   232   /**< the trailer DLE byte of the command frame not sent */
#define KESTREL_E_SEND_TRAILER_STX   233   /**< the trailer STX byte of the command frame not sent */
#define KESTREL_E_NO_REPLY           234   /**< no reply byte within the wait */
#define KESTREL_E_REPLY_DLE          235   /**< reply does not begin with DLE; USB: no reply at all */
#define KESTREL_E_REPLY_SOH_MISSING  236   /**< the reply ended before its SOH byte */
#define KESTREL_E_REPLY_SOH          237   /**< second byte not SOH; USB: command echo differs */
#define KESTREL_E_REPLY_ADDRESS      238   /**< the reply's address byte is wrong */
#define KESTREL_E_REPLY_ECHO_MISSING 239   /**< the reply ended before its command echo byte */
#define KESTREL_E_REPLY_STATUS       240   /**< the reply's status byte is wrong */
#define KESTREL_E_REPLY_DATA         241   /**< a length or data byte not received, or the reply is too long */
#define KESTREL_E_REPLY_CHECK_MISSING 242   /**< the reply ended before its check byte */
#define KESTREL_E_REPLY_CHECK        243   /**< check byte differs from the computed check */
#define KESTREL_E_REPLY_TRAILER_DLE_MISSING 244   /**< the reply ended before its trailer DLE byte */
#define KESTREL_E_REPLY_TRAILER_DLE  245   /**< the reply's trailer DLE byte is wrong */
#define KESTREL_E_REPLY_TRAILER_STX_MISSING 246   /**< the reply ended before its trailer STX byte */
#define KESTREL_E_REPLY_TRAILER_STX  247   /**< the reply's trailer STX byte is wrong */
#define KESTREL_E_REQUEST_TOO_LONG   248   /**< the request would not fit the frame's one-byte length (over 255 bytes); nothing sent */
#define KESTREL_E_CANCELLED          249   /**< reader handles: kestrel_cancel ended the call */
#define KESTREL_E_BUFFER_SMALL       250   /**< reader handles: the reply did not fit the capacity given; its first bytes were written */
#define KESTREL_E_BAD_URI            251   /**< reader handles: the URI names no reader */
#define KESTREL_E_ARGUMENT           252   /**< reader handles: a null handle or buffer, a record longer than its size, a value out of range; nothing sent */
#define KESTREL_E_REPLY_ADDRESS_RULE 253   /**< reply came from another reader address */
#define KESTREL_E_REPLY_ECHO         254   /**< command echo differs from the command */
#define KESTREL_E_NULL_BUFFER        255   /**< a byte array the export needs is null; nothing sent */

/* The most data bytes one reply frame carries. No export copies more than this into a caller's
 * buffer, and no export reads more than 255 bytes from one. */
#define KESTREL_MAX_REPLY_DATA 2048   /**< the most data bytes one reply frame carries; no export copies more into a caller's buffer */

/* static inline in C99 and C++; __inline for older C compilers. Adds no export. */
#if defined(__cplusplus) || (defined(__STDC_VERSION__) && __STDC_VERSION__ >= 199901L)
#define KESTREL_INLINE static inline
#else
#define KESTREL_INLINE static __inline
#endif

/** The name of a result, for messages: the link status code's constant name
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
#define KESTREL_PORT_USB 32   /**< LinkCom port index of the USB reader (0..9 are COM1..COM10) */

/* Link */
/** Opens the default link and probes the reader (command 0x00, up to three attempts).
 * @param address reader address of the probe (low byte; 0xFF reaches any reader)
 * @param port 0..9 for COM1..COM10 (on Linux the device that KESTREL_COM1..KESTREL_COM10 names, else /dev/ttyS0..9), or KESTREL_PORT_USB
 * @param rate 9600, 19200, 38400, 57600 or 115200 (any other value: 9600); ignored for USB
 * A link of another transport is closed first; a serial or USB link already open is not opened twice (the call fails and it keeps working). A probe that gets no valid reply closes the new link.
 * @return KESTREL_OK; KESTREL_E_OPEN (no such port, busy, device path longer than 255 characters); KESTREL_E_USB_NO_READER; or the last probe's link status code.
 */
KESTREL_API int32_t KESTREL_CALL LinkCom(int32_t address, int32_t port, int32_t rate);
/** Closes the default link, whatever its transport.
 * @return KESTREL_OK.
 */
KESTREL_API int32_t KESTREL_CALL UnLinkCom(void);
/** Probes the reader on the open link (command 0x00, no data); a failed probe closes the link.
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return KESTREL_OK when the reader answered, else the link status code.
 */
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
#define KESTREL_TCP_PORT_MIN 1   /**< lowest port TCP_LinkCom takes */
#define KESTREL_TCP_PORT_MAX 65535   /**< highest port TCP_LinkCom takes */
#define KESTREL_IP_RECORD_SIZE 20   /**< network settings record: gateway (4), mask (4), MAC (6), IP (4), port (2) */
#define KESTREL_CMD_SET_IP_ADDRESS 0x08   /**< command code of Set_IP_Address */
#define KESTREL_CMD_GET_IP_ADDRESS 0x09   /**< command code of Get_IP_Address */

/** Opens the default link over TCP to a reader's network module and probes it (up to three attempts).
 * @param address reader address of the probe
 * @param port TCP port, 1..65535
 * @param ip_text IPv4 text, four decimal groups of 1 to 3 digits ("192.168.001.010"); read up to 64 characters
 * @return KESTREL_OK; KESTREL_E_OPEN for bad text or port (nothing touched) or a connection not made within 3 s; or the probe's link status code.
 */
KESTREL_API int32_t KESTREL_CALL TCP_LinkCom(int32_t address, int32_t port, const char* ip_text);
/** Stores the network settings record (command 0x08).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record KESTREL_IP_RECORD_SIZE bytes, read only
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL Set_IP_Address(int32_t address, uint8_t* record);
/** Reads the network settings record (command 0x09).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record receives exactly KESTREL_IP_RECORD_SIZE bytes: cleared first, then the reply's (0 for bytes it did not deliver). A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL Get_IP_Address(int32_t address, uint8_t* record);

/* Device management */
#define KESTREL_DEVICE_INFO_SIZE 22  /**< GetDeviceInfo: identity text */
#define KESTREL_ALARM_MAX_SELECTOR 7 /**< ALARM: a larger selector is refused with 4 */

/** Factory restore (command 0x01, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL DeviceRestore(int32_t address);
/** Device reset (command 0x02, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL DeviceReset(int32_t address);
/** Sets the reader's serial rate (command 0x03, one byte: the rate code). The library's own port keeps its rate.
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL Set_Baud_Rate(int32_t address, int32_t rate_code);
/** Drives the LED and buzzer (command 0x04, four bytes: selector, value1..3 as low bytes).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return KESTREL_E_ALARM_SELECTOR for a selector above 7 (nothing sent); else as a reader-status export: the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL ALARM(int32_t address, int32_t selector, int32_t value1, int32_t value2,
                                       int32_t value3);
/** Reads the identity text (command 0x05).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param info receives exactly KESTREL_DEVICE_INFO_SIZE bytes (cleared first; 0 where the reply is shorter). A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL GetDeviceInfo(int32_t address, uint8_t* info);
/** Reads the device number (command 0x07).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param number receives 1 byte (cleared first). A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL ReadDeviceNo(int32_t address, uint8_t* number);
/** Sets the device number (command 0x06, one byte). The reply comes from the new number and is accepted from any address.
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL WriteDeviceNo(int32_t address, int32_t number);
/** Reads the temperature (command 0x10).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param temperature receives 1 byte (cleared first). A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL Read_DeviceTemp(int32_t address, uint8_t* temperature);

/* RF and work parameters */
#define KESTREL_WORK_PARAM_SIZE 7    /**< standard, region, speed, frequency mode, channel, power, antenna */
#define KESTREL_RF_POWER_SIZE 3      /**< set level, actual power, RSSI */
#define KESTREL_CH_ACTIVE_SIZE 9     /**< region code, then the 8-byte channel enable mask */
#define KESTREL_CH_MASK_SIZE 8       /**< Get_CH_Active: the channel enable mask */
#define KESTREL_MENJIN_PARAM_SIZE 5  /**< access-control card-reader output */

/** Stores the work parameters (command 0x11).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param params KESTREL_WORK_PARAM_SIZE bytes, read only
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL Set_Work_Param(int32_t address, uint8_t* params);
/** Reads the work parameters (command 0x12).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param params receives exactly KESTREL_WORK_PARAM_SIZE bytes (cleared first). A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL Get_Work_Param(int32_t address, uint8_t* params);
/** Switches the reader chip on (1) or off (0) (command 0x13, one byte).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL Set_R2000_ON_OFF(int32_t address, int32_t on);
/** Switches the continuous carrier wave on (1) or off (0) (command 0x14, one byte).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL Set_CW_ON_OFF(int32_t address, int32_t on);
/** Reads the RF power (command 0x15).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param power receives exactly KESTREL_RF_POWER_SIZE bytes; only byte 0 is cleared first (the others keep their contents when the transaction fails). A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL Get_RF_Power(int32_t address, uint8_t* power);
/** Chooses the antenna (command 0x17, one byte).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL Set_Active_ANT(int32_t address, int32_t antenna);
/** Enables channels of a region (command 0x18).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param channels KESTREL_CH_ACTIVE_SIZE bytes, read only: region code, then the 8-byte mask
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL Set_CH_Active(int32_t address, uint8_t* channels);
/** Reads a region's channel mask (command 0x19, one byte: the region).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param channels byte 0 names the region on the way in; receives exactly KESTREL_CH_MASK_SIZE bytes after a valid reply. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL Get_CH_Active(int32_t address, uint8_t* channels);
/** Stores the access-control card-reader output settings (command 0x1A).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param params KESTREL_MENJIN_PARAM_SIZE bytes, read only
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL Set_Menjin_Param(int32_t address, uint8_t* params);
/** Reads the access-control card-reader output settings (command 0x1B).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param params receives exactly KESTREL_MENJIN_PARAM_SIZE bytes (cleared first). A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return KESTREL_OK or the link status code.
 */
KESTREL_API int32_t KESTREL_CALL Get_Menjin_Param(int32_t address, uint8_t* params);

/* EPC tags. Every tag command returns the link status code when the transaction failed
 * (no buffer touched), else the reader status after copying the reply. The memory reads
 * (EPC_Read_TAG, GB_Read_TAG, GJB_Read_TAG, GJB_FD_Cust_Read_Block) copy the count byte n and
 * at most the 2 x word count bytes the request asked for: a reply stating more keeps its count
 * byte and is cut there. A request record longer than 255 bytes (word writes with too many
 * words, custom commands with too many bits, PSAM and FM151M records with too large a count)
 * is refused with KESTREL_E_REQUEST_TOO_LONG, nothing sent. */
#define KESTREL_PASSWORD_SIZE 4      /**< one tag password */
#define KESTREL_EPC_MEMORY_SIZE 4    /**< bank, word address (2), word count: read and erase */
#define KESTREL_EPC_LOCK_SIZE 5      /**< kill pwd, access pwd, EPC, TID, User */
#define KESTREL_KILL_CODE_SIZE 4     /**< kill confirmation code */

/** Reads the reader's select parameters (command 0x20).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record receives the reader's record, whose byte 0 is its own length L: max(1, L) bytes, at most 255. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Read_Select_Para(int32_t address, uint8_t* record);
/** Writes the select parameters (command 0x21).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record byte 0 is the record's own length L; the first L bytes are sent (L = 0 sends none), read only
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Write_Select_Para(int32_t address, uint8_t* record);
/** Starts an inventory with the select parameters the reader holds (command 0x22, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Query_ON(int32_t address);
/** Fetches one block of the inventory's tag list (command 0x23, two bytes: mode, length).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param mode 0 from the beginning, 1 the same block again, 2 the next block
 * @param length records wanted in the block
 * @param block receives T bytes, T the block's first two bytes (big-endian; at least those two), at most 2048: T (2), tags held (2), record count k (1), then k records of a length byte and that many bytes. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block);
/** Gives the reader the access and kill passwords it uses towards tags (command 0x25, 9 bytes: store flag, access password, kill password).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param store 1: the reader keeps them
 * @param access_password KESTREL_PASSWORD_SIZE bytes, read only
 * @param kill_password KESTREL_PASSWORD_SIZE bytes, read only
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Set_Pwd(int32_t address, int32_t store, uint8_t* access_password,
                                             uint8_t* kill_password);
/** Wakes the tag that matches (command 0x26).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param match bank code, bit address (2), bit length b, then ceil(b/8) match bytes; 4 + ceil(b/8) bytes are read
 * @param epc receives the woken tag's identifier, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Wake_TAG(int32_t address, uint8_t* match, uint8_t* epc);
/** Runs the access-password check (command 0x27, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Access_Proc(int32_t address);
/** Reads tag memory (command 0x28).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 4 bytes: bank, word address (2), word count W (1 byte)
 * @param data receives the count byte n and min(n, 2W) data bytes: at most 1 + 2W, and 256. A reply stating more than 2W keeps its count byte and is cut. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Read_TAG(int32_t address, uint8_t* request, uint8_t* data);
/** Writes tag memory (command 0x29).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record 4 + 2N bytes: bank, word address (2), word count N (1), then 2N data bytes; more than 255 bytes is refused with KESTREL_E_REQUEST_TOO_LONG, nothing sent. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Write_TAG(int32_t address, uint8_t* record);
/** Kills the tag (command 0x2A).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param code KESTREL_KILL_CODE_SIZE bytes: the kill confirmation code. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Kill_TAG(int32_t address, uint8_t* code);
/** Locks tag memory (command 0x2B).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param lock 5 lock bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Lock_TAG(int32_t address, uint8_t* lock);
/** Block-writes tag memory (command 0x2C).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record 4 + 2N bytes: bank, word address (2), word count N (1), then 2N data bytes; more than 255 bytes is refused with KESTREL_E_REQUEST_TOO_LONG. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Write_Block_TAG(int32_t address, uint8_t* record);
/** Erases tag memory (command 0x2D).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request KESTREL_EPC_MEMORY_SIZE bytes: bank, word address (2), word count. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Write_Erase_TAG(int32_t address, uint8_t* request);
/** Halts the tag (command 0x2E, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Halt_TAG(int32_t address);
/** Writes new passwords into the tag (command 0x2F, 8 bytes: the first buffer's 4, then the second's).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param first_password KESTREL_PASSWORD_SIZE bytes, read only
 * @param second_password KESTREL_PASSWORD_SIZE bytes, read only
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_Edit_TAG_Pwd(int32_t address, uint8_t* first_password,
                                                  uint8_t* second_password);
/** Passes a custom tag command through (command 0xE2).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record bit length c (2, big-endian), time mode, expected response length (2), then ceil(c/8) command bytes; more than 255 bytes in all is refused with KESTREL_E_REQUEST_TOO_LONG
 * @param reply receives the tag's answer, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL EPC_TAG_Cust_Command(int32_t address, uint8_t* record, uint8_t* reply);

/* GB tags. Memory areas: 0 tag information, 1 coding, 2 security, 3..18 user areas 1..16. */
#define KESTREL_AREA_MEMORY_SIZE 5   /**< area, word address (2), word count (2): GB/GJB read and erase */
#define KESTREL_AREA_LOCK_SIZE 3     /**< GB: area, configuration, action; GJB: area, action, spare */
#define KESTREL_GB_PASSWORDS_SIZE 9  /**< GB_Edit_TAG_Pwd: area, new read password, new write password */
#define KESTREL_SECPARA_SIZE 6       /**< GB tag security parameters */
#define KESTREL_AUTH_KEY_SIZE 16     /**< authentication password or key */

/* Select parameters, inventory and tag list. */
/** Reads the reader's select parameters (command 0x40).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record receives the reader's record, whose byte 0 is its own length L: max(1, L) bytes, at most 255. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Read_Select_Para(int32_t address, uint8_t* record);
/** Writes the select parameters (command 0x41).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record byte 0 is the record's own length L; the first L bytes are sent (L = 0 sends none), read only
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Write_Select_Para(int32_t address, uint8_t* record);
/** Starts an inventory with the select parameters the reader holds (command 0x42, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Query_ON(int32_t address);
/** Fetches one block of the inventory's tag list (command 0x43, two bytes: mode, length).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param mode 0 from the beginning, 1 the same block again, 2 the next block
 * @param length records wanted in the block
 * @param block receives T bytes, T the block's first two bytes (big-endian; at least those two), at most 2048: T (2), tags held (2), record count k (1), then k records of a length byte and that many bytes. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block);
/* Passwords, wake and memory access. */
/** Gives the reader an area's read and write passwords (command 0x45, 10 bytes: store flag, area, read password, write password).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param read_password KESTREL_PASSWORD_SIZE bytes, read only
 * @param write_password KESTREL_PASSWORD_SIZE bytes, read only
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Set_Pwd(int32_t address, int32_t store, int32_t area, uint8_t* read_password,
                                            uint8_t* write_password);
/** Wakes the tag that matches (command 0x46).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param match area code, bit address (2), bit length b, then ceil(b/8) match bytes; 4 + ceil(b/8) bytes are read
 * @param coding_area receives the woken tag's identifier, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area);
/** Checks an area's read (0) or write (1) password (command 0x47, two bytes: area, type).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Access_Proc(int32_t address, int32_t area, int32_t password_type);
/** Reads tag memory (command 0x48).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 5 bytes: area, word address (2), word count W (2 bytes)
 * @param data receives the count byte n and min(n, 2W) data bytes: at most 1 + 2W, and 256. A reply stating more than 2W keeps its count byte and is cut. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data);
/** Writes tag memory (command 0x49).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 5 + 2N bytes: area, word address (2), word count N (2), then 2N data bytes; more than 255 bytes is refused with KESTREL_E_REQUEST_TOO_LONG, nothing sent. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Write_TAG(int32_t address, uint8_t* request);
/** Kills the tag (command 0x4A).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param code KESTREL_KILL_CODE_SIZE bytes: the kill confirmation code. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Kill_TAG(int32_t address, uint8_t* code);
/** Locks tag memory (command 0x4B).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param lock 3 lock bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Lock_TAG(int32_t address, uint8_t* lock);
/** Block-writes tag memory (command 0x4C).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 3 + 2N bytes: two bytes passed through, word count N (1), then 2N data bytes; more than 255 bytes is refused with KESTREL_E_REQUEST_TOO_LONG. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Write_Block_TAG(int32_t address, uint8_t* request);
/** Erases tag memory (command 0x4D).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request KESTREL_AREA_MEMORY_SIZE bytes: area, word address (2), word count (2). Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Erase_TAG(int32_t address, uint8_t* request);
/** Halts the tag (command 0x4E, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Halt_TAG(int32_t address);
/** Writes an area's new passwords into the tag (command 0x4F).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param passwords KESTREL_GB_PASSWORDS_SIZE bytes: area, new read password, new write password. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords);
/* Tag security: parameters, authentication, secure communication. */
/** Reads the tag's security parameters (command 0x50, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param parameters receives count n, the 6 parameter bytes, then the TID: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Get_SecPara(int32_t address, uint8_t* parameters);
/** Sets the tag's security parameters (command 0x51).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param parameters KESTREL_SECPARA_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Set_SecPara(int32_t address, uint8_t* parameters);
/** Gives the reader the authentication password (command 0x52).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param password KESTREL_AUTH_KEY_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Set_Auth_Pwd(int32_t address, uint8_t* password);
/** Runs the tag-to-reader authentication, X variant with what the reader holds (command 0x53, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_T2R_XAuth(int32_t address);
/** Runs the tag-to-reader authentication, S variant with what the reader holds (command 0x54, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_T2R_SAuth(int32_t address);
/** Runs the reader-to-tag authentication, X variant with what the reader holds (command 0x55, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_R2T_XAuth(int32_t address);
/** Runs the reader-to-tag authentication, S variant with what the reader holds (command 0x56, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_R2T_SAuth(int32_t address);
/** Runs the mutual authentication, X variant with what the reader holds (command 0x57, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Mul_XAuth(int32_t address);
/** Runs the mutual authentication, S variant with what the reader holds (command 0x58, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Mul_SAuth(int32_t address);
/** Runs the secure communication with what the reader holds (command 0x59, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_Sec_Comm(int32_t address);
/** Passes a custom tag command through (command 0xE0).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param command bit length c (2, big-endian), time mode, expected response length (2), then ceil(c/8) command bytes; more than 255 bytes in all is refused with KESTREL_E_REQUEST_TOO_LONG
 * @param reply receives the tag's answer, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_TAG_Cust_Command(int32_t address, uint8_t* command, uint8_t* reply);

/* GJB tags. Memory areas: 0 tag information, 1 coding, 2 security, 3 user. */
#define KESTREL_GJB_PASSWORDS_SIZE 16 /**< kill, lock, read, write password */

/** Reads the reader's select parameters (command 0x60).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record receives the reader's record, whose byte 0 is its own length L: max(1, L) bytes, at most 255. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Read_Select_Para(int32_t address, uint8_t* record);
/** Writes the select parameters (command 0x61).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param record byte 0 is the record's own length L; the first L bytes are sent (L = 0 sends none), read only
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Write_Select_Para(int32_t address, uint8_t* record);
/** Starts an inventory with the select parameters the reader holds (command 0x62, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Query_ON(int32_t address);
/** Fetches one block of the inventory's tag list (command 0x63, two bytes: mode, length).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param mode 0 from the beginning, 1 the same block again, 2 the next block
 * @param length records wanted in the block
 * @param block receives T bytes, T the block's first two bytes (big-endian; at least those two), at most 2048: T (2), tags held (2), record count k (1), then k records of a length byte and that many bytes. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Read_Tag_List(int32_t address, int32_t mode, int32_t length, uint8_t* block);
/** Gives the reader the tag's passwords (command 0x65, 17 bytes: store flag, then the passwords).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param passwords KESTREL_GJB_PASSWORDS_SIZE bytes: kill, lock, read, write, read only
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Set_Pwd(int32_t address, int32_t store, uint8_t* passwords);
/** Wakes the tag that matches (command 0x66).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param match area code, bit address (2), bit length b, then ceil(b/8) match bytes; 4 + ceil(b/8) bytes are read
 * @param coding_area receives the woken tag's identifier, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Wake_TAG(int32_t address, uint8_t* match, uint8_t* coding_area);
/** Checks the read (0), write (1), lock (2) or kill (3) password (command 0x67, one byte).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Access_Proc(int32_t address, int32_t password_type);
/** Reads tag memory (command 0x68).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 5 bytes: area, word address (2), word count W (2 bytes)
 * @param data receives the count byte n and min(n, 2W) data bytes: at most 1 + 2W, and 256. A reply stating more than 2W keeps its count byte and is cut. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Read_TAG(int32_t address, uint8_t* request, uint8_t* data);
/** Writes tag memory (command 0x69).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 5 + 2N bytes: area, word address (2), word count N (2), then 2N data bytes; more than 255 bytes is refused with KESTREL_E_REQUEST_TOO_LONG, nothing sent. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Write_TAG(int32_t address, uint8_t* request);
/** Kills the tag (command 0x6A).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param code KESTREL_KILL_CODE_SIZE bytes: the kill confirmation code. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Kill_TAG(int32_t address, uint8_t* code);
/** Locks tag memory (command 0x6B).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param lock 3 lock bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Lock_TAG(int32_t address, uint8_t* lock);
/** Block-writes tag memory (command 0x6C).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 3 + 2N bytes: two bytes passed through, word count N (1), then 2N data bytes; more than 255 bytes is refused with KESTREL_E_REQUEST_TOO_LONG. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Write_Block_TAG(int32_t address, uint8_t* request);
/** Erases tag memory (command 0x6D).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request KESTREL_AREA_MEMORY_SIZE bytes: area, word address (2), word count (2). Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Erase_TAG(int32_t address, uint8_t* request);
/** Halts the tag (command 0x6E, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Halt_TAG(int32_t address);
/** Writes new passwords into the tag (command 0x6F).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param passwords KESTREL_GJB_PASSWORDS_SIZE bytes: kill, lock, read, write. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Edit_TAG_Pwd(int32_t address, uint8_t* passwords);
/** Reads the tag's security parameters (command 0x70, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param parameters receives them length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_Get_SecPara(int32_t address, uint8_t* parameters);
/** Passes a custom tag command through (command 0xE1).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param command bit length c (2, big-endian), time mode, expected response length (2), then ceil(c/8) command bytes; more than 255 bytes in all is refused with KESTREL_E_REQUEST_TOO_LONG
 * @param reply receives the tag's answer, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_TAG_Cust_Command(int32_t address, uint8_t* command, uint8_t* reply);

/* FD custom tags of GB and GJB. The GJB block commands use the GJB memory and lock layouts
 * with a user sub-area code (1 or 2) in place of the area. */
#define KESTREL_FD_END_CODE_SIZE 4   /**< GB_FD_Cust_Init_End: quick-initialisation end code */
/** Checks the FD security password (command 0xA0).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param password KESTREL_PASSWORD_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Access(int32_t address, uint8_t* password);
/** Writes the FD security password (command 0xA1).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param password KESTREL_PASSWORD_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Write(int32_t address, uint8_t* password);
/** Locks the FD security password: 0 stays writable, 1 read only (command 0xA2).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param mode 1 byte. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Pwd_Lock(int32_t address, uint8_t* mode);
/** Ends the quick initialisation (command 0xA3).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param end_code KESTREL_FD_END_CODE_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Init_End(int32_t address, uint8_t* end_code);
/** Reads the FD lock information (command 0xA4, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param info receives it length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Cust_Lock_Info(int32_t address, uint8_t* info);
/** Writes the authentication key (command 0xA5).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param key KESTREL_AUTH_KEY_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Write_Auth_Pwd(int32_t address, uint8_t* key);
/** Mutual authentication with the key of `key_id`, diversified for the tag when `diversify` is 1 (command 0xA6, two bytes).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Dual_Auth(int32_t address, int32_t diversify, int32_t key_id);
/** Reads the diversified key of `key_id` (command 0xA7, one byte).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param key receives exactly KESTREL_AUTH_KEY_SIZE bytes (0 for bytes the reply did not deliver), no count byte. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GB_FD_Get_Diver_Key(int32_t address, int32_t key_id, uint8_t* key);
/** Reads a block of a user sub-area (command 0xB0).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request KESTREL_AREA_MEMORY_SIZE bytes: sub-area (1 or 2), word address (2), word count W (2)
 * @param data receives the count byte n and min(n, 2W) bytes: at most 1 + 2W, and 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Read_Block(int32_t address, uint8_t* request, uint8_t* data);
/** Writes a block of a user sub-area (command 0xB1).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request 5 + 2N bytes: sub-area, word address (2), word count N (2), then 2N bytes; more than 255 is refused with KESTREL_E_REQUEST_TOO_LONG. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Write_Block(int32_t address, uint8_t* request);
/** Erases a block of a user sub-area (command 0xB2).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request KESTREL_AREA_MEMORY_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Erase_Block(int32_t address, uint8_t* request);
/** Locks a block of a user sub-area (command 0xB3).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param lock KESTREL_AREA_LOCK_SIZE bytes. Writes 1 byte: the tag's verdict, into byte 0 of the record (after a valid reply).
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Blck(int32_t address, uint8_t* lock);
/** Reads the lock information of the user sub-areas (command 0xB4, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param info receives it length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed (no buffer touched), else the reader status (0: the tag operation succeeded), after the copy.
 */
KESTREL_API int32_t KESTREL_CALL GJB_FD_Cust_Lock_Info(int32_t address, uint8_t* info);

/* PSAM and FM151M */
/** Powers a PSAM slot on or off (command 0xF0, two bytes: slot, power).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param response receives the card's answer to reset, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL PSAM_POWER_ON(int32_t address, int32_t slot, int32_t power, uint8_t* response);
/** Warm-resets a PSAM slot (command 0xF1, one byte: slot).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param response receives the answer to reset, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL PSAM_Warm_Reset(int32_t address, int32_t slot, uint8_t* response);
/** Sends an APDU to the PSAM card (command 0xF2).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param command count n, then n bytes; n + 1 bytes are read; n = 255 is refused with KESTREL_E_REQUEST_TOO_LONG
 * @param response receives the card's answer, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL PSAM_Command(int32_t address, uint8_t* command, uint8_t* response);
/** Issues an FD key through the PSAM card (command 0xF3).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param issue count n, then n bytes; n = 255 is refused with KESTREL_E_REQUEST_TOO_LONG
 * @param response receives the answer, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL PSAM_FD_Issue(int32_t address, uint8_t* issue, uint8_t* response);
/** Reads the FM151M chip's identifier (command 0xD0, no data).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param identity receives it length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL FM151M_Get_ID(int32_t address, uint8_t* identity);
/** Reads random bytes from the FM151M chip (command 0xD1, two bytes: the length's low 16 bits, high byte first).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param random receives a 2-byte count R (big-endian), then R bytes: R + 2 bytes, at most 2048. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL FM151M_Get_RN(int32_t address, int32_t length, uint8_t* random);
/** Runs a digest step on the FM151M chip (command 0xD2).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request phase, algorithm, count d, then d bytes; d + 3 bytes are read; more than 255 is refused with KESTREL_E_REQUEST_TOO_LONG
 * @param reply receives the chip's answer, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL FM151M_Hash(int32_t address, uint8_t* request, uint8_t* reply);
/** Runs a cipher step on the FM151M chip (command 0xD3).
 * @param address reader address of the request (low byte; 0xFF reaches any reader)
 * @param request phase, direction, mode, algorithm, count p, then p bytes; p + 5 bytes are read; more than 255 is refused with KESTREL_E_REQUEST_TOO_LONG
 * @param reply receives the chip's answer, length-prefixed: 1 + n bytes, at most 256. A null buffer gives KESTREL_E_NULL_BUFFER with nothing sent.
 * @return the link status code when the transaction failed, else the reader status (0: done).
 */
KESTREL_API int32_t KESTREL_CALL FM151M_Cipher(int32_t address, uint8_t* request, uint8_t* reply);

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_H */
