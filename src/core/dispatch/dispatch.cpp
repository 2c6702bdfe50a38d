#include "korvanda/dispatch.h"

#include <algorithm>

#include "korvanda/error.h"
#include "core/ascii.h"

namespace korvanda {
namespace {
using ascii::lower;
}  // namespace

DispatchTable::DispatchTable(std::string className, std::vector<Member> members)
    : className_(std::move(className)), members_(std::move(members)) {
  for (size_t i = 0; i < members_.size(); ++i) byName_.emplace(lower(members_[i].name), i);
}

const Member* DispatchTable::find(std::string_view name, int kind) const {
  auto [first, last] = byName_.equal_range(lower(name));
  for (auto it = first; it != last; ++it) {
    const Member& m = members_[it->second];
    if (m.kinds & kind) return &m;
  }
  return nullptr;
}

bool DispatchTable::has(std::string_view name) const { return byName_.count(lower(name)) > 0; }

Variant Dispatchable::invoke(std::string_view member, int kind, std::span<const Variant> args) {
  const DispatchTable& table = dispatchTable();
  const Member* m = table.find(member, kind);
  if (!m) {
    // A known name called the wrong way (a put on a read-only property) is an argument error.
    if (table.has(member)) throw errors::wrongArgumentCount(std::string(member));
    throw errors::memberNotFound(std::string(member));
  }
  if (args.size() < m->minArgs || args.size() > m->maxArgs)
    throw errors::wrongArgumentCount(m->name);
  return m->call(*this, args);
}

}  // namespace korvanda
