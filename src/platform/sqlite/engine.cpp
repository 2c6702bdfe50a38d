#include "platform/sqlite/engine.h"

#include "korvanda/error.h"

namespace korvanda::sqlite {

ConnectionRef openEmbedded(const std::string&) { throw errors::notImplemented("the embedded engine"); }
void createDatabase(const std::string&, bool) { throw errors::notImplemented("the embedded engine"); }

}  // namespace korvanda::sqlite
