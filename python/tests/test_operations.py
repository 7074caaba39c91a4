"""Every operation group against the simulated reader of the default scenario: device,
settings, the tag memory of the three standards, security, FD tags, PSAM and FM151M."""
import hashlib
import time

import pytest

import kestrel

EPCS = ["3000E2006811000000000001", "3000E2006811000000000002", "3400112233445566778899AA"]
GB_CODING = ["0C0120240001A1B2C3D4000" + n for n in "123"]
GJB_CODING = ["080173770000000" + n for n in "123"]


def test_device(reader):
    assert reader.get_device_info() == b"Heron UHF Reader V1.00"
    assert (reader.read_device_no(), reader.read_device_temp()) == (1, 36)
    reader.alarm(1, 1, 2, 3)
    reader.set_baud_rate(3)
    reader.device_reset()
    reader.device_restore()
    reader.write_device_no(9)
    assert reader.address == 9 and reader.read_device_no() == 9
    reader.address = 1
    with pytest.raises(kestrel.LinkError, match="KESTREL_E_NO_REPLY"):
        reader.probe()


@pytest.mark.parametrize("setter, getter, value", [
    ("set_ip_address", "get_ip_address", bytes([10, 0, 0, 1, 255, 0, 0, 0, 2, 4, 6, 8, 10, 12, 10, 0, 0, 9, 0x13, 0x88])),
    ("set_work_param", "get_work_param", bytes([1, 2, 0, 1, 14, 20, 2])),
    ("set_menjin_param", "get_menjin_param", bytes([1, 0, 3, 4, 2])),
])
def test_settings_read_back_as_written(reader, setter, getter, value):
    getattr(reader, setter)(value)
    assert getattr(reader, getter)() == value


def test_rf(reader):
    reader.set_ch_active(2, bytes.fromhex("0102030405060708"))
    assert reader.get_ch_active(2) == bytes.fromhex("0102030405060708")
    assert reader.get_ch_active(0) == bytes.fromhex("FFFFF00000000000"), "20 channels, none changed"
    reader.set_active_ant(3)
    assert reader.get_work_param()[6] == 3
    reader.set_cw_on_off(True)
    assert reader.read_device_temp() == 40, "a running carrier warms the amplifier"
    assert reader.get_rf_power()[:2] == b"\x1e\x1e"
    reader.set_r2000_on_off(False)
    assert reader.get_rf_power()[:2] == b"\x1e\x00", "no power leaves the antenna"


@pytest.mark.parametrize("standard, ids, words", [
    ("epc", EPCS, [None] * 3), ("gb", GB_CODING, [0xA001, 0xA001, 0xA002]), ("gjb", GJB_CODING, [0xB001, 0xB001, 0xB002])])
def test_inventory_parses_each_record(reader, standard, ids, words):
    before = kestrel.steady_ns()
    tags = reader.inventory(standard, per_block=1)
    assert [t.id.hex().upper() for t in tags] == ids and [t.security_word for t in tags] == words
    for t in tags:
        assert t.standard == standard and before < t.steady_ns < kestrel.steady_ns()
        assert t.raw == (t.id if standard == "epc" else t.security_word.to_bytes(2, "big") + t.id)
    assert abs(tags[0].utc.timestamp() - time.time()) < 60
    block = getattr(reader, f"{standard}_read_tag_list")(0, 2)
    assert block[:5] == bytes([0, len(block), 0, 3, 2]), "length, tags held, records in the block"


def test_inventory_of_an_empty_field(sims):
    with kestrel.open(sims("--empty").uri()) as r:
        assert r.inventory("gb") == []


@pytest.mark.parametrize("standard, area", [("epc", 3), ("gb", 3), ("gjb", 3)])  # user memory
def test_tag_memory_write_block_write_erase_read(reader, standard, area):
    op = lambda name: getattr(reader, f"{standard}_{name}")  # noqa: E731
    assert op("write_tag")(area, 1, b"\x12\x34\x56\x78") == 0
    assert op("read_tag")(area, 1, 2) == b"\x04\x12\x34\x56\x78"
    assert op("write_block_tag")(area, 0, b"\xAB\xCD") == 0
    assert op("erase_tag" if standard != "epc" else "write_erase_tag")(area, 2, 1) == 0
    assert op("read_tag")(area, 0, 3) == b"\x06\xAB\xCD\x12\x34\x00\x00"


@pytest.mark.parametrize("standard, lock, tag_code", [
    ("epc", lambda r: r.epc_lock_tag(user=0x0F), 0x04),      # permanently no write
    ("gb", lambda r: r.gb_lock_tag(3, 0, 1), 0x04),          # memory attributes: no write
    ("gjb", lambda r: r.gjb_lock_tag(3, 1), 0x04),
])
def test_a_locked_area_refuses_writes(reader, standard, lock, tag_code):
    assert lock(reader) == 0
    with pytest.raises(kestrel.TagError) as error:
        getattr(reader, f"{standard}_write_tag")(3, 0, b"\0\1")
    assert error.value.tag_code == tag_code


@pytest.mark.parametrize("standard, unlock, left", [
    ("epc", lambda r: (r.epc_wake_tag(1, 32, bytes.fromhex(EPCS[1])), r.epc_set_pwd(bytes(4), bytes.fromhex("00000BAD"))), 2),
    ("gb", lambda r: None, 2),      # the security area's write passwords agree (both zero)
    ("gjb", lambda r: None, 2),
])
def test_kill(reader, standard, unlock, left):
    unlock(reader)
    assert getattr(reader, f"{standard}_kill_tag")(b"KILL") == 0
    assert len(reader.inventory(standard)) == left


@pytest.mark.parametrize("standard, wake, refused, grant", [
    ("epc", lambda r: r.epc_wake_tag(1, 32, bytes.fromhex(EPCS[1])), lambda r: r.epc_lock_tag(user=0x0A),
     lambda r: (r.epc_set_pwd(bytes.fromhex("12345678"), bytes(4)), r.epc_access_proc())),
    ("gb", lambda r: r.gb_wake_tag(1, 0, bytes.fromhex(GB_CODING[1])), lambda r: r.gb_write_tag(3, 0, b"\0\1"),
     lambda r: (r.gb_set_pwd(3, bytes(4), bytes.fromhex("5555AAAA")), r.gb_access_proc(3, 1))),
    ("gjb", lambda r: r.gjb_wake_tag(1, 0, bytes.fromhex(GJB_CODING[1])), lambda r: r.gjb_lock_tag(3, 1),
     lambda r: (r.gjb_set_pwd(bytes.fromhex("00000BAD"), bytes.fromhex("00001111"), bytes(4), bytes(4)),
                r.gjb_access_proc(2))),
])
def test_the_readers_password_opens_a_protected_tag(reader, standard, wake, refused, grant):
    assert len(wake(reader)) > 4, "the woken tag's id, count first"
    with pytest.raises(kestrel.TagError) as error:
        refused(reader)
    assert error.value.tag_code == 0x05
    grant(reader)
    refused(reader)


@pytest.mark.parametrize("standard, edit, locked_out", [
    ("epc", lambda r: r.epc_edit_tag_pwd(b"KILL", b"ACCS"), lambda r: r.epc_read_tag(0, 0, 4) == b"\x08KILLACCS"),
    ("gb", lambda r: r.gb_edit_tag_pwd(3, bytes(4), b"WRIT"), lambda r: r.gb_write_tag(3, 0, b"\0\1")),
    ("gjb", lambda r: r.gjb_edit_tag_pwd(bytes(4), bytes(4), b"READ", bytes(4)), lambda r: r.gjb_read_tag(3, 0, 1)),
])
def test_edited_tag_passwords_take_effect(reader, standard, edit, locked_out):
    edit(reader)
    if standard == "epc":
        assert locked_out(reader)
    else:
        with pytest.raises(kestrel.TagError, match="tag error code 0x05"):
            locked_out(reader)


@pytest.mark.parametrize("standard, ids, extra", [
    ("epc", EPCS, {"q": 4}), ("gb", GB_CODING, {}), ("gjb", GJB_CODING, {})])
def test_select_wake_custom_command_and_halt(reader, standard, ids, extra):
    op = lambda name: getattr(reader, f"{standard}_{name}")  # noqa: E731
    chosen = bytes.fromhex(ids[1])
    start = 32 if standard == "epc" else 0  # the EPC bank's identifier follows CRC and PC
    at = start + 8 * (len(chosen) - 1)  # its last byte tells the tags apart
    op("write_select_para")(1, at, chosen[-1:], time=7, **extra)
    q = [4] if extra else []
    assert op("read_select_para")() == bytes([7 + len(q), 1, 0, at, 8, chosen[-1]] + q + [7])
    assert [t.id for t in reader.inventory(standard)] == [chosen]
    assert op("wake_tag")(1, start, chosen) == bytes([len(chosen)]) + chosen
    assert op("tag_cust_command")(b"\xAB\xC0", bits=12, reply_length=2) == b"\x02\xAB\xC0"
    op("halt_tag")()
    assert reader.inventory(standard) == [], "a halted tag does not answer"


def test_gb_and_gjb_security(reader):
    assert reader.gb_get_sec_para() == bytes.fromhex("0E 010000000000 E290000010000001")
    assert reader.gb_set_sec_para(bytes(range(6))) == 0 and reader.gb_get_sec_para()[1:7] == bytes(range(6))
    assert reader.gjb_get_sec_para() == bytes.fromhex("08 0102030405060708")
    for auth in ("t2r_xauth", "t2r_sauth", "r2t_xauth", "r2t_sauth", "mul_xauth", "mul_sauth"):
        getattr(reader, "gb_" + auth)()  # the tag's key and the reader's agree (zero)
    reader.gb_sec_comm()
    reader.gb_set_auth_pwd(b"K" * 16)
    with pytest.raises(kestrel.TagError):
        reader.gb_t2r_xauth()


def test_gb_fd_tag(reader):
    reader.gb_wake_tag(1, 0, bytes.fromhex(GB_CODING[1]))
    assert reader.gb_fd_cust_access(bytes.fromhex("11223344")) == 0
    assert reader.gb_fd_cust_lock_info()[:3] == b"\x07\x00\x01", "count, writable password, quick init"
    assert reader.gb_fd_cust_init_end(bytes(4)) == 0 and reader.gb_fd_cust_pwd_lock(True) == 0
    assert reader.gb_fd_cust_lock_info()[:3] == b"\x07\x01\x00"
    with pytest.raises(kestrel.TagError, match="0x04"):
        reader.gb_fd_cust_pwd_write(bytes(4))
    key = reader.gb_fd_get_diver_key(1)
    assert len(key) == 16 and reader.gb_fd_write_auth_pwd(key) == 0
    reader.gb_fd_dual_auth(1, diversify=True)
    with pytest.raises(kestrel.TagError):
        reader.gb_fd_dual_auth(1)


def test_gjb_fd_blocks(reader):
    reader.gjb_wake_tag(1, 0, bytes.fromhex(GJB_CODING[2]))
    assert reader.gjb_fd_cust_read_block(1, 0, 2) == b"\x04FD2\x00"
    assert reader.gjb_fd_cust_write_block(2, 1, b"ok") == 0 and reader.gjb_fd_cust_read_block(2, 0, 2) == b"\x04FD" + b"ok"
    assert reader.gjb_fd_cust_erase_block(2, 0, 1) == 0 and reader.gjb_fd_cust_read_block(2, 0, 1) == b"\x02\0\0"
    assert reader.gjb_fd_cust_lock_blck(1, 1) == 0 and reader.gjb_fd_cust_lock_info() == b"\x02\x01\x00"
    with pytest.raises(kestrel.TagError, match="0x04"):
        reader.gjb_fd_cust_write_block(1, 0, b"no")


def test_psam_and_fm151m(reader):
    atr = reader.psam_power_on(0)
    assert atr[0] == 16 and atr[1:3] == b"\x3B\x6C" and reader.psam_warm_reset(0) == atr
    assert reader.psam_command(bytes.fromhex("0001 00A4000002 3F00")) == b"\x02\x90\x00", "SELECT MF"
    assert reader.psam_fd_issue(bytes(96)) == b"\x03\x00\x90\x00"
    assert reader.fm151m_get_id()[1:12] == b"FM151M V1.2"
    assert reader.fm151m_get_rn(16)[:2] == b"\x00\x10" and len(reader.fm151m_get_rn(16)) == 18
    assert reader.fm151m_hash(0, 1) == reader.fm151m_hash(1, 1, b"abc") == b"\x00"
    assert reader.fm151m_hash(2, 1) == b"\x20" + hashlib.sha256(b"abc").digest()
    key, plain = bytes(range(16)), b"sixteen byte blk"
    crypt = lambda encrypt, data: (reader.fm151m_cipher(0, encrypt=encrypt, cbc=False, algorithm=5, payload=key),  # noqa: E731
                                   reader.fm151m_cipher(1, encrypt=encrypt, cbc=False, algorithm=5, payload=data)[1:],
                                   reader.fm151m_cipher(2, encrypt=encrypt, cbc=False, algorithm=5))[1]
    secret = crypt(True, plain)
    assert len(secret) == 16 and secret != plain and crypt(False, secret) == plain
