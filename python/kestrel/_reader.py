"""Reader handles: one Reader per reader, each with its own link, address, timeouts, cancel
signal and wire trace."""
from __future__ import annotations

import ctypes
import datetime
import threading
from dataclasses import dataclass
from typing import Any, Callable, List, Optional, Set, Union

from . import _results as results
from ._library import (TAG_FN, TRACE_FN, TagStruct, TimeoutsStruct, TraceEventStruct, c_size_t,
                       c_uint8, lib)
from ._results import LINK, READER, TAG, error_for, link_error

Buffer = Union[bytes, bytearray, memoryview]

# Every reply-sized output gets this much room: more than the 2048 data bytes one reply frame
# carries, so no copy is ever cut.
REPLY_CAPACITY = 4096

TRANSPORTS = {1: "serial", 2: "usb", 3: "tcp"}
STANDARDS = {"epc": 1, "gb": 2, "gjb": 3}
_STANDARD_NAMES = {code: name for name, code in STANDARDS.items()}

_EPOCH = datetime.datetime(1970, 1, 1, tzinfo=datetime.timezone.utc)


def result_name(code: int) -> str:
    """The library's name of a result: the link status code's constant, else "reader status"."""
    return lib.kestrel_result_string(code).decode()


def steady_ns() -> int:
    """The steady clock of trace events and Tag.steady_ns, in nanoseconds."""
    return int(lib.kestrel_steady_ns())


@dataclass(frozen=True)
class Timeouts:
    """The waits of one transaction, in milliseconds. Setting a field of 0 keeps its default."""
    probe_reply_ms: int = 0
    reply_ms: int = 0
    byte_ms: int = 0
    transaction_ms: int = 0


@dataclass(frozen=True)
class TraceEvent:
    """One direction of one transaction: the command frame as sent ("sent"), or the bytes read
    for its reply with the transaction's result ("received"). time_ns is on the steady clock."""
    direction: str
    result: int
    time_ns: int
    address: int
    command: int
    data: bytes


@dataclass(frozen=True)
class Tag:
    """One tag of an inventory. `id` is the EPC record as the reader reports it, or the coding
    area of a GB or GJB record, whose first two bytes are its `security_word` (None for EPC);
    `raw` is the record as received; `utc` and `steady_ns` when its block arrived."""
    standard: str
    security_word: Optional[int]
    id: bytes
    raw: bytes
    utc: datetime.datetime
    steady_ns: int


def _tag_of(t: TagStruct) -> Tag:
    return Tag(standard=_STANDARD_NAMES.get(t.standard, str(t.standard)),
               security_word=t.security_word if t.has_security_word else None,
               id=bytes(t.id[:t.id_length]), raw=bytes(t.raw[:t.raw_length]),
               utc=_EPOCH + datetime.timedelta(microseconds=t.utc_us), steady_ns=t.steady_ns)


# ---- request bytes ------------------------------------------------------------------------------

def _u8(name: str, value: int) -> int:
    if not 0 <= value <= 0xFF:
        raise ValueError(f"{name} must be 0..255, not {value}")
    return value


def _u16(name: str, value: int) -> bytes:
    if not 0 <= value <= 0xFFFF:
        raise ValueError(f"{name} must be 0..65535, not {value}")
    return value.to_bytes(2, "big")


def _fixed(name: str, data: Buffer, size: int) -> bytes:
    data = bytes(data)
    if len(data) != size:
        raise ValueError(f"{name} must be {size} bytes, not {len(data)}")
    return data


def _words(data: Buffer) -> int:
    if len(data) % 2:
        raise ValueError(f"data must be whole 16-bit words, not {len(data)} bytes")
    return len(data) // 2


def _match(area: int, bit_address: int, mask: Buffer, bit_length: Optional[int]) -> bytes:
    """Match parameters: area or bank, bit address, bit length, then the mask's bytes."""
    bits = 8 * len(mask) if bit_length is None else bit_length
    if (_u8("bit_length", bits) + 7) // 8 != len(mask):
        raise ValueError(f"a match of {bits} bits takes {(bits + 7) // 8} mask bytes, not {len(mask)}")
    return bytes([_u8("area", area)]) + _u16("bit_address", bit_address) + bytes([bits]) + bytes(mask)


def _select(store: bool, area: int, bit_address: int, mask: Buffer, bit_length: Optional[int],
            q: Optional[int], time: int) -> bytes:
    """A select parameter record: its own length, the store flag, the match, (EPC: Q), time."""
    body = bytes([int(bool(store))]) + _match(area, bit_address, mask, bit_length)
    body += bytes([] if q is None else [_u8("q", q)]) + bytes([_u8("time", time)])
    return bytes([_u8("record length", 1 + len(body))]) + body


def _custom(command: Buffer, bits: Optional[int], time_mode: int, reply_length: int) -> bytes:
    """A custom command record: bit length (2), time mode, expected reply length (2), command."""
    bits = 8 * len(command) if bits is None else bits
    if (bits + 7) // 8 != len(command):
        raise ValueError(f"a command of {bits} bits takes {(bits + 7) // 8} bytes, not {len(command)}")
    return _u16("bits", bits) + bytes([_u8("time_mode", time_mode)]) + _u16("reply_length", reply_length) + bytes(command)


def _area_memory(area: int, word_address: int, words: int) -> bytes:
    """GB and GJB memory: area, word address (2), word count (2)."""
    return bytes([_u8("area", area)]) + _u16("word_address", word_address) + _u16("words", words)


def _counted(data: Buffer) -> bytes:
    """A count byte, then the bytes."""
    return bytes([_u8("byte count", len(data))]) + bytes(data)


def _password(name: str, data: Buffer) -> bytes:
    return _fixed(name, data, 4)


class Reader:
    """One open reader. Use kestrel.open() to make one; close() (or a with block) closes it.

    Methods raise LinkError, ReaderError or TagError when a call does not succeed. Calls from
    several threads are fine: the library runs them one at a time, each whole; cancel() may be
    called from any thread."""

    def __init__(self, handle: int, uri: str) -> None:
        self._handle: Optional[int] = handle
        self._uri = uri
        self._cond = threading.Condition()
        self._inflight = 0
        self._closing = False
        self._trace: Optional[Any] = None  # the ctypes callback the library holds
        self._callback_threads: Set[int] = set()

    # ---- life ------------------------------------------------------------------------------------

    def __enter__(self) -> "Reader":
        return self

    def __exit__(self, *exc: object) -> None:
        self.close()

    def __repr__(self) -> str:
        return f"<kestrel.Reader {self._uri}{' closed' if self.closed else ''}>"

    def __del__(self, _close: Callable[[int], None] = lib.kestrel_close) -> None:
        # A reader dropped unclosed; nothing else can be using it. `_close` is bound now:
        # at interpreter exit the module's globals may be gone already.
        handle = getattr(self, "_handle", None)
        if handle is not None:
            self._handle = None
            _close(handle)

    @property
    def uri(self) -> str:
        return self._uri

    @property
    def closed(self) -> bool:
        return self._handle is None or self._closing

    def close(self) -> None:
        """Closes the link. Calls under way on other threads are cancelled (they raise
        Cancelled) and waited for first. Closing a closed reader does nothing."""
        with self._cond:
            if self._handle is None or self._closing:
                return
            if threading.get_ident() in self._callback_threads:
                raise RuntimeError("a trace callback cannot close its own reader")
            self._closing = True
            while self._inflight:
                lib.kestrel_cancel(self._handle)
                self._cond.wait(0.01)
            handle, self._handle = self._handle, None
        lib.kestrel_close(handle)
        self._trace = None

    def _enter(self) -> int:
        with self._cond:
            if self._handle is None or self._closing:
                raise ValueError("the reader is closed")
            if threading.get_ident() in self._callback_threads:
                raise RuntimeError("a trace or inventory callback must not call into its own reader")
            self._inflight += 1
            return self._handle

    def _leave(self) -> None:
        with self._cond:
            self._inflight -= 1
            self._cond.notify_all()

    def _invoke(self, function: Callable[..., int], *args: Any) -> int:
        handle = self._enter()
        try:
            return int(function(handle, *args))
        finally:
            self._leave()

    def _call(self, export: str, kind: str, *args: Any) -> None:
        code = self._invoke(getattr(lib, "kestrel_" + export), *args)
        if code:
            raise error_for(code, export, kind, result_name(code))

    def _read(self, export: str, kind: str, *args: Any) -> bytes:
        out = (c_uint8 * REPLY_CAPACITY)()
        length = c_size_t(0)
        code = self._invoke(getattr(lib, "kestrel_" + export), *args, out, REPLY_CAPACITY, ctypes.byref(length))
        data = ctypes.string_at(out, length.value)
        if code:
            tag_code = data[0] if kind == TAG and data else None
            raise error_for(code, export, kind, result_name(code), tag_code)
        return data

    def _verdict(self, export: str, *args: Any) -> int:
        verdict = c_uint8(0)
        code = self._invoke(getattr(lib, "kestrel_" + export), *args, ctypes.byref(verdict))
        if code:
            raise error_for(code, export, TAG, result_name(code), verdict.value)
        return verdict.value

    # ---- the handle ------------------------------------------------------------------------------

    def cancel(self) -> None:
        """Ends the call under way on this reader (from any thread): it raises Cancelled within
        about 10 ms (USB: at the end of the bulk transfer). A cancel while no call runs is
        forgotten when the next one starts."""
        self._call_handle(lib.kestrel_cancel, "cancel")

    def probe(self) -> None:
        """Command 0x00 to the reader's address; raises when no valid reply came."""
        self._call_handle(lib.kestrel_probe, "probe")

    def _call_handle(self, function: Callable[..., int], name: str, *args: Any) -> None:
        code = self._invoke(function, *args)
        if code:
            raise link_error(code, name, result_name(code))

    @property
    def address(self) -> int:
        """The reader address of every request (a successful write_device_no changes it)."""
        return self._invoke(lib.kestrel_get_address)

    @address.setter
    def address(self, address: int) -> None:
        self._call_handle(lib.kestrel_set_address, "set_address", _u8("address", address))

    @property
    def transport(self) -> str:
        """"serial", "usb" or "tcp"."""
        return TRANSPORTS[self._invoke(lib.kestrel_get_transport)]

    @property
    def timeouts(self) -> Timeouts:
        """The waits in force; set a Timeouts (fields of 0 keep their defaults)."""
        t = TimeoutsStruct()
        self._call_handle(lib.kestrel_get_timeouts, "get_timeouts", ctypes.byref(t))
        return Timeouts(t.probe_reply_ms, t.reply_ms, t.byte_ms, t.transaction_ms)

    @timeouts.setter
    def timeouts(self, timeouts: Timeouts) -> None:
        t = TimeoutsStruct(timeouts.probe_reply_ms, timeouts.reply_ms, timeouts.byte_ms, timeouts.transaction_ms)
        self._call_handle(lib.kestrel_set_timeouts, "set_timeouts", ctypes.byref(t))

    def trace(self, callback: Optional[Callable[[TraceEvent], None]]) -> None:
        """Calls `callback` with a TraceEvent for every frame sent and every reply read; None
        switches the trace off. The callback runs on the calling thread, inside the call: it
        must not call into this reader (another reader is fine); what it raises is reported
        and ignored."""
        if callback is None:
            self._call_handle(lib.kestrel_set_trace, "set_trace", TRACE_FN(), None)
            self._trace = None
            return

        def on_event(_context: Any, event: Any) -> None:
            e: TraceEventStruct = event.contents
            data = ctypes.string_at(e.bytes, e.length) if e.length else b""
            with self._in_callback():
                callback(TraceEvent("sent" if e.direction == 1 else "received", e.result, e.time_ns,
                                    e.address, e.command, data))

        function = TRACE_FN(on_event)
        self._call_handle(lib.kestrel_set_trace, "set_trace", function, None)
        self._trace = function  # the library calls it until the next trace()

    def _in_callback(self) -> "_CallbackScope":
        return _CallbackScope(self._callback_threads)

    # ---- typed inventory -------------------------------------------------------------------------

    def inventory(self, standard: str = "epc", per_block: int = 32) -> List[Tag]:
        """Runs the inventory of `standard` ("epc", "gb" or "gjb") and reads the whole tag list,
        `per_block` records a block (1..255). Returns the tags in list order; a failure raises,
        with the tags delivered before it in the exception's `tags`."""
        if standard not in STANDARDS:
            raise ValueError(f"standard must be one of {', '.join(STANDARDS)}, not {standard!r}")
        tags: List[Tag] = []

        def on_tag(_context: Any, tag: Any) -> int:
            tags.append(_tag_of(tag.contents))
            return 0

        function = TAG_FN(on_tag)
        code = self._invoke(lib.kestrel_inventory, STANDARDS[standard], per_block, function, None, None)
        if code:
            error = error_for(code, f"{standard.upper()} inventory", TAG, result_name(code))
            error.tags = tags  # type: ignore[attr-defined]
            raise error
        return tags

    # ---- device ----------------------------------------------------------------------------------

    def device_restore(self) -> None:
        """Factory settings back."""
        self._call("DeviceRestore", LINK)

    def device_reset(self) -> None:
        self._call("DeviceReset", LINK)

    def set_baud_rate(self, rate_code: int) -> None:
        """The reader's serial rate code (0 9600 .. 4 115200); the link keeps its own rate."""
        self._call("Set_Baud_Rate", LINK, rate_code)

    def alarm(self, selector: int, value1: int = 0, value2: int = 0, value3: int = 0) -> None:
        """ALARM output `selector` (0..7) with three values. A selector above 7 is refused by
        the library (LinkError KESTREL_E_ALARM_SELECTOR), nothing sent."""
        kind = LINK if selector > 7 else READER
        self._call("ALARM", kind, selector, value1, value2, value3)

    def get_device_info(self) -> bytes:
        """The 22 bytes of identity text (zero-filled)."""
        return self._read("GetDeviceInfo", LINK)

    def read_device_no(self) -> int:
        return self._read("ReadDeviceNo", LINK)[0]

    def write_device_no(self, number: int) -> None:
        """The reader's new device number; this reader's address follows it."""
        self._call("WriteDeviceNo", LINK, number)

    def read_device_temp(self) -> int:
        return self._read("Read_DeviceTemp", LINK)[0]

    # ---- network settings ------------------------------------------------------------------------

    def set_ip_address(self, record: Buffer) -> None:
        """The 20-byte network record: gateway (4), mask (4), MAC (6), IP (4), port (2, high first)."""
        self._call("Set_IP_Address", READER, _fixed("record", record, 20))

    def get_ip_address(self) -> bytes:
        return self._read("Get_IP_Address", READER)

    # ---- RF and work parameters ------------------------------------------------------------------

    def set_work_param(self, params: Buffer) -> None:
        """7 bytes: standard, region, speed, frequency mode, channel, power, antenna."""
        self._call("Set_Work_Param", READER, _fixed("params", params, 7))

    def get_work_param(self) -> bytes:
        return self._read("Get_Work_Param", LINK)

    def set_r2000_on_off(self, on: bool) -> None:
        """The reader chip on or off (off: no tag command works)."""
        self._call("Set_R2000_ON_OFF", LINK, int(bool(on)))

    def set_cw_on_off(self, on: bool) -> None:
        """The continuous carrier on or off."""
        self._call("Set_CW_ON_OFF", READER, int(bool(on)))

    def get_rf_power(self) -> bytes:
        """3 bytes: set level, actual power, RSSI."""
        return self._read("Get_RF_Power", LINK)

    def set_active_ant(self, antenna: int) -> None:
        self._call("Set_Active_ANT", READER, antenna)

    def set_ch_active(self, region: int, mask: Buffer) -> None:
        """The 8-byte channel enable mask of `region`."""
        self._call("Set_CH_Active", READER, bytes([_u8("region", region)]) + _fixed("mask", mask, 8))

    def get_ch_active(self, region: int) -> bytes:
        """The 8-byte channel enable mask of `region`."""
        return self._read("Get_CH_Active", LINK, region)

    def set_menjin_param(self, params: Buffer) -> None:
        """5 bytes of access-control card-reader output settings."""
        self._call("Set_Menjin_Param", READER, _fixed("params", params, 5))

    def get_menjin_param(self) -> bytes:
        return self._read("Get_Menjin_Param", LINK)

    # ---- EPC tags --------------------------------------------------------------------------------
    # Outputs come as the reader sent them: memory reads, wakes and custom commands with their
    # count byte first, tag list blocks with their two length bytes.

    def epc_read_select_para(self) -> bytes:
        """The select record: its length, bank, bit address (2), bit length, mask, Q, time."""
        return self._read("EPC_Read_Select_Para", TAG)

    def epc_write_select_para(self, bank: int, bit_address: int, mask: Buffer, *, bit_length: Optional[int] = None,
                              q: int = 4, time: int = 20, store: bool = False) -> None:
        """Select the tags whose bank matches `mask` from `bit_address` (bit_length defaults to
        the whole mask); `time` in 50 ms units; `store` keeps it over a reset."""
        record = _select(store, bank, bit_address, mask, bit_length, q, time)
        self._call("EPC_Write_Select_Para", TAG, record, len(record))

    def epc_query_on(self) -> None:
        self._call("EPC_Query_ON", TAG)

    def epc_read_tag_list(self, mode: int = 0, records: int = 32) -> bytes:
        """One block of the tag list (mode 0 from the start, 1 again, 2 the next)."""
        return self._read("EPC_Read_Tag_List", TAG, mode, records)

    def epc_set_pwd(self, access_password: Buffer, kill_password: Buffer, *, store: bool = False) -> None:
        """The passwords the reader uses with EPC tags."""
        self._call("EPC_Set_Pwd", TAG, int(bool(store)), _password("access_password", access_password),
                   _password("kill_password", kill_password))

    def epc_wake_tag(self, bank: int, bit_address: int, mask: Buffer, *, bit_length: Optional[int] = None) -> bytes:
        """Wakes the first tag whose bank matches; returns its EPC, count byte first."""
        match = _match(bank, bit_address, mask, bit_length)
        return self._read("EPC_Wake_TAG", TAG, match, len(match))

    def epc_access_proc(self) -> None:
        """Checks the reader's access password with the tag (the secured state)."""
        self._call("EPC_Access_Proc", TAG)

    def epc_read_tag(self, bank: int, word_address: int, words: int) -> bytes:
        """Reads `words` words of `bank` (0 reserved, 1 EPC, 2 TID, 3 user): count byte, data."""
        request = bytes([_u8("bank", bank)]) + _u16("word_address", word_address) + bytes([_u8("words", words)])
        return self._read("EPC_Read_TAG", TAG, request)

    def epc_write_tag(self, bank: int, word_address: int, data: Buffer) -> int:
        """Writes whole words; returns the tag's verdict byte (0)."""
        record = bytes([_u8("bank", bank)]) + _u16("word_address", word_address) + bytes([_u8("words", _words(data))])
        record += bytes(data)
        return self._verdict("EPC_Write_TAG", record, len(record))

    def epc_kill_tag(self, code: Buffer) -> int:
        """Kills the tag with the reader's kill password; `code` is the 4-byte confirmation."""
        return self._verdict("EPC_Kill_TAG", _fixed("code", code, 4))

    def epc_lock_tag(self, *, kill_password: int = 0, access_password: int = 0, epc: int = 0, tid: int = 0,
                     user: int = 0) -> int:
        """One action byte per target (0 leaves it as it is)."""
        lock = bytes(_u8(n, v) for n, v in (("kill_password", kill_password), ("access_password", access_password),
                                            ("epc", epc), ("tid", tid), ("user", user)))
        return self._verdict("EPC_Lock_TAG", lock)

    def epc_write_block_tag(self, bank: int, word_address: int, data: Buffer) -> int:
        record = bytes([_u8("bank", bank)]) + _u16("word_address", word_address) + bytes([_u8("words", _words(data))])
        record += bytes(data)
        return self._verdict("EPC_Write_Block_TAG", record, len(record))

    def epc_write_erase_tag(self, bank: int, word_address: int, words: int) -> int:
        request = bytes([_u8("bank", bank)]) + _u16("word_address", word_address) + bytes([_u8("words", words)])
        return self._verdict("EPC_Write_Erase_TAG", request)

    def epc_halt_tag(self) -> None:
        self._call("EPC_Halt_TAG", TAG)

    def epc_edit_tag_pwd(self, first_password: Buffer, second_password: Buffer) -> None:
        """Writes the tag's passwords (reserved words 0..3: kill, then access)."""
        self._call("EPC_Edit_TAG_Pwd", TAG, _password("first_password", first_password),
                   _password("second_password", second_password))

    def epc_tag_cust_command(self, command: Buffer, *, bits: Optional[int] = None, time_mode: int = 0,
                             reply_length: int = 0) -> bytes:
        """A vendor command of `bits` bits (default all of `command`); the answer, count first."""
        record = _custom(command, bits, time_mode, reply_length)
        return self._read("EPC_TAG_Cust_Command", TAG, record, len(record))

    # ---- GB tags ---------------------------------------------------------------------------------
    # Areas: 0 tag information, 1 coding, 2 security, 3..18 user areas 1..16.

    def gb_read_select_para(self) -> bytes:
        return self._read("GB_Read_Select_Para", TAG)

    def gb_write_select_para(self, area: int, bit_address: int, mask: Buffer, *, bit_length: Optional[int] = None,
                             time: int = 10, store: bool = False) -> None:
        record = _select(store, area, bit_address, mask, bit_length, None, time)
        self._call("GB_Write_Select_Para", TAG, record, len(record))

    def gb_query_on(self) -> None:
        self._call("GB_Query_ON", TAG)

    def gb_read_tag_list(self, mode: int = 0, records: int = 32) -> bytes:
        return self._read("GB_Read_Tag_List", TAG, mode, records)

    def gb_set_pwd(self, area: int, read_password: Buffer, write_password: Buffer, *, store: bool = False) -> None:
        self._call("GB_Set_Pwd", TAG, int(bool(store)), area, _password("read_password", read_password),
                   _password("write_password", write_password))

    def gb_wake_tag(self, area: int, bit_address: int, mask: Buffer, *, bit_length: Optional[int] = None) -> bytes:
        match = _match(area, bit_address, mask, bit_length)
        return self._read("GB_Wake_TAG", TAG, match, len(match))

    def gb_access_proc(self, area: int, password_type: int) -> None:
        """Checks the reader's read (0) or write (1) password of `area` with the tag."""
        self._call("GB_Access_Proc", TAG, area, password_type)

    def gb_read_tag(self, area: int, word_address: int, words: int) -> bytes:
        return self._read("GB_Read_TAG", TAG, _area_memory(area, word_address, words))

    def gb_write_tag(self, area: int, word_address: int, data: Buffer) -> int:
        record = _area_memory(area, word_address, _words(data)) + bytes(data)
        return self._verdict("GB_Write_TAG", record, len(record))

    def gb_kill_tag(self, code: Buffer) -> int:
        return self._verdict("GB_Kill_TAG", _fixed("code", code, 4))

    def gb_lock_tag(self, area: int, configuration: int, action: int) -> int:
        """Configuration 0 memory attributes (action bit 0 no write, bit 1 no read), 1 security mode."""
        return self._verdict("GB_Lock_TAG", bytes([_u8("area", area), _u8("configuration", configuration),
                                                   _u8("action", action)]))

    def gb_write_block_tag(self, area: int, word_address: int, data: Buffer) -> int:
        """Block write: area, a one-byte word address, word count, data."""
        record = bytes([_u8("area", area), _u8("word_address", word_address), _u8("words", _words(data))])
        record += bytes(data)
        return self._verdict("GB_Write_Block_TAG", record, len(record))

    def gb_erase_tag(self, area: int, word_address: int, words: int) -> int:
        return self._verdict("GB_Erase_TAG", _area_memory(area, word_address, words))

    def gb_halt_tag(self) -> None:
        self._call("GB_Halt_TAG", TAG)

    def gb_edit_tag_pwd(self, area: int, read_password: Buffer, write_password: Buffer) -> int:
        passwords = bytes([_u8("area", area)]) + _password("read_password", read_password)
        passwords += _password("write_password", write_password)
        return self._verdict("GB_Edit_TAG_Pwd", passwords)

    def gb_get_sec_para(self) -> bytes:
        """Count, the 6 security parameter bytes, then the TID."""
        return self._read("GB_Get_SecPara", TAG)

    def gb_set_sec_para(self, parameters: Buffer) -> int:
        return self._verdict("GB_Set_SecPara", _fixed("parameters", parameters, 6))

    def gb_set_auth_pwd(self, password: Buffer) -> int:
        """The reader's 16-byte authentication password."""
        return self._verdict("GB_Set_Auth_Pwd", _fixed("password", password, 16))

    def gb_t2r_xauth(self) -> None:
        self._call("GB_T2R_XAuth", TAG)

    def gb_t2r_sauth(self) -> None:
        self._call("GB_T2R_SAuth", TAG)

    def gb_r2t_xauth(self) -> None:
        self._call("GB_R2T_XAuth", TAG)

    def gb_r2t_sauth(self) -> None:
        self._call("GB_R2T_SAuth", TAG)

    def gb_mul_xauth(self) -> None:
        self._call("GB_Mul_XAuth", TAG)

    def gb_mul_sauth(self) -> None:
        self._call("GB_Mul_SAuth", TAG)

    def gb_sec_comm(self) -> None:
        self._call("GB_Sec_Comm", TAG)

    def gb_tag_cust_command(self, command: Buffer, *, bits: Optional[int] = None, time_mode: int = 0,
                            reply_length: int = 0) -> bytes:
        record = _custom(command, bits, time_mode, reply_length)
        return self._read("GB_TAG_Cust_Command", TAG, record, len(record))

    # ---- GJB tags --------------------------------------------------------------------------------
    # Areas: 0 tag information, 1 coding, 2 security, 3 user.

    def gjb_read_select_para(self) -> bytes:
        return self._read("GJB_Read_Select_Para", TAG)

    def gjb_write_select_para(self, area: int, bit_address: int, mask: Buffer, *, bit_length: Optional[int] = None,
                              time: int = 10, store: bool = False) -> None:
        record = _select(store, area, bit_address, mask, bit_length, None, time)
        self._call("GJB_Write_Select_Para", TAG, record, len(record))

    def gjb_query_on(self) -> None:
        self._call("GJB_Query_ON", TAG)

    def gjb_read_tag_list(self, mode: int = 0, records: int = 32) -> bytes:
        return self._read("GJB_Read_Tag_List", TAG, mode, records)

    def gjb_set_pwd(self, kill_password: Buffer, lock_password: Buffer, read_password: Buffer,
                    write_password: Buffer, *, store: bool = False) -> None:
        passwords = _gjb_passwords(kill_password, lock_password, read_password, write_password)
        self._call("GJB_Set_Pwd", TAG, int(bool(store)), passwords)

    def gjb_wake_tag(self, area: int, bit_address: int, mask: Buffer, *, bit_length: Optional[int] = None) -> bytes:
        match = _match(area, bit_address, mask, bit_length)
        return self._read("GJB_Wake_TAG", TAG, match, len(match))

    def gjb_access_proc(self, password_type: int) -> None:
        """Checks a reader password with the tag: 0 read, 1 write, 2 lock, 3 kill."""
        self._call("GJB_Access_Proc", TAG, password_type)

    def gjb_read_tag(self, area: int, word_address: int, words: int) -> bytes:
        return self._read("GJB_Read_TAG", TAG, _area_memory(area, word_address, words))

    def gjb_write_tag(self, area: int, word_address: int, data: Buffer) -> int:
        record = _area_memory(area, word_address, _words(data)) + bytes(data)
        return self._verdict("GJB_Write_TAG", record, len(record))

    def gjb_kill_tag(self, code: Buffer) -> int:
        return self._verdict("GJB_Kill_TAG", _fixed("code", code, 4))

    def gjb_lock_tag(self, area: int, action: int, spare: int = 0) -> int:
        """Action bit 0 no write, bit 1 no read."""
        return self._verdict("GJB_Lock_TAG", bytes([_u8("area", area), _u8("action", action), _u8("spare", spare)]))

    def gjb_write_block_tag(self, area: int, word_address: int, data: Buffer) -> int:
        record = bytes([_u8("area", area), _u8("word_address", word_address), _u8("words", _words(data))])
        record += bytes(data)
        return self._verdict("GJB_Write_Block_TAG", record, len(record))

    def gjb_erase_tag(self, area: int, word_address: int, words: int) -> int:
        return self._verdict("GJB_Erase_TAG", _area_memory(area, word_address, words))

    def gjb_halt_tag(self) -> None:
        self._call("GJB_Halt_TAG", TAG)

    def gjb_edit_tag_pwd(self, kill_password: Buffer, lock_password: Buffer, read_password: Buffer,
                         write_password: Buffer) -> int:
        passwords = _gjb_passwords(kill_password, lock_password, read_password, write_password)
        return self._verdict("GJB_Edit_TAG_Pwd", passwords)

    def gjb_get_sec_para(self) -> bytes:
        return self._read("GJB_Get_SecPara", TAG)

    def gjb_tag_cust_command(self, command: Buffer, *, bits: Optional[int] = None, time_mode: int = 0,
                             reply_length: int = 0) -> bytes:
        record = _custom(command, bits, time_mode, reply_length)
        return self._read("GJB_TAG_Cust_Command", TAG, record, len(record))

    # ---- FD custom tags --------------------------------------------------------------------------

    def gb_fd_cust_access(self, password: Buffer) -> int:
        """Checks the tag's FD security password."""
        return self._verdict("GB_FD_Cust_Access", _password("password", password))

    def gb_fd_cust_pwd_write(self, password: Buffer) -> int:
        return self._verdict("GB_FD_Cust_Pwd_Write", _password("password", password))

    def gb_fd_cust_pwd_lock(self, read_only: bool) -> int:
        """The security password stays writable (False) or becomes read only (True, final)."""
        return self._verdict("GB_FD_Cust_Pwd_Lock", bytes([int(bool(read_only))]))

    def gb_fd_cust_init_end(self, end_code: Buffer) -> int:
        """Ends quick initialisation with the 4-byte end code."""
        return self._verdict("GB_FD_Cust_Init_End", _fixed("end_code", end_code, 4))

    def gb_fd_cust_lock_info(self) -> bytes:
        return self._read("GB_FD_Cust_Lock_Info", TAG)

    def gb_fd_write_auth_pwd(self, key: Buffer) -> int:
        """The tag's 16-byte authentication key."""
        return self._verdict("GB_FD_Write_Auth_Pwd", _fixed("key", key, 16))

    def gb_fd_dual_auth(self, key_id: int, *, diversify: bool = False) -> None:
        """Mutual authentication with key `key_id`, diversified for the tag when asked."""
        self._call("GB_FD_Dual_Auth", TAG, int(bool(diversify)), key_id)

    def gb_fd_get_diver_key(self, key_id: int) -> bytes:
        """The 16-byte key `key_id` diversified for the tag (no count byte)."""
        return self._read("GB_FD_Get_Diver_Key", TAG, key_id)

    def gjb_fd_cust_read_block(self, sub_area: int, word_address: int, words: int) -> bytes:
        """User sub-area 1 or 2."""
        return self._read("GJB_FD_Cust_Read_Block", TAG, _area_memory(sub_area, word_address, words))

    def gjb_fd_cust_write_block(self, sub_area: int, word_address: int, data: Buffer) -> int:
        record = _area_memory(sub_area, word_address, _words(data)) + bytes(data)
        return self._verdict("GJB_FD_Cust_Write_Block", record, len(record))

    def gjb_fd_cust_erase_block(self, sub_area: int, word_address: int, words: int) -> int:
        return self._verdict("GJB_FD_Cust_Erase_Block", _area_memory(sub_area, word_address, words))

    def gjb_fd_cust_lock_blck(self, sub_area: int, action: int, spare: int = 0) -> int:
        return self._verdict("GJB_FD_Cust_Lock_Blck", bytes([_u8("sub_area", sub_area), _u8("action", action),
                                                            _u8("spare", spare)]))

    def gjb_fd_cust_lock_info(self) -> bytes:
        """Count, then one byte per user sub-area (bit 0 not writable, bit 1 not readable)."""
        return self._read("GJB_FD_Cust_Lock_Info", TAG)

    # ---- PSAM and FM151M -------------------------------------------------------------------------
    # Answers come length-prefixed (fm151m_get_rn: a 2-byte count, then the bytes).

    def psam_power_on(self, slot: int, power: bool = True) -> bytes:
        """Powers the card in `slot` on (its ATR) or off."""
        return self._read("PSAM_POWER_ON", READER, slot, int(bool(power)))

    def psam_warm_reset(self, slot: int) -> bytes:
        return self._read("PSAM_Warm_Reset", READER, slot)

    def psam_command(self, command: Buffer) -> bytes:
        """`command` follows the count byte the package puts first (the slot, the command
        type, then the APDU)."""
        record = _counted(command)
        return self._read("PSAM_Command", READER, record, len(record))

    def psam_fd_issue(self, keys: Buffer) -> bytes:
        """Issues the card with `keys` (the reader takes six 16-byte keys) after their count."""
        record = _counted(keys)
        return self._read("PSAM_FD_Issue", READER, record, len(record))

    def fm151m_get_id(self) -> bytes:
        return self._read("FM151M_Get_ID", READER)

    def fm151m_get_rn(self, count: int) -> bytes:
        """`count` random bytes, after their 2-byte count."""
        return self._read("FM151M_Get_RN", READER, count)

    def fm151m_hash(self, phase: int, algorithm: int, data: Buffer = b"") -> bytes:
        """Phase 0 start, 1 add `data`, 2 finish (the digest, count first); algorithm 0 SHA-1,
        1 SHA-256, 2 SM3, 3 MD5."""
        record = bytes([_u8("phase", phase), _u8("algorithm", algorithm)]) + _counted(data)
        return self._read("FM151M_Hash", READER, record, len(record))

    def fm151m_cipher(self, phase: int, *, encrypt: bool, cbc: bool, algorithm: int, payload: Buffer = b"") -> bytes:
        """Phase 0 start (payload: key, then for CBC the initial vector), 1 process whole blocks,
        2 release; algorithm 0 DES, 1 3DES, 2 SSF33, 3 SM1, 4 SM7, 5 SM4."""
        record = bytes([_u8("phase", phase), int(bool(encrypt)), int(bool(cbc)), _u8("algorithm", algorithm)])
        record += _counted(payload)
        return self._read("FM151M_Cipher", READER, record, len(record))


def _gjb_passwords(kill: Buffer, lock: Buffer, read: Buffer, write: Buffer) -> bytes:
    return (_password("kill_password", kill) + _password("lock_password", lock) + _password("read_password", read)
            + _password("write_password", write))


class _CallbackScope:
    """Marks the current thread as inside one of a reader's callbacks."""

    def __init__(self, threads: Set[int]) -> None:
        self._threads = threads

    def __enter__(self) -> None:
        self._threads.add(threading.get_ident())

    def __exit__(self, *exc: object) -> None:
        self._threads.discard(threading.get_ident())


def open(uri: str, *, timeouts: Optional[Timeouts] = None) -> Reader:  # noqa: A001 - kestrel.open
    """Opens and probes the reader `uri` names:

        serial:///dev/ttyUSB0?baud=115200&address=1   serial:COM3   tcp://host:port?address=1
        usb:   usb:N

    (address 0..255, default 255: any single reader answers; baud 9600..115200). Raises
    LinkError (KESTREL_E_BAD_URI, KESTREL_E_OPEN, the probe's code) with nothing left open."""
    text = uri.encode()
    if b"\0" in text:
        raise link_error(results.E_BAD_URI, f"open {uri!r}", result_name(results.E_BAD_URI))
    handle = ctypes.c_void_p()
    code = lib.kestrel_open(text, ctypes.byref(handle))
    if code:
        raise link_error(code, f"open {uri}", result_name(code))
    reader = Reader(handle.value, uri)  # type: ignore[arg-type]
    if timeouts is not None:
        try:
            reader.timeouts = timeouts
        except BaseException:
            reader.close()
            raise
    return reader
