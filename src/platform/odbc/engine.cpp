#include "platform/odbc/engine.h"

#include "korvanda/error.h"

namespace korvanda::odbc {

ConnectionRef openOdbc(const std::string&, const std::string&, const std::string&,
                       const std::string&) {
  throw errors::notImplemented("the ODBC engine");
}

}  // namespace korvanda::odbc
