// Duplicate reporting shared by the three registration tables.
#include "registration/statements.h"

#include "component/ModGlobal.h"

namespace korvanda::registration {

Error duplicateError(const char* source) {
  return Error(kAppError1001, source,
               "El registro que intenta insertar esta duplicado\r"
               "      , verifique e intente nuevamente");
}

bool reportDuplicate(const std::optional<std::string>& sendTo, const char* source,
                     int16_t code, std::string_view strPoliza) {
  if (sendTo.value_or("Window") == "Window") throw duplicateError(source);
  GrabaFileErrores(code, "El registro de constancia=" + std::string(strPoliza) + " esta duplicado",
                   0);
  return false;
}

bool isDuplicateKeyViolation(const Error& e) {
  // SQL Server through ODBC: native errors 2627 (primary or unique key) and 2601 (unique
  // index), negated. SQLite, embedded or through its ODBC driver, names the refusal of a
  // unique index or a primary key in its message.
  if (e.number() == -2627 || e.number() == -2601) return true;
  return e.description().find("UNIQUE constraint failed") != std::string::npos;
}

Error connectionNotSet() {
  return Error(91, errors::kRuntimeSource, "Object variable or With block variable not set");
}

}  // namespace korvanda::registration
