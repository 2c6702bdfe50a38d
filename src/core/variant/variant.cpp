// The automation coercions: one place for every conversion the library makes.
#include "korvanda/variant.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "core/ascii.h"

namespace korvanda {

VarType Variant::type() const {
  static constexpr VarType kinds[] = {VarType::Empty, VarType::Null,  VarType::Missing,
                                      VarType::Bool,  VarType::UI1,   VarType::I2,
                                      VarType::I4,    VarType::I8,    VarType::R8,
                                      VarType::Date,  VarType::Decimal, VarType::Text,
                                      VarType::Object};
  return kinds[v_.index()];
}

namespace {

template <class... F> struct Overloaded : F... { using F::operator()...; };
template <class... F> Overloaded(F...) -> Overloaded<F...>;

// Any numeric reading of a variant, before range checks. Integers stay exact.
struct Num {
  bool isInt;
  int64_t i;
  double d;
};

double textToDouble(const std::string& s) {
  auto v = parseNumber(s);
  if (!v) throw errors::typeMismatch("\"" + s + "\" is not a number");
  return *v;
}

Num numeric(const Variant& v) {
  return std::visit(
      Overloaded{
          [](Empty) { return Num{true, 0, 0}; },
          [](Null) -> Num { throw errors::invalidUseOfNull(); },
          [](Missing) -> Num { throw errors::typeMismatch("argument missing"); },
          [](bool b) { return Num{true, b ? -1 : 0, 0}; },
          [](uint8_t x) { return Num{true, x, 0}; },
          [](int16_t x) { return Num{true, x, 0}; },
          [](int32_t x) { return Num{true, x, 0}; },
          [](int64_t x) { return Num{true, x, 0}; },
          [](double x) { return Num{false, 0, x}; },
          [](Date x) { return Num{false, 0, x.serial}; },
          [](Decimal x) {
            if (x.scale == 0) return Num{true, x.mantissa, 0};
            return Num{false, 0, decimalToDouble(x)};
          },
          [](const std::string& s) { return Num{false, 0, textToDouble(s)}; },
          [](const ObjectRef&) -> Num { throw errors::typeMismatch("object where a value is needed"); },
      },
      v.storage());
}

// An integer text or a decimal as an exact integer, rounded half to even; nullopt for the other
// values, which go through a double (53 bits are not enough for 64-bit integers).
std::optional<int64_t> exactInteger(const Variant& v) {
  if (const auto* s = v.get_if<std::string>()) {
    std::string_view t = *s;
    const size_t first = t.find_first_not_of(" \t"), last = t.find_last_not_of(" \t");
    t = first == std::string_view::npos ? std::string_view{} : t.substr(first, last - first + 1);
    if (t.size() > 1 && t.front() == '+') t.remove_prefix(1);
    const size_t digits = t.find_first_not_of("0123456789", t.empty() || t[0] != '-' ? 0 : 1);
    if (t.empty() || digits != std::string_view::npos || t == "-") return std::nullopt;
    int64_t i = 0;
    auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), i);
    if (ec == std::errc::result_out_of_range) throw errors::overflow();
    return i;
  }
  const auto* d = v.get_if<Decimal>();
  if (!d || d->scale > 18) return std::nullopt;
  int64_t unit = 1;
  for (int k = 0; k < d->scale; ++k) unit *= 10;
  int64_t q = d->mantissa / unit, r = d->mantissa % unit;
  const int64_t twice = 2 * (r < 0 ? -r : r);
  if (twice > unit || (twice == unit && q % 2 != 0)) q += d->mantissa < 0 ? -1 : 1;
  return q;
}

// Rounds half to even (the default floating-point rounding mode) and checks the range.
template <class T>
T integral(const Variant& v) {
  if (auto i = exactInteger(v)) {
    if (*i < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        *i > static_cast<int64_t>(std::numeric_limits<T>::max()))
      throw errors::overflow();
    return static_cast<T>(*i);
  }
  Num n = numeric(v);
  constexpr auto lo = std::numeric_limits<T>::min();
  constexpr auto hi = std::numeric_limits<T>::max();
  if (n.isInt) {
    if (n.i < static_cast<int64_t>(lo) || n.i > static_cast<int64_t>(hi)) throw errors::overflow();
    return static_cast<T>(n.i);
  }
  double r = std::nearbyint(n.d);
  // 2^63 is exactly representable; compare in double to reject NaN as well.
  if (!(r >= static_cast<double>(lo) && r <= static_cast<double>(hi)) ||
      (sizeof(T) == 8 && r >= 9223372036854775808.0))
    throw errors::overflow();
  return static_cast<T>(r);
}

}  // namespace

int16_t toInt16(const Variant& v) { return integral<int16_t>(v); }
int32_t toInt32(const Variant& v) { return integral<int32_t>(v); }
int64_t toInt64(const Variant& v) { return integral<int64_t>(v); }
uint8_t toByte(const Variant& v) { return integral<uint8_t>(v); }

double toDouble(const Variant& v) {
  Num n = numeric(v);
  return n.isInt ? static_cast<double>(n.i) : n.d;
}

bool toBool(const Variant& v) {
  if (const auto* s = v.get_if<std::string>()) {
    const std::string lower = ascii::lower(*s);
    if (lower == "true") return true;
    if (lower == "false") return false;
  }
  Num n = numeric(v);
  return n.isInt ? n.i != 0 : n.d != 0;
}

Date toDate(const Variant& v) {
  if (const auto* d = v.get_if<Date>()) return *d;
  if (const auto* s = v.get_if<std::string>()) {
    if (auto d = parseDate(*s)) return *d;
    throw errors::typeMismatch("\"" + *s + "\" is not a date");
  }
  if (v.isEmpty()) return Date{0};
  return Date{toDouble(v)};
}

Decimal toDecimal(const Variant& v) {
  return std::visit(
      Overloaded{
          [](Decimal d) { return d; },
          [](const std::string& s) {
            auto d = parseDecimal(s);
            if (!d && isNumberText(s)) throw errors::overflow();
            if (!d) throw errors::typeMismatch("\"" + s + "\" is not a number");
            return *d;
          },
          [&](const auto&) {
            Num n = numeric(v);
            if (n.isInt) return Decimal{n.i, 0};
            auto d = decimalFromDouble(n.d);
            if (!d) throw errors::overflow();
            return *d;
          },
      },
      v.storage());
}

std::string toText(const Variant& v) {
  return std::visit(
      Overloaded{
          [](Empty) { return std::string(); },
          [](Null) -> std::string { throw errors::invalidUseOfNull(); },
          [](Missing) -> std::string { throw errors::typeMismatch("argument missing"); },
          [](bool b) { return std::string(formatBool(b)); },
          [](uint8_t x) { return std::to_string(x); },
          [](int16_t x) { return std::to_string(x); },
          [](int32_t x) { return std::to_string(x); },
          [](int64_t x) { return std::to_string(x); },
          [](double x) { return formatDouble(x); },
          [](Date x) { return formatDate(x); },
          [](Decimal x) { return formatDecimal(x); },
          [](const std::string& s) { return s; },
          [](const ObjectRef&) -> std::string {
            throw errors::typeMismatch("object where a text is needed");
          },
      },
      v.storage());
}

ObjectRef toObject(const Variant& v) {
  if (const auto* o = v.get_if<ObjectRef>()) return *o;
  if (v.isEmpty() || v.isMissing()) return nullptr;
  throw errors::typeMismatch("a value where an object is needed");
}

}  // namespace korvanda
