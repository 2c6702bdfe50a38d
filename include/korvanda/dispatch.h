// Late binding: objects whose members are called by name, as the automation host does.
//
// Each class has one DispatchTable, built on first use and never changed after: reading it is
// safe from any thread. Objects are shared (ObjectRef, std::shared_ptr) and are not safe for
// concurrent use: one thread at a time per object, different objects on different threads.
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

// One callable member. call gets the object and arguments already counted against
// minArgs..maxArgs; it coerces them itself.
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
  // Calls a member by name (letter case ignored). args are only read during the call, coerced
  // to the parameters' types; the result is the caller's. Errors: 438 unknown member, 450 wrong
  // argument count (or a known name called the wrong way, a put on a read-only property),
  // 6/13/94 an argument that does not convert, and whatever the member raises.
  Variant invoke(std::string_view member, int kind, std::span<const Variant> args);
};

}  // namespace korvanda
KORVANDA_API_END
