/* What libkorvanda.so exports. The library is built with hidden symbol visibility; each public
 * header puts its declarations between KORVANDA_API_BEGIN and KORVANDA_API_END, so that the
 * C ABI and the C++ API of include/korvanda are visible to callers and nothing else is.
 * KORVANDA_LOCAL keeps a member of an exported class out of the export: the library's own use.
 * Usable from C and C++. */
#ifndef KORVANDA_EXPORT_H
#define KORVANDA_EXPORT_H

#if defined(__GNUC__)
#define KORVANDA_API __attribute__((visibility("default")))
#define KORVANDA_LOCAL __attribute__((visibility("hidden")))
#define KORVANDA_API_BEGIN _Pragma("GCC visibility push(default)")
#define KORVANDA_API_END _Pragma("GCC visibility pop")
#else
#define KORVANDA_API
#define KORVANDA_LOCAL
#define KORVANDA_API_BEGIN
#define KORVANDA_API_END
#endif

#endif /* KORVANDA_EXPORT_H */
