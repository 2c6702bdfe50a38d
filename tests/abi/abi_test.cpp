// Drives the library only through the C ABI, as a late-bound caller does: the calls of
// tests/golden/abi/calls.tsv in order (a registration among them), then what only C code can do
// with handles and texts.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "korvanda/automation.h"
#include "korvanda/textform.h"
#include "support/fixture.h"

namespace {

using korvanda::testing::unescaped;

std::string rendered(const kv_variant& v) {
  switch (v.vt) {
    case KV_EMPTY: return "EMPTY";
    case KV_I2: return "I2:" + std::to_string(v.u.i2);
    case KV_I4: return "I4:" + std::to_string(v.u.i4);
    case KV_BOOL: return "BOOL:" + std::to_string(v.u.boolean);
    case KV_BSTR: return std::string("BSTR:") + v.u.str;
    case KV_DECIMAL: return std::string("DECIMAL:") + v.u.str;
    default: return "vt " + std::to_string(v.vt);
  }
}

TEST(Abi, ScriptedCalls) {
  korvanda::testing::Environment env;  // logs and a database for the registration calls
  const auto rows = korvanda::testing::goldenTable("abi/calls.tsv");
  ASSERT_FALSE(rows.empty());
  std::map<std::string, kv_object*> objects;
  const std::map<std::string, int> kinds = {{"method", KV_METHOD}, {"get", KV_PROPERTYGET},
                                            {"put", KV_PROPERTYPUT},
                                            {"methodget", KV_METHOD | KV_PROPERTYGET}};
  for (const std::vector<std::string>& c : rows) {
    std::string row;
    for (const std::string& column : c) row += column + " ";
    SCOPED_TRACE("calls.tsv: " + row);
    const auto text = [&](size_t i) { return c.at(i) == "(null)" ? std::string() : unescaped(c[i]); };
    const auto cstr = [&](size_t i, const std::string& s) {
      return c.at(i) == "(null)" ? nullptr : s.c_str();
    };
    kv_error err{};
    kv_variant result{};
    int rc = 0;
    size_t expected = 0;
    if (c[0] == "keep") {  // an object result under a name of its own
      kv_variant r{};
      ASSERT_EQ(kv_invoke(objects.at(c.at(2)), c.at(3).c_str(), KV_METHOD, nullptr, 0, &r, &err), 0);
      ASSERT_EQ(r.vt, KV_OBJECT);
      objects[c[1]] = r.u.obj;
      continue;
    } else if (c[0] == "addref" || c[0] == "release") {
      (c[0] == "addref" ? kv_object_addref : kv_object_release)(objects.at(c.at(1)));
      continue;
    } else if (c[0] == "create") {
      const std::string progid = text(2);
      kv_object* o = reinterpret_cast<kv_object*>(0x1);
      rc = kv_create_object(cstr(2, progid), &o, &err);
      if (rc == 0) objects[c[1]] = o;
      else EXPECT_EQ(o, nullptr);
      expected = 3;
    } else {
      ASSERT_EQ(c.at(0), "call");
      const std::string member = text(2);
      const int kind = kinds.contains(c.at(3)) ? kinds.at(c[3]) : std::stoi(c[3]);
      std::vector<std::string> texts(c.size());
      std::vector<kv_variant> args;
      for (size_t i = 6; i < c.size(); ++i) {
        const std::string& a = c[i];
        const std::string value = a.substr(a.find(':') + 1);
        kv_variant v{};
        if (a.starts_with("s:") || a.starts_with("dec:")) {
          v.vt = a[0] == 's' ? KV_BSTR : KV_DECIMAL;
          texts[i] = unescaped(value);
          v.u.str = texts[i].data();
        } else if (a.starts_with("i4:")) v.vt = KV_I4, v.u.i4 = std::stoi(value);
        else if (a.starts_with("i2:")) v.vt = KV_I2, v.u.i2 = static_cast<int16_t>(std::stoi(value));
        else if (a.starts_with("r8:")) v.vt = KV_R8, v.u.r8 = std::stod(value);
        else if (a.starts_with("o:")) v.vt = KV_OBJECT, v.u.obj = objects.at(value);
        else if (a.starts_with("date:")) {
          int p[6] = {};
          std::sscanf(value.c_str(), "%d-%d-%d %d:%d:%d", &p[0], &p[1], &p[2], &p[3], &p[4], &p[5]);
          v.vt = KV_DATE, v.u.date = korvanda::dateFromParts(p[0], p[1], p[2], p[3], p[4], p[5]).serial;
        }
        else if (a.starts_with("b:")) v.vt = KV_BOOL, v.u.boolean = std::stoi(value);
        else if (a.starts_with("vt:")) v.vt = std::stoi(value);
        else if (a == "null") v.vt = KV_NULL;
        else if (a == "missing") v.vt = KV_MISSING;
        else FAIL() << "unknown argument " << a;
        args.push_back(v);
      }
      kv_object* o = c[1] == "(null)" ? nullptr : objects.at(c[1]);
      const std::vector<kv_variant> before = args;
      rc = kv_invoke(o, cstr(2, member), kind, args.data(), static_cast<int32_t>(args.size()),
                     &result, &err);
      // Arguments, by-reference ones included, come back as they were given.
      EXPECT_TRUE(args.empty() ||
                  std::memcmp(args.data(), before.data(), args.size() * sizeof(kv_variant)) == 0);
      for (size_t i = 6; i < c.size(); ++i) {
        if (!texts[i].empty()) {
          EXPECT_EQ(texts[i], unescaped(c[i].substr(c[i].find(':') + 1)));
        }
      }
      expected = 4;
    }
    const int number = std::stoi(c.at(expected));
    EXPECT_EQ(err.number, number);
    EXPECT_EQ(rc != 0, number != 0);
    if (number != 0) {
      EXPECT_EQ(result.vt, KV_EMPTY);
      ASSERT_NE(err.source, nullptr);
      ASSERT_NE(err.description, nullptr);
      if (c.at(expected + 1) != "*") {
        EXPECT_EQ(err.description, unescaped(c[expected + 1]));
      }
    } else if (c.at(expected + 1) != "*") {
      EXPECT_EQ(rendered(result), unescaped(c[expected + 1]));
      EXPECT_EQ(err.source, nullptr);
    }
    kv_variant_clear(&result);
    kv_error_clear(&err);
  }
}

// What only C code can do: null pointers, an optional error slot, texts that outlive the object
// that handed them out until the caller clears them, and a stale slot.
TEST(Abi, PointersAndTextsHandedOut) {
  kv_error err{};
  kv_object* rs = nullptr;
  EXPECT_NE(kv_create_object("ADODB.Recordset", nullptr, &err), 0);
  kv_error_clear(&err);
  ASSERT_EQ(kv_create_object("ADODB.Recordset", &rs, nullptr), 0);
  EXPECT_NE(kv_invoke(rs, "Fields.Append", KV_METHOD, nullptr, 2, nullptr, &err), 0);
  EXPECT_EQ(err.number, 450);  // arguments counted but not given
  kv_error_clear(&err);
  kv_variant args[] = {{KV_BSTR, {}}, {KV_I4, {}}, {KV_I4, {}}};
  args[0].u.str = const_cast<char*>("Poliza");
  args[1].u.i4 = 200;
  args[2].u.i4 = 5;
  ASSERT_EQ(kv_invoke(rs, "Fields.Append", KV_METHOD, args, 3, nullptr, nullptr), 0);
  kv_variant name{}, index{KV_I4, {}};
  ASSERT_EQ(kv_invoke(rs, "Fields.Name", KV_PROPERTYGET, &index, 1, &name, nullptr), 0);
  kv_variant stale{KV_I4, {}};  // a failure overwrites the result with KV_EMPTY
  ASSERT_NE(kv_invoke(rs, "Nada", KV_METHOD, nullptr, 0, &stale, &err), 0);
  EXPECT_EQ(stale.vt, KV_EMPTY);
  kv_object_release(rs);
  EXPECT_STREQ(name.u.str, "Poliza");
  EXPECT_STREQ(err.source, "KORVANDA");
  EXPECT_STREQ(err.description, "Object doesn't support this property or method: Nada");
  kv_error_clear(&err);
  EXPECT_TRUE(err.number == 0 && err.source == nullptr && err.description == nullptr);
  kv_variant_clear(&name);
  EXPECT_EQ(name.u.str, nullptr);
  kv_object_release(nullptr);
  kv_object_addref(nullptr);
  kv_variant_clear(nullptr);
  kv_error_clear(nullptr);

  kv_error reused{438, nullptr, nullptr};  // a slot whose texts were freed by the caller
  kv_object* files = nullptr;
  ASSERT_EQ(kv_create_object("KORVANDA.clsControlFiles", &files, nullptr), 0);
  kv_variant r{};
  ASSERT_EQ(kv_invoke(files, "fileAdvance", KV_PROPERTYGET, nullptr, 0, &r, &reused), 0);
  EXPECT_EQ(reused.number, 0);
  kv_object_release(files);
}

}  // namespace
