// Drives the library only through the C ABI, as a late-bound caller does.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "korvanda/automation.h"

namespace {

kv_variant text(const char* s) {
  kv_variant v{};
  v.vt = KV_BSTR;
  v.u.str = const_cast<char*>(s);
  return v;
}
kv_variant i4(int32_t n) {
  kv_variant v{};
  v.vt = KV_I4;
  v.u.i4 = n;
  return v;
}
kv_variant of(int32_t vt) {
  kv_variant v{};
  v.vt = vt;
  return v;
}

// One object and one error slot; every call's error is checked and freed.
struct Abi : ::testing::Test {
  kv_error err{};
  void TearDown() override { kv_error_clear(&err); }

  kv_object* create(const char* progid) {
    kv_error_clear(&err);  // a call overwrites err without freeing it
    kv_object* o = nullptr;
    EXPECT_EQ(kv_create_object(progid, &o, &err), 0) << (err.description ? err.description : "");
    return o;
  }
  // Returns the error number (0 on success).
  int call(kv_object* o, const char* member, int kind, std::vector<kv_variant> args,
           kv_variant* result = nullptr) {
    kv_error_clear(&err);
    int rc = kv_invoke(o, member, kind, args.data(), static_cast<int32_t>(args.size()), result,
                       &err);
    if (rc == 0) {
      EXPECT_EQ(err.number, 0);
      return 0;
    }
    EXPECT_NE(err.description, nullptr);
    EXPECT_NE(err.source, nullptr);
    return err.number;
  }
};

}  // namespace

TEST_F(Abi, UnknownClassesAndNullPointers) {
  kv_object* o = reinterpret_cast<kv_object*>(0x1);
  EXPECT_NE(kv_create_object("KORVANDA.NoSuchClass", &o, &err), 0);
  EXPECT_EQ(err.number, 429);
  EXPECT_EQ(o, nullptr);
  kv_error_clear(&err);
  EXPECT_NE(kv_create_object(nullptr, &o, &err), 0);
  EXPECT_EQ(err.number, 429);
  kv_error_clear(&err);
  EXPECT_NE(kv_create_object("ADODB.Recordset", nullptr, &err), 0);
  kv_error_clear(&err);
  EXPECT_EQ(kv_create_object("ADODB.Recordset", &o, nullptr), 0);  // the error slot is optional
  kv_object_release(o);
  EXPECT_NE(kv_invoke(nullptr, "EOF", KV_PROPERTYGET, nullptr, 0, nullptr, &err), 0);
  EXPECT_EQ(err.number, 424);
  kv_error_clear(&err);
  kv_object* rs = create("adodb.recordset");  // letter case ignored
  EXPECT_NE(kv_invoke(rs, nullptr, KV_METHOD, nullptr, 0, nullptr, &err), 0);
  EXPECT_EQ(err.number, 438);
  kv_error_clear(&err);
  EXPECT_NE(kv_invoke(rs, "Fields.Append", KV_METHOD, nullptr, 2, nullptr, &err), 0);
  EXPECT_EQ(err.number, 450);
  kv_object_release(rs);
  kv_object_release(nullptr);
  kv_object_addref(nullptr);
  kv_variant_clear(nullptr);
  kv_error_clear(nullptr);
}

TEST_F(Abi, RecordsetBuiltByTheApplication) {
  kv_object* rs = create("ADODB.Recordset");
  ASSERT_NE(rs, nullptr);
  ASSERT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("Poliza"), i4(200), i4(30), i4(4)}), 0);
  ASSERT_EQ(call(rs, "fields.append", KV_METHOD, {text("Inciso"), i4(2), i4(2), i4(36)}), 0);
  ASSERT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("Monto"), i4(131), i4(19)}), 0);
  ASSERT_EQ(call(rs, "Open", KV_METHOD, {}), 0);
  kv_variant r{};
  ASSERT_EQ(call(rs, "EOF", KV_PROPERTYGET, {}, &r), 0);
  EXPECT_EQ(r.vt, KV_BOOL);
  EXPECT_EQ(r.u.boolean, -1);
  ASSERT_EQ(call(rs, "AddNew", KV_METHOD, {}), 0);
  ASSERT_EQ(call(rs, "Value", KV_PROPERTYPUT, {text("poliza"), text("Peña 'A'")}), 0);
  ASSERT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(1), text("5")}), 0);  // "5" for an int16
  kv_variant dec{};
  dec.vt = KV_DECIMAL;
  dec.u.str = const_cast<char*>("1234.50");
  ASSERT_EQ(call(rs, "Value", KV_PROPERTYPUT, {text("Monto"), dec}), 0);
  ASSERT_EQ(call(rs, "Update", KV_METHOD, {}), 0);

  ASSERT_EQ(call(rs, "Value", KV_PROPERTYGET, {text("POLIZA")}, &r), 0);
  ASSERT_EQ(r.vt, KV_BSTR);
  EXPECT_STREQ(r.u.str, "Peña 'A'");
  kv_variant_clear(&r);
  EXPECT_EQ(r.vt, KV_EMPTY);
  ASSERT_EQ(call(rs, "Value", KV_PROPERTYGET, {i4(1)}, &r), 0);
  EXPECT_EQ(r.vt, KV_I2);
  EXPECT_EQ(r.u.i2, 5);
  ASSERT_EQ(call(rs, "Value", KV_PROPERTYGET, {text("Monto")}, &r), 0);
  ASSERT_EQ(r.vt, KV_DECIMAL);
  EXPECT_STREQ(r.u.str, "1234.5");
  kv_variant_clear(&r);
  ASSERT_EQ(call(rs, "RecordCount", KV_PROPERTYGET, {}, &r), 0);
  EXPECT_EQ(r.u.i4, 1);
  ASSERT_EQ(call(rs, "Fields.Count", KV_PROPERTYGET, {}, &r), 0);
  EXPECT_EQ(r.u.i4, 3);
  ASSERT_EQ(call(rs, "Fields.Name", KV_PROPERTYGET, {i4(1)}, &r), 0);
  EXPECT_STREQ(r.u.str, "Inciso");
  kv_variant_clear(&r);
  ASSERT_EQ(call(rs, "Fields.Attributes", KV_PROPERTYGET, {i4(1)}, &r), 0);
  EXPECT_EQ(r.u.i4, 36);

  // Coercion failures and field errors reach the caller with their numbers.
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(1), text("x")}), 13);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(1), i4(40000)}), 6);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {text("Poliza"), of(KV_NULL)}), -2147217887);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYGET, {text("Nada")}, &r), 3265);
  EXPECT_EQ(call(rs, "Fields.Name", KV_PROPERTYGET, {i4(-1)}, &r), 3265);
  EXPECT_EQ(call(rs, "NoSuchMember", KV_METHOD, {}), 438);
  EXPECT_EQ(call(rs, "EOF", KV_PROPERTYPUT, {i4(1)}), 450);
  EXPECT_EQ(call(rs, "MoveNext", KV_METHOD, {i4(1)}), 450);
  EXPECT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("Poliza"), of(KV_MISSING)}), 450);
  ASSERT_EQ(call(rs, "MoveNext", KV_METHOD, {}), 0);
  EXPECT_EQ(call(rs, "MoveNext", KV_METHOD, {}), 3021);
  kv_object_release(rs);
}

TEST_F(Abi, InvalidUtf8IsRefusedNotStored) {
  kv_object* rs = create("ADODB.Recordset");
  EXPECT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("bad\xC3"), i4(200), i4(10)}), 5);
  EXPECT_EQ(call(rs, "Fields.Count", KV_PROPERTYGET, {}), 0);
  EXPECT_EQ(call(rs, "EOF\xFF", KV_PROPERTYGET, {}), 5);
  kv_variant weird{};
  weird.vt = 99;
  EXPECT_EQ(call(rs, "Fields.Append", KV_METHOD, {weird, i4(200), i4(10)}), 13);
  kv_object* o = nullptr;
  kv_error_clear(&err);  // the caller frees an error before the slot is used again
  EXPECT_NE(kv_create_object("ADODB.Recordset\xC0", &o, &err), 0);
  kv_object_release(rs);
}

TEST_F(Abi, ControlFilesPropertiesAndObjectLifetimes) {
  kv_object* files = create("KORVANDA.clsControlFiles");
  kv_variant r{};
  ASSERT_EQ(call(files, "fileAdvance", KV_PROPERTYGET, {}, &r), 0);
  EXPECT_EQ(r.vt, KV_I2);
  EXPECT_EQ(r.u.i2, 1);
  ASSERT_EQ(call(files, "correctFile", KV_PROPERTYGET, {}, &r), 0);
  EXPECT_EQ(r.u.boolean, -1);
  ASSERT_EQ(call(files, "FILEADVANCE", KV_PROPERTYPUT, {text("42")}), 0);
  ASSERT_EQ(call(files, "fileAdvance", KV_PROPERTYGET | KV_METHOD, {}, &r), 0);
  EXPECT_EQ(r.u.i2, 42);
  EXPECT_EQ(call(files, "fileAdvance", KV_PROPERTYPUT, {i4(70000)}), 6);
  kv_variant f{};
  f.vt = KV_BOOL;
  f.u.boolean = 0;
  ASSERT_EQ(call(files, "correctFile", KV_PROPERTYPUT, {f}), 0);
  ASSERT_EQ(call(files, "correctFile", KV_PROPERTYGET, {}, &r), 0);
  EXPECT_EQ(r.u.boolean, 0);
  kv_object_addref(files);
  kv_object_release(files);
  ASSERT_EQ(call(files, "fileAdvance", KV_PROPERTYGET, {}, &r), 0);  // still alive
  kv_object_release(files);

  kv_object* cat = create("KORVANDA.clsCatalogos");
  EXPECT_EQ(call(cat, "Actualiza", KV_METHOD, {text("a")}), 450);
  kv_object_release(cat);
}

TEST_F(Abi, OnlyTheFourCallKindsAreAccepted) {
  kv_object* files = create("KORVANDA.clsControlFiles");
  const struct {
    int kind;
    int number;
  } cases[] = {{KV_METHOD, 0}, {KV_PROPERTYGET, 0}, {KV_METHOD | KV_PROPERTYGET, 0},
               {KV_PROPERTYPUT, 450},  // a put without its value
               {0, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 5}, {-1, 5}, {INT32_MIN, 5}, {0x101, 5}};
  for (const auto& c : cases) {
    kv_variant r{};
    EXPECT_EQ(call(files, "fileAdvance", c.kind, {}, &r), c.number) << "kind " << c.kind;
    if (c.number == 5) {
      EXPECT_STREQ(err.description, ("Invalid procedure call or argument: unknown call kind " +
                                     std::to_string(c.kind) +
                                     " (1 method, 2 get, 4 put, 3 method or get)")
                                        .c_str());
    }
    kv_variant_clear(&r);
  }
  kv_object_release(files);
}

// A released handle: calls fail with 424, a second release and a late addref are ignored, and
// clearing a variant twice (or a copy of an object variant) is harmless.
TEST_F(Abi, ReleasedObjectsFailCleanly) {
  kv_object* files = create("KORVANDA.clsControlFiles");
  kv_variant rs{};
  ASSERT_EQ(call(files, "getEmptyRecordsetAgr", KV_METHOD, {}, &rs), 0);
  ASSERT_EQ(rs.vt, KV_OBJECT);
  ASSERT_NE(rs.u.obj, nullptr);
  const kv_variant copy = rs;
  kv_variant_clear(&rs);
  EXPECT_EQ(rs.vt, KV_EMPTY);
  EXPECT_EQ(rs.u.obj, nullptr);
  kv_variant_clear(&rs);
  kv_variant again = copy;
  kv_variant_clear(&again);  // the copy's reference was the one already given back
  kv_object_addref(copy.u.obj);
  const char* const kReleased = "Object required: the object was released";
  EXPECT_EQ(call(copy.u.obj, "RecordCount", KV_PROPERTYGET, {}), 424);
  EXPECT_STREQ(err.description, kReleased);
  EXPECT_EQ(call(files, "ExportFileDat", KV_METHOD, {text("/nowhere/x.dat"), copy, i4(2)}), 424);
  EXPECT_STREQ(err.description, kReleased);

  kv_object_addref(files);
  kv_object_release(files);
  kv_object_release(files);
  kv_object_release(files);  // one more than it had
  EXPECT_EQ(call(files, "fileAdvance", KV_PROPERTYGET, {}), 424);

  kv_variant s{};
  kv_object* fresh = create("ADODB.Recordset");
  ASSERT_EQ(call(fresh, "Fields.Append", KV_METHOD, {text("a"), i4(200), i4(5)}), 0);
  ASSERT_EQ(call(fresh, "Fields.Name", KV_PROPERTYGET, {i4(0)}, &s), 0);
  ASSERT_EQ(s.vt, KV_BSTR);
  kv_variant_clear(&s);
  kv_variant_clear(&s);
  EXPECT_EQ(s.vt, KV_EMPTY);
  EXPECT_EQ(s.u.str, nullptr);
  kv_object_release(fresh);
}

// A decimal's text too large for a decimal is an overflow; a text that is no number is not.
TEST_F(Abi, DecimalTextsBeyondADecimalAreOverflow) {
  kv_object* files = create("KORVANDA.clsControlFiles");
  kv_variant d = of(KV_DECIMAL);
  d.u.str = const_cast<char*>("123456789012345678901234567890");
  EXPECT_EQ(call(files, "fileAdvance", KV_PROPERTYPUT, {d}), 6);
  d.u.str = const_cast<char*>("12 monedas");
  EXPECT_EQ(call(files, "fileAdvance", KV_PROPERTYPUT, {d}), 13);
  kv_object_release(files);
}

// The texts a call hands out are the caller's own copies: a result text and an error's texts
// outlive the object that gave them and later failures in other slots, until cleared; clearing
// resets the slot, and a successful call leaves a slot zeroed.
TEST_F(Abi, HandedOutTextsAreTheCallersUntilCleared) {
  kv_object* rs = create("ADODB.Recordset");
  ASSERT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("Poliza"), i4(200), i4(5)}), 0);
  kv_variant name{};
  ASSERT_EQ(call(rs, "Fields.Name", KV_PROPERTYGET, {i4(0)}, &name), 0);
  kv_error failed{};
  kv_variant stale = i4(7);  // a failure overwrites the result with KV_EMPTY
  ASSERT_NE(kv_invoke(rs, "Nada", KV_METHOD, nullptr, 0, &stale, &failed), 0);
  EXPECT_EQ(stale.vt, KV_EMPTY);
  kv_object_release(rs);
  EXPECT_EQ(call(nullptr, "Nada", KV_METHOD, {}), 424);

  ASSERT_EQ(name.vt, KV_BSTR);
  EXPECT_STREQ(name.u.str, "Poliza");
  EXPECT_EQ(failed.number, 438);
  EXPECT_STREQ(failed.source, "KORVANDA");
  EXPECT_STREQ(failed.description, "Object doesn't support this property or method: Nada");
  EXPECT_NE(failed.source, err.source);
  EXPECT_NE(failed.description, err.description);
  kv_error_clear(&failed);
  EXPECT_EQ(failed.number, 0);
  EXPECT_EQ(failed.source, nullptr);
  EXPECT_EQ(failed.description, nullptr);
  kv_error_clear(&failed);
  kv_variant_clear(&name);

  kv_error reused{438, nullptr, nullptr};  // a slot whose texts were freed by the caller
  kv_object* files = create("KORVANDA.clsControlFiles");
  kv_variant r{};
  ASSERT_EQ(kv_invoke(files, "fileAdvance", KV_PROPERTYGET, nullptr, 0, &r, &reused), 0);
  EXPECT_EQ(reused.number, 0);
  EXPECT_EQ(reused.source, nullptr);
  kv_object_release(files);
}
