#!/usr/bin/env python3
"""A capture application in miniature: drives libkorvanda.so only through its C ABI, with ctypes.

Usage: late_bound_client.py LIBRARY
Creates objects by class identifier, calls members by name, builds a record set with
ADODB.Recordset, exports it with clsControlFiles, and reads the errors the library raises.
"""
import ctypes as C
import os
import sys
import tempfile

KV_EMPTY, KV_NULL, KV_I2, KV_I4, KV_R8, KV_DATE, KV_BSTR, KV_OBJECT = 0, 1, 2, 3, 5, 7, 8, 9
KV_MISSING, KV_BOOL, KV_DECIMAL, KV_UI1, KV_I8 = 10, 11, 14, 17, 20
KV_METHOD, KV_PROPERTYGET, KV_PROPERTYPUT = 1, 2, 4


class Union(C.Union):
    _fields_ = [("i2", C.c_int16), ("i4", C.c_int32), ("i8", C.c_int64), ("r8", C.c_double),
                ("date", C.c_double), ("boolean", C.c_int16), ("ui1", C.c_uint8),
                ("str", C.c_void_p), ("obj", C.c_void_p)]


class Variant(C.Structure):
    _fields_ = [("vt", C.c_int32), ("u", Union)]


class Error(C.Structure):
    _fields_ = [("number", C.c_int32), ("source", C.c_char_p), ("description", C.c_char_p)]


class KorvandaError(Exception):
    def __init__(self, number, source, description):
        super().__init__(f"{number} {source}: {description}")
        self.number, self.source, self.description = number, source, description


class Library:
    def __init__(self, path):
        self.lib = lib = C.CDLL(path)
        lib.kv_create_object.argtypes = [C.c_char_p, C.POINTER(C.c_void_p), C.POINTER(Error)]
        lib.kv_invoke.argtypes = [C.c_void_p, C.c_char_p, C.c_int, C.POINTER(Variant), C.c_int32,
                                  C.POINTER(Variant), C.POINTER(Error)]
        lib.kv_object_release.argtypes = [C.c_void_p]
        lib.kv_variant_clear.argtypes = [C.POINTER(Variant)]
        lib.kv_error_clear.argtypes = [C.POINTER(Error)]

    def _raise(self, err):
        e = KorvandaError(err.number, err.source.decode(), err.description.decode())
        self.lib.kv_error_clear(C.byref(err))
        raise e

    def create(self, progid):
        out, err = C.c_void_p(), Error()
        if self.lib.kv_create_object(progid.encode(), C.byref(out), C.byref(err)):
            self._raise(err)
        return Object(self, out)


class Object:
    def __init__(self, library, handle):
        self.library, self.handle = library, handle

    def __del__(self):
        if self.handle:
            self.library.lib.kv_object_release(self.handle)
            self.handle = None

    def _to_variant(self, value, keep):
        v = Variant()
        if value is None:
            v.vt = KV_NULL
        elif isinstance(value, bool):
            v.vt, v.u.boolean = KV_BOOL, -1 if value else 0
        elif isinstance(value, int):
            v.vt, v.u.i4 = KV_I4, value
        elif isinstance(value, float):
            v.vt, v.u.r8 = KV_R8, value
        elif isinstance(value, Object):
            v.vt, v.u.obj = KV_OBJECT, value.handle
        else:
            buf = C.create_string_buffer(str(value).encode())
            keep.append(buf)
            v.vt, v.u.str = KV_BSTR, C.cast(buf, C.c_void_p)
        return v

    def _from_variant(self, v):
        lib = self.library.lib
        if v.vt in (KV_BSTR, KV_DECIMAL):
            text = C.string_at(v.u.str).decode()
            lib.kv_variant_clear(C.byref(v))
            return text
        if v.vt == KV_OBJECT:
            return Object(self.library, C.c_void_p(v.u.obj)) if v.u.obj else None
        return {KV_EMPTY: None, KV_NULL: None, KV_I2: v.u.i2, KV_I4: v.u.i4, KV_I8: v.u.i8,
                KV_R8: v.u.r8, KV_DATE: v.u.date, KV_BOOL: v.u.boolean != 0,
                KV_UI1: v.u.ui1}[v.vt]

    def invoke(self, member, kind, *args):
        keep = []
        arr = (Variant * max(len(args), 1))(*[self._to_variant(a, keep) for a in args])
        result, err = Variant(), Error()
        if self.library.lib.kv_invoke(self.handle, member.encode(), kind, arr, len(args),
                                      C.byref(result), C.byref(err)):
            self.library._raise(err)
        return self._from_variant(result)

    def call(self, member, *args):
        return self.invoke(member, KV_METHOD, *args)

    def get(self, member, *args):
        return self.invoke(member, KV_PROPERTYGET, *args)

    def put(self, member, *args):
        return self.invoke(member, KV_PROPERTYPUT, *args)


LIVESTOCK = ["Poliza", "Endoso", "CveTipoEndoso", "Inciso", "ApPaterno", "ApMaterno", "Nombres",
             "Identificacion", "CveEstado", "CveMunicipio", "cveespecie", "cvefuncion",
             "Aniocontrata", "VigenciaAsegIni", "VigenciaAsegFin", "CabezasAseg", "UnidadesAseg",
             "SumaAsegurada", "PrimaEaseg", "PrimaEgobFed", "totalemitido", "PrimaCaseg",
             "PrimaCGobFed", "totalcobrado", "NumPagoIni", "NumPagoFin", "FecPago", "TipoCambio"]


def check(condition, message):
    if not condition:
        raise SystemExit("FAILED: " + message)


def main():
    library, work = Library(sys.argv[1]), tempfile.mkdtemp(prefix="korvanda-py-")
    os.environ.setdefault("KORVANDA_LOG_DIR", work)
    files = library.create("KORVANDA.clsControlFiles")
    check(files.get("fileAdvance") == 1 and files.get("correctFile") is True, "initial state")

    rs = library.create("ADODB.Recordset")
    for name in LIVESTOCK:
        rs.call("Fields.Append", name, 200, 50, 36)  # updatable and nullable text
    rs.call("Open")
    for poliza, materno in (("G-001", "Núñez"), ("G-002", None)):
        rs.call("AddNew")
        for name in LIVESTOCK:
            rs.put("Value", name, "1")
        rs.put("Value", "Poliza", poliza)
        rs.put("Value", "ApMaterno", materno)
        rs.call("Update")
    check(rs.get("RecordCount") == 2, "two records")

    path = os.path.join(work, "ganado.dat")
    check(files.call("ExportFileDat", path, rs, 2) is True, "export result")
    data = open(path, "rb").read()
    lines = data.split(b"\r\n")
    check(len(lines) == 3 and lines[2] == b"", "two CR LF lines")
    check(lines[0].startswith("G-001|1|1|1|1|Núnez|1|".encode("cp1252")), lines[0].decode("cp1252"))
    check(lines[1].startswith(b"G-002|1|1|1|1||1|"), lines[1].decode("cp1252"))
    check(lines[0].count(b"|") == 27, "28 fields")
    check(files.get("fileAdvance") == 100, "progress at the end")

    empty = library.create("ADODB.Recordset")
    empty.call("Fields.Append", "Poliza", 200, 30)
    empty.call("Open")
    try:
        files.call("ExportFileDat", path, empty, 2)
        check(False, "an empty record set must be refused")
    except KorvandaError as e:
        check(e.number == -2147220503, "refusal number")
        check(e.description == "No hay información para exportar", e.description)
    check(open(path, "rb").read() == data, "the refusal left the file untouched")

    for member, number in (("NoSuchMember", 438),):
        try:
            files.call(member)
            check(False, member)
        except KorvandaError as e:
            check(e.number == number, f"{member}: {e}")
    try:
        library.create("KORVANDA.Nothing")
        check(False, "unknown class")
    except KorvandaError as e:
        check(e.number == 429, str(e))
    print("late-bound client ok")


if __name__ == "__main__":
    main()
