#!/usr/bin/env python3
"""List the EPC tags in the reader's field, through kestrel from Python (ctypes).

    inventory.py [port [address [records]]]

The same steps as inventory.c: link (port index 0..9 = COM1..COM10, 32 = USB; default 0 at
115200 baud; on Linux KESTREL_COM1 names COM1's device), switch the reader chip on, run an
EPC inventory, page through the reader's tag list `records` tags a block (default 10) and
print each EPC as hex, then unlink. A failure is printed with the name of its result, and
the program exits with 1. KESTREL_LIBRARY names the library file; otherwise the system's
libkestrel.so.1 is loaded.
"""
import ctypes
import os
import sys

# The link status codes of kestrel.h; any other value is the reader's status.
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

REPLY_MAX = 2048  # the largest reply the library hands over
FROM_START, CONTINUE = 0, 2  # tag list read modes


class Failure(Exception):
    pass


def load_library():
    path = os.environ.get("KESTREL_LIBRARY") or ("kestrel.dll" if os.name == "nt" else "libkestrel.so.1")
    # 32-bit Windows builds use the callee-cleans convention.
    loader = ctypes.WinDLL if os.name == "nt" and ctypes.sizeof(ctypes.c_void_p) == 4 else ctypes.CDLL
    lib = loader(path)
    i32, buf = ctypes.c_int32, ctypes.POINTER(ctypes.c_uint8)
    for name, args in {
        "LinkCom": [i32, i32, i32],
        "UnLinkCom": [],
        "Set_R2000_ON_OFF": [i32, i32],
        "EPC_Query_ON": [i32],
        "EPC_Read_Tag_List": [i32, i32, i32, buf],
    }.items():
        getattr(lib, name).argtypes = args
        getattr(lib, name).restype = i32
    return lib


def check(what, result):
    if result != 0:
        raise Failure(f"{what}: {RESULT_NAMES.get(result, 'reader status')} ({result})")


def records_of(block, length, count):
    """The records of one tag list block: a length byte, then that many bytes each."""
    at = 5
    for _ in range(count):
        if at >= length or block[at] > length - at - 1:
            raise Failure("EPC_Read_Tag_List: the records overrun the block")
        n = block[at]
        yield bytes(block[at + 1 : at + 1 + n])
        at += 1 + n


def inventory(lib, address, records):
    check("Set_R2000_ON_OFF", lib.Set_R2000_ON_OFF(address, 1))
    check("EPC_Query_ON", lib.EPC_Query_ON(address))
    block = (ctypes.c_uint8 * REPLY_MAX)()
    mode, shown = FROM_START, 0
    while True:
        check("EPC_Read_Tag_List", lib.EPC_Read_Tag_List(address, mode, records, block))
        length = block[0] << 8 | block[1]
        if length < 5 or length > REPLY_MAX:
            raise Failure(f"EPC_Read_Tag_List: a tag list block of {length} bytes")
        held = block[2] << 8 | block[3]
        printed = 0
        for epc in records_of(block, length, block[4]):
            print(epc.hex().upper())
            printed += 1
        shown += printed
        if printed == 0 or shown >= held:
            return shown
        mode = CONTINUE


def main(argv):
    port, address, records = ([int(a, 0) for a in argv[1:4]] + [0, 1, 10][len(argv) - 1 :])[:3]
    lib = load_library()
    try:
        check("LinkCom", lib.LinkCom(address, port, 115200))
        try:
            print(f"{inventory(lib, address, records)} tag(s)", file=sys.stderr)
        finally:
            lib.UnLinkCom()
    except Failure as failure:
        print(failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
