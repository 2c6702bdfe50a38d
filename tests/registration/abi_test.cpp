// Registration as the capture application drives it: late bound, through the C ABI.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "korvanda/automation.h"
#include "registration_support.h"
#include "support/fixture.h"

namespace korvanda {
namespace {

kv_variant str(const char* s) {
  kv_variant v{};
  v.vt = KV_BSTR;
  v.u.str = const_cast<char*>(s);
  return v;
}
kv_variant i2(int16_t n) {
  kv_variant v{};
  v.vt = KV_I2;
  v.u.i2 = n;
  return v;
}
kv_variant r8(double d) {
  kv_variant v{};
  v.vt = KV_R8;
  v.u.r8 = d;
  return v;
}
kv_variant date(Date d) {
  kv_variant v{};
  v.vt = KV_DATE;
  v.u.date = d.serial;
  return v;
}
kv_variant obj(kv_object* o) {
  kv_variant v{};
  v.vt = KV_OBJECT;
  v.u.obj = o;
  return v;
}

struct AbiRegistration : ::testing::Test {
  testing::Environment env;
  kv_error err{};
  kv_object* cv = nullptr;
  kv_object* conn = nullptr;

  void SetUp() override {
    ASSERT_EQ(kv_create_object("KORVANDA.clsCatValida", &cv, &err), 0);
    kv_variant result{};
    ASSERT_EQ(kv_invoke(cv, "getConexion", KV_METHOD, nullptr, 0, &result, &err), 0);
    ASSERT_EQ(result.vt, KV_OBJECT);
    conn = result.u.obj;
  }
  void TearDown() override {
    kv_object_release(conn);
    kv_object_release(cv);
    kv_error_clear(&err);
  }
  // The 55 values of the sample record and the connection, in the member's order.
  std::vector<kv_variant> agricola(const char* materno) {
    return {str("AG-0001"), str("0"), i2(1), i2(3), str("O'Brien"), str(materno),
            str("José María"), str("ID-1"), i2(1), i2(5), str("PV2026"), i2(5), i2(2),
            date(dateFromParts(2026, 4, 1)), date(dateFromParts(2026, 10, 31, 13, 5, 9)),
            r8(12.5), r8(150000), r8(1234.56), r8(0.1), r8(-3.25), r8(2000), r8(100),
            r8(99.99), i2(1), i2(-2), date(dateFromParts(2026, 5, 15)), r8(17.1234),
            str("1,2,3"), str(""), str("2"), str("XAXX010101000"), str("CALLE"),
            str("Niños Héroes"), str("12"), str(""), str("B"), str("COL"), str("Centro"),
            str("01000"), str("0001"), str("15"), str("9"), str("a y b"), str("c"), str("d"),
            str("U"), str(""), str(""), i2(7), i2(0), i2(2026), i2(4), i2(2026), i2(12),
            obj(conn)};
  }
};

TEST_F(AbiRegistration, InsertAgricolaStoresTheRowAndLeavesTheArgumentsAsTheyWere) {
  char materno[] = "Núñez";
  std::vector<kv_variant> args = agricola(materno);
  args[49].vt = KV_I4;  // pintPkEndoso is 32-bit
  args[49].u.i4 = 123456;
  const std::vector<kv_variant> before = args;
  kv_variant result{};
  ASSERT_EQ(kv_invoke(cv, "insertAgricola", KV_METHOD, args.data(),
                      static_cast<int32_t>(args.size()), &result, &err),
            0)
      << (err.description ? err.description : "");
  EXPECT_EQ(result.vt, KV_BOOL);
  EXPECT_EQ(result.u.boolean, -1);
  // The in/out maternal surname, and every other argument, come back untouched.
  EXPECT_STREQ(args[5].u.str, "Núñez");
  EXPECT_EQ(args[5].u.str, materno);
  EXPECT_EQ(std::memcmp(args.data(), before.data(), args.size() * sizeof(kv_variant)), 0);
  EXPECT_EQ(env.statements().back(), test::kSampleAgricolaInsert);

  // The same record again, through the optional argument: the duplicate log.
  args.push_back(str("Archivo"));
  ASSERT_EQ(kv_invoke(cv, "insertAgricola", KV_METHOD, args.data(),
                      static_cast<int32_t>(args.size()), &result, &err),
            0);
  EXPECT_EQ(result.u.boolean, 0);
  EXPECT_EQ(env.duplicateLines().size(), 1u);

  // And without it: the raised error, with its number, source and description.
  args.pop_back();
  EXPECT_NE(kv_invoke(cv, "insertAgricola", KV_METHOD, args.data(),
                      static_cast<int32_t>(args.size()), &result, &err),
            0);
  EXPECT_EQ(err.number, -2147220503);
  EXPECT_STREQ(err.source, ".insertAgricola");
  EXPECT_STREQ(err.description, test::kDuplicado);
}

}  // namespace
}  // namespace korvanda
