"""What a failed call raises: the class, the code, its name and the tag's error code."""
import socket
import time

import pytest

import kestrel


@pytest.mark.parametrize("uri", ["", "serial:COM0", "serial:/dev/x?baud=1200", "serial:/dev/x?speed=9600",
                                 "tcp://127.0.0.1", "tcp://127.0.0.1:0", "udp://127.0.0.1:80", "usb:x",
                                 "serial:/dev/ttyS0\0?address=1"])
def test_a_uri_that_names_no_reader(uri):
    with pytest.raises(kestrel.LinkError) as error:
        kestrel.open(uri)
    assert (error.value.code, error.value.name) == (251, "KESTREL_E_BAD_URI")


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


@pytest.mark.parametrize("where, code, name", [
    ("closed TCP port", 1, "KESTREL_E_OPEN"),
    ("missing serial device", 1, "KESTREL_E_OPEN"),
    ("reader at another address", 234, "KESTREL_E_NO_REPLY"),
])
def test_no_reader(sims, where, code, name):
    uri = {"closed TCP port": lambda: f"tcp://127.0.0.1:{closed_port()}",
           "missing serial device": lambda: "serial:///dev/kestrel-no-such-port",
           "reader at another address": lambda: sims().uri(address=7)}[where]()
    with pytest.raises(kestrel.LinkError) as error:
        kestrel.open(uri)
    assert (error.value.code, error.value.name) == (code, name)
    assert uri in error.value.operation and name in str(error.value)


def chip_off(r):
    r.set_r2000_on_off(False)


def wake_gb_2(r):  # the GB tag with an FD password and a write password on user area 1
    r.gb_wake_tag(1, 0, bytes.fromhex("0C0120240001A1B2C3D40002"))


# call, what comes first, the class, code and tag error code. The reader status 1 of an EPC tag
# error and 4 of a reader whose chip is off are the reader's, not the link's codes 1 and 4.
CASES = {
    "EPC read past the bank": (lambda r: r.epc_read_tag(2, 0, 60), None, kestrel.TagError, 1, 0x03),
    "EPC read, chip off": (lambda r: r.epc_read_tag(2, 0, 1), chip_off, kestrel.TagError, 1, 0x0B),
    "EPC kill, zero kill password": (lambda r: r.epc_kill_tag(b"KILL"), None, kestrel.TagError, 1, 0x05),
    "GB write, password": (lambda r: r.gb_write_tag(3, 0, b"\0\1"), wake_gb_2, kestrel.TagError, 2, 0x05),
    "GB FD access, wrong": (lambda r: r.gb_fd_cust_access(b"\1\2\3\4"), wake_gb_2, kestrel.TagError, 2, 0x05),
    "GB list, bad mode": (lambda r: r.gb_read_tag_list(mode=3), None, kestrel.TagError, 2, 0x06),
    "GB FD auth, no output": (lambda r: r.gb_fd_dual_auth(3), None, kestrel.TagError, 2, None),
    "GJB inventory, chip off": (lambda r: r.inventory("gjb"), chip_off, kestrel.TagError, 2, None),
    "work parameters refused": (lambda r: r.set_work_param(bytes(7)), None, kestrel.ReaderError, 3, None),
    "carrier, chip off": (lambda r: r.set_cw_on_off(True), chip_off, kestrel.ReaderError, 4, None),
    "PSAM warm reset, no power": (lambda r: r.psam_warm_reset(1), None, kestrel.ReaderError, 6, None),
    "ALARM selector": (lambda r: r.alarm(8), None, kestrel.LinkError, 4, None),
    "write too long": (lambda r: r.epc_write_tag(3, 0, bytes(252)), None, kestrel.LinkError, 248, None),
    "tags a block": (lambda r: r.inventory("epc", per_block=256), None, kestrel.LinkError, 252, None),
}


@pytest.mark.parametrize("case", CASES)
def test_failures_raise_their_class_with_code_and_tag_error(reader, case):
    call, before, cls, code, tag_code = CASES[case]
    if before:
        before(reader)
    with pytest.raises(kestrel.KestrelError) as error:
        call(reader)
    assert type(error.value) is cls and error.value.code == code
    assert error.value.name == (kestrel.RESULT_NAMES[code] if cls is kestrel.LinkError else "reader status")
    assert getattr(error.value, "tag_code", None) == tag_code
    reader.probe()  # the link stays usable


def test_link_failures_mid_call_are_link_errors(sims):
    sim = sims("--fault", "drop,command=0x28", "--fault", "corrupt_check,command=0x07")
    with kestrel.open(sim.uri(), timeouts=kestrel.Timeouts(reply_ms=200)) as r:
        started = time.monotonic()
        with pytest.raises(kestrel.LinkError) as dropped:
            r.epc_read_tag(2, 0, 1)
        assert dropped.value.code == 234 and time.monotonic() - started < 1.0, "the reply wait set"
        with pytest.raises(kestrel.LinkError) as damaged:
            r.read_device_no()
        assert (damaged.value.code, damaged.value.operation) == (243, "ReadDeviceNo")
        assert r.timeouts.reply_ms == 200 and r.timeouts.byte_ms == 100, "0 keeps the default"
