// Late binding: objects whose members are called by name, as the automation host does.
#pragma once

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "korvanda/variant.h"
#include "korvanda/export.h"

KORVANDA_API_BEGIN
namespace korvanda {

enum InvokeKind : int { kMethod = 1, kPropertyGet = 2, kPropertyPut = 4 };

class Dispatchable;

struct Member {
  std::string name;
  int kinds = kMethod;  // which InvokeKind flags reach it
  size_t minArgs = 0;
  size_t maxArgs = 0;
  std::function<Variant(Dispatchable&, std::span<const Variant>)> call;
};

// The members of one class, found by name without regard to letter case.
class DispatchTable {
 public:
  DispatchTable(std::string className, std::vector<Member> members);
  const std::string& className() const { return className_; }
  // nullptr when no member of that name accepts the kind.
  const Member* find(std::string_view name, int kind) const;
  bool has(std::string_view name) const;
  const std::vector<Member>& members() const { return members_; }

 private:
  std::string className_;
  std::vector<Member> members_;
  std::unordered_multimap<std::string, size_t> byName_;
};

class Dispatchable : public std::enable_shared_from_this<Dispatchable> {
 public:
  virtual ~Dispatchable() = default;
  virtual const DispatchTable& dispatchTable() const = 0;
  // Errors: 438 unknown member, 450 wrong argument count, and whatever the member raises.
  Variant invoke(std::string_view member, int kind, std::span<const Variant> args);
};

}  // namespace korvanda
KORVANDA_API_END
