"""kestrel: the UHF RFID reader from Python, over the library's reader handles.

    import kestrel

    with kestrel.open("tcp://192.168.1.200:5084?address=1") as reader:
        print(reader.get_device_info().rstrip(b"\\0").decode())
        for tag in reader.inventory("epc"):
            print(tag.id.hex())

The library is loaded on import: the file KESTREL_LIBRARY names, else the system's
libkestrel.so.1 (kestrel.dll on Windows).
"""
from ._reader import STANDARDS, TRANSPORTS, Reader, Tag, Timeouts, TraceEvent, open, result_name, steady_ns
from ._results import (RESULT_NAMES, Cancelled, KestrelError, LinkError, ReaderError, TagError)

__version__ = "1.0.0"

__all__ = [
    "Cancelled", "KestrelError", "LinkError", "RESULT_NAMES", "Reader", "ReaderError", "STANDARDS",
    "TRANSPORTS", "Tag", "TagError", "Timeouts", "TraceEvent", "open", "result_name", "steady_ns",
]
