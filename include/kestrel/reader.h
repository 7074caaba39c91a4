/**
 * @file reader.h
 * kestrel/reader.h: reader handles. Many readers in one process, from many threads.
 *
 * The exports of kestrel.h drive one reader over the library's one default link. This header
 * adds handles: each kestrel_reader is one reader with its own link (serial port, USB device or
 * TCP connection), its own reader address, timeouts, cancel signal and wire trace. Every reader
 * operation of kestrel.h has a handle form here, named kestrel_<export>: the same command code,
 * the same request bytes on the wire and the same results, with these differences:
 *
 *  - The reader address comes from the handle (the URI's `address`, kestrel_set_address),
 *    not from an argument.
 *  - Every output buffer comes with its capacity and an optional `size_t* length` that receives
 *    the number of bytes written. Nothing is ever written past a capacity, whatever the reader
 *    sends. A fixed-size output (the record sizes of kestrel.h) needs at least that capacity,
 *    else the call is refused with KESTREL_E_ARGUMENT and nothing is sent. A reply-sized
 *    output that does not fit gets its first `capacity` bytes and the result
 *    KESTREL_E_BUFFER_SMALL (the transaction did take place).
 *  - A variable-length input record comes with its size: a record whose own count fields
 *    describe more bytes than that size is refused with KESTREL_E_ARGUMENT, one that would not
 *    fit the frame's one-byte length (more than 255 request bytes) with
 *    KESTREL_E_REQUEST_TOO_LONG; in both cases nothing is sent and no byte past `size` is read.
 *    Fixed-size inputs are arrays of the size their parameter names.
 *  - The tag commands that hand the tag's verdict byte back in the first byte of their request
 *    record (writes, erase, lock, kill, password changes, security settings) take the request as
 *    `const` and write the verdict byte to `verdict` (one byte; may be NULL).
 *  - A null handle, or a null pointer where a buffer is needed, is refused with
 *    KESTREL_E_ARGUMENT (a null `length` or `verdict` is allowed: nothing is stored there).
 *
 * Results: the link status codes of kestrel.h (KESTREL_OK, KESTREL_E_*), or the reader status
 * for the operations whose kestrel.h export returns it; kestrel_result_string names any of them.
 *
 * Threads. Calls on different handles run in parallel and share no lock. Calls on one handle
 * from several threads are serialised: each runs whole (its request, the reply and the copy
 * into the caller's buffers) before the next starts, so transactions are never interleaved on
 * the wire. kestrel_cancel may be called from any thread at any time while the handle is open.
 * kestrel_close must not race another call on the same handle (cancel, then join the thread
 * that uses it, then close). The exports of kestrel.h run on the default link, which serialises
 * its calls the same way.
 *
 * Memory. kestrel_open allocates the handle; kestrel_close frees it. No other call allocates.
 * Trace and inventory callbacks run on the calling thread, inside the call, with the handle's
 * lock held: they must not call into the same handle (another handle is fine).
 */
#ifndef KESTREL_READER_H
#define KESTREL_READER_H

#include <stddef.h>
#include <stdint.h>

#include "../kestrel.h"

#ifdef __cplusplus
extern "C" {
#endif

/** One reader: its link, address, timeouts, cancel signal and trace. Opaque. */
typedef struct kestrel_reader kestrel_reader;

/* ---- Opening and closing ------------------------------------------------------------------ */

/* Opens the reader a URI names, probes it (command 0x00, up to three attempts, as LinkCom) and
 * stores the new handle in *reader. URIs:
 *
 *   serial:///dev/ttyUSB0?baud=115200&address=1   a serial device by path (serial:/dev/ttyUSB0 too)
 *   serial:COM3                                    port index 2 (COM1..COM10); on Linux the device
 *                                                  KESTREL_COM3 names, else /dev/ttyS2
 *   tcp://192.168.1.200:5084?address=1             a reader's network module (host name, IPv4, or
 *                                                  [IPv6] literal; the port is required)
 *   usb:  usb:0  usb:1 ...                         the first (N-th, counted from 0) USB reader in
 *                                                  bus order, then device order
 *
 * Query parameters, joined by '&': address=0..255 (the reader address of every request;
 * default 255, the broadcast address, which any single reader on a link answers), baud=9600,
 * 19200, 38400, 57600 or 115200 (serial only; default 115200). Anything else (an unknown
 * scheme or parameter, a value out of range, a missing port, a URI longer than
 * KESTREL_MAX_URI characters) gives KESTREL_E_BAD_URI with nothing opened.
 *
 * Results: 0 and *reader set; KESTREL_E_BAD_URI; KESTREL_E_OPEN (the port or device cannot be
 * opened, is held by another program or handle, the connection was refused or took longer
 * than the connect timeout of 3 s); KESTREL_E_USB_NO_READER; the probe's link status code when
 * no valid reply came. On failure *reader is set to NULL and nothing stays open.
 * A device held by the default link of kestrel.h (LinkCom) cannot be opened by a handle too,
 * and the other way round. */
#define KESTREL_MAX_URI 1024 /**< the longest URI kestrel_open takes, in characters */
/** Opens the reader `uri` names and probes it; see the URI rules above.
 * @param uri the reader's URI
 * @param reader receives the new handle (NULL on failure)
 * @return 0, KESTREL_E_BAD_URI, KESTREL_E_OPEN, KESTREL_E_USB_NO_READER or the probe's link status code. */
KESTREL_API int32_t KESTREL_CALL kestrel_open(const char* uri, kestrel_reader** reader);

/* Closes the link and frees the handle. NULL is ignored. */
/** Closes the link and frees the handle. NULL is ignored. */
KESTREL_API void KESTREL_CALL kestrel_close(kestrel_reader* reader);

/* Ends the call under way on the handle from any thread: that call returns KESTREL_E_CANCELLED
 * within about 10 ms (on serial and TCP links; on USB at the end of the bulk transfer under
 * way, at most its timeout of 500 ms). Whatever the reader still sends for it is drained before
 * the next transaction, so the link stays usable. A cancel while no call is under way is
 * forgotten when the next call starts. Returns 0, or KESTREL_E_ARGUMENT for a null handle. */
/** Ends the call under way on the handle from any thread (KESTREL_E_CANCELLED within about 10 ms); see above.
 * @return 0, or KESTREL_E_ARGUMENT for a null handle. */
KESTREL_API int32_t KESTREL_CALL kestrel_cancel(kestrel_reader* reader);

/* The probe: command 0x00 to the handle's address. 0 when the reader answered. Unlike
 * Link_Reader, a failed probe leaves the link open. */
/** The probe (command 0x00) to the handle's address; a failed probe leaves the link open.
 * @return 0 when the reader answered, else the link status code. */
KESTREL_API int32_t KESTREL_CALL kestrel_probe(kestrel_reader* reader);

/* The reader address the handle's requests carry (its low byte), and the address it has.
 * A successful kestrel_WriteDeviceNo sets it to the new number. */
/** Sets the reader address the handle's requests carry (its low byte).
 * @return 0, or KESTREL_E_ARGUMENT. */
KESTREL_API int32_t KESTREL_CALL kestrel_set_address(kestrel_reader* reader, int32_t address);
/** The reader address the handle's requests carry (a successful kestrel_WriteDeviceNo sets it), or KESTREL_E_ARGUMENT. */
KESTREL_API int32_t KESTREL_CALL kestrel_get_address(const kestrel_reader* reader);

/* The URI's scheme as a transport: serial, USB or TCP. */
#define KESTREL_TRANSPORT_SERIAL 1 /**< a serial port */
#define KESTREL_TRANSPORT_USB 2    /**< a USB reader */
#define KESTREL_TRANSPORT_TCP 3    /**< a TCP connection */
/** The handle's transport: KESTREL_TRANSPORT_SERIAL, _USB or _TCP, or KESTREL_E_ARGUMENT. */
KESTREL_API int32_t KESTREL_CALL kestrel_get_transport(const kestrel_reader* reader);

/* ---- Timeouts --------------------------------------------------------------------------------
 * The waits of one transaction, in milliseconds. The defaults are those of the default link:
 *   serial at baud b: probe_reply 4 reads and reply 16 reads of one per-byte wait each, byte
 *     100 ms plus 1 ms (2 ms at 9600) per byte (404 / 1616 / 101 ms at 115200);
 *   TCP: 404 / 1616 / 100 ms;  USB: each bulk transfer 500 ms (byte_ms does not apply).
 * transaction bounds the whole transaction, its first-byte wait included, and also the drain
 * of a reply left over from the last transaction: a reader that trickles bytes just inside the
 * per-byte wait is cut off there, with the code of the step that was reading. Its default is
 * the command's first-byte wait plus twice the wire time of the longest legal reply frame
 * (4,112 bytes at 10 bits a byte) at the link's rate plus one per-byte wait; TCP counts at
 * 9600 baud, the slowest rate of a network module's serial side (about 10.2 s).
 * kestrel_set_timeouts: a field of 0 keeps its default. kestrel_get_timeouts: the values in
 * force. Both return 0, or KESTREL_E_ARGUMENT. */
/** The waits of one transaction, in milliseconds (see above). */
typedef struct kestrel_timeouts {
    uint32_t probe_reply_ms; /**< the probe's first reply byte */
    uint32_t reply_ms;       /**< the first reply byte of every other command */
    uint32_t byte_ms;        /**< each further reply byte */
    uint32_t transaction_ms; /**< the whole transaction (and a drain) */
} kestrel_timeouts;
/** Sets the handle's waits; a field of 0 keeps its default.
 * @return 0, or KESTREL_E_ARGUMENT. */
KESTREL_API int32_t KESTREL_CALL kestrel_set_timeouts(kestrel_reader* reader, const kestrel_timeouts* timeouts);
/** The waits in force on the handle.
 * @return 0, or KESTREL_E_ARGUMENT. */
KESTREL_API int32_t KESTREL_CALL kestrel_get_timeouts(const kestrel_reader* reader, kestrel_timeouts* timeouts);

/* ---- Wire trace --------------------------------------------------------------------------------
 * Off by default. When set, every transaction reports its command frame as sent (on the wire,
 * stuffed) and then the bytes read for its reply (every byte read from the first-byte wait to
 * the end of the transaction, at most KESTREL_TRACE_MAX_RECEIVED of them) with the
 * transaction's result. Times are on the steady clock, in nanoseconds (CLOCK_MONOTONIC on
 * Linux). `bytes` is valid during the call only.
 * Set KESTREL_TRACE=<file> in the environment to append a text trace of the default link of
 * kestrel.h (the console's, say) to that file, without rebuilding anything. */
#define KESTREL_TRACE_SENT 1            /**< a command frame as sent */
#define KESTREL_TRACE_RECEIVED 2        /**< the bytes read for a reply, with the result */
#define KESTREL_TRACE_MAX_RECEIVED 8192 /**< the most reply bytes one event carries */
/** One event of the wire trace. */
typedef struct kestrel_trace_event {
    int32_t direction;    /**< KESTREL_TRACE_SENT or KESTREL_TRACE_RECEIVED */
    int32_t result;       /**< RECEIVED: the transaction's result; SENT: 0 */
    int64_t time_ns;      /**< SENT: when the last byte was written; RECEIVED: when the call ended */
    uint8_t address;      /**< the request's reader address */
    uint8_t command;      /**< the request's command code */
    const uint8_t* bytes; /**< the frame sent, or the bytes received (valid during the call only) */
    size_t length;        /**< the number of `bytes` */
} kestrel_trace_event;
/** A trace function: called on the calling thread, inside the call, once per event. */
typedef void (*kestrel_trace_fn)(void* context, const kestrel_trace_event* event);
/* A null function switches the trace off. Returns 0, or KESTREL_E_ARGUMENT. */
/** Sets the handle's trace function (NULL switches the trace off) and its context.
 * @return 0, or KESTREL_E_ARGUMENT. */
KESTREL_API int32_t KESTREL_CALL kestrel_set_trace(kestrel_reader* reader, kestrel_trace_fn trace, void* context);

/* The steady clock of the trace and of kestrel_tag.steady_ns, in nanoseconds. */
/** The steady clock of the trace and of kestrel_tag.steady_ns, in nanoseconds. */
KESTREL_API int64_t KESTREL_CALL kestrel_steady_ns(void);

/** The name of any result: the constant's name for a link status code ("KESTREL_E_CANCELLED"),
 * "reader status" for any other value. Never NULL; a static string. */
KESTREL_API const char* KESTREL_CALL kestrel_result_string(int32_t result);

/* ---- Typed inventory --------------------------------------------------------------------------
 * One call runs the inventory of a standard (its Query_ON) and pages the whole tag list
 * (Read_Tag_List from the start, then block after block until the reader's count of held tags
 * is reached or a block holds no record), `per_block` records a block (1..255; 0 takes 32).
 * Each tag record is parsed into a kestrel_tag.
 * Results: 0 when the whole list was read (or the callback stopped it); a link status code;
 * the reader status of a Query_ON or Read_Tag_List that the reader refused; KESTREL_E_REPLY_DATA
 * for a block whose length, count or records do not add up (a record running past the block);
 * KESTREL_E_CANCELLED; KESTREL_E_ARGUMENT for an unknown standard or a null pointer.
 * *count (may be NULL) receives the number of tags delivered, also after a failure. */
#define KESTREL_STANDARD_EPC 1 /**< EPC Class-1 Gen-2 */
#define KESTREL_STANDARD_GB 2  /**< GB/T 29768 */
#define KESTREL_STANDARD_GJB 3 /**< GJB 7377.1 */
#define KESTREL_TAG_ID_MAX 255 /**< the most bytes of a tag record */
/** One tag record of the inventory, parsed. */
typedef struct kestrel_tag {
    int32_t standard;          /**< KESTREL_STANDARD_* */
    int32_t has_security_word; /**< 1 for GB and GJB records; 0 for EPC, whose record is the
                                  identifier as the reader reports it */
    uint16_t security_word;    /**< GB, GJB: the record's first two bytes, high byte first */
    uint16_t id_length;        /**< the number of `id` bytes */
    uint8_t id[KESTREL_TAG_ID_MAX];  /**< EPC: the whole record; GB, GJB: the coding area */
    uint16_t raw_length;       /**< the number of `raw` bytes */
    uint8_t raw[KESTREL_TAG_ID_MAX]; /**< the record's bytes after its length byte, as received */
    int64_t utc_us;            /**< when the block holding it arrived: microseconds since 1970 UTC */
    int64_t steady_ns;         /**< the same moment on the steady clock */
} kestrel_tag;
/** Called once per tag; a nonzero return ends the inventory (result 0). */
typedef int (*kestrel_tag_fn)(void* context, const kestrel_tag* tag);
/** Runs the inventory of `standard` and delivers the whole tag list to `on_tag`, one kestrel_tag a record; see above for the results. *count (may be NULL) receives the number of tags delivered. */
KESTREL_API int32_t KESTREL_CALL kestrel_inventory(kestrel_reader* reader, int32_t standard, int32_t per_block,
                                                   kestrel_tag_fn on_tag, void* context, size_t* count);
/* The same into an array: a list longer than `capacity` fills it and gives KESTREL_E_BUFFER_SMALL. */
/** The typed inventory into an array: a list longer than `capacity` fills it and gives KESTREL_E_BUFFER_SMALL; *count receives the number stored. */
KESTREL_API int32_t KESTREL_CALL kestrel_inventory_into(kestrel_reader* reader, int32_t standard, int32_t per_block,
                                                        kestrel_tag* tags, size_t capacity, size_t* count);

/* ---- Reader operations ----------------------------------------------------------------------
 * Each is the kestrel.h export of the same name on a handle (see the rules at the top). The
 * comments say what differs; sizes are the KESTREL_*_SIZE records of kestrel.h. `out, capacity,
 * length` is an output buffer as described at the top. */

/** Device management. Reader status: ALARM only; the others return the link status code. */
KESTREL_API int32_t KESTREL_CALL kestrel_DeviceRestore(kestrel_reader* reader);
/** The handle form of DeviceReset() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_DeviceReset(kestrel_reader* reader);
/** The handle form of Set_Baud_Rate() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_Baud_Rate(kestrel_reader* reader, int32_t rate_code);
/** The handle form of ALARM() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_ALARM(kestrel_reader* reader, int32_t selector, int32_t value1,
                                               int32_t value2, int32_t value3);
/** 22 bytes of identity text (0 where the reply is shorter). */
KESTREL_API int32_t KESTREL_CALL kestrel_GetDeviceInfo(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                       size_t* length);
/** 1 byte: the device number. */
KESTREL_API int32_t KESTREL_CALL kestrel_ReadDeviceNo(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                      size_t* length);
/** On success the handle's address becomes `number`'s low byte. */
KESTREL_API int32_t KESTREL_CALL kestrel_WriteDeviceNo(kestrel_reader* reader, int32_t number);
/** 1 byte: the temperature. */
KESTREL_API int32_t KESTREL_CALL kestrel_Read_DeviceTemp(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                         size_t* length);

/** Network settings: the 20-byte record of kestrel.h. Reader status. */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_IP_Address(kestrel_reader* reader,
                                                        const uint8_t record[KESTREL_IP_RECORD_SIZE]);
/** The handle form of Get_IP_Address() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Get_IP_Address(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                        size_t* length);

/** RF and work parameters. Reader status: the setters except Set_R2000_ON_OFF. */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_Work_Param(kestrel_reader* reader,
                                                        const uint8_t params[KESTREL_WORK_PARAM_SIZE]);
/** The handle form of Get_Work_Param() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Get_Work_Param(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                        size_t* length);
/** The handle form of Set_R2000_ON_OFF() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_R2000_ON_OFF(kestrel_reader* reader, int32_t on);
/** The handle form of Set_CW_ON_OFF() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_CW_ON_OFF(kestrel_reader* reader, int32_t on);
/** 3 bytes: set level, actual power, RSSI. */
KESTREL_API int32_t KESTREL_CALL kestrel_Get_RF_Power(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                      size_t* length);
/** The handle form of Set_Active_ANT() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_Active_ANT(kestrel_reader* reader, int32_t antenna);
/** The handle form of Set_CH_Active() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_CH_Active(kestrel_reader* reader,
                                                       const uint8_t channels[KESTREL_CH_ACTIVE_SIZE]);
/** The region travels as an argument (the export takes it in the buffer's first byte); 8 bytes
 * of channel mask come back. */
KESTREL_API int32_t KESTREL_CALL kestrel_Get_CH_Active(kestrel_reader* reader, int32_t region, uint8_t* out,
                                                       size_t capacity, size_t* length);
/** The handle form of Set_Menjin_Param() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Set_Menjin_Param(kestrel_reader* reader,
                                                          const uint8_t params[KESTREL_MENJIN_PARAM_SIZE]);
/** The handle form of Get_Menjin_Param() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_Get_Menjin_Param(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                          size_t* length);

/** Tag commands, EPC / GB / GJB. All return the reader status after a valid reply.
 * Select parameters: out receives the reader's self-counted record (its first byte is its
 * length); the write sends the first record[0] bytes of `record` (record[0] <= size).
 * Read_Tag_List: out receives the tag list block (T bytes, T its first two bytes; at most 2048).
 * Wake: `match` is bank/area, bit address (2), bit length b, then ceil(b/8) bytes (<= size);
 * out receives the length-prefixed identifier.
 * Read_TAG: `request` is the memory record (4 bytes EPC, 5 bytes GB/GJB); out receives the count
 * byte n and n data bytes, never more than the 2 x word count the request asked for (a reply
 * stating more keeps its count byte, so the fault shows, and is cut there); after a refusal,
 * the tag's error code.
 * Write_TAG / Write_Block_TAG: header and 2N data bytes, N the record's word count (<= size).
 * Custom commands: the custom command record (bit length c, time mode, expected length, then
 * ceil(c/8) command bytes; <= size); out receives the length-prefixed answer. */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Read_Select_Para(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                              size_t* length);
/** The handle form of EPC_Write_Select_Para() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_Select_Para(kestrel_reader* reader, const uint8_t* record,
                                                               size_t size);
/** The handle form of EPC_Query_ON() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Query_ON(kestrel_reader* reader);
/** The handle form of EPC_Read_Tag_List() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Read_Tag_List(kestrel_reader* reader, int32_t mode, int32_t records,
                                                           uint8_t* out, size_t capacity, size_t* length);
/** The handle form of EPC_Set_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Set_Pwd(kestrel_reader* reader, int32_t store,
                                                     const uint8_t access_password[KESTREL_PASSWORD_SIZE],
                                                     const uint8_t kill_password[KESTREL_PASSWORD_SIZE]);
/** The handle form of EPC_Wake_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Wake_TAG(kestrel_reader* reader, const uint8_t* match, size_t size,
                                                      uint8_t* out, size_t capacity, size_t* length);
/** The handle form of EPC_Access_Proc() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Access_Proc(kestrel_reader* reader);
/** The handle form of EPC_Read_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Read_TAG(kestrel_reader* reader,
                                                      const uint8_t request[KESTREL_EPC_MEMORY_SIZE], uint8_t* out,
                                                      size_t capacity, size_t* length);
/** The handle form of EPC_Write_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_TAG(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                       uint8_t* verdict);
/** The handle form of EPC_Kill_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Kill_TAG(kestrel_reader* reader,
                                                      const uint8_t code[KESTREL_KILL_CODE_SIZE], uint8_t* verdict);
/** The handle form of EPC_Lock_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Lock_TAG(kestrel_reader* reader,
                                                      const uint8_t lock[KESTREL_EPC_LOCK_SIZE], uint8_t* verdict);
/** The handle form of EPC_Write_Block_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_Block_TAG(kestrel_reader* reader, const uint8_t* record,
                                                             size_t size, uint8_t* verdict);
/** The handle form of EPC_Write_Erase_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Write_Erase_TAG(kestrel_reader* reader,
                                                             const uint8_t request[KESTREL_EPC_MEMORY_SIZE],
                                                             uint8_t* verdict);
/** The handle form of EPC_Halt_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Halt_TAG(kestrel_reader* reader);
/** The handle form of EPC_Edit_TAG_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_Edit_TAG_Pwd(kestrel_reader* reader,
                                                          const uint8_t first_password[KESTREL_PASSWORD_SIZE],
                                                          const uint8_t second_password[KESTREL_PASSWORD_SIZE]);
/** The handle form of EPC_TAG_Cust_Command() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_EPC_TAG_Cust_Command(kestrel_reader* reader, const uint8_t* record,
                                                              size_t size, uint8_t* out, size_t capacity,
                                                              size_t* length);

/** The handle form of GB_Read_Select_Para() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Read_Select_Para(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                             size_t* length);
/** The handle form of GB_Write_Select_Para() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Write_Select_Para(kestrel_reader* reader, const uint8_t* record,
                                                              size_t size);
/** The handle form of GB_Query_ON() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Query_ON(kestrel_reader* reader);
/** The handle form of GB_Read_Tag_List() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Read_Tag_List(kestrel_reader* reader, int32_t mode, int32_t records,
                                                          uint8_t* out, size_t capacity, size_t* length);
/** The handle form of GB_Set_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Set_Pwd(kestrel_reader* reader, int32_t store, int32_t area,
                                                    const uint8_t read_password[KESTREL_PASSWORD_SIZE],
                                                    const uint8_t write_password[KESTREL_PASSWORD_SIZE]);
/** The handle form of GB_Wake_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Wake_TAG(kestrel_reader* reader, const uint8_t* match, size_t size,
                                                     uint8_t* out, size_t capacity, size_t* length);
/** The handle form of GB_Access_Proc() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Access_Proc(kestrel_reader* reader, int32_t area, int32_t password_type);
/** The handle form of GB_Read_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Read_TAG(kestrel_reader* reader,
                                                     const uint8_t request[KESTREL_AREA_MEMORY_SIZE], uint8_t* out,
                                                     size_t capacity, size_t* length);
/** The handle form of GB_Write_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Write_TAG(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                      uint8_t* verdict);
/** The handle form of GB_Kill_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Kill_TAG(kestrel_reader* reader, const uint8_t code[KESTREL_KILL_CODE_SIZE],
                                                     uint8_t* verdict);
/** The handle form of GB_Lock_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Lock_TAG(kestrel_reader* reader,
                                                     const uint8_t lock[KESTREL_AREA_LOCK_SIZE], uint8_t* verdict);
/** The handle form of GB_Write_Block_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Write_Block_TAG(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                            uint8_t* verdict);
/** The handle form of GB_Erase_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Erase_TAG(kestrel_reader* reader,
                                                      const uint8_t request[KESTREL_AREA_MEMORY_SIZE],
                                                      uint8_t* verdict);
/** The handle form of GB_Halt_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Halt_TAG(kestrel_reader* reader);
/** The handle form of GB_Edit_TAG_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Edit_TAG_Pwd(kestrel_reader* reader,
                                                         const uint8_t passwords[KESTREL_GB_PASSWORDS_SIZE],
                                                         uint8_t* verdict);
/** Out: count n, the 6 security parameter bytes, then the TID. */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Get_SecPara(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                        size_t* length);
/** The handle form of GB_Set_SecPara() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Set_SecPara(kestrel_reader* reader,
                                                        const uint8_t parameters[KESTREL_SECPARA_SIZE],
                                                        uint8_t* verdict);
/** The handle form of GB_Set_Auth_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Set_Auth_Pwd(kestrel_reader* reader,
                                                         const uint8_t password[KESTREL_AUTH_KEY_SIZE],
                                                         uint8_t* verdict);
/** The handle form of GB_T2R_XAuth() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_T2R_XAuth(kestrel_reader* reader);
/** The handle form of GB_T2R_SAuth() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_T2R_SAuth(kestrel_reader* reader);
/** The handle form of GB_R2T_XAuth() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_R2T_XAuth(kestrel_reader* reader);
/** The handle form of GB_R2T_SAuth() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_R2T_SAuth(kestrel_reader* reader);
/** The handle form of GB_Mul_XAuth() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Mul_XAuth(kestrel_reader* reader);
/** The handle form of GB_Mul_SAuth() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Mul_SAuth(kestrel_reader* reader);
/** The handle form of GB_Sec_Comm() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_Sec_Comm(kestrel_reader* reader);
/** The handle form of GB_TAG_Cust_Command() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_TAG_Cust_Command(kestrel_reader* reader, const uint8_t* record,
                                                             size_t size, uint8_t* out, size_t capacity,
                                                             size_t* length);

/** The handle form of GJB_Read_Select_Para() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Read_Select_Para(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                              size_t* length);
/** The handle form of GJB_Write_Select_Para() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Write_Select_Para(kestrel_reader* reader, const uint8_t* record,
                                                               size_t size);
/** The handle form of GJB_Query_ON() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Query_ON(kestrel_reader* reader);
/** The handle form of GJB_Read_Tag_List() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Read_Tag_List(kestrel_reader* reader, int32_t mode, int32_t records,
                                                           uint8_t* out, size_t capacity, size_t* length);
/** The handle form of GJB_Set_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Set_Pwd(kestrel_reader* reader, int32_t store,
                                                     const uint8_t passwords[KESTREL_GJB_PASSWORDS_SIZE]);
/** The handle form of GJB_Wake_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Wake_TAG(kestrel_reader* reader, const uint8_t* match, size_t size,
                                                      uint8_t* out, size_t capacity, size_t* length);
/** The handle form of GJB_Access_Proc() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Access_Proc(kestrel_reader* reader, int32_t password_type);
/** The handle form of GJB_Read_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Read_TAG(kestrel_reader* reader,
                                                      const uint8_t request[KESTREL_AREA_MEMORY_SIZE], uint8_t* out,
                                                      size_t capacity, size_t* length);
/** The handle form of GJB_Write_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Write_TAG(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                       uint8_t* verdict);
/** The handle form of GJB_Kill_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Kill_TAG(kestrel_reader* reader,
                                                      const uint8_t code[KESTREL_KILL_CODE_SIZE], uint8_t* verdict);
/** The handle form of GJB_Lock_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Lock_TAG(kestrel_reader* reader,
                                                      const uint8_t lock[KESTREL_AREA_LOCK_SIZE], uint8_t* verdict);
/** The handle form of GJB_Write_Block_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Write_Block_TAG(kestrel_reader* reader, const uint8_t* record,
                                                             size_t size, uint8_t* verdict);
/** The handle form of GJB_Erase_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Erase_TAG(kestrel_reader* reader,
                                                       const uint8_t request[KESTREL_AREA_MEMORY_SIZE],
                                                       uint8_t* verdict);
/** The handle form of GJB_Halt_TAG() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Halt_TAG(kestrel_reader* reader);
/** The handle form of GJB_Edit_TAG_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Edit_TAG_Pwd(kestrel_reader* reader,
                                                          const uint8_t passwords[KESTREL_GJB_PASSWORDS_SIZE],
                                                          uint8_t* verdict);
/** The handle form of GJB_Get_SecPara() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_Get_SecPara(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                         size_t* length);
/** The handle form of GJB_TAG_Cust_Command() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_TAG_Cust_Command(kestrel_reader* reader, const uint8_t* record,
                                                              size_t size, uint8_t* out, size_t capacity,
                                                              size_t* length);

/** FD custom tags. Reader status. */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Access(kestrel_reader* reader,
                                                           const uint8_t password[KESTREL_PASSWORD_SIZE],
                                                           uint8_t* verdict);
/** The handle form of GB_FD_Cust_Pwd_Write() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Pwd_Write(kestrel_reader* reader,
                                                              const uint8_t password[KESTREL_PASSWORD_SIZE],
                                                              uint8_t* verdict);
/** One byte: 0 the security password stays writable, 1 read only. */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Pwd_Lock(kestrel_reader* reader, const uint8_t mode[1],
                                                             uint8_t* verdict);
/** The handle form of GB_FD_Cust_Init_End() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Init_End(kestrel_reader* reader,
                                                             const uint8_t end_code[KESTREL_FD_END_CODE_SIZE],
                                                             uint8_t* verdict);
/** The handle form of GB_FD_Cust_Lock_Info() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Cust_Lock_Info(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                              size_t* length);
/** The handle form of GB_FD_Write_Auth_Pwd() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Write_Auth_Pwd(kestrel_reader* reader,
                                                              const uint8_t key[KESTREL_AUTH_KEY_SIZE],
                                                              uint8_t* verdict);
/** The handle form of GB_FD_Dual_Auth() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Dual_Auth(kestrel_reader* reader, int32_t diversify, int32_t key_id);
/** 16 bytes, no count byte. */
KESTREL_API int32_t KESTREL_CALL kestrel_GB_FD_Get_Diver_Key(kestrel_reader* reader, int32_t key_id, uint8_t* out,
                                                             size_t capacity, size_t* length);
/** The handle form of GJB_FD_Cust_Read_Block() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Read_Block(kestrel_reader* reader,
                                                                const uint8_t request[KESTREL_AREA_MEMORY_SIZE],
                                                                uint8_t* out, size_t capacity, size_t* length);
/** The handle form of GJB_FD_Cust_Write_Block() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Write_Block(kestrel_reader* reader, const uint8_t* record,
                                                                 size_t size, uint8_t* verdict);
/** The handle form of GJB_FD_Cust_Erase_Block() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Erase_Block(kestrel_reader* reader,
                                                                 const uint8_t request[KESTREL_AREA_MEMORY_SIZE],
                                                                 uint8_t* verdict);
/** The handle form of GJB_FD_Cust_Lock_Blck() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Lock_Blck(kestrel_reader* reader,
                                                               const uint8_t lock[KESTREL_AREA_LOCK_SIZE],
                                                               uint8_t* verdict);
/** The handle form of GJB_FD_Cust_Lock_Info() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_GJB_FD_Cust_Lock_Info(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                               size_t* length);

/** PSAM and FM151M. Reader status. Out: the device's answer, length-prefixed (Get_RN: a 2-byte
 * count, then the bytes). Records: PSAM_Command / PSAM_FD_Issue count byte n then n bytes
 * (n + 1 <= 255); FM151M_Hash phase, algorithm, count d, d bytes (d + 3 <= 255); FM151M_Cipher
 * phase, direction, mode, algorithm, count p, p bytes (p + 5 <= 255). */
KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_POWER_ON(kestrel_reader* reader, int32_t slot, int32_t power,
                                                       uint8_t* out, size_t capacity, size_t* length);
/** The handle form of PSAM_Warm_Reset() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_Warm_Reset(kestrel_reader* reader, int32_t slot, uint8_t* out,
                                                         size_t capacity, size_t* length);
/** The handle form of PSAM_Command() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_Command(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                      uint8_t* out, size_t capacity, size_t* length);
/** The handle form of PSAM_FD_Issue() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_PSAM_FD_Issue(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                       uint8_t* out, size_t capacity, size_t* length);
/** The handle form of FM151M_Get_ID() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Get_ID(kestrel_reader* reader, uint8_t* out, size_t capacity,
                                                       size_t* length);
/** The handle form of FM151M_Get_RN() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Get_RN(kestrel_reader* reader, int32_t count, uint8_t* out,
                                                       size_t capacity, size_t* length);
/** The handle form of FM151M_Hash() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Hash(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                     uint8_t* out, size_t capacity, size_t* length);
/** The handle form of FM151M_Cipher() (see the rules at the top of this file). */
KESTREL_API int32_t KESTREL_CALL kestrel_FM151M_Cipher(kestrel_reader* reader, const uint8_t* record, size_t size,
                                                       uint8_t* out, size_t capacity, size_t* length);

#ifdef __cplusplus
}
#endif

#endif /* KESTREL_READER_H */
