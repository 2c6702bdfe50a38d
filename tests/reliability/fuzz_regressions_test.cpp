// Inputs the fuzzers found: each once crashed, corrupted or was accepted where it must be
// refused.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <future>
#include <limits>

#include "component/sql.h"
#include "korvanda/automation.h"
#include "korvanda/clsCatValida.h"
#include "korvanda/textform.h"
#include "components/registry.h"
#include "reliability_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

using testing::Environment;
using testing::errorOf;

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

// ---- dates outside 1 January 100 .. 31 December 9999 (a huge serial was undefined behaviour)

TEST(DateRange, SerialsOutsideTheCalendarAreOverflow) {
  for (double serial : {1e300, -1e300, kNaN, kInf, -kInf, 2958466.0, -657435.0, 9.3e18}) {
    SCOPED_TRACE(serial);
    EXPECT_EQ(errorOf([&] { formatDate(Date{serial}); }).number(), 6);
    EXPECT_EQ(errorOf([&] { formatIsoDate(Date{serial}); }).number(), 6);
    EXPECT_EQ(errorOf([&] { toText(Variant(Date{serial})); }).number(), 6);
    EXPECT_EQ(errorOf([&] { sql::date(Date{serial}); }).number(), 6);
  }
  EXPECT_EQ(formatDate(dateFromParts(100, 1, 1)), "01/01/0100");
  EXPECT_EQ(formatDate(dateFromParts(9999, 12, 31, 23, 59, 59)), "31/12/9999 23:59:59");
  EXPECT_EQ(formatDate(Date{-657434.5}), "01/01/0100 12:00:00");
}

class AbiCall : public ::testing::Test {
 protected:
  ~AbiCall() override {
    kv_error_clear(&err);
    for (kv_object* o : objects) kv_object_release(o);
  }
  kv_object* create(const char* progid) {
    kv_object* o = nullptr;
    EXPECT_EQ(kv_create_object(progid, &o, &err), 0);
    objects.push_back(o);
    return o;
  }
  int32_t call(kv_object* o, const char* member, int kind, std::vector<kv_variant> args) {
    kv_error_clear(&err);
    kv_variant result{};
    int rc = kv_invoke(o, member, kind, args.data(), static_cast<int32_t>(args.size()), &result, &err);
    kv_variant_clear(&result);
    return rc == 0 ? 0 : err.number;
  }
  static kv_variant text(const char* s) {
    kv_variant v{};
    v.vt = KV_BSTR;
    v.u.str = const_cast<char*>(s);
    return v;
  }
  static kv_variant i4(int32_t n) {
    kv_variant v{};
    v.vt = KV_I4;
    v.u.i4 = n;
    return v;
  }
  static kv_variant date(double d) {
    kv_variant v{};
    v.vt = KV_DATE;
    v.u.date = d;
    return v;
  }
  kv_error err{};
  std::vector<kv_object*> objects;
};

TEST_F(AbiCall, DateOutsideTheCalendarPutIntoATextFieldIsOverflow) {
  kv_object* rs = create("ADODB.Recordset");
  ASSERT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("x"), i4(200), i4(20)}), 0);
  ASSERT_EQ(call(rs, "Open", KV_METHOD, {}), 0);
  ASSERT_EQ(call(rs, "AddNew", KV_METHOD, {}), 0);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(0), date(-4.73791e+226)}), 6);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(0), date(kNaN)}), 6);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(0), date(46000)}), 0);
}

// A record set closed with rows, given more fields and opened again wrote past its cells.
TEST_F(AbiCall, FieldsAppendedAfterCloseMeetNoOldRows) {
  kv_object* rs = create("ADODB.Recordset");
  ASSERT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("x"), i4(200), i4(20)}), 0);
  ASSERT_EQ(call(rs, "Open", KV_METHOD, {}), 0);
  ASSERT_EQ(call(rs, "AddNew", KV_METHOD, {}), 0);
  ASSERT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(0), text("uno")}), 0);
  ASSERT_EQ(call(rs, "Close", KV_METHOD, {}), 0);
  ASSERT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("poliza"), i4(200), i4(30)}), 0);
  ASSERT_EQ(call(rs, "Fields.Append", KV_METHOD, {text("monto"), i4(131)}), 0);
  ASSERT_EQ(call(rs, "Open", KV_METHOD, {}), 0);
  // Closing released the rows: the record set opens empty, with its three fields.
  kv_variant count{};
  ASSERT_EQ(kv_invoke(rs, "RecordCount", KV_PROPERTYGET, nullptr, 0, &count, &err), 0);
  EXPECT_EQ(count.u.i4, 0);
  kv_variant m{};
  m.vt = KV_DECIMAL;
  m.u.str = const_cast<char*>("12.5");
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {text("monto"), m}), 3021);
  ASSERT_EQ(call(rs, "AddNew", KV_METHOD, {}), 0);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {text("monto"), m}), 0);
  EXPECT_EQ(call(rs, "Value", KV_PROPERTYPUT, {i4(1), text("O'Brien")}), 0);
}

// ---- number texts: "inf" and "nan" read as numbers, and NaN reached statements as a name

TEST(NumberText, InfinityAndNaNAreNotNumbers) {
  for (const char* s : {"inf", "-inf", "+inf", "nan", "NaN", "Infinity", "-INFINITY", " inf "}) {
    SCOPED_TRACE(s);
    EXPECT_FALSE(parseNumber(s).has_value());
    EXPECT_FALSE(parseDecimal(s).has_value());
    EXPECT_EQ(errorOf([&] { toDouble(Variant(s)); }).number(), 13);
    EXPECT_EQ(errorOf([&] { toInt16(Variant(s)); }).number(), 13);
  }
  EXPECT_EQ(*parseNumber("1E+20"), 1e20);
  EXPECT_EQ(errorOf([] { toDouble(Variant("1e400")); }).number(), 13);
}

TEST(NumberText, StatementsNeverGetANumberWithoutDigits) {
  for (double v : {kNaN, kInf, -kInf}) EXPECT_EQ(errorOf([&] { sql::decimal(v); }).number(), 5);
  EXPECT_EQ(sql::decimal(-0.5), "-0.5");
}

TEST(NumberText, PaymentWithANaNAmountIsRefusedAndStoresNothing) {
  Environment env;
  auto cv = clsCatValida::create();
  reliability::RawDatabase db(env.databasePath());
  const auto before = db.digests();
  RecordsetRef pago = testing::makeRecordset(
      {"pkpagoendoso", "strpkpoliza", "intpkendoso", "intpkinciso", "dblPrimaCaseg",
       "dblPrimaCgobFed", "dblPrimaCtotal", "dteFechaPago", "dblHectareas", "dblTipoCambio",
       "intMoneda", "intNumPago"},
      {{Variant(int32_t{900}), Variant(int32_t{1}), Variant(int32_t{0}), Variant(int32_t{1}),
        Variant(kNaN), Variant(1.0), Variant(1.0), Variant(dateFromParts(2026, 1, 2)), Variant(1.0),
        Variant(1.0), Variant(int32_t{1}), Variant(int32_t{1})}});
  EXPECT_EQ(errorOf([&] { cv->savePagoEndoso(pago); }).number(), 5);
  EXPECT_EQ(db.digests(), before);
}

// ---- the lowest 64-bit mantissa printed a decimal text that did not read back

TEST(DecimalText, LowestMantissaReadsBack) {
  const Decimal lowest{std::numeric_limits<int64_t>::min(), 0};
  EXPECT_EQ(formatDecimal(lowest), "-9223372036854775808");
  auto back = parseDecimal("-9223372036854775808");
  ASSERT_TRUE(back.has_value());
  EXPECT_EQ(back->mantissa, std::numeric_limits<int64_t>::min());
  EXPECT_EQ(formatDecimal(*parseDecimal("-922337203685477.5808")), "-922337203685477.5808");
  EXPECT_FALSE(parseDecimal("9223372036854775808").has_value());
  EXPECT_EQ(toDecimal(Variant("-9223372036854775808")), lowest);
}

// ---- an ON without a condition kept the translation in its FROM clause for ever

TEST(Translation, OnWithoutAConditionIsRefused) {
  Environment env;
  auto cv = clsCatValida::create();
  // A hang is a failure too: the call runs on its own thread, watched.
  auto refused = std::async(std::launch::async, [&] {
    return errorOf([&] { cv->FindQuery("SELECT * FROM CATCESTADO e INNER JOIN CATCMUNICIPIO m ON, x"); });
  });
  if (refused.wait_for(std::chrono::seconds(60)) != std::future_status::ready) {
    std::fprintf(stderr, "the translation never returned\n");
    std::abort();
  }
  const Error e = refused.get();
  EXPECT_EQ(e.number(), -2147217900);
  EXPECT_EQ(e.description(), "The statement cannot run on the embedded database: ON without a condition in FROM");
}

// ---- the registry file

class RegistryFile : public ::testing::Test {
 protected:
  std::string file() const { return (dir.path() / "registry.ini").string(); }
  void write(const std::string& text) const { std::ofstream(file(), std::ios::binary) << text; }
  std::string read() const {
    std::ifstream in(file(), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  testing::TempDir dir;
};

TEST_F(RegistryFile, ValueWithoutANameIsAMalformedFile) {
  write("[HKEY_LOCAL_MACHINE\\Software\\ZERN]\n  =x\n");
  Error e = errorOf([&] {
    components::cls_Registry(file()).GetRegValue("&H80000002", "Software\\ZERN", "DatosServerDos");
  });
  EXPECT_EQ(e.number(), 321);
  EXPECT_NE(e.description().find("line 2: a value needs a name before ="), std::string::npos);
}

TEST_F(RegistryFile, WriterRefusesNamesAndKeysItCouldNotReadBack) {
  const std::string original = "[HKEY_LOCAL_MACHINE\\Software\\ZERN]\nDatosServerDos=a|b|c|d\n";
  write(original);
  for (const char* name : {"[HKEY_LOCAL_MACHINE", ";x", "#x", "\"x\"", "Windows Registry Editor 5"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(errorOf([&] { components::setRegistryValue(file(), "&H80000002", "Software\\ZERN", name, "v"); }).number(), 5);
  }
  EXPECT_EQ(errorOf([&] { components::setRegistryValue(file(), "&H80000002", "Software\n[x]", "n", "v"); }).number(), 5);
  EXPECT_EQ(read(), original);
  // A name holding those characters further in is written and read back.
  components::setRegistryValue(file(), "&H80000002", "Software\\ZERN", "a[b;c#\"d", "  v  ");
  EXPECT_EQ(components::cls_Registry(file()).GetRegValue("&H80000002", "Software\\ZERN", "a[b;c#\"d"), "  v  ");
}

TEST_F(RegistryFile, KeyWithABlankAfterItsBackslashReadsBack) {
  write("");
  components::setRegistryValue(file(), "&H80000002", "\\ Software\\Otra ", "n", "v");
  components::cls_Registry reader(file());
  EXPECT_EQ(reader.GetRegValue("&H80000002", "\\ Software\\Otra ", "n"), "v");
  EXPECT_EQ(reader.GetRegValue("HKLM", "Software\\Otra", "n"), "v");
  // Blanks and backslashes mixed at the end, as the fuzzer wrote them.
  components::setRegistryValue(file(), "&H80000002", "v \\x\\ \\  ", "h", "w");
  EXPECT_EQ(reader.GetRegValue("&H80000002", "v \\x\\ \\  ", "h"), "w");
  EXPECT_EQ(reader.GetRegValue("&H80000002", "v \\x", "h"), "w");
}

}  // namespace
}  // namespace korvanda
