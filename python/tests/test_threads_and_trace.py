"""Many readers from many threads, cancel and close from another thread, the wire trace,
timeouts and serial links."""
import threading
import time

import pytest

import kestrel


def test_several_readers_from_several_threads_get_their_own_replies(sims):
    readers = [kestrel.open(sims("--address", str(n)).uri(address=n)) for n in range(1, 5)]
    wrong = []

    def hammer(reader, number):
        for _ in range(25):
            if reader.read_device_no() != number or len(reader.get_device_info()) != 22:
                wrong.append(number)

    threads = [threading.Thread(target=hammer, args=(readers[i % 4], i % 4 + 1)) for i in range(8)]  # two a reader
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert wrong == []
    for r in readers:
        r.close()


def test_calls_on_different_readers_run_in_parallel(sims):
    delay = ("--fault", "delay,command=0x05,delay_ms=400")
    readers = [kestrel.open(sims(*delay).uri()) for _ in range(4)]
    started = time.monotonic()
    threads = [threading.Thread(target=r.get_device_info) for r in readers]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert time.monotonic() - started < 1.0, "four 400 ms replies awaited at once, not one after another"
    for r in readers:
        r.close()


def test_cancel_from_another_thread_ends_the_call_and_the_link_stays_usable(sims):
    with kestrel.open(sims("--fault", "delay,command=0x05,delay_ms=800,count=1").uri()) as reader:
        threading.Timer(0.2, reader.cancel).start()
        started = time.monotonic()
        with pytest.raises(kestrel.Cancelled) as error:
            reader.get_device_info()
        assert 0.15 < time.monotonic() - started < 0.6
        assert isinstance(error.value, kestrel.LinkError) and error.value.name == "KESTREL_E_CANCELLED"
        assert reader.read_device_no() == 1, "the late reply was drained"


def test_close_cancels_and_waits_for_a_call_on_another_thread(sims):
    reader = kestrel.open(sims("--fault", "delay,command=0x05,delay_ms=1500").uri())
    raised = []
    worker = threading.Thread(target=lambda: raised.append(pytest.raises(kestrel.Cancelled, reader.get_device_info)))
    worker.start()
    time.sleep(0.2)
    started = time.monotonic()
    reader.close()
    assert time.monotonic() - started < 0.5, "cancelled, not waited out"
    worker.join(1)
    assert raised, "the call under way raised Cancelled"
    assert reader.closed
    with pytest.raises(ValueError, match="closed"):
        reader.read_device_no()


def frame(address, command, status=None, data=b""):
    """A frame as it goes on the wire: DLE SOH, fields and check with each 0x10 doubled, DLE STX."""
    fields = bytes([address, command]) + (bytes([len(data)]) if status is None else bytes([status, 0, len(data)]))
    fields += data
    check = 0
    for b in fields:
        check ^= 0 if b == 0x10 else b
    return b"\x10\x01" + (fields + bytes([check])).replace(b"\x10", b"\x10\x10") + b"\x10\x02"


def test_trace_reports_the_bytes_on_the_wire(sims):
    with kestrel.open(sims("--address", "16").uri(address=16)) as reader:
        events = []
        reader.trace(events.append)
        before = kestrel.steady_ns()
        reader.read_device_no()
        sent, received = events
        assert (sent.direction, sent.data) == ("sent", frame(0x10, 0x07))
        assert (received.direction, received.result, received.data) == ("received", 0, frame(0x10, 0x07, 0, b"\x10"))
        assert (received.address, received.command) == (0x10, 0x07)
        assert before <= sent.time_ns <= received.time_ns <= kestrel.steady_ns()
        reader.trace(None)
        reader.read_device_no()
        assert len(events) == 2, "off"


def test_a_trace_callback_cannot_call_into_its_own_reader(reader):
    refused = []

    def on_event(event):
        try:
            reader.probe()
        except RuntimeError as error:
            refused.append(error)

    reader.trace(on_event)
    assert reader.read_device_no() == 1
    assert len(refused) == 2


@pytest.mark.parametrize("uri", ["serial://{link}?address=1", "serial:COM1?baud=115200&address=1"])
def test_serial_links(sims, tmp_path, monkeypatch, uri):
    sim = sims(link=tmp_path / "com1")
    monkeypatch.setenv("KESTREL_COM1", str(sim.link))
    with kestrel.open(uri.format(link=sim.link)) as reader:
        assert reader.transport == "serial" and reader.read_device_no() == 1
        assert reader.timeouts == kestrel.Timeouts(404, 1616, 101, reader.timeouts.transaction_ms)
    dropped = kestrel.open(uri.format(link=sim.link))
    del dropped  # closed when dropped: the port, held exclusively, is free again
    kestrel.open(uri.format(link=sim.link)).close()
