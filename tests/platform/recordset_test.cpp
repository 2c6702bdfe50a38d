#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <limits>
#include <functional>

#include "korvanda/error.h"
#include "korvanda/recordset.h"
#include "korvanda/textform.h"
#include "core/recordset_store.h"
#include "support/fixture.h"

using namespace korvanda;

namespace {
int errorOf(const std::function<void()>& call) { return korvanda::testing::raised(call).number(); }
}  // namespace

// A value written into a field reads back as the field type's coercion of it, or is refused
// with that coercion's error; Empty stays Empty, Null only where the field allows it, texts up to
// the field's size in characters.
TEST(Recordset, ValuesWrittenReadBackAsTheirFieldTypesCoercion) {
  using Coerce = std::function<Variant(const Variant&)>;
  const std::vector<std::tuple<int32_t, int32_t, Coerce>> types = {
      {adSmallInt, 2, [](const Variant& v) { return Variant(toInt16(v)); }},
      {adInteger, 4, [](const Variant& v) { return Variant(toInt32(v)); }},
      {adBigInt, 8, [](const Variant& v) { return Variant(toInt64(v)); }},
      {adUnsignedTinyInt, 1, [](const Variant& v) { return Variant(toByte(v)); }},
      {adDouble, 8, [](const Variant& v) { return Variant(toDouble(v)); }},
      {adBoolean, 2, [](const Variant& v) { return Variant(toBool(v)); }},
      {adDate, 8, [](const Variant& v) { return Variant(toDate(v)); }},
      {adNumeric, 19, [](const Variant& v) { return Variant(toDecimal(v)); }},
      {adVarChar, 5, [](const Variant& v) { return Variant(toText(v)); }},
  };
  const Variant values[] = {Variant("2.5"), Variant(" 7 "), Variant("Ñañez"), Variant("Ñañezz"),
                            Variant("04/12/2026"), Variant("mañana"), Variant(40000), Variant(-1.5),
                            Variant(int16_t{255}), Variant(true), Variant(Decimal{12345, 2}),
                            Variant(dateFromParts(2026, 3, 9, 8)), Variant(Date{-4.73791e+226}),
                            Variant(-HUGE_VAL), Variant(), Variant(Null{})};
  for (const auto& [type, size, coerce] : types) {
    auto rs = Recordset::create();
    rs->appendField("nullable", type, size, adFldIsNullable);
    rs->appendField("required", type, size, adFldUpdatable);
    rs->open();
    rs->addNew();
    for (size_t i = 0; i < std::size(values); ++i) {
      const Variant& v = values[i];
      SCOPED_TRACE(::testing::Message() << "type " << type << ", value " << i);
      for (size_t f : {0, 1}) {
        // Empty stays Empty (a field never set).
        int expected = v.isNull() && f == 1 ? -2147217887 : 0;
        if (!v.isNull() && !v.isEmpty()) expected = errorOf([&] { coerce(v); });
        if (type == adVarChar && !expected && !v.isNull() && utf8Length(toText(v)) > 5)
          expected = -2147217887;
        EXPECT_EQ(errorOf([&] { rs->setValue(f, v); }), expected);
        if (!expected) {
          EXPECT_EQ(rs->value(f), v.isNull() || v.isEmpty() ? v : coerce(v));
        }
      }
    }
  }
}

// Each step in turn on one record set, with the error it raises (0: none).
TEST(Recordset, StatesAndTheirErrors) {
  auto rs = Recordset::create();
  EXPECT_EQ(rs->recordCount(), -1);
  const std::vector<std::pair<std::function<void()>, int>> steps = {
      {[&] { rs->eof(); }, 3704},
      {[&] { rs->appendField("Año", adSmallInt, 2, adFldUpdatable); }, 0},
      {[&] { rs->appendField("AÑO", adInteger, 4, 0); }, 3367},
      {[&] { rs->appendField("Ano", adInteger, 4, 0); }, 0},
      {[&] { rs->appendField("Año", adInteger, 4, 0); }, 3367},
      {[&] { rs->appendField("x", 999, 4, 0); }, 3001},
      {[&] { rs->open(); }, 0},
      {[&] { EXPECT_TRUE(rs->bof() && rs->eof() && rs->recordCount() == 0); }, 0},
      {[&] { rs->value("Ano"); }, 3021},
      {[&] { rs->moveNext(); }, 3021},
      {[&] { rs->moveFirst(); }, 0},  // allowed on an empty record set
      {[&] { rs->appendField("late", adInteger, 4, 0); }, 3705},
      {[&] { rs->open(); }, 3705},
      // Rows added keep their order; a field never set stays Empty.
      {[&] { rs->addNew(); }, 0},
      {[&] { rs->setValue("Ano", Variant("100")); }, 0},
      {[&] { rs->update(); }, 0},
      {[&] { rs->addNew(); }, 0},
      {[&] { rs->setValue("ano", Variant(" 101 ")); }, 0},
      {[&] { rs->update(); }, 0},
      {[&] { rs->moveLast(); }, 0},
      {[&] { EXPECT_EQ(rs->value("Ano"), Variant(int32_t{101})); }, 0},
      {[&] { EXPECT_TRUE(rs->value("Año").isEmpty()); }, 0},
      {[&] { rs->moveNext(); }, 0},
      {[&] { EXPECT_TRUE(rs->eof() && rs->recordCount() == 2); }, 0},
      {[&] { rs->movePrevious(); }, 0},
      {[&] { rs->movePrevious(); }, 0},
      {[&] { EXPECT_EQ(rs->value(size_t{1}), Variant(int32_t{100})); }, 0},
      {[&] { rs->movePrevious(); }, 0},
      {[&] { EXPECT_TRUE(rs->bof()); }, 0},
      {[&] { rs->movePrevious(); }, 3021},
      {[&] { rs->value("NoSuchField"); }, 3265},
      {[&] { rs->field(99); }, 3265},
      {[&] { rs->moveFirst(); }, 0},
      {[&] { rs->setLockType(adLockReadOnly); }, 0},
      {[&] { rs->setValue("Ano", Variant("1")); }, 3251},
      {[&] { rs->addNew(); }, 3251},
      {[&] { rs->close(); }, 0},
      {[&] { rs->close(); }, 3704},
      // Closing released the rows: fields appended now meet none of them.
      {[&] { rs->appendField("poliza", adVarChar, 30, adFldUpdatable); }, 0},
      {[&] { rs->open(); }, 0},
      {[&] { EXPECT_EQ(rs->recordCount(), 0); }, 0},
      {[&] { rs->setValue("poliza", Variant("O'Brien")); }, 3021},
  };
  for (size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(errorOf(steps[i].first), steps[i].second) << "step " << i;
}

namespace {
// Numbered rows with a text of 100 to 149 bytes each, made as they are asked for.
class Numbers final : public RowSource {
 public:
  explicit Numbers(size_t n) : n_(n) {}
  bool fetch(Recordset& rs, size_t row) override {
    if (next_ == n_) return false;
    rs.storeInt(row, 0, static_cast<int64_t>(next_));
    rs.storeText(row, 1, std::string(100 + next_ % 50, 'x'));
    ++next_;
    return true;
  }

 private:
  size_t n_, next_ = 0;
};

std::shared_ptr<Recordset> forwardOnly(size_t rows) {
  auto rs = Recordset::create();
  rs->appendField("n", adInteger, 4, 0);
  rs->appendField("t", adVarChar, 200, 0);
  rs->openForwardOnly(std::make_unique<Numbers>(rows));
  return rs;
}

}  // namespace

// Moving back on a rowset that only fetches forward is refused by the provider, and the
// data-access layer passes its error on: -2147217884 (0x80040E24, DB_E_CANTFETCHBACKWARDS) for
// MovePrevious and MoveLast, -2147217896 (0x80040E18, DB_E_CANNOTRESTART) for MoveFirst once
// past the first row. 3219 "Operation is not allowed in this context" is the layer's own
// refusal of an operation in the object's state, not of a direction, and is not what such a
// cursor gives.
TEST(ForwardOnlyRecordset, MovesForwardOnlyAndRefusesBackWithTheProvidersErrors) {
  const std::string kRestart = "Rowset position cannot be restarted.",
                    kBack = "Rowset does not support fetching backward.";
  auto rs = forwardOnly(3);
  EXPECT_EQ(rs->cursorType(), adOpenForwardOnly);
  EXPECT_EQ(rs->invoke("CursorType", kPropertyGet, {}), Variant(int32_t{0}));
  EXPECT_EQ(rs->lockType(), adLockReadOnly);
  EXPECT_EQ(rs->recordCount(), -1);  // unknown until the end
  // Each step, the error it raises (0: none) and its description, and the row after it (-1: EOF).
  const std::vector<std::tuple<std::function<void()>, int, std::string, int>> steps = {
      {[&] { rs->moveFirst(); }, 0, "", 0},  // still at the first row: allowed
      {[&] { rs->moveNext(); }, 0, "", 1},
      {[&] { rs->moveFirst(); }, -2147217896, kRestart, 1},
      {[&] { rs->moveLast(); }, -2147217884, kBack, 1},
      {[&] { rs->invoke("MovePrevious", kMethod, {}); }, -2147217884, kBack, 1},
      {[&] { rs->addNew(); }, 3251, "", 1},
      {[&] { rs->setValue(0, Variant(int32_t{5})); }, 3251, "", 1},
      {[&] { rs->appendField("x", adInteger); }, 3705, "", 1},
      {[&] { rs->moveNext(); }, 0, "", 2},
      {[&] { rs->moveNext(); }, 0, "", -1},
      {[&] { rs->moveFirst(); }, -2147217896, kRestart, -1},
  };
  for (size_t i = 0; i < steps.size(); ++i) {
    const auto& [step, number, description, row] = steps[i];
    SCOPED_TRACE(::testing::Message() << "step " << i);
    const Error e = korvanda::testing::raised(step);
    EXPECT_EQ(e.number(), number);
    if (!description.empty()) {
      EXPECT_EQ(e.description(), description);
    }
    if (row >= 0) {
      EXPECT_EQ(rs->value("n"), Variant(int32_t{row}));
      EXPECT_EQ(rs->value(size_t{1}), Variant(std::string(100 + static_cast<size_t>(row), 'x')));
    }
    EXPECT_EQ(rs->eof(), row < 0);
    EXPECT_FALSE(rs->bof());
  }
  EXPECT_EQ(rs->recordCount(), 3);
  EXPECT_EQ(errorOf([&] { rs->value("n"); }), 3021);
  rs->close();
  EXPECT_EQ(rs->recordCount(), -1);
  EXPECT_EQ(errorOf([&] { rs->moveNext(); }), 3704);
  // Without rows it is at both ends and counted.
  auto none = forwardOnly(0);
  EXPECT_TRUE(none->bof() && none->eof());
  EXPECT_EQ(none->recordCount(), 0);
  none->moveFirst();
  EXPECT_EQ(errorOf([&] { none->moveNext(); }), 3021);
}

TEST(ForwardOnlyRecordset, HoldsOneRowWhateverTheNumberRead) {
  auto rs = forwardOnly(200000);
  const size_t held = rs->memoryBytes();
  size_t n = 0;
  for (; !rs->eof(); rs->moveNext(), ++n) {
    ASSERT_EQ(rs->cell(n, 0).integer(), static_cast<int64_t>(n));
    ASSERT_EQ(rs->text(rs->cell(n, 1)).size(), 100 + n % 50);
  }
  EXPECT_EQ(n, 200000u);
  EXPECT_EQ(rs->rowCount(), 200000u);
  EXPECT_EQ(rs->memoryBytes(), held);
}

namespace {
// Equal as stored: same type, doubles and dates to the bit (-0 and NaN too), decimals in scale.
bool sameValue(const Variant& a, const Variant& b) {
  if (a.type() != b.type()) return false;
  if (auto* x = a.get_if<double>()) return std::bit_cast<uint64_t>(*x) == std::bit_cast<uint64_t>(*b.get_if<double>());
  if (auto* x = a.get_if<Date>()) return std::bit_cast<uint64_t>(x->serial) == std::bit_cast<uint64_t>(b.get_if<Date>()->serial);
  if (auto* x = a.get_if<Decimal>()) return x->mantissa == b.get_if<Decimal>()->mantissa && x->scale == b.get_if<Decimal>()->scale;
  return a == b;
}

std::string textOf(size_t n) {
  std::string s(n, 'a');
  for (size_t i = 0; i < n; ++i) s[i] = static_cast<char>('a' + (i * 7 + n) % 26);
  return s;
}
}  // namespace

// Rows are kept in as few bytes as their values need and read back as stored: every value at
// the edges of its encoding, in many rows, with rows in the middle edited to grow and shrink,
// read forward, backward and out of order.
TEST(Recordset, RowsReadBackAsStoredWhateverTheirSizeAndEdits) {
  const double kNaN = std::numeric_limits<double>::quiet_NaN();
  std::vector<Variant> values = {
      Variant(), Variant(Null{}), Variant(true), Variant(false), Variant(uint8_t{0}), Variant(uint8_t{255}),
      Variant(int16_t{-32768}), Variant(int32_t{0}), Variant(int32_t{-1}), Variant(int32_t{63}),
      Variant(int32_t{-64}), Variant(int32_t{INT32_MAX}), Variant(int32_t{INT32_MIN}),
      Variant(int64_t{INT64_MAX}), Variant(int64_t{INT64_MIN}), Variant(int64_t{1} << 56),
      Variant(0.0), Variant(-0.0), Variant(0.5), Variant(-1.0), Variant(9007199254740992.0),
      Variant(-9007199254740992.0), Variant(9007199254740994.0), Variant(1e300), Variant(kNaN),
      Variant(HUGE_VAL), Variant(Date{46000.0}), Variant(Date{46000.75}), Variant(Date{-0.0}),
      Variant(Decimal{0, 4}), Variant(Decimal{-123456789012345, 2}), Variant(Decimal{INT64_MIN, 28})};
  // Texts at the edges of a cell's 8 bytes, a header's 14 and a varint's 1, 2 and 3 bytes, and
  // beyond a cell's 16-bit length.
  for (size_t n : {0, 1, 8, 9, 14, 15, 16, 127, 128, 16383, 16384, 65534, 65535, 65536, 70000})
    values.emplace_back(textOf(n));
  values.emplace_back("O'Brien ÑAÑEZ");

  constexpr size_t kFields = 3, kRows = 3000;
  auto rs = Recordset::create();
  for (size_t f = 0; f < kFields; ++f) rs->appendResultField("f" + std::to_string(f), adLongVarChar, 0, adFldIsNullable);
  std::vector<Variant> model;  // row after row
  auto pick = [&](size_t row, size_t f) { return values[(row * 7 + f * 13 + row / values.size()) % values.size()]; };
  for (size_t r = 0; r < kRows; ++r) {
    ASSERT_EQ(rs->appendRow(), r);
    for (size_t f = 0; f < kFields; ++f) {
      model.push_back(pick(r, f));
      rs->storeCell(r, f, model.back());
    }
  }
  rs->openMaterialised();
  // Edits in the middle: each a value of another size, written through the edit path.
  for (size_t e = 0; e < 400; ++e) {
    const size_t r = (e * 997) % kRows, f = e % kFields;
    const Variant& v = values[(e * 31) % values.size()];
    rs->setPosition(r);
    if (v.isNull() || v.isEmpty() || v.isText()) rs->setValue(f, v);
    else rs->storeCell(r, f, v);  // the field is a text one: numbers go in as stored
    if (e % 3 == 0) rs->update();
    model[r * kFields + f] = v;
  }
  EXPECT_EQ(rs->recordCount(), static_cast<int32_t>(kRows));
  auto check = [&](size_t r) {
    for (size_t f = 0; f < kFields; ++f)
      if (!sameValue(rs->valueAt(r, f), model[r * kFields + f])) return ::testing::AssertionFailure() << "row " << r << " field " << f;
    return ::testing::AssertionSuccess();
  };
  for (size_t r = 0; r < kRows; ++r) ASSERT_TRUE(check(r));
  for (size_t r = kRows; r-- > 0;) ASSERT_TRUE(check(r));
  for (size_t i = 0; i < kRows; ++i) ASSERT_TRUE(check((i * 1117) % kRows));
  // The cells and texts the exports read agree with the values.
  for (size_t r = 0; r < kRows; r += 97) {
    for (size_t f = 0; f < kFields; ++f) {
      const Variant& v = model[r * kFields + f];
      if (v.isText()) {
        EXPECT_EQ(rs->text(rs->cell(r, f)), *v.get_if<std::string>());
      }
    }
  }
}
