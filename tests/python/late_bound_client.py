#!/usr/bin/env python3
# A capture application in miniature, late_bound_client.py LIBRARY: builds a record set with
# ADODB.Recordset, exports it with clsControlFiles and reads the error the library raises, only
# through the C ABI with ctypes: the only test of the ABI from another language's declarations.
import ctypes as C
import os
import sys
import tempfile

KV_NULL, KV_I2, KV_I4, KV_BSTR, KV_OBJECT, KV_BOOL = 1, 2, 3, 8, 9, 11
KV_METHOD, KV_PROPERTYGET, KV_PROPERTYPUT = 1, 2, 4


class Union(C.Union):
    _fields_ = [("i2", C.c_int16), ("i4", C.c_int32), ("i8", C.c_int64), ("r8", C.c_double),
                ("boolean", C.c_int16), ("str", C.c_void_p), ("obj", C.c_void_p)]


class Variant(C.Structure):
    _fields_ = [("vt", C.c_int32), ("u", Union)]


class Error(C.Structure):
    _fields_ = [("number", C.c_int32), ("source", C.c_char_p), ("description", C.c_char_p)]


lib = C.CDLL(sys.argv[1])
lib.kv_invoke.argtypes = [C.c_void_p, C.c_char_p, C.c_int, C.POINTER(Variant), C.c_int32,
                          C.POINTER(Variant), C.POINTER(Error)]


def create(progid):
    out = C.c_void_p()
    assert lib.kv_create_object(progid.encode(), C.byref(out), None) == 0, progid
    return out


def invoke(obj, member, kind, *args):
    # The call's result; a failure raises LookupError(number, description).
    keep, arr = [], (Variant * max(len(args), 1))()
    for v, value in zip(arr, args):
        if value is None:
            v.vt = KV_NULL
        elif isinstance(value, int):
            v.vt, v.u.i4 = KV_I4, value
        elif isinstance(value, C.c_void_p):
            v.vt, v.u.obj = KV_OBJECT, value.value
        else:
            keep.append(C.create_string_buffer(value.encode()))
            v.vt, v.u.str = KV_BSTR, C.cast(keep[-1], C.c_void_p).value
    result, err = Variant(), Error()
    if lib.kv_invoke(obj, member.encode(), kind, arr, len(args), C.byref(result), C.byref(err)):
        failure = LookupError(err.number, err.description.decode())
        lib.kv_error_clear(C.byref(err))
        raise failure
    value = {KV_I2: result.u.i2, KV_I4: result.u.i4, KV_BOOL: result.u.boolean != 0}.get(result.vt)
    lib.kv_variant_clear(C.byref(result))
    return value


# The fields of the livestock export, as its golden input names them.
with open(os.path.join(os.path.dirname(__file__), "../golden/export/dat-ganadero-text.csv")) as f:
    LIVESTOCK = f.readline().strip().split(",")


def main():
    work = tempfile.mkdtemp(prefix="korvanda-py-")
    os.environ.setdefault("KORVANDA_LOG_DIR", work)
    files, rs, empty = (create(p) for p in ("KORVANDA.clsControlFiles", "ADODB.Recordset",
                                            "ADODB.Recordset"))
    for name in LIVESTOCK:
        invoke(rs, "Fields.Append", KV_METHOD, name, 200, 50, 36)  # updatable, nullable text
    invoke(rs, "Open", KV_METHOD)
    for poliza, materno in (("G-001", "Núñez"), ("G-002", None)):
        invoke(rs, "AddNew", KV_METHOD)
        for name in LIVESTOCK:
            invoke(rs, "Value", KV_PROPERTYPUT, name, "1")
        invoke(rs, "Value", KV_PROPERTYPUT, "Poliza", poliza)
        invoke(rs, "Value", KV_PROPERTYPUT, "ApMaterno", materno)
        invoke(rs, "Update", KV_METHOD)

    path = os.path.join(work, "ganado.dat")
    assert invoke(files, "ExportFileDat", KV_METHOD, path, rs, 2) is True
    data = open(path, "rb").read()
    assert data == ("G-001|1|1|1|1|Núnez" + "|1" * 22 + "\r\nG-002|1|1|1|1|" + "|1" * 22
                    + "\r\n").encode("cp1252"), data
    assert invoke(files, "fileAdvance", KV_PROPERTYGET) == 100

    invoke(empty, "Fields.Append", KV_METHOD, "Poliza", 200, 30)
    invoke(empty, "Open", KV_METHOD)
    try:
        invoke(files, "ExportFileDat", KV_METHOD, path, empty, 2)
        raise AssertionError("an empty record set was exported")
    except LookupError as e:
        assert e.args == (-2147220503, "No hay información para exportar"), e
    assert open(path, "rb").read() == data, "the refusal left the file untouched"
    for obj in (files, rs, empty):
        lib.kv_object_release(obj)


if __name__ == "__main__":
    main()
