"""Simulated readers for the tests: readersim processes over TCP (--tcp 0 --no-pty) or on a
pseudo-terminal (--link). KESTREL_LIBRARY and KESTREL_READERSIM default to the build tree's."""
import os
import pathlib
import subprocess
import sys
import time

import pytest

SOURCE = pathlib.Path(__file__).resolve().parents[2]
os.environ.setdefault("KESTREL_LIBRARY", str(SOURCE / "build" / "libkestrel.so"))
READERSIM = os.environ.get("KESTREL_READERSIM", str(SOURCE / "build" / "sim" / "readersim"))
PACKAGE_DIR = str(SOURCE / "python")

import kestrel  # noqa: E402  (after KESTREL_LIBRARY)


class Sim:
    """One readersim; `uri()` names it (TCP, or with `link` the pseudo-terminal's symlink)."""

    def __init__(self, *options, link=None):
        where = ["--link", str(link)] if link else ["--tcp", "0", "--no-pty"]
        self.process = subprocess.Popen([READERSIM, *where, *options], stdout=subprocess.PIPE,
                                        stderr=subprocess.DEVNULL, text=True)
        self.link = link
        line = self.process.stdout.readline()  # "tcp ADDR:PORT", or the terminal's path
        assert line.startswith("tcp " if not link else "/"), f"readersim said {line!r}"
        self.host_port = line.split()[-1]
        while link and not os.path.exists(link):  # linked right after the path is printed
            time.sleep(0.01)

    def uri(self, address=1):
        where = f"serial://{self.link}" if self.link else f"tcp://{self.host_port}"
        return f"{where}?address={address}"

    def stop(self):
        self.process.terminate()
        self.process.wait(5)


@pytest.fixture
def sims():
    """Starts simulators: sims(*options, link=None) -> Sim; all stopped afterwards."""
    started = []

    def start(*options, link=None):
        started.append(Sim(*options, link=link))
        return started[-1]

    yield start
    for sim in started:
        sim.stop()


@pytest.fixture
def reader(sims):
    """A reader on a simulator with the default scenario, at address 1."""
    with kestrel.open(sims().uri()) as r:
        yield r


def run_cli(*args, **popen):
    """python3 -m kestrel ARGS with the package from the source tree."""
    env = dict(os.environ, PYTHONPATH=PACKAGE_DIR, PYTHONDONTWRITEBYTECODE="1")
    return subprocess.run([sys.executable, "-m", "kestrel", *args], env=env, capture_output=True, text=True,
                          timeout=60, **popen)
