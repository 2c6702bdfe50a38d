/* KORVANDA automation surface: create objects by class identifier, call members by name. */
#ifndef KORVANDA_AUTOMATION_H
#define KORVANDA_AUTOMATION_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

enum { KV_EMPTY = 0, KV_NULL = 1, KV_I2 = 2, KV_I4 = 3, KV_R8 = 5, KV_DATE = 7, KV_BSTR = 8,
       KV_OBJECT = 9, KV_MISSING = 10, KV_BOOL = 11, KV_DECIMAL = 14, KV_UI1 = 17, KV_I8 = 20 };
enum { KV_METHOD = 1, KV_PROPERTYGET = 2, KV_PROPERTYPUT = 4 };

typedef struct kv_object kv_object;
typedef struct kv_variant {
  int32_t vt;
  union { int16_t i2; int32_t i4; int64_t i8; double r8; double date; int16_t boolean;
          uint8_t ui1; char *str; kv_object *obj; } u;
} kv_variant;
typedef struct kv_error { int32_t number; char *source; char *description; } kv_error;

int  kv_create_object(const char *progid, kv_object **out, kv_error *err);
int  kv_invoke(kv_object *obj, const char *member, int kind,
               const kv_variant *args, int32_t nargs, kv_variant *result, kv_error *err);
void kv_object_addref(kv_object *obj);
void kv_object_release(kv_object *obj);
void kv_variant_clear(kv_variant *v);
void kv_error_clear(kv_error *err);

#ifdef __cplusplus
}
#endif

#endif /* KORVANDA_AUTOMATION_H */
