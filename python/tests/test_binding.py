"""The package against the library and its header: every operation bound with the header's
types and reachable as a method, result names, loading, and refusals before anything is sent."""
import ctypes
import os
import re
import subprocess
import sys

import pytest

import kestrel
from kestrel import _library
from conftest import PACKAGE_DIR, SOURCE

C_TYPES = {"int32_t": ctypes.c_int32, "size_t": ctypes.c_size_t, "size_t*": _library.SIZE_OUT,
           "uint8_t*": _library.OUT, "const uint8_t*": _library.IN, "kestrel_reader*": _library.HANDLE}


def header_operations():
    """kestrel_<Export> name -> C parameter types, from reader.h."""
    text = re.sub(r"/\*.*?\*/", "", (SOURCE / "include" / "kestrel" / "reader.h").read_text(), flags=re.S)
    found = {}
    for name, params in re.findall(r"KESTREL_CALL\s+kestrel_([A-Z]\w+)\((.*?)\);", text, re.S):
        types = []
        for param in params.split(","):
            words = " ".join(param.split())
            words = re.sub(r" (\w+)\[\w*\]$", r"* \1", words)  # a fixed array is a pointer
            types.append(re.sub(r"\s*\w+$", "", words).replace(" *", "*"))
        found[name] = types
    return found


def test_every_reader_operation_is_bound_with_the_headers_types_and_has_a_method():
    operations = header_operations()
    assert len(operations) >= 100 and set(operations) == set(_library.OPERATIONS)
    for name, types in operations.items():
        function = getattr(kestrel._library.lib, "kestrel_" + name)
        assert function.argtypes == [C_TYPES[t] for t in types], name
        method = re.sub(r"([a-z])([A-Z])", r"\1_\2", name).lower()
        assert callable(getattr(kestrel.Reader, method, None)), f"no Reader.{method} for {name}"


def test_result_names_agree_with_the_library():
    for code in range(-1, 300):
        assert kestrel.result_name(code) == kestrel.RESULT_NAMES.get(code, "reader status"), code


def test_a_missing_library_is_an_import_error_saying_where_it_looked():
    env = dict(os.environ, PYTHONPATH=PACKAGE_DIR, KESTREL_LIBRARY="/nonexistent/libkestrel.so")
    run = subprocess.run([sys.executable, "-c", "import kestrel"], env=env, capture_output=True, text=True)
    assert run.returncode == 1
    assert "ImportError: kestrel: cannot load the kestrel library from the file KESTREL_LIBRARY names: " \
           "tried /nonexistent/libkestrel.so" in run.stderr


@pytest.mark.parametrize("call", [
    lambda r: r.set_ip_address(bytes(19)),
    lambda r: r.epc_kill_tag(b"KIL"),
    lambda r: r.epc_write_tag(3, 0, b"odd"),
    lambda r: r.epc_read_tag(3, 0x10000, 1),
    lambda r: r.gjb_set_pwd(bytes(4), bytes(4), bytes(4), bytes(5)),
    lambda r: r.epc_wake_tag(1, 32, b"\x30\x00", bit_length=17),
    lambda r: r.psam_command(bytes(256)),
    lambda r: r.inventory("iso"),
])
def test_malformed_arguments_are_refused_with_nothing_sent(reader, call):
    sent = []
    reader.trace(sent.append)
    with pytest.raises(ValueError):
        call(reader)
    assert sent == []
