// Turns typed C++ members into late-bound members: arguments are coerced from Variant by the
// automation rules, std::optional parameters may be left out, the result becomes a Variant.
#pragma once

#include <functional>
#include <optional>
#include <span>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>

#include "korvanda/dispatch.h"
#include "korvanda/error.h"
#include "korvanda/variant.h"

namespace korvanda::binder {

template <class T> struct Arg;
template <> struct Arg<int16_t> { static int16_t from(const Variant& v) { return toInt16(v); } };
template <> struct Arg<int32_t> { static int32_t from(const Variant& v) { return toInt32(v); } };
template <> struct Arg<int64_t> { static int64_t from(const Variant& v) { return toInt64(v); } };
template <> struct Arg<uint8_t> { static uint8_t from(const Variant& v) { return toByte(v); } };
template <> struct Arg<double> { static double from(const Variant& v) { return toDouble(v); } };
template <> struct Arg<bool> { static bool from(const Variant& v) { return toBool(v); } };
template <> struct Arg<Date> { static Date from(const Variant& v) { return toDate(v); } };
template <> struct Arg<Decimal> { static Decimal from(const Variant& v) { return toDecimal(v); } };
template <> struct Arg<std::string> { static std::string from(const Variant& v) { return toText(v); } };
template <> struct Arg<Variant> { static Variant from(const Variant& v) { return v; } };
template <class T> struct Arg<std::shared_ptr<T>> {
  static std::shared_ptr<T> from(const Variant& v) { return toObjectOf<T>(v); }
};

template <class T> struct Optional : std::false_type {};
template <class T> struct Optional<std::optional<T>> : std::true_type { using Inner = T; };

template <class T>
T argAt(std::span<const Variant> args, size_t i, const std::string& member) {
  const bool absent = i >= args.size() || args[i].isMissing();
  if constexpr (Optional<T>::value) {
    if (absent) return std::nullopt;
    return Arg<typename Optional<T>::Inner>::from(args[i]);
  } else {
    if (absent) throw errors::wrongArgumentCount(member);
    return Arg<T>::from(args[i]);
  }
}

template <class... A>
constexpr size_t requiredCount() {
  constexpr bool optional[] = {Optional<std::decay_t<A>>::value..., false};
  size_t n = 0;
  for (size_t i = 0; i < sizeof...(A); ++i)
    if (!optional[i]) n = i + 1;
  return n;
}

template <class R, class... A, class C, class F, size_t... I>
Variant callWith(C& self, F& fn, [[maybe_unused]] std::span<const Variant> args,
                 [[maybe_unused]] const std::string& member,
                 std::index_sequence<I...>) {
  // Braced initialisation converts the arguments left to right.
  std::tuple<std::decay_t<A>...> converted{argAt<std::decay_t<A>>(args, I, member)...};
  if constexpr (std::is_void_v<R>) {
    std::apply([&](auto&... a) { std::invoke(fn, self, std::move(a)...); }, converted);
    return Variant();
  } else {
    return Variant(std::apply([&](auto&... a) { return std::invoke(fn, self, std::move(a)...); },
                              converted));
  }
}

template <class C, class R, class... A, class F>
Member bind(std::string name, int kinds, F fn) {
  Member m;
  m.name = name;
  m.kinds = kinds;
  m.minArgs = requiredCount<A...>();
  m.maxArgs = sizeof...(A);
  m.call = [fn, name](Dispatchable& self, std::span<const Variant> args) mutable -> Variant {
    return callWith<R, A...>(static_cast<C&>(self), fn, args, name,
                             std::index_sequence_for<A...>{});
  };
  return m;
}

// Member functions, const or not, and free functions taking the object first.
template <class C, class R, class... A>
Member make(std::string name, int kinds, R (C::*fn)(A...)) {
  return bind<C, R, A...>(std::move(name), kinds, fn);
}
template <class C, class R, class... A>
Member make(std::string name, int kinds, R (C::*fn)(A...) const) {
  return bind<C, R, A...>(std::move(name), kinds, fn);
}
template <class C, class R, class... A>
Member make(std::string name, int kinds, R (*fn)(C&, A...)) {
  return bind<C, R, A...>(std::move(name), kinds, fn);
}

// A method is also reachable as a property get, as late-bound hosts allow.
template <class F> Member method(std::string name, F fn) {
  return make(std::move(name), kMethod | kPropertyGet, fn);
}
template <class F> Member get(std::string name, F fn) {
  return make(std::move(name), kPropertyGet | kMethod, fn);
}
template <class F> Member put(std::string name, F fn) {
  return make(std::move(name), kPropertyPut, fn);
}

}  // namespace korvanda::binder
