#include "odbc/dialect.h"

#include <mutex>
#include <utility>

#include "core/ascii.h"

namespace korvanda::odbc {
namespace {

struct Registry {
  std::mutex mutex;
  std::vector<std::pair<std::string, DialectFactory>> dialects;
};

Registry& registry() {
  static Registry r;
  return r;
}

}  // namespace

void registerDialect(std::string dbmsName, DialectFactory factory) {
  Registry& r = registry();
  std::lock_guard lock(r.mutex);
  std::erase_if(r.dialects, [&](const auto& d) { return ascii::equalsIgnoreCase(d.first, dbmsName); });
  if (factory) r.dialects.emplace_back(std::move(dbmsName), std::move(factory));
}

std::unique_ptr<StatementDialect> dialectFor(std::string_view dbmsName) {
  DialectFactory factory;
  {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const auto& [name, f] : r.dialects)
      if (ascii::startsWithIgnoreCase(dbmsName, name)) factory = f;
  }
  return factory ? factory() : nullptr;
}

}  // namespace korvanda::odbc
