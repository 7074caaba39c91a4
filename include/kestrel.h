/*
 * kestrel: host library for the UHF RFID reader.
 *
 * Every export is one request/response exchange with the reader over the open link.
 * Integers are 32 bit; byte arrays belong to the caller. The result is a link status
 * code (KESTREL_OK on success) or, for the exports that report the reader's verdict,
 * the reply's status byte.
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
#define KESTREL_E_REPLY_ADDRESS_RULE 253   /* reply came from another reader address */
#define KESTREL_E_REPLY_ECHO         254   /* command echo differs from the command */

/* Port index of LinkCom: 0..9 are COM1..COM10, this one is the USB reader. */
#define KESTREL_PORT_USB 32

/* Link */
KESTREL_API int32_t KESTREL_CALL LinkCom(int32_t address, int32_t port, int32_t rate);
KESTREL_API int32_t KESTREL_CALL UnLinkCom(void);
KESTREL_API int32_t KESTREL_CALL Link_Reader(int32_t address);

/* Device management */

/* RF and work parameters */

/* EPC tags */

/* GB tags */

/* GJB tags */

/* FD custom tags of GB and GJB */

/* PSAM and FM151M */

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_H */
