#include "translate/emit.h"

namespace korvanda::sqlite::tsql {

void emitNode(const Node& n, std::string& out) {
  if (n.group) {
    out.push_back('(');
    emitNodes(n.kids, out);
    out.push_back(')');
    return;
  }
  switch (n.tok.kind) {
    case Tk::Quoted:
      out.push_back('"');
      for (char c : n.tok.text) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
      }
      out.push_back('"');
      break;
    case Tk::String:
      out.push_back('\'');
      for (char c : n.tok.text) {
        if (c == '\'') out.push_back('\'');
        out.push_back(c);
      }
      out.push_back('\'');
      break;
    default:
      out += n.tok.text;
  }
}

void emitNodes(const Nodes& ns, std::string& out) {
  for (size_t i = 0; i < ns.size(); ++i) {
    if (i > 0) {
      const Node& prev = ns[i - 1];
      const Node& cur = ns[i];
      bool tight = isOp(cur, ",") || isOp(cur, ".") || isOp(prev, ".") ||
                   (cur.group && isName(prev) && !(prev.tok.kind == Tk::Word && isKeyword(prev.tok.text)));
      if (!tight) out.push_back(' ');
    }
    emitNode(ns[i], out);
  }
}

std::string emit(const Nodes& ns) {
  std::string out;
  emitNodes(ns, out);
  return out;
}

}  // namespace korvanda::sqlite::tsql
