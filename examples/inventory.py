#!/usr/bin/env python3
"""List the EPC tags in the reader's field, through the kestrel Python package.

    inventory.py [port [address [records]]]

The same steps as inventory.c: open the reader on a port (index 0..9 = COM1..COM10, 32 = USB;
default 0 at 115200 baud; on Linux KESTREL_COM1 names COM1's device), switch the reader chip
on, run an EPC inventory reading the reader's tag list `records` tags a block (default 10),
print each EPC as hex, close. A failure is printed with the name of its result, and the
program exits with 1. The package loads the library KESTREL_LIBRARY names, else the system's
libkestrel.so.1; run from the source tree, the package is taken from python/ when it is not
installed.
"""
import os
import sys

try:
    import kestrel
except ModuleNotFoundError:
    sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "python"))
    import kestrel

USB_PORT = 32


def uri_of(port, address):
    """The reader URI of a port index as inventory.c takes it."""
    if port == USB_PORT:
        return f"usb:?address={address}"
    return f"serial:COM{port + 1}?baud=115200&address={address}"


def main(argv):
    port, address, records = ([int(a, 0) for a in argv[1:4]] + [0, 1, 10][len(argv) - 1 :])[:3]
    try:
        with kestrel.open(uri_of(port, address)) as reader:
            reader.set_r2000_on_off(True)
            tags = reader.inventory("epc", per_block=records)
            for tag in tags:
                print(tag.id.hex().upper())
            print(f"{len(tags)} tag(s)", file=sys.stderr)
    except kestrel.KestrelError as failure:
        print(failure, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
