/* KORVANDA automation surface: create objects by class identifier, call members by name.
 *
 * Contract for every caller of this header:
 *
 * Ownership. Every pointer the library hands out belongs to the caller until the caller gives
 * it back with the function named below; every pointer the caller hands in stays the caller's
 * and is only read during the call (the library copies what it keeps).
 *
 * Threads. Functions may be called from any thread. kv_create_object, kv_object_addref,
 * kv_object_release, kv_variant_clear and kv_error_clear are safe to call concurrently, also
 * on handles of one object (the reference count is atomic). An object itself is NOT safe for
 * concurrent use: two threads must not call kv_invoke on one object (record set, connection
 * or class object) at the same time; one thread may hand an object to another when the caller
 * orders the calls (for example with a mutex). Calls on different objects from different
 * threads run concurrently. The members of the KORVANDA classes work on the shared connection
 * of the calling thread (one per thread, opened from the registry value when the thread first
 * needs it), not on a connection of the object: a class object called from another thread
 * uses that thread's connection. A connection obtained from getConexion belongs to the thread
 * that obtained it; handing it to another thread (as pConn, say) is allowed only under the
 * same rule of one thread at a time.
 *
 * Undefined. Passing a pointer that this library did not hand out (or a kv_variant, kv_error
 * or object after it was given back), a text without its terminating NUL, an args array with
 * fewer than nargs entries, or a kv_variant whose vt does not match its union member, is
 * undefined behaviour and may crash the process. The library detects cheaply what it can:
 * a NULL object, an unknown vt or call kind, a text that is not UTF-8, a negative nargs or a
 * NULL args with nargs > 0, and an object handle used shortly after its last release, are
 * reported as errors (or ignored, for a second release); these checks are no licence to rely
 * on them. Clearing a copy of a kv_variant that was already cleared frees its text twice.
 */
#ifndef KORVANDA_AUTOMATION_H
#define KORVANDA_AUTOMATION_H

#include <stdint.h>

#include "korvanda/export.h"

#ifdef __cplusplus
extern "C" {
#endif
KORVANDA_API_BEGIN

/* Variant types (vt) and the union member each one uses. KV_EMPTY, KV_NULL and KV_MISSING use
 * none; KV_BSTR and KV_DECIMAL use str; KV_OBJECT uses obj (NULL means "no object"). */
enum { KV_EMPTY = 0, KV_NULL = 1, KV_I2 = 2, KV_I4 = 3, KV_R8 = 5, KV_DATE = 7, KV_BSTR = 8,
       KV_OBJECT = 9, KV_MISSING = 10, KV_BOOL = 11, KV_DECIMAL = 14, KV_UI1 = 17, KV_I8 = 20 };
/* Call kinds for kv_invoke: one of these, or KV_METHOD | KV_PROPERTYGET (3, a method or a
 * property get, as late-bound callers send). Any other value fails with error 5. */
enum { KV_METHOD = 1, KV_PROPERTYGET = 2, KV_PROPERTYPUT = 4 };

/* A counted reference to an object. Obtained from kv_create_object, from a KV_OBJECT result or
 * from kv_object_addref; each reference is given back once with kv_object_release (directly,
 * or through kv_variant_clear of the variant that holds it). */
typedef struct kv_object kv_object;

/* A value. date is days since 1899-12-30, its fraction the time of day; boolean is 0 or -1;
 * a KV_DECIMAL is its exact text in str ("1234.5": "." separator, no trailing zeros). In a
 * result, str (a malloc'd, NUL-terminated UTF-8 text) and obj (a reference) are owned by the
 * caller and freed together by kv_variant_clear; they do not depend on the object that gave
 * them and stay valid after its release. In an argument they stay the caller's: the library
 * never writes into args and keeps nothing that points into them. */
typedef struct kv_variant {
  int32_t vt;
  union { int16_t i2; int32_t i4; int64_t i8; double r8; double date; int16_t boolean;
          uint8_t ui1; char *str; kv_object *obj; } u;
} kv_variant;

/* A failure: number, source and description. After a failed call, source and description
 * are NUL-terminated UTF-8 texts owned by the caller, valid until kv_error_clear (which frees
 * both and sets the fields to 0 and NULL), also once the object that failed is released.
 * After a successful call the fields are 0 and NULL. Each call overwrites *err without
 * freeing what it held: clear it before passing it again, or its texts leak. A
 * zero-initialised kv_error is ready for use. */
typedef struct kv_error { int32_t number; char *source; char *description; } kv_error;

/* Creates an object of the class progid (a NUL-terminated UTF-8 text; letter case ignored).
 * Returns 0 and stores a new reference in *out, which the caller gives back with
 * kv_object_release; on failure returns non-zero, sets *out to NULL and fills *err (error 429
 * for an unknown class). err may be NULL. */
int  kv_create_object(const char *progid, kv_object **out, kv_error *err);

/* Calls member (a NUL-terminated UTF-8 text; letter case ignored) of obj with kind, passing
 * nargs arguments from args (read only; args may be NULL when nargs is 0). result may be NULL
 * to drop the result; otherwise it is overwritten without being freed first (clear a result
 * before reusing the variant) and, on success, holds a value the caller frees with
 * kv_variant_clear. On failure result is KV_EMPTY and *err is filled. err may be NULL.
 * Errors the library raises itself: 424 a NULL or released object, 438 unknown member,
 * 450 wrong argument count, 5 an unknown kind, 13 an unknown vt, and whatever the member
 * raises. obj is kept alive for the length of the call. */
int  kv_invoke(kv_object *obj, const char *member, int kind,
               const kv_variant *args, int32_t nargs, kv_variant *result, kv_error *err);

/* Adds a reference to obj; each one is given back with its own kv_object_release. NULL, and a
 * handle already released, are ignored. */
void kv_object_addref(kv_object *obj);

/* Gives back one reference; the object goes with its last one. NULL is ignored, and so is a
 * release of a handle whose references are all given back (as long as the handle is among
 * the last few thousand released; beyond that it is undefined). */
void kv_object_release(kv_object *obj);

/* Frees what the variant owns (the text of KV_BSTR and KV_DECIMAL, the reference of
 * KV_OBJECT) and sets it to KV_EMPTY with the union zeroed, so clearing it again does nothing.
 * NULL is ignored. Only for variants the library filled (results); argument variants the
 * caller built belong to the caller's own memory management. */
void kv_variant_clear(kv_variant *v);

/* Frees the texts of an error filled by the library and resets it. Clearing again, or
 * clearing a zero-initialised kv_error, does nothing. NULL is ignored. */
void kv_error_clear(kv_error *err);

KORVANDA_API_END
#ifdef __cplusplus
}
#endif

#endif /* KORVANDA_AUTOMATION_H */
