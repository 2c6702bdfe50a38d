#include "sqlite/translate.h"

#include "translate/parser.h"
#include "translate/resolve.h"
#include "translate/tokens.h"

// The translation's driver: lex (tokens.h), check the nesting, parse (parser.h), then resolve
// each statement against the schema and write it for SQLite (resolve.h, emit.h).
namespace korvanda::sqlite {

using namespace tsql;

void SchemaSnapshot::add(TableInfo table) {
  std::string key = lower(table.name);
  tables_[key] = std::move(table);
}

const TableInfo* SchemaSnapshot::find(std::string_view name) const {
  auto it = tables_.find(lower(name));
  return it == tables_.end() ? nullptr : &it->second;
}

Translation translate(std::string_view text, const SchemaSnapshot& schema) {
  auto toks = tokenize(text);
  checkNesting(toks);  // before anything recurses into the text
  const std::vector<Statement> statements = parse(toks);
  return resolve(statements, toks, schema);
}

std::string renameCreateTable(std::string_view createSql, std::string_view newName) {
  auto toks = tokenize(createSql);
  size_t i = 0;
  auto is = [&](const char* w) { return i < toks.size() && toks[i].kind == Tk::Word && eqi(toks[i].text, w); };
  if (!is("create")) throw TranslationError("not a CREATE TABLE statement");
  ++i;
  if (is("temp") || is("temporary")) ++i;
  if (!is("table")) throw TranslationError("not a CREATE TABLE statement");
  ++i;
  if (is("if")) i += 3;  // IF NOT EXISTS
  if (i >= toks.size() || (toks[i].kind != Tk::Word && toks[i].kind != Tk::Quoted && toks[i].kind != Tk::String))
    throw TranslationError("CREATE TABLE without a name");
  size_t nameBegin = toks[i].begin, nameEnd = toks[i].end;
  if (i + 2 < toks.size() && toks[i + 1].kind == Tk::Op && toks[i + 1].text == ".") nameEnd = toks[i + 2].end;
  std::string q = "\"";
  for (char c : newName) {
    if (c == '"') q.push_back('"');
    q.push_back(c);
  }
  q.push_back('"');
  return std::string(createSql.substr(0, nameBegin)) + q + std::string(createSql.substr(nameEnd));
}

}  // namespace korvanda::sqlite
