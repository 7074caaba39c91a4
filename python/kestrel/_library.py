"""Loads the kestrel library and declares the prototypes of its reader-handle exports."""
from __future__ import annotations

import ctypes
import os
from typing import Dict, List

c_int32, c_int64, c_uint8, c_uint16, c_size_t = (
    ctypes.c_int32, ctypes.c_int64, ctypes.c_uint8, ctypes.c_uint16, ctypes.c_size_t)
# Inputs travel as bytes objects (a pointer to their data), outputs as c_uint8 arrays.
IN = ctypes.c_char_p
OUT = ctypes.POINTER(c_uint8)
SIZE_OUT = ctypes.POINTER(c_size_t)
HANDLE = ctypes.c_void_p

TAG_ID_MAX = 255


class TimeoutsStruct(ctypes.Structure):
    _fields_ = [("probe_reply_ms", ctypes.c_uint32), ("reply_ms", ctypes.c_uint32),
                ("byte_ms", ctypes.c_uint32), ("transaction_ms", ctypes.c_uint32)]


class TraceEventStruct(ctypes.Structure):
    _fields_ = [("direction", c_int32), ("result", c_int32), ("time_ns", c_int64),
                ("address", c_uint8), ("command", c_uint8),
                ("bytes", ctypes.POINTER(c_uint8)), ("length", c_size_t)]


class TagStruct(ctypes.Structure):
    _fields_ = [("standard", c_int32), ("has_security_word", c_int32), ("security_word", c_uint16),
                ("id_length", c_uint16), ("id", c_uint8 * TAG_ID_MAX),
                ("raw_length", c_uint16), ("raw", c_uint8 * TAG_ID_MAX),
                ("utc_us", c_int64), ("steady_ns", c_int64)]


# The library calls these without KESTREL_CALL: the C convention on every platform.
TRACE_FN = ctypes.CFUNCTYPE(None, ctypes.c_void_p, ctypes.POINTER(TraceEventStruct))
TAG_FN = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.POINTER(TagStruct))

# The reader operations, kestrel_<name> with the handle first, then by letter:
# i an int32; f a fixed-size input array; r an input record and its size; o an output
# (out, capacity, length); v the verdict byte of a tag write-type command.
_EXPANSION = {"i": [c_int32], "f": [IN], "r": [IN, c_size_t], "o": [OUT, c_size_t, SIZE_OUT],
              "v": [OUT]}

OPERATIONS: Dict[str, str] = {
    # device
    "DeviceRestore": "", "DeviceReset": "", "Set_Baud_Rate": "i", "ALARM": "iiii",
    "GetDeviceInfo": "o", "ReadDeviceNo": "o", "WriteDeviceNo": "i", "Read_DeviceTemp": "o",
    # network settings
    "Set_IP_Address": "f", "Get_IP_Address": "o",
    # RF and work parameters
    "Set_Work_Param": "f", "Get_Work_Param": "o", "Set_R2000_ON_OFF": "i", "Set_CW_ON_OFF": "i",
    "Get_RF_Power": "o", "Set_Active_ANT": "i", "Set_CH_Active": "f", "Get_CH_Active": "io",
    "Set_Menjin_Param": "f", "Get_Menjin_Param": "o",
    # EPC tags
    "EPC_Read_Select_Para": "o", "EPC_Write_Select_Para": "r", "EPC_Query_ON": "",
    "EPC_Read_Tag_List": "iio", "EPC_Set_Pwd": "iff", "EPC_Wake_TAG": "ro", "EPC_Access_Proc": "",
    "EPC_Read_TAG": "fo", "EPC_Write_TAG": "rv", "EPC_Kill_TAG": "fv", "EPC_Lock_TAG": "fv",
    "EPC_Write_Block_TAG": "rv", "EPC_Write_Erase_TAG": "fv", "EPC_Halt_TAG": "",
    "EPC_Edit_TAG_Pwd": "ff", "EPC_TAG_Cust_Command": "ro",
    # GB tags
    "GB_Read_Select_Para": "o", "GB_Write_Select_Para": "r", "GB_Query_ON": "",
    "GB_Read_Tag_List": "iio", "GB_Set_Pwd": "iiff", "GB_Wake_TAG": "ro", "GB_Access_Proc": "ii",
    "GB_Read_TAG": "fo", "GB_Write_TAG": "rv", "GB_Kill_TAG": "fv", "GB_Lock_TAG": "fv",
    "GB_Write_Block_TAG": "rv", "GB_Erase_TAG": "fv", "GB_Halt_TAG": "", "GB_Edit_TAG_Pwd": "fv",
    "GB_Get_SecPara": "o", "GB_Set_SecPara": "fv", "GB_Set_Auth_Pwd": "fv",
    "GB_T2R_XAuth": "", "GB_T2R_SAuth": "", "GB_R2T_XAuth": "", "GB_R2T_SAuth": "",
    "GB_Mul_XAuth": "", "GB_Mul_SAuth": "", "GB_Sec_Comm": "", "GB_TAG_Cust_Command": "ro",
    # GJB tags
    "GJB_Read_Select_Para": "o", "GJB_Write_Select_Para": "r", "GJB_Query_ON": "",
    "GJB_Read_Tag_List": "iio", "GJB_Set_Pwd": "if", "GJB_Wake_TAG": "ro", "GJB_Access_Proc": "i",
    "GJB_Read_TAG": "fo", "GJB_Write_TAG": "rv", "GJB_Kill_TAG": "fv", "GJB_Lock_TAG": "fv",
    "GJB_Write_Block_TAG": "rv", "GJB_Erase_TAG": "fv", "GJB_Halt_TAG": "", "GJB_Edit_TAG_Pwd": "fv",
    "GJB_Get_SecPara": "o", "GJB_TAG_Cust_Command": "ro",
    # FD custom tags
    "GB_FD_Cust_Access": "fv", "GB_FD_Cust_Pwd_Write": "fv", "GB_FD_Cust_Pwd_Lock": "fv",
    "GB_FD_Cust_Init_End": "fv", "GB_FD_Cust_Lock_Info": "o", "GB_FD_Write_Auth_Pwd": "fv",
    "GB_FD_Dual_Auth": "ii", "GB_FD_Get_Diver_Key": "io",
    "GJB_FD_Cust_Read_Block": "fo", "GJB_FD_Cust_Write_Block": "rv", "GJB_FD_Cust_Erase_Block": "fv",
    "GJB_FD_Cust_Lock_Blck": "fv", "GJB_FD_Cust_Lock_Info": "o",
    # PSAM and FM151M
    "PSAM_POWER_ON": "iio", "PSAM_Warm_Reset": "io", "PSAM_Command": "ro", "PSAM_FD_Issue": "ro",
    "FM151M_Get_ID": "o", "FM151M_Get_RN": "io", "FM151M_Hash": "ro", "FM151M_Cipher": "ro",
}

# The handle's own functions: (result type, argument types).
_HANDLE_FUNCTIONS = {
    "kestrel_open": (c_int32, [ctypes.c_char_p, ctypes.POINTER(HANDLE)]),
    "kestrel_close": (None, [HANDLE]),
    "kestrel_cancel": (c_int32, [HANDLE]),
    "kestrel_probe": (c_int32, [HANDLE]),
    "kestrel_set_address": (c_int32, [HANDLE, c_int32]),
    "kestrel_get_address": (c_int32, [HANDLE]),
    "kestrel_get_transport": (c_int32, [HANDLE]),
    "kestrel_set_timeouts": (c_int32, [HANDLE, ctypes.POINTER(TimeoutsStruct)]),
    "kestrel_get_timeouts": (c_int32, [HANDLE, ctypes.POINTER(TimeoutsStruct)]),
    "kestrel_set_trace": (c_int32, [HANDLE, TRACE_FN, ctypes.c_void_p]),
    "kestrel_steady_ns": (c_int64, []),
    "kestrel_result_string": (ctypes.c_char_p, [c_int32]),
    "kestrel_inventory": (c_int32, [HANDLE, c_int32, c_int32, TAG_FN, ctypes.c_void_p, SIZE_OUT]),
    "kestrel_inventory_into": (c_int32, [HANDLE, c_int32, c_int32, ctypes.POINTER(TagStruct), c_size_t,
                                         SIZE_OUT]),
}


def argument_types(letters: str) -> List[type]:
    types: List[type] = [HANDLE]
    for letter in letters:
        types += _EXPANSION[letter]
    return types


def _candidates() -> List[str]:
    named = os.environ.get("KESTREL_LIBRARY")
    if named:
        return [named]
    return ["kestrel.dll"] if os.name == "nt" else ["libkestrel.so.1"]


def load() -> ctypes.CDLL:
    """The library KESTREL_LIBRARY names, else the system's libkestrel.so.1 (kestrel.dll on
    Windows), with every prototype declared. ImportError says where it looked."""
    # 32-bit Windows builds export with the callee-cleans convention.
    loader = ctypes.WinDLL if os.name == "nt" and ctypes.sizeof(ctypes.c_void_p) == 4 else ctypes.CDLL  # type: ignore[attr-defined]
    tried = []
    for path in _candidates():
        try:
            lib = loader(path)
            break
        except OSError as error:
            tried.append(f"{path} ({error})")
    else:
        where = "the file KESTREL_LIBRARY names" if os.environ.get("KESTREL_LIBRARY") else (
            "the system's library search path" + ("" if os.name == "nt" else " (set KESTREL_LIBRARY to a file)"))
        raise ImportError(f"kestrel: cannot load the kestrel library from {where}: tried " + "; ".join(tried))
    try:
        for name, (result, args) in _HANDLE_FUNCTIONS.items():
            function = getattr(lib, name)
            function.restype, function.argtypes = result, args
        for name, letters in OPERATIONS.items():
            function = getattr(lib, "kestrel_" + name)
            function.restype, function.argtypes = c_int32, argument_types(letters)
    except AttributeError as error:
        raise ImportError(f"kestrel: {lib._name} has no reader handles (an older library?): {error}") from None
    return lib


lib = load()
