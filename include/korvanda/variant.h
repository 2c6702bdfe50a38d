// Variant: the one value type that crosses the automation surface and fills record-set fields.
//
// A Variant is a value: a copy owns its text; an object value shares ownership of the object
// (ObjectRef, std::shared_ptr), which lives while any Variant or other reference holds it.
// Threads: as a std::string, one Variant may be read from several threads at once, and written
// by one alone; the object it refers to follows that object's own rule (one thread at a time).
// The conversions are pure and safe from any thread; they throw korvanda::Error.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "korvanda/error.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

class Dispatchable;
using ObjectRef = std::shared_ptr<Dispatchable>;

struct Empty {
  friend bool operator==(Empty, Empty) { return true; }
};
struct Null {
  friend bool operator==(Null, Null) { return true; }
};
// An optional argument the caller left out.
struct Missing {
  friend bool operator==(Missing, Missing) { return true; }
};

// Automation date: days since 1899-12-30, the fraction is the time of day.
struct Date {
  double serial = 0;
  friend bool operator==(Date, Date) = default;
};

// Exact decimal (SQL decimal, numeric and money): mantissa / 10^scale.
struct Decimal {
  int64_t mantissa = 0;
  uint8_t scale = 0;
  friend bool operator==(Decimal a, Decimal b);
};

// Type codes, the same numbers as the C ABI's KV_* values.
enum class VarType : int32_t {
  Empty = 0, Null = 1, I2 = 2, I4 = 3, R8 = 5, Date = 7, Text = 8, Object = 9,
  Missing = 10, Bool = 11, Decimal = 14, UI1 = 17, I8 = 20
};

class Variant {
 public:
  using Storage = std::variant<Empty, Null, Missing, bool, uint8_t, int16_t, int32_t, int64_t,
                               double, Date, Decimal, std::string, ObjectRef>;

  Variant() = default;
  Variant(Empty) {}
  Variant(Null v) : v_(v) {}
  Variant(Missing v) : v_(v) {}
  Variant(bool v) : v_(v) {}
  Variant(uint8_t v) : v_(v) {}
  Variant(int16_t v) : v_(v) {}
  Variant(int32_t v) : v_(v) {}
  Variant(int64_t v) : v_(v) {}
  Variant(double v) : v_(v) {}
  Variant(Date v) : v_(v) {}
  Variant(Decimal v) : v_(v) {}
  Variant(std::string v) : v_(std::move(v)) {}
  Variant(std::string_view v) : v_(std::string(v)) {}
  Variant(const char* v) : v_(std::string(v)) {}
  template <class T>
    requires std::is_base_of_v<Dispatchable, T>
  Variant(std::shared_ptr<T> obj) : v_(ObjectRef(std::move(obj))) {}
  Variant(ObjectRef obj) : v_(std::move(obj)) {}
  Variant(std::nullptr_t) : v_(ObjectRef()) {}  // "no object"

  VarType type() const;
  bool isEmpty() const { return std::holds_alternative<Empty>(v_); }
  bool isNull() const { return std::holds_alternative<Null>(v_); }
  bool isMissing() const { return std::holds_alternative<Missing>(v_); }
  bool isObject() const { return std::holds_alternative<ObjectRef>(v_); }
  bool isText() const { return std::holds_alternative<std::string>(v_); }

  template <class T> const T* get_if() const { return std::get_if<T>(&v_); }
  const Storage& storage() const { return v_; }

  friend bool operator==(const Variant& a, const Variant& b) { return a.v_ == b.v_; }

 private:
  Storage v_;
};

// Automation coercions. Failures throw korvanda::Error: 6 overflow (out of the type's range),
// 13 type mismatch (a text that is no number or date, an object, Missing), 94 invalid use of
// Null. Integer types round half to even. Empty converts as 0, false, the empty text, date 0.
int16_t toInt16(const Variant& v);
int32_t toInt32(const Variant& v);
int64_t toInt64(const Variant& v);
uint8_t toByte(const Variant& v);
double toDouble(const Variant& v);
bool toBool(const Variant& v);
Date toDate(const Variant& v);
Decimal toDecimal(const Variant& v);
std::string toText(const Variant& v);  // the text forms of textform.h
ObjectRef toObject(const Variant& v);  // Empty and "no object" give nullptr

// Typed cast of an object argument: nullptr for "no object", 13 for another class.
template <class T>
std::shared_ptr<T> toObjectOf(const Variant& v) {
  ObjectRef o = toObject(v);
  if (!o) return nullptr;
  auto typed = std::dynamic_pointer_cast<T>(o);
  if (!typed) throw errors::typeMismatch("object of another class");
  return typed;
}

}  // namespace korvanda
KORVANDA_API_END
