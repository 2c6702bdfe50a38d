// korvanda call PROGID MEMBER [ARG...]: one late-bound call, as the application makes it.
#include <iostream>
#include <memory>
#include <vector>

#include "commands.h"
#include "korvanda/recordset.h"
#include "korvanda/textform.h"
#include "korvanda/administration.h"

namespace korvanda::cli {
namespace {
struct CallOptions {
  std::string progid, member;
  std::vector<std::string> args;
  bool put = false, csv = false, json = false;
};

// "null" and "missing" stand for Null and a left-out argument, "connection" for the shared
// connection (as getConexion gives it, for the pConn parameters); anything else is text, which
// the member's parameter type converts.
Variant parseArg(const std::string& a, Dispatchable& obj) {
  if (a == "null") return Null{};
  if (a == "missing") return Missing{};
  if (a == "connection") return obj.invoke("getConexion", kMethod, {});
  return a;
}
}  // namespace

Command callCommand() {
  auto opt = std::make_shared<CallOptions>();
  Command cmd{"call", "Create an object by class identifier and call one member by name"};
  cmd.footer =
      "Arguments are passed as text and converted to each parameter's type; write null for a\n"
      "Null value, missing to leave an optional argument out, and connection for the shared\n"
      "connection (the pConn argument of the registration members).\n\n"
      "Examples:\n"
      "  korvanda call KORVANDA.clsCatValida getCatalogos 5\n"
      "  korvanda call KORVANDA.clsCatValida FindQuery \"select * from CATCRAMO\" --csv\n"
      "  korvanda call KORVANDA.clsControlFiles fileAdvance";
  cmd.option("progid", &opt->progid, "Class identifier, e.g. KORVANDA.clsCatValida").require();
  cmd.option("member", &opt->member, "Member name (letter case ignored)").require();
  cmd.option("args", &opt->args, "Arguments in the member's parameter order");
  cmd.option("--put", &opt->put, "Property put: the last argument is the new value");
  cmd.option("--csv", &opt->csv, "Print a record set as CSV");
  cmd.option("--json", &opt->json, "Print a record set as JSON").excluding("--csv");
  cmd.run = [opt] {
    runReporting([&] {
      ObjectRef obj = createObject(opt->progid);
      std::vector<Variant> args;
      for (const auto& a : opt->args) args.push_back(parseArg(a, *obj));
      Variant r = obj->invoke(opt->member, opt->put ? kPropertyPut : kMethod | kPropertyGet, args);
      if (auto* o = r.get_if<ObjectRef>()) {
        if (!*o) {
          std::cout << "(no object)\n";
        } else if (auto rs = std::dynamic_pointer_cast<Recordset>(*o)) {
          if (rs->state() == 0) std::cout << "(closed record set)\n";
          else printRecordset(std::cout, *rs, opt->json ? Format::Json : opt->csv ? Format::Csv : Format::Table);
        } else {
          std::cout << "(object " << (*o)->dispatchTable().className() << ")\n";
        }
      } else if (r.isNull()) {
        std::cout << "Null\n";
      } else if (!r.isEmpty()) {
        std::cout << toText(r) << "\n";
      }
    });
  };
  return cmd;
}

}  // namespace korvanda::cli
