#!/usr/bin/env python3
"""A capture application in miniature: drives libkorvanda.so only through its C ABI, with ctypes.

Usage: late_bound_client.py LIBRARY
Builds a record set with ADODB.Recordset, exports it with clsControlFiles, and reads the errors
the library raises: the only test of the ABI from another language's own declarations.
"""
import ctypes as C
import os
import sys
import tempfile

KV_EMPTY, KV_NULL, KV_I2, KV_I4, KV_BSTR, KV_OBJECT, KV_BOOL = 0, 1, 2, 3, 8, 9, 11
KV_METHOD, KV_PROPERTYGET, KV_PROPERTYPUT = 1, 2, 4


class Union(C.Union):
    _fields_ = [("i2", C.c_int16), ("i4", C.c_int32), ("i8", C.c_int64), ("r8", C.c_double),
                ("boolean", C.c_int16), ("str", C.c_void_p), ("obj", C.c_void_p)]


class Variant(C.Structure):
    _fields_ = [("vt", C.c_int32), ("u", Union)]


class Error(C.Structure):
    _fields_ = [("number", C.c_int32), ("source", C.c_char_p), ("description", C.c_char_p)]


lib = C.CDLL(sys.argv[1])
lib.kv_create_object.argtypes = [C.c_char_p, C.POINTER(C.c_void_p), C.POINTER(Error)]
lib.kv_invoke.argtypes = [C.c_void_p, C.c_char_p, C.c_int, C.POINTER(Variant), C.c_int32,
                          C.POINTER(Variant), C.POINTER(Error)]
lib.kv_object_release.argtypes = [C.c_void_p]
lib.kv_variant_clear.argtypes = [C.POINTER(Variant)]
lib.kv_error_clear.argtypes = [C.POINTER(Error)]


def fail(err):
    number, description = err.number, err.description.decode()
    lib.kv_error_clear(C.byref(err))
    raise LookupError(number, description)


def create(progid):
    out, err = C.c_void_p(), Error()
    if lib.kv_create_object(progid.encode(), C.byref(out), C.byref(err)):
        fail(err)
    return out


def invoke(obj, member, kind, *args):
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
        fail(err)
    value = {KV_EMPTY: None, KV_I2: result.u.i2, KV_I4: result.u.i4,
             KV_BOOL: result.u.boolean != 0}.get(result.vt, result.vt)
    lib.kv_variant_clear(C.byref(result))
    return value


def check(condition, message):
    if not condition:
        raise SystemExit("FAILED: " + message)


def raises(number, call, *args):
    """The description of the error number the call raises."""
    try:
        call(*args)
    except LookupError as e:
        check(e.args[0] == number, str(e))
        return e.args[1]
    check(False, f"no error {number}")


LIVESTOCK = ["Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres",
             "Identificacion", "CveEstado", "CveMunicipio", "cveespecie", "cvefuncion",
             "Aniocontrata", "VigenciaAsegIni", "VigenciaAsegFin", "CabezasAseg", "UnidadesAseg",
             "SumaAsegurada", "PrimaEaseg", "PrimaEgobFed", "totalemitido", "PrimaCaseg",
             "PrimaCGobFed", "totalcobrado", "NumPagoIni", "NumPagoFin", "FecPago", "TipoCambio"]


def main():
    work = tempfile.mkdtemp(prefix="korvanda-py-")
    os.environ.setdefault("KORVANDA_LOG_DIR", work)
    files = create("KORVANDA.clsControlFiles")
    check(invoke(files, "fileAdvance", KV_PROPERTYGET) == 1, "initial progress")
    rs = create("ADODB.Recordset")
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
    check(invoke(files, "ExportFileDat", KV_METHOD, path, rs, 2) is True, "export result")
    data = open(path, "rb").read()
    check(data == ("G-001|1|1|1|1|Núnez" + "|1" * 22 + "\r\nG-002|1|1|1|1|" + "|1" * 22
                   + "\r\n").encode("cp1252"), repr(data))
    check(invoke(files, "fileAdvance", KV_PROPERTYGET) == 100, "progress at the end")

    empty = create("ADODB.Recordset")
    invoke(empty, "Fields.Append", KV_METHOD, "Poliza", 200, 30)
    invoke(empty, "Open", KV_METHOD)
    e = raises(-2147220503, invoke, files, "ExportFileDat", KV_METHOD, path, empty, 2)
    check(e == "No hay información para exportar", e)
    check(open(path, "rb").read() == data, "the refusal left the file untouched")
    raises(438, invoke, files, "NoSuchMember", KV_METHOD)
    raises(429, create, "KORVANDA.Nothing")
    for obj in (files, rs, empty):
        lib.kv_object_release(obj)
    print("late-bound client ok")


if __name__ == "__main__":
    main()
