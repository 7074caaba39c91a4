"""python3 -m kestrel: inventory, --watch until Ctrl-C, info, and failures."""
import os
import signal
import subprocess
import sys
import time

import pytest

from conftest import PACKAGE_DIR
from conftest import run_cli
from test_operations import EPCS, GB_CODING, GJB_CODING


@pytest.mark.parametrize("standard, ids", [("epc", EPCS), ("gb", GB_CODING), ("gjb", GJB_CODING)])
def test_inventory_prints_one_id_a_line(sims, standard, ids):
    run = run_cli("inventory", sims().uri(), "--standard", standard, "--per-block", "2")
    assert (run.returncode, run.stdout.split()) == (0, ids)


def test_info(sims):
    run = run_cli("info", sims("--address", "5").uri(address=5))
    assert run.returncode == 0
    assert run.stdout == "device info: Heron UHF Reader V1.00\ndevice number: 5\ntemperature: 36\n"


@pytest.mark.parametrize("args, message", [
    (["info", "tcp://127.0.0.1"], "open tcp://127.0.0.1: KESTREL_E_BAD_URI (251)"),
    (["info", "serial:///dev/kestrel-no-such-port"], "KESTREL_E_OPEN (1)"),
    (["inventory", "{uri}", "--per-block", "300"], "EPC inventory: KESTREL_E_ARGUMENT (252)"),
    (["info", "{uri}"], "GetDeviceInfo: KESTREL_E_REPLY_CHECK (243)"),
])
def test_a_failure_exits_1_with_the_result_name(sims, args, message):
    uri = sims("--fault", "corrupt_check,command=0x05").uri()
    run = run_cli(*[a.format(uri=uri) for a in args])
    assert run.returncode == 1 and message in run.stderr and run.stdout == ""


def test_watch_repeats_until_ctrl_c(sims):
    env = dict(os.environ, PYTHONPATH=PACKAGE_DIR, PYTHONDONTWRITEBYTECODE="1")
    watch = subprocess.Popen([sys.executable, "-m", "kestrel", "inventory", sims().uri(), "--watch", "--interval", "0.05"],
                             env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    seen = [watch.stdout.readline().strip() for _ in EPCS]
    time.sleep(0.5)
    watch.send_signal(signal.SIGINT)
    out, err = watch.communicate(timeout=10)
    assert watch.returncode == 0
    assert seen == EPCS and out == "", "each tag once"
    rounds = [int(line.split()[1].rstrip(":")) for line in err.splitlines() if line.startswith("round")]  # \r read as \n
    assert len(rounds) > 3 and rounds == sorted(rounds) and "3 tag(s) in the field, 3 seen" in err
