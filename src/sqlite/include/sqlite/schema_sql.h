// The schema files, compiled into the library (generated from schema/*.sql at build time).
#pragma once

namespace korvanda::sqlite::embedded {
extern const char* const kTablesSql;
extern const char* const kDemoSql;
}  // namespace korvanda::sqlite::embedded
