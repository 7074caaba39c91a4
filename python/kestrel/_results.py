"""Result codes and the exceptions a failed call raises.

A call's result is 0, a link status code of kestrel.h (the link or the library refused or
failed the transaction), or, for the operations that pass on the reader's verdict, the
reader's status byte. The two share one number space: 1 and 4 are link status codes of
opening a link and of ALARM's selector check, but from a transaction on an open reader they
are the reader's status (the EPC tag-error status is 1).
"""
from __future__ import annotations

from typing import Optional

# The link status codes of kestrel.h, by value.
RESULT_NAMES = {
    0: "KESTREL_OK",
    1: "KESTREL_E_OPEN",
    4: "KESTREL_E_ALARM_SELECTOR",
    33: "KESTREL_E_USB_NO_READER",
    187: "KESTREL_E_USB_SEND",
    225: "KESTREL_E_SEND_DLE",
    226: "KESTREL_E_SEND_SOH",
    227: "KESTREL_E_SEND_ADDRESS",
    228: "KESTREL_E_SEND_COMMAND",
    229: "KESTREL_E_SEND_LENGTH",
    230: "KESTREL_E_SEND_DATA",
    231: "KESTREL_E_SEND_CHECK",
    232: "KESTREL_E_SEND_TRAILER_DLE",
    233: "KESTREL_E_SEND_TRAILER_STX",
    234: "KESTREL_E_NO_REPLY",
    235: "KESTREL_E_REPLY_DLE",
    236: "KESTREL_E_REPLY_SOH_MISSING",
    237: "KESTREL_E_REPLY_SOH",
    238: "KESTREL_E_REPLY_ADDRESS",
    239: "KESTREL_E_REPLY_ECHO_MISSING",
    240: "KESTREL_E_REPLY_STATUS",
    241: "KESTREL_E_REPLY_DATA",
    242: "KESTREL_E_REPLY_CHECK_MISSING",
    243: "KESTREL_E_REPLY_CHECK",
    244: "KESTREL_E_REPLY_TRAILER_DLE_MISSING",
    245: "KESTREL_E_REPLY_TRAILER_DLE",
    246: "KESTREL_E_REPLY_TRAILER_STX_MISSING",
    247: "KESTREL_E_REPLY_TRAILER_STX",
    248: "KESTREL_E_REQUEST_TOO_LONG",
    249: "KESTREL_E_CANCELLED",
    250: "KESTREL_E_BUFFER_SMALL",
    251: "KESTREL_E_BAD_URI",
    252: "KESTREL_E_ARGUMENT",
    253: "KESTREL_E_REPLY_ADDRESS_RULE",
    254: "KESTREL_E_REPLY_ECHO",
    255: "KESTREL_E_NULL_BUFFER",
}

OK = 0
E_OPEN = 1
E_ALARM_SELECTOR = 4
E_CANCELLED = 249
E_BAD_URI = 251
E_ARGUMENT = 252

# What a transaction on an open reader can fail with at the link: the USB send, the frame
# steps, and the library's own refusals. Any other nonzero result of an operation that passes
# on the reader's verdict is that verdict.
TRANSACTION_LINK_CODES = frozenset(code for code in RESULT_NAMES if code == 187 or code >= 225)

READER_STATUS = "reader status"


class KestrelError(Exception):
    """A call that did not succeed. `code` is its result, `name` the result's name
    (the link status code's constant, or "reader status"), `operation` what was called."""

    def __init__(self, code: int, name: str, operation: str) -> None:
        self.code = code
        self.name = name
        self.operation = operation
        super().__init__(self._text())

    def _text(self) -> str:
        return f"{self.operation}: {self.name} ({self.code})"


class LinkError(KestrelError):
    """The link or the library failed or refused the call (a link status code)."""


class Cancelled(LinkError):
    """Reader.cancel() ended the call (KESTREL_E_CANCELLED)."""


class ReaderError(KestrelError):
    """The reader refused a command of its own (its status byte, nonzero)."""


class TagError(KestrelError):
    """The reader reported a failed tag command: `code` is its status byte, `tag_code` the
    tag's error code (the first reply byte) where the operation hands one back, else None."""

    def __init__(self, code: int, name: str, operation: str, tag_code: Optional[int] = None) -> None:
        self.tag_code = tag_code
        super().__init__(code, name, operation)

    def _text(self) -> str:
        text = super()._text()
        return text if self.tag_code is None else f"{text}, tag error code 0x{self.tag_code:02X}"


# How an operation reports: LINK ones return link status codes only; READER ones the reader's
# status after a valid reply; TAG ones the reader's status of a tag command.
LINK, READER, TAG = "link", "reader", "tag"


def link_error(code: int, operation: str, name: str) -> LinkError:
    cls = Cancelled if code == E_CANCELLED else LinkError
    return cls(code, name, operation)


def error_for(code: int, operation: str, kind: str, name: str, tag_code: Optional[int] = None) -> KestrelError:
    """The exception for a nonzero result `code` of `operation`, which reports as `kind`;
    `name` is the library's name of the code."""
    if kind == LINK or code in TRANSACTION_LINK_CODES:
        return link_error(code, operation, name)
    if kind == TAG:
        return TagError(code, READER_STATUS, operation, tag_code)
    return ReaderError(code, READER_STATUS, operation)
