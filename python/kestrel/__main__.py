"""The command line: python3 -m kestrel inventory URI | info URI (kestrel --help)."""
from __future__ import annotations

import argparse
import signal
import sys
import threading
from typing import List, Optional, Set, TextIO

import kestrel


def _inventory(reader: kestrel.Reader, args: argparse.Namespace, out: TextIO) -> None:
    for tag in reader.inventory(args.standard, args.per_block):
        print(tag.id.hex().upper(), file=out)


def _watch(reader: kestrel.Reader, args: argparse.Namespace, out: TextIO, err: TextIO) -> None:
    """Inventories until Ctrl-C on a worker thread: each tag id the first time it is seen on
    `out`, a progress line on `err`. Ctrl-C cancels the inventory under way."""
    stop = threading.Event()
    failure: List[kestrel.KestrelError] = []
    seen: Set[bytes] = set()

    def rounds() -> None:
        done = 0
        while not stop.is_set():
            try:
                tags = reader.inventory(args.standard, args.per_block)
            except kestrel.KestrelError as error:
                if not stop.is_set():
                    failure.append(error)
                return
            done += 1
            for tag in tags:
                if tag.id not in seen:
                    seen.add(tag.id)
                    print(tag.id.hex().upper(), file=out, flush=True)
            print(f"\rround {done}: {len(tags)} tag(s) in the field, {len(seen)} seen", end="", file=err, flush=True)
            stop.wait(args.interval)

    worker = threading.Thread(target=rounds, name="kestrel-watch", daemon=True)
    signal.signal(signal.SIGINT, signal.default_int_handler)
    worker.start()
    try:
        while worker.is_alive():
            worker.join(0.1)
    except KeyboardInterrupt:
        stop.set()
        reader.cancel()
        worker.join()
    print(file=err)
    if failure:
        raise failure[0]


def _info(reader: kestrel.Reader, out: TextIO) -> None:
    text = reader.get_device_info().rstrip(b"\0").decode("latin-1")
    print(f"device info: {text}", file=out)
    print(f"device number: {reader.read_device_no()}", file=out)
    print(f"temperature: {reader.read_device_temp()}", file=out)


def _parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(prog="python3 -m kestrel", description="Talk to a UHF RFID reader.",
                                     epilog="URIs: serial:///dev/ttyUSB0?baud=115200&address=1, serial:COM1, "
                                            "tcp://192.168.1.200:5084?address=1, usb:, usb:N")
    commands = parser.add_subparsers(dest="command", required=True)
    inventory = commands.add_parser("inventory", help="list the tags in the field, one id in hex a line")
    inventory.add_argument("uri")
    inventory.add_argument("--standard", choices=sorted(kestrel.STANDARDS), default="epc")
    inventory.add_argument("--per-block", type=int, default=32, metavar="N", help="tag records a block (1..255)")
    inventory.add_argument("--watch", action="store_true",
                           help="inventory again and again until Ctrl-C, printing each tag once")
    inventory.add_argument("--interval", type=float, default=0.2, metavar="SECONDS",
                           help="pause between inventories with --watch (default 0.2)")
    info = commands.add_parser("info", help="device info text, device number and temperature")
    info.add_argument("uri")
    return parser


def main(argv: Optional[List[str]] = None, out: TextIO = sys.stdout, err: TextIO = sys.stderr) -> int:
    args = _parser().parse_args(argv)
    try:
        with kestrel.open(args.uri) as reader:
            if args.command == "info":
                _info(reader, out)
            elif args.watch:
                _watch(reader, args, out, err)
            else:
                _inventory(reader, args, out)
    except kestrel.KestrelError as error:
        print(error, file=err)
        return 1
    except ValueError as error:
        print(f"kestrel: {error}", file=err)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
