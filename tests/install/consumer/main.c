/* A C program that uses only the installed C ABI. */
#include <korvanda/automation.h>
#include <stdio.h>

int main(void) {
  kv_object *files = NULL;
  kv_error err = {0};
  kv_variant result = {0};
  if (kv_create_object("KORVANDA.clsControlFiles", &files, &err) != 0) {
    fprintf(stderr, "%d %s: %s\n", err.number, err.source, err.description);
    kv_error_clear(&err);
    return 1;
  }
  int rc = kv_invoke(files, "fileAdvance", KV_PROPERTYGET, NULL, 0, &result, &err);
  if (rc != 0 || result.vt != KV_I2 || result.u.i2 != 1) {
    fprintf(stderr, "unexpected fileAdvance\n");
    return 1;
  }
  kv_variant_clear(&result);
  kv_object_release(files);
  if (kv_create_object("KORVANDA.Nothing", &files, &err) == 0 || err.number != 429) return 1;
  kv_error_clear(&err);
  puts("consumer ok");
  return 0;
}
