// The C ABI: late-bound calls for any language with a C FFI.
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "core/as_error.h"
#include "korvanda/automation.h"
#include "korvanda/dispatch.h"
#include "korvanda/error.h"
#include "korvanda/textform.h"
#include "korvanda/administration.h"

// A handle: one reference to an object, counted. When the count reaches 0 the object goes and
// the handle is marked released and kept for a while (see Released below), so that a late call
// fails with an error and a second release is ignored instead of touching freed memory.
struct kv_object {
  static constexpr uint32_t kLive = 0x4B564F42, kReleased = 0xDEADD0B1;
  std::atomic<uint32_t> marker{kLive};
  std::atomic<int32_t> count{1};
  korvanda::ObjectRef ref;
};

namespace korvanda {
namespace {

bool live(const kv_object* o) {
  return o && o->marker.load(std::memory_order_acquire) == kv_object::kLive;
}

Error released() {
  return Error(424, errors::kRuntimeSource, "Object required: the object was released");
}

// The handles released last, kept (their objects gone) so that the marker still reads
// "released"; only the oldest is freed. A handle used after this many later releases is beyond
// the check, which is why such use stays undefined.
class Released {
 public:
  static void keep(kv_object* o) {
    static Released r;
    std::unique_ptr<kv_object> oldest;
    std::lock_guard lock(r.mutex_);
    r.kept_.emplace_back(o);
    if (r.kept_.size() > kKept) {
      oldest = std::move(r.kept_.front());
      r.kept_.pop_front();
    }
  }

 private:
  static constexpr size_t kKept = 4096;
  std::mutex mutex_;
  std::deque<std::unique_ptr<kv_object>> kept_;
};

char* duplicate(std::string_view s) {
  char* p = static_cast<char*>(std::malloc(s.size() + 1));
  if (!p) throw std::bad_alloc();
  std::memcpy(p, s.data(), s.size());
  p[s.size()] = '\0';
  return p;
}

void setError(kv_error* err, const Error& e) {
  if (!err) return;
  err->number = e.number();
  err->source = nullptr;
  err->description = nullptr;
  try {
    err->source = duplicate(e.source());
    err->description = duplicate(e.description());
  } catch (...) {
    std::free(err->source);
    err->source = nullptr;
  }
}

void clearError(kv_error* err) {
  if (!err) return;
  err->number = 0;
  err->source = nullptr;
  err->description = nullptr;
}

Variant fromC(const kv_variant& v) {
  switch (v.vt) {
    case KV_EMPTY: return Variant();
    case KV_NULL: return Null{};
    case KV_MISSING: return Missing{};
    case KV_I2: return v.u.i2;
    case KV_I4: return v.u.i4;
    case KV_I8: return v.u.i8;
    case KV_R8: return v.u.r8;
    case KV_DATE: return Date{v.u.date};
    case KV_BOOL: return v.u.boolean != 0;
    case KV_UI1: return v.u.ui1;
    case KV_BSTR:
    case KV_DECIMAL: {
      if (!v.u.str) {
        if (v.vt == KV_DECIMAL) throw errors::typeMismatch("decimal without text");
        return std::string();
      }
      std::string_view s(v.u.str);
      if (!isValidUtf8(s)) throw errors::invalidArgument("text is not valid UTF-8");
      if (v.vt == KV_BSTR) return std::string(s);
      auto d = parseDecimal(s);
      if (!d && isNumberText(s)) throw errors::overflow();
      if (!d) throw errors::typeMismatch("\"" + std::string(s) + "\" is not a decimal");
      return *d;
    }
    case KV_OBJECT:
      if (!v.u.obj) return Variant(nullptr);
      if (!live(v.u.obj)) throw released();
      return Variant(v.u.obj->ref);
    default: throw errors::typeMismatch("unknown variant type " + std::to_string(v.vt));
  }
}

kv_object* wrap(ObjectRef ref) {
  auto o = std::make_unique<kv_object>();
  o->ref = std::move(ref);
  return o.release();  // owned by the caller's references from here
}

// The kinds a caller may send: one of the three, or method-or-get as late-bound callers do.
bool knownKind(int kind) {
  return kind == KV_METHOD || kind == KV_PROPERTYGET || kind == KV_PROPERTYPUT ||
         kind == (KV_METHOD | KV_PROPERTYGET);
}

void toC(const Variant& v, kv_variant* out) {
  out->vt = static_cast<int32_t>(v.type());
  out->u.i8 = 0;
  switch (v.type()) {
    case VarType::Empty: case VarType::Null: case VarType::Missing: break;
    case VarType::I2: out->u.i2 = *v.get_if<int16_t>(); break;
    case VarType::I4: out->u.i4 = *v.get_if<int32_t>(); break;
    case VarType::I8: out->u.i8 = *v.get_if<int64_t>(); break;
    case VarType::R8: out->u.r8 = *v.get_if<double>(); break;
    case VarType::Date: out->u.date = v.get_if<Date>()->serial; break;
    case VarType::Bool: out->u.boolean = *v.get_if<bool>() ? -1 : 0; break;
    case VarType::UI1: out->u.ui1 = *v.get_if<uint8_t>(); break;
    case VarType::Text: out->u.str = duplicate(*v.get_if<std::string>()); break;
    case VarType::Decimal: out->u.str = duplicate(formatDecimal(*v.get_if<Decimal>())); break;
    case VarType::Object: {
      const ObjectRef& ref = *v.get_if<ObjectRef>();
      out->u.obj = ref ? wrap(ref) : nullptr;
      break;
    }
  }
}

// Runs an entry point, turning every failure into an error for the caller.
template <class F>
int guarded(kv_error* err, F&& body) {
  clearError(err);
  try {
    body();
    return 0;
  } catch (...) {
    setError(err, asError(std::current_exception()));
    return 1;
  }
}

}  // namespace
}  // namespace korvanda

using namespace korvanda;

extern "C" int kv_create_object(const char* progid, kv_object** out, kv_error* err) {
  if (out) *out = nullptr;
  return guarded(err, [&] {
    if (!progid) throw errors::cannotCreateObject("(null)");
    if (!out) throw errors::invalidArgument("no place for the object");
    if (!isValidUtf8(progid)) throw errors::invalidArgument("class identifier is not valid UTF-8");
    *out = wrap(createObject(progid));
  });
}

extern "C" int kv_invoke(kv_object* obj, const char* member, int kind, const kv_variant* args,
                         int32_t nargs, kv_variant* result, kv_error* err) {
  if (result) {
    result->vt = KV_EMPTY;
    result->u.i8 = 0;
  }
  return guarded(err, [&] {
    if (!obj) throw errors::objectRequired();
    if (!live(obj)) throw released();
    if (!obj->ref) throw errors::objectRequired();
    if (!member) throw errors::memberNotFound("(null)");
    if (!isValidUtf8(member)) throw errors::invalidArgument("member name is not valid UTF-8");
    if (!knownKind(kind))
      throw errors::invalidArgument("unknown call kind " + std::to_string(kind) +
                                    " (1 method, 2 get, 4 put, 3 method or get)");
    if (nargs < 0 || (nargs > 0 && !args)) throw errors::wrongArgumentCount(member);
    std::vector<Variant> in;
    in.reserve(static_cast<size_t>(nargs));
    for (int32_t i = 0; i < nargs; ++i) in.push_back(fromC(args[i]));
    // Keep the object alive through the call even if the caller releases it meanwhile.
    ObjectRef self = obj->ref;
    Variant r = self->invoke(member, kind, in);
    if (result) toC(r, result);
  });
}

extern "C" void kv_object_addref(kv_object* obj) {
  if (live(obj)) obj->count.fetch_add(1, std::memory_order_relaxed);
}

extern "C" void kv_object_release(kv_object* obj) {
  if (!live(obj)) return;
  // Never below 0: releases beyond the count are ignored.
  int32_t n = obj->count.load(std::memory_order_relaxed);
  do {
    if (n <= 0) return;
  } while (!obj->count.compare_exchange_weak(n, n - 1, std::memory_order_acq_rel));
  if (n != 1) return;
  obj->marker.store(kv_object::kReleased, std::memory_order_release);
  ObjectRef last = std::move(obj->ref);
  Released::keep(obj);
  // The object itself goes here, outside the lock.
}

extern "C" void kv_variant_clear(kv_variant* v) {
  if (!v) return;
  if (v->vt == KV_BSTR || v->vt == KV_DECIMAL) std::free(v->u.str);
  else if (v->vt == KV_OBJECT) kv_object_release(v->u.obj);
  v->vt = KV_EMPTY;
  v->u.i8 = 0;
}

extern "C" void kv_error_clear(kv_error* err) {
  if (!err) return;
  std::free(err->source);
  std::free(err->description);
  clearError(err);
}
